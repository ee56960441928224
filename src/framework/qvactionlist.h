#pragma once

// Action lists. A list owns its actions (QAction or any action of
// scriptaction.h) in the order they were added; that order is the order in
// which they are loaded, saved, registered with the script engine and the
// switch processor.
//
//   TCustomQvActionList  loads and saves the values of its actions with the
//                        preferences (those with IncludePrefs), then raises its
//                        own load or save handler; one failure makes the result
//                        false and the others still run
//   TQvActionList        adds the script engine (every compile registers the
//                        list's procedures, after the engine's earlier handler)
//                        and the command-line switch processor
//   TQvActionComponent   a reusable part of a window that makes its own actions
//                        in code and wires their internal handlers
//
// Main thread only.

#include "framework/scriptaction.h"
#include "framework/scriptengine.h"

#include <QEvent>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class TBrontelPreferences;
class TQvSwitch;

using TListLoadEvent = std::function<bool(TBrontelPreferences &gp)>;
using TListSaveEvent = std::function<bool(TBrontelPreferences &gp)>;

class TCustomQvActionList : public QObject
{
    Q_OBJECT

public:
    explicit TCustomQvActionList(QObject *parent = nullptr);
    ~TCustomQvActionList() override;

    // Takes the action: the list becomes its parent and it is last in order.
    void addAction(QAction *action);
    const QList<QAction *> &actions() const { return m_actions; }
    // The actions of the family of scriptaction.h, in list order.
    QList<TCustomAbstractAction *> customActions() const;

    // The first action whose InternalId is id (case sensitive), or null.
    TCustomAbstractAction *FindByInternalId(const QString &id) const;
    // The action of that name ("iaVolume"), or null; find<T> also checks its class.
    TCustomAbstractAction *findByName(const QString &name) const;
    template <typename A>
    A *find(const QString &name) const
    {
        return dynamic_cast<A *>(findByName(name));
    }

    bool LoadAllFromPrefs(TBrontelPreferences &gp);
    bool SaveAllToPrefs(TBrontelPreferences &gp);
    void setOnLoadFromPrefs(TListLoadEvent handler) { m_onLoad = std::move(handler); }
    void setOnSaveToPrefs(TListSaveEvent handler) { m_onSave = std::move(handler); }
    // What failed in the last load or save, one line each.
    const QStringList &errorStrings() const { return m_errors; }

    // The images the actions' ImageIndex refer to.
    const TImageList &images() const { return m_images; }
    void setImages(const TImageList &images);

protected:
    // An action of the family joined the list.
    virtual void actionAdded(TCustomAbstractAction *) {}

private:
    template <typename F>
    bool runAll(F each, const std::function<bool(TBrontelPreferences &)> &handler, TBrontelPreferences &gp);

    QList<QAction *> m_actions;
    TListLoadEvent m_onLoad;
    TListSaveEvent m_onSave;
    QStringList m_errors;
    TImageList m_images;
};

class TQvActionList : public TCustomQvActionList
{
    Q_OBJECT

public:
    using TCustomQvActionList::TCustomQvActionList;
    // Lets go of the engine and of the switch processor.
    ~TQvActionList() override;

    TScriptEngine *scriptEngine() const { return m_engine; }
    // From now on each compile of engine runs the handler it had, then
    // registers the list's actions; after the list lets go (another engine,
    // null, or its end) the engine's compiles run as they did before. Lists
    // that share an engine may attach and let go in any order.
    void setScriptEngine(TScriptEngine *engine);
    // Registers every action of the family in list order; true when all did.
    bool RegisterAllInScript(TScriptEngine &engine);

    TQvSwitch *switchProcessor() const;
    // Takes the list's actions out of the old processor and registers them,
    // with their Switch texts, with the new one; actions added later are
    // registered as they come.
    void setSwitchProcessor(TQvSwitch *processor);

protected:
    void actionAdded(TCustomAbstractAction *action) override;

private:
    QPointer<TScriptEngine> m_engine;
    quint64 m_attachment = 0; // the handler left in an engine registers only for the attachment that put it there
    QMetaObject::Connection m_engineGone;
    QPointer<TQvSwitch> m_switch;
    QMetaObject::Connection m_switchGone;
};

// A part of a window that owns actions made in code. Initialise() makes them
// (CreateActions), gives them their defaults (SetDesignDefaults), finds them
// by their InternalId (LocateActions) and wires their internal handlers
// (LinkActions). Events posted to the component reach WndProc.
class TQvActionComponent : public TQvActionList
{
    Q_OBJECT

public:
    using TQvActionList::TQvActionList;

    void Initialise();

    // An action of this component: named and identified by internalId, in
    // Category "internal", stored with the preferences.
    template <typename A>
    A *createAction(const QString &internalId)
    {
        A *action = new A(internalId, this);
        action->setInternalId(internalId);
        action->setCategory(QStringLiteral("internal"));
        action->setIncludePrefs(true);
        return action;
    }

protected:
    virtual void WndProc(QEvent *event) { QObject::customEvent(event); }
    virtual void LinkActions() {}
    virtual void CreateActions() {}
    virtual void LocateActions() {}
    virtual void SetDesignDefaults() {}

    void customEvent(QEvent *event) override { WndProc(event); }
};
