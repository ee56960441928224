#include "commands/commandengine.h"

#include "commands/commands.h"
#include "framework/listfichier.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMetaMethod>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <exception>

TCommandEngine::TCommandEngine(QObject *parent) : QObject(parent)
{
    setFichierClass({});
}

TCommandEngine::~TCommandEngine()
{
    AbortAll();
    waitForIdle();
}

void TCommandEngine::setFichierClass(TFichierFactory factory)
{
    if (!factory)
        factory = [](const QString &path) { return std::make_unique<TSRFichier>(path); };
    m_factory = std::move(factory);
}

// --- owner's thread ---

bool TCommandEngine::ExecuteCommand(tAbstractCmd *cmd, const QStringList &params)
{
    if (!cmd || !m_source || !m_dest || m_running.load())
        return false;
    // The command's condition may judge the parameters of the run.
    m_params = params;
    if (!cmd->DoCommandCondition(this))
        return false;

    std::vector<TQueued> queue;
    const auto queueItem = [&](int index) {
        TAbstractListFichier *record = m_source->record(index);
        if (record)
            queue.push_back({m_source->itemText(index), record->fullPath(), record});
    };
    switch (cmd->Nombre) {
    case fnSingle: {
        const int current = m_source->currentIndex();
        if (current < 0 || current >= m_source->count())
            return false;
        queueItem(current);
        break;
    }
    case fnSelect:
        if (m_source->selectedCount() <= 0)
            return false;
        for (int i = 0; i < m_source->count(); ++i) {
            if (m_source->isSelected(i)) {
                queueItem(i);
                m_source->setSelected(i, false);
            }
        }
        break;
    case fnAll:
        if (m_source->count() <= 0)
            return false;
        for (int i = 0; i < m_source->count(); ++i) {
            queueItem(i);
            m_source->setSelected(i, false);
        }
        break;
    case fnNone:
        break;
    }
    if (cmd->Nombre != fnNone && queue.empty())
        return false;

    cmd->setEngine(this);
    m_queue = std::move(queue);
    m_params = params;
    m_command = cmd;
    m_current = nullptr;
    m_abortCurrent = false;
    m_abortAll = false;
    m_running = true;
    // Workers of earlier runs that have ended are released here.
    std::erase_if(m_threads, [](const std::unique_ptr<QThread> &t) { return t->isFinished(); });
    m_threads.emplace_back(QThread::create([this] { run(); }));
    m_threads.back()->start(QThread::HighPriority);
    return true;
}

void TCommandEngine::Abort()
{
    m_abortCurrent = true;
    if (m_command) {
        try {
            m_command->DoAbort(this);
        } catch (const std::exception &e) {
            // The abort goes on; the hook's failure is only said.
            emit OnMessageCommand(QString::fromUtf8(e.what()));
        }
    }
}

void TCommandEngine::AbortAll()
{
    m_abortAll = true;
    Abort();
    if (m_answerLoop)
        m_answerLoop->quit(); // a pending question is answered Cancel
}

void TCommandEngine::Answer(TModalResult answer)
{
    m_pendingAnswer = answer;
    if (m_answerLoop)
        m_answerLoop->quit();
}

TModalResult TCommandEngine::Confirm(const QString &question)
{
    if (m_abortAll.load())
        return mrCancel;
    const bool several = m_queue.size() >= 2;
    if (m_answerer)
        return m_answerer->ConfirmCommand(question, several);
    if (!isSignalConnected(QMetaMethod::fromSignal(&TCommandEngine::OnQuestion)))
        return mrCancel;
    m_pendingAnswer.reset();
    emit OnQuestion(question, several);
    if (!m_pendingAnswer && !m_abortAll.load()) {
        QEventLoop loop;
        m_answerLoop = &loop;
        loop.exec();
        m_answerLoop = nullptr;
    }
    const TModalResult answer = m_abortAll.load() ? mrCancel : m_pendingAnswer.value_or(mrCancel);
    m_pendingAnswer.reset();
    return answer;
}

bool TCommandEngine::waitForIdle(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        serveCalls();
        std::unique_lock guard(m_callLock);
        if (!m_running.load())
            break;
        const auto ready = [this] { return !m_calls.empty() || !m_running.load(); };
        if (ms < 0)
            m_callChanged.wait(guard, ready);
        else if (!m_callChanged.wait_until(guard, deadline, ready))
            return false;
    }
    finishThreads();
    return true;
}

void TCommandEngine::finishThreads()
{
    for (const auto &t : m_threads)
        t->wait();
    m_threads.clear();
}

void TCommandEngine::serveCalls()
{
    for (;;) {
        TOwnerCall *call = nullptr;
        {
            std::lock_guard guard(m_callLock);
            if (m_calls.empty())
                return;
            call = m_calls.front();
            m_calls.pop_front();
        }
        try {
            call->fn();
        } catch (const std::exception &) {
            // Handed back as it is to the worker waiting for the call, which rethrows it.
            call->error = std::current_exception();
        }
        {
            std::lock_guard guard(m_callLock);
            call->done = true;
        }
        m_callChanged.notify_all();
    }
}

void TCommandEngine::callOwner(std::function<void()> fn)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    TOwnerCall call{std::move(fn), false, nullptr};
    {
        std::lock_guard guard(m_callLock);
        m_calls.push_back(&call);
    }
    m_callChanged.notify_all();
    QMetaObject::invokeMethod(this, [this] { serveCalls(); }, Qt::QueuedConnection);
    {
        std::unique_lock guard(m_callLock);
        m_callChanged.wait(guard, [&] { return call.done; });
    }
    if (call.error)
        std::rethrow_exception(call.error);
}

// --- the run, on the worker thread ---

void TCommandEngine::run()
{
    tAbstractCmd *cmd = m_command;
    m_answer = mrYes;
    try {
        callOwner([&] {
            if (cmd->Nombre == fnSelect || cmd->Nombre == fnAll)
                m_source->setEnabled(false);
            emit OnStartCommand();
        });
        if (cmd->Nombre == fnNone) {
            m_current = nullptr;
            for (int passe = 1; passe <= std::max(1, cmd->NbPasses); ++passe) {
                m_passe = passe;
                m_errorType = etNoError;
                cmd->DoExecution(nullptr, m_params, this, passe);
                if (m_errorType == etAllError || m_abortAll.load())
                    break;
            }
        } else {
            for (const TQueued &queued : m_queue) {
                if (m_abortAll.load())
                    break;
                if (m_abortCurrent.exchange(false))
                    continue;
                runFile(queued);
                if (m_errorType == etAllError || m_answer == mrCancel)
                    break;
            }
        }
    } catch (const std::exception &e) {
        // A failure outside a file's guard ends the run.
        reportRunFailure(e);
    }
    try {
        callOwner([&] {
            // The run is over before the owner hears of it, so that the owner
            // may start the next command from OnEndCommand.
            m_current = nullptr;
            m_command = nullptr;
            {
                std::lock_guard guard(m_callLock);
                m_running = false;
            }
            if (cmd->UpdateDisplay == udFinal) {
                m_source->refreshActiveItem();
                m_source->refreshCounts();
            }
            m_source->setEnabled(true);
            emit OnEndCommand();
        });
    } catch (const std::exception &e) {
        // The owner failed while it heard of the end: nobody is left to tell.
        qWarning("tarvex: the end of a command failed: %s", e.what());
    }
    // Nothing of the engine may be touched from here on: a new run may have started.
}

void TCommandEngine::runFile(const TQueued &queued)
{
    tAbstractCmd *cmd = m_command;
    m_errorType = etNoError;
    // The list may have replaced or dropped the record since the run started.
    callOwner([&] { m_current = locate(queued); });
    if (!m_current)
        return;
    bool visible = true, enabled = true;
    cmd->DoFileCondition(m_current, visible, enabled);
    if (!enabled)
        return;

    for (int passe = 1; passe <= std::max(1, cmd->NbPasses); ++passe) {
        m_passe = passe;
        TModalResult answer = mrYes;
        callOwner([&] { answer = settleAnswer(m_current, passe); });
        if (answer == mrCancel || answer == mrNo || answer == mrNoToAll)
            return; // the rest of the file is skipped; Cancel ends the run
        callOwner([&] {
            m_source->selectRecord(m_current);
            if (cmd->UpdateDisplay == udEach)
                m_source->refreshActiveItem();
            emit OnStartFichier(m_current, m_params, passe);
        });
        m_errorType = etNoError;
        cmd->DoExecution(m_current, m_params, this, passe);
        if (m_errorType == etAllError)
            return;
        callOwner([&] { emit OnEndFichier(m_current, m_params, passe); });
        if (!m_current)
            return; // the command removed the file's entry
        if (m_abortAll.load() || m_abortCurrent.load())
            return; // no further pass after an abort

    }
}

void TCommandEngine::reportRunFailure(const std::exception &e)
{
    try {
        ErrorCommand(QString::fromUtf8(e.what()), etAllError);
    } catch (const std::exception &again) {
        qWarning("tarvex: a command ended on %s, and saying so failed: %s", e.what(), again.what());
    }
}

TModalResult TCommandEngine::settleAnswer(TAbstractListFichier *fichier, int passe)
{
    if (m_answer == mrYes || m_answer == mrNo)
        m_answer = mrYes;
    if (m_command->DoFileVerification(fichier, m_params, this, passe))
        return m_answer;
    if (m_answer == mrNoToAll || m_answer == mrYesToAll)
        return m_answer;
    m_answer = m_command->DoFileConfirmation(fichier, m_params, this, passe);
    return m_answer;
}

TAbstractListFichier *TCommandEngine::locate(const TQueued &queued) const
{
    TAbstractListFichier *byPath = nullptr;
    for (int i = 0; i < m_source->count(); ++i) {
        TAbstractListFichier *record = m_source->record(i);
        // The path is compared too: a new record may sit at a freed record's address.
        if (record == queued.record && record->fullPath() == queued.path)
            return record;
        if (!byPath && record && record->fullPath() == queued.path)
            byPath = record;
    }
    return byPath;
}

// --- events, for the commands ---

void TCommandEngine::MessageCommand(const QString &text)
{
    m_lastMessage = text;
    callOwner([&] { emit OnMessageCommand(text); });
}

void TCommandEngine::ErrorCommand(const QString &text, TErrorType type)
{
    m_lastMessage = text;
    m_errorType = type;
    callOwner([&] { emit OnErrorCommand(text, type); });
}

void TCommandEngine::ErrorCommand(const QString &text, const TError &reason, TErrorType type)
{
    ErrorCommand(reason ? reason.because(text).text() : text, type);
}

void TCommandEngine::StartProgress(int max)
{
    m_progressMax = max;
    m_progressPosition = 0;
    callOwner([&] { emit OnStartProgress(max); });
}

void TCommandEngine::SetProgress(int position)
{
    m_progressPosition = position;
    callOwner([&] { emit OnSetProgress(position); });
}

void TCommandEngine::EndProgress()
{
    callOwner([&] { emit OnEndProgress(); });
}

// --- list updates ---

bool TCommandEngine::isCurrentPath(const QString &path) const
{
    if (!m_current)
        return false;
    const QFileInfo a(path), b(m_current->fullPath());
    return a.absoluteFilePath() == b.absoluteFilePath()
           || (a.exists() && a.canonicalFilePath() == b.canonicalFilePath());
}

void TCommandEngine::AddFichier(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    if (isCurrentPath(path)) {
        // Listing the file over its own entry would drop the current record.
        ReloadFichier();
        return;
    }
    std::unique_ptr<TAbstractListFichier> record = m_factory(path);
    if (!record)
        return;
    callOwner([&] { m_dest->addFichier(std::move(record), false); });
}

void TCommandEngine::RemoveFichier()
{
    if (!m_current)
        return;
    callOwner([&] {
        m_source->removeFichier(m_current);
        m_current = nullptr;
    });
}

void TCommandEngine::ReloadFichier()
{
    if (!m_current)
        return;
    std::unique_ptr<TAbstractListFichier> record = m_factory(m_current->fullPath());
    if (!record)
        return;
    TAbstractListFichier *fresh = record.get();
    callOwner([&] {
        m_source->replaceFichier(m_current, std::move(record));
        m_current = fresh;
    });
}

// Drops the current file's entry and lists the file at path in list instead,
// which becomes the current file.
void TCommandEngine::moveEntry(const QString &path, TCommandFileList *list)
{
    std::unique_ptr<TAbstractListFichier> record = m_factory(path);
    TAbstractListFichier *fresh = record.get();
    callOwner([&] {
        m_source->removeFichier(m_current);
        m_current = nullptr;
        if (record) {
            list->addFichier(std::move(record), true);
            m_current = fresh;
        }
    });
}

TError TCommandEngine::ReplaceFichier(const QString &path)
{
    if (!m_current || path.isEmpty() || !QFileInfo::exists(path))
        return {};
    if (isCurrentPath(path)) {
        // The destination is the file itself: deleting it would lose the result.
        ReloadFichier();
        return {};
    }
    QFile current(m_current->fullPath());
    if (!current.remove())
        return TError(QStringLiteral("cannot delete %1: %2").arg(current.fileName(), current.errorString()));
    moveEntry(path, m_dest);
    return {};
}

TError TCommandEngine::RenameFichier(const QString &path)
{
    if (!m_current || path.isEmpty())
        return {};
    if (isCurrentPath(path))
        return {};
    // A file that cannot be renamed (missing, or the name is taken) keeps its
    // entry. The command may have moved the file itself: the entry follows.
    const bool moved = !QFileInfo::exists(m_current->fullPath()) && QFileInfo::exists(path);
    QFile current(m_current->fullPath());
    if (!moved && !current.rename(path))
        return TError(QStringLiteral("cannot rename %1 to %2: %3").arg(current.fileName(), path, current.errorString()));
    moveEntry(path, m_source);
    return {};
}

// --- the end of a running pipeline ---

void TCommandEngine::SignalGraphEnd()
{
    {
        std::lock_guard guard(m_graphLock);
        m_graphEnded = true;
    }
    m_graphChanged.notify_all();
}

void TCommandEngine::ResetGraphEnd()
{
    std::lock_guard guard(m_graphLock);
    m_graphEnded = false;
}

bool TCommandEngine::WaitGraphEnd(int ms)
{
    std::unique_lock guard(m_graphLock);
    const bool ended = m_graphChanged.wait_for(guard, std::chrono::milliseconds(ms), [this] { return m_graphEnded; });
    m_graphEnded = false; // auto-reset
    return ended;
}

bool DeleteToRecycleBin(const QString &path)
{
    return !path.isEmpty() && QFile::moveToTrash(path);
}
