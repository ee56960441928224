#include "framework/qvactionlist.h"

#include "framework/qvswitch.h"

// ---------------------------------------------------------------- TCustomQvActionList

TCustomQvActionList::TCustomQvActionList(QObject *parent) : QObject(parent) {}

TCustomQvActionList::~TCustomQvActionList()
{
    // The actions go with the list (their parent); none reports back while it goes.
    for (QAction *action : std::as_const(m_actions))
        disconnect(action, nullptr, this, nullptr);
}

void TCustomQvActionList::addAction(QAction *action)
{
    if (!action || m_actions.contains(action))
        return;
    action->setParent(this);
    m_actions << action;
    connect(action, &QObject::destroyed, this, [this, action] { m_actions.removeOne(action); });
    if (auto *custom = qobject_cast<TCustomAbstractAction *>(action)) {
        custom->m_list = this;
        actionAdded(custom);
    }
}

QList<TCustomAbstractAction *> TCustomQvActionList::customActions() const
{
    QList<TCustomAbstractAction *> custom;
    for (QAction *action : m_actions)
        if (auto *a = qobject_cast<TCustomAbstractAction *>(action))
            custom << a;
    return custom;
}

TCustomAbstractAction *TCustomQvActionList::FindByInternalId(const QString &id) const
{
    for (TCustomAbstractAction *action : customActions())
        if (action->internalId() == id)
            return action;
    return nullptr;
}

TCustomAbstractAction *TCustomQvActionList::findByName(const QString &name) const
{
    for (TCustomAbstractAction *action : customActions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

template <typename F>
bool TCustomQvActionList::runAll(F each, const std::function<bool(TBrontelPreferences &)> &handler, TBrontelPreferences &gp)
{
    m_errors.clear();
    bool all = true;
    for (TCustomAbstractAction *action : customActions()) {
        if (!action->includePrefs())
            continue;
        if (!each(*action)) {
            all = false;
            if (!action->errorString().isEmpty())
                m_errors << action->errorString();
        }
    }
    if (handler) {
        try {
            if (!handler(gp))
                all = false;
        } catch (const std::exception &e) {
            m_errors << QString::fromLocal8Bit(e.what());
            all = false;
        }
    }
    return all;
}

bool TCustomQvActionList::LoadAllFromPrefs(TBrontelPreferences &gp)
{
    return runAll([&gp](TCustomAbstractAction &action) { return action.LoadFromPrefs(gp); }, m_onLoad, gp);
}

bool TCustomQvActionList::SaveAllToPrefs(TBrontelPreferences &gp)
{
    return runAll([&gp](TCustomAbstractAction &action) { return action.SaveToPrefs(gp); }, m_onSave, gp);
}

void TCustomQvActionList::setImages(const TImageList &images)
{
    m_images = images;
    for (TCustomAbstractAction *action : customActions()) {
        const int index = action->imageIndex();
        action->setIcon(index >= 0 && index < images.size() ? images[index] : QIcon());
    }
}

// ---------------------------------------------------------------- TQvActionList

TQvActionList::~TQvActionList()
{
    setScriptEngine(nullptr);
    setSwitchProcessor(nullptr);
}

void TQvActionList::setScriptEngine(TScriptEngine *engine)
{
    if (engine == m_engine)
        return;
    // A list that lets go leaves its handler in the engine's chain, where it
    // only passes the compile on to the handler it found: the same as putting
    // that one back, and the lists chained after it keep their place.
    disconnect(m_engineGone);
    m_engine = engine;
    ++m_attachment;
    if (!engine)
        return;
    engine->setCompileHandler([self = QPointer<TQvActionList>(this), attachment = m_attachment,
                               previous = engine->compileHandler()](TScriptEngine &compiling) {
        if (previous)
            previous(compiling);
        if (self && self->m_attachment == attachment)
            self->RegisterAllInScript(compiling);
    });
    m_engineGone = connect(engine, &QObject::destroyed, this, [this] {
        m_engine = nullptr;
        ++m_attachment;
    });
}

TQvSwitch *TQvActionList::switchProcessor() const
{
    return m_switch;
}

bool TQvActionList::RegisterAllInScript(TScriptEngine &engine)
{
    bool all = true;
    for (TCustomAbstractAction *action : customActions())
        if (!action->RegisterInScript(engine))
            all = false;
    return all;
}

void TQvActionList::setSwitchProcessor(TQvSwitch *processor)
{
    if (processor == m_switch)
        return;
    if (m_switch) {
        for (TCustomAbstractAction *action : customActions())
            m_switch->Unregister(action);
        disconnect(m_switchGone);
    }
    m_switch = processor;
    if (!processor)
        return;
    for (TCustomAbstractAction *action : customActions())
        processor->Register(action);
    m_switchGone = connect(processor, &QObject::destroyed, this, [this] { m_switch = nullptr; });
}

void TQvActionList::actionAdded(TCustomAbstractAction *action)
{
    if (m_switch)
        m_switch->Register(action);
}

// ---------------------------------------------------------------- TQvActionComponent

void TQvActionComponent::Initialise()
{
    CreateActions();
    SetDesignDefaults();
    LocateActions();
    LinkActions();
}
