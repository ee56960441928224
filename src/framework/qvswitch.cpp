#include "framework/qvswitch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

// An argument that begins with "+", "-" or "/" is a switch, except an
// absolute path: a switch name never holds a "/".
bool IsSwitch(const QString &argument)
{
    if (argument.isEmpty())
        return false;
    const QChar first = argument[0];
    if (first == QLatin1Char('+') || first == QLatin1Char('-'))
        return true;
    if (first != QLatin1Char('/'))
        return false;
    const qsizetype equal = argument.indexOf(QLatin1Char('='));
    return !argument.mid(1, equal < 0 ? -1 : equal - 1).contains(QLatin1Char('/'));
}

} // namespace

TQvSwitch::TQvSwitch(QObject *parent) : QObject(parent) {}

void TQvSwitch::Register(TCustomAbstractAction *action)
{
    if (action && !m_table.contains(action))
        m_table << action;
}

void TQvSwitch::Unregister(TCustomAbstractAction *action)
{
    m_table.removeAll(action);
}

QList<TCustomAbstractAction *> TQvSwitch::registered() const
{
    QList<TCustomAbstractAction *> actions;
    for (const QPointer<TCustomAbstractAction> &action : m_table)
        if (action)
            actions << action;
    return actions;
}

QStringList TQvSwitch::arguments() const
{
    return m_arguments ? *m_arguments : QCoreApplication::arguments().mid(1);
}

TCustomAbstractAction *TQvSwitch::lookup(const QString &name)
{
    if (name.isEmpty())
        return m_defaultAction;
    if (name == QLatin1String("quit")) {
        m_quitWhenDone = true;
        return nullptr;
    }
    const QList<TCustomAbstractAction *> table = registered();
    if (table.isEmpty())
        return nullptr;
    for (TCustomAbstractAction *action : table)
        if (!action->switchName().isEmpty() && action->switchName().compare(name, Qt::CaseInsensitive) == 0)
            return action;
    return m_defaultAction;
}

void TQvSwitch::ReadCommandLine()
{
    m_entries.clear();
    m_quitWhenDone = false;
    for (const QString &argument : arguments()) {
        TActionEx entry;
        QString name;
        const QChar first = argument.isEmpty() ? QChar() : argument[0];
        if (IsSwitch(argument)) {
            entry.mode = first == QLatin1Char('+')   ? TSwitchMode::SetTrue
                         : first == QLatin1Char('-') ? TSwitchMode::SetFalse
                                                     : TSwitchMode::ToggleOrText;
            const qsizetype equal = argument.indexOf(QLatin1Char('='));
            if (equal >= 1) {
                name = argument.mid(1, equal - 1).toLower();
                entry.value = argument.mid(equal + 1);
            } else {
                name = argument.mid(1).toLower();
            }
        } else {
            entry.mode = TSwitchMode::Argument;
            entry.value = argument;
        }
        entry.action = lookup(name);
        if (entry.action)
            m_entries.push_back(entry);
    }
}

void TQvSwitch::RunCommandLine()
{
    ReadCommandLine();
    if (m_entries.empty())
        emit noCommandLine();
    else
        runEntries();
    m_entries.clear();
    if (m_quitWhenDone) {
        if (m_closeMainWindow)
            m_closeMainWindow();
        else
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void TQvSwitch::runEntries()
{
    struct TRunning
    {
        TQvSwitch &self;
        ~TRunning()
        {
            self.m_executing = false;
            self.m_index = -1;
        }
    } running{*this};
    m_stop = false;
    m_executing = true;
    // Entries are copied: an entry's handlers may read the command line again.
    const TSuperList entries = m_entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (m_stop)
            break;
        pump();
        const TActionEx &entry = entries[i];
        if (!entry.action || !entry.action->isEnabled())
            continue;
        m_index = int(i);
        runEntry(entry);
        pump();
        while (m_busy && !m_stop && m_busy()) {
            QEventLoop wait;
            QTimer::singleShot(20, &wait, &QEventLoop::quit);
            wait.exec();
            pump();
        }
    }
}

void TQvSwitch::runEntry(const TActionEx &entry)
{
    TCustomAbstractAction *action = entry.action;
    try {
        if (auto *check = qobject_cast<TCheckAction *>(action)) {
            switch (entry.mode) {
            case TSwitchMode::SetTrue: check->SetValue(true); break;
            case TSwitchMode::SetFalse: check->SetValue(false); break;
            case TSwitchMode::ToggleOrText: check->SetValue(!check->isChecked()); break;
            case TSwitchMode::Argument: break;
            }
        } else {
            action->SetValueFromText(entry.value);
        }
    } catch (const std::exception &e) {
        // One entry's failure is its own: the others still run.
        qWarning("%s: %s", qPrintable(action->name()), e.what());
    }
}

void TQvSwitch::pump()
{
    if (m_pump)
        m_pump();
    else
        QCoreApplication::processEvents();
}
