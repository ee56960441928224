#pragma once

// TQvSwitch: the command-line switch processor. Each program argument is one
// entry, run in order once the window has loaded its settings:
//
//   +name          a check action is checked
//   -name          it is unchecked
//   /name          it is toggled
//   +name=value    any other action takes the value through SetValueFromText
//                  (whichever of + - / begins it; a command runs, the text unused)
//   /quit          the main window closes after the other entries ran
//   anything else  a plain argument, for DefaultAction when there is one; so
//                  is an absolute path ("/videos/a.avi"): no switch holds a "/"
//
// Names ignore case and are matched against the Switch of the registered
// actions, in registration order (the first match wins); an unknown name
// goes to DefaultAction, or is dropped without one. A disabled action's entry
// is skipped.
//
// Pending events are handled before and after each entry, and after an entry
// the run waits while the busy check says work is going on (a command the
// entry started), so "/quit" does not cut that work short. Both, and what
// closes the main window, are given by the window; the defaults handle the
// application's events, never wait, and quit the application.
//
// Main thread only.

#include "framework/scriptaction.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

enum class TSwitchMode : quint8 {
    SetTrue = 0,      // "+"
    SetFalse = 1,     // "-"
    ToggleOrText = 2, // "/"
    Argument = 3,     // no switch character
};

// One parsed command-line entry.
struct TActionEx
{
    QPointer<TCustomAbstractAction> action;
    QString value;
    TSwitchMode mode = TSwitchMode::Argument;
};
using TSuperList = std::vector<TActionEx>;

class TQvSwitch : public QObject
{
    Q_OBJECT

public:
    explicit TQvSwitch(QObject *parent = nullptr);

    // The action answers to its Switch text as it is when the line is read.
    void Register(TCustomAbstractAction *action);
    void Unregister(TCustomAbstractAction *action);
    QList<TCustomAbstractAction *> registered() const;

    TCustomAbstractAction *defaultAction() const { return m_defaultAction; }
    void setDefaultAction(TCustomAbstractAction *action) { m_defaultAction = action; }

    // The arguments to read: the program's own (without the program) unless set.
    QStringList arguments() const;
    void setArguments(const QStringList &arguments) { m_arguments = arguments; }
    void setPumpMessages(std::function<void()> pump) { m_pump = std::move(pump); }
    void setBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }
    void setCloseMainWindow(std::function<void()> close) { m_closeMainWindow = std::move(close); }

    // Parses the arguments into entries (emptied first).
    void ReadCommandLine();
    // Reads the arguments and runs the entries, or raises noCommandLine when
    // there are none; then empties the entries. "/quit" closes the main
    // window at the end, also when it was the only switch.
    void RunCommandLine();
    // Ends the run before the next entry.
    void RequestStop() { m_stop = true; }

    bool Executing() const { return m_executing; }
    bool quitWhenDone() const { return m_quitWhenDone; }
    const TSuperList &entries() const { return m_entries; }
    // The entry being run, or -1.
    int currentIndex() const { return m_index; }

signals:
    void noCommandLine();

private:
    TCustomAbstractAction *lookup(const QString &name);
    void runEntries();
    void runEntry(const TActionEx &entry);
    void pump();

    QList<QPointer<TCustomAbstractAction>> m_table;
    QPointer<TCustomAbstractAction> m_defaultAction;
    std::optional<QStringList> m_arguments;
    std::function<void()> m_pump;
    std::function<bool()> m_busy;
    std::function<void()> m_closeMainWindow;
    TSuperList m_entries;
    bool m_stop = false;
    bool m_quitWhenDone = false;
    bool m_executing = false;
    int m_index = -1;
};
