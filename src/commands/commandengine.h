#pragma once

// The command engine runs one command over files of a file list on a worker
// thread created for the run. Everything that touches the owner (events,
// questions, list changes) is done on the engine's own thread while the
// worker waits for it; that thread must either run its event loop (a window)
// or serve the run with waitForIdle (a command-line tool).

#include "commands/commandfilelist.h"
#include "commands/commandtypes.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QEventLoop;
class QThread;
class TAbstractListFichier;
class tAbstractCmd;

// Answers the engine's confirmation questions on the owner's thread. With
// `several` (two or more queued files) the answers No to all and Yes to all
// are offered beside Yes, No and Cancel.
class TCommandAnswerer
{
public:
    virtual ~TCommandAnswerer() = default;
    virtual TModalResult ConfirmCommand(const QString &question, bool several) = 0;
};

// Creates the record of a produced or reloaded file.
using TFichierFactory = std::function<std::unique_ptr<TAbstractListFichier>(const QString &path)>;

class TCommandEngine : public QObject
{
    Q_OBJECT
public:
    explicit TCommandEngine(QObject *parent = nullptr);
    // Aborts a run in progress and waits for its end.
    ~TCommandEngine() override;

    // The list a run takes its files from, and the list produced files go to.
    void setSourceFichierListbox(TCommandFileList *list) { m_source = list; }
    void setDestFichierListbox(TCommandFileList *list) { m_dest = list; }
    // Records for produced and reloaded files (plain file records by default).
    void setFichierClass(TFichierFactory factory);
    // Who answers questions; without one the question goes out as
    // OnQuestion, to be answered through Answer. Nobody to ask: Cancel.
    void setAnswerer(TCommandAnswerer *answerer) { m_answerer = answerer; }

    // --- owner's thread ---
    // Starts a run; false when it does not start (no lists, the command's
    // condition is false, no file to take, or a run is in progress).
    bool ExecuteCommand(tAbstractCmd *cmd, const QStringList &params = {});
    // Skips the rest of the current file (a running pipeline stops) and the next one.
    void Abort();
    // Stops the run after the current file (a running pipeline stops).
    void AbortAll();
    // Answers the question raised by OnQuestion.
    void Answer(TModalResult answer);
    // Serves the run (events, questions, list changes) until it has ended,
    // or until ms milliseconds have passed (ms < 0: no limit). True when idle.
    bool waitForIdle(int ms = -1);
    bool isRunning() const { return m_running.load(); }
    // Asks a confirmation question (what the commands' confirmations call).
    TModalResult Confirm(const QString &question);

    // --- any thread ---
    bool Aborted() const { return m_abortCurrent.load(); }
    bool AbortedAll() const { return m_abortAll.load(); }
    void SignalGraphEnd();

    // --- worker thread, for the commands ---
    void MessageCommand(const QString &text);
    void ErrorCommand(const QString &text, TErrorType type);
    // The command's message followed by the reason: "text: reason".
    void ErrorCommand(const QString &text, const TError &reason, TErrorType type);
    void StartProgress(int max);
    void SetProgress(int position);
    void EndProgress();
    void AddFichier(const QString &path);
    void RemoveFichier();
    void ReloadFichier();
    // Why the current file could not be deleted or renamed, if it could not.
    TError ReplaceFichier(const QString &path);
    TError RenameFichier(const QString &path);
    // Runs fn on the owner's thread and waits for it to return (at once when
    // called there); an exception it throws comes back to the caller.
    void RunOnOwner(std::function<void()> fn) { callOwner(std::move(fn)); }
    // Waits up to ms for the end of the running pipeline; true when it ended.
    bool WaitGraphEnd(int ms);
    void ResetGraphEnd();

    // The state of the run.
    tAbstractCmd *currentCommand() const { return m_command; }
    TAbstractListFichier *currentFichier() const { return m_current; }
    const QStringList &params() const { return m_params; }
    int queueCount() const { return int(m_queue.size()); }
    int passe() const { return m_passe; }
    TErrorType errorType() const { return m_errorType; }
    QString lastMessage() const { return m_lastMessage; }
    int progressMax() const { return m_progressMax; }
    int progressPosition() const { return m_progressPosition; }

signals:
    void OnStartCommand();
    void OnEndCommand();
    // The record is null for a command without files, and at the end of a
    // file whose entry the command removed.
    void OnStartFichier(TAbstractListFichier *aFichier, const QStringList &aParams, int passe);
    void OnEndFichier(TAbstractListFichier *aFichier, const QStringList &aParams, int passe);
    void OnMessageCommand(const QString &aMsg);
    void OnErrorCommand(const QString &aMsg, TErrorType aErrorType);
    void OnStartProgress(int progress);
    void OnSetProgress(int progress);
    void OnEndProgress();
    // A question for the owner when no answerer is set: answer with Answer.
    void OnQuestion(const QString &question, bool several);

private:
    struct TQueued
    {
        QString text;
        QString path;
        TAbstractListFichier *record = nullptr;
    };
    struct TOwnerCall
    {
        std::function<void()> fn;
        bool done = false;
        std::exception_ptr error;
    };

    void run();
    void runFile(const TQueued &queued);
    // Reports a failure that ends the run (a condition or a question that threw).
    void reportRunFailure(const std::exception &e);
    TModalResult settleAnswer(TAbstractListFichier *fichier, int passe);
    TAbstractListFichier *locate(const TQueued &queued) const;
    // Runs fn on the owner's thread and waits for it; exceptions come back.
    void callOwner(std::function<void()> fn);
    void serveCalls();
    void finishThreads();
    bool isCurrentPath(const QString &path) const;
    void moveEntry(const QString &path, TCommandFileList *list);

    TCommandFileList *m_source = nullptr;
    TCommandFileList *m_dest = nullptr;
    TFichierFactory m_factory;
    TCommandAnswerer *m_answerer = nullptr;

    tAbstractCmd *m_command = nullptr;
    std::vector<TQueued> m_queue;
    QStringList m_params;
    TAbstractListFichier *m_current = nullptr;
    int m_passe = 0;
    TModalResult m_answer = mrYes;
    TErrorType m_errorType = etNoError;
    std::atomic<bool> m_abortCurrent{false};
    std::atomic<bool> m_abortAll{false};
    std::atomic<bool> m_running{false};
    int m_progressMax = 0;
    int m_progressPosition = 0;
    QString m_lastMessage;

    std::vector<std::unique_ptr<QThread>> m_threads;

    std::mutex m_callLock;
    std::condition_variable m_callChanged;
    std::deque<TOwnerCall *> m_calls;

    std::mutex m_graphLock;
    std::condition_variable m_graphChanged;
    bool m_graphEnded = false;

    QEventLoop *m_answerLoop = nullptr;
    std::optional<TModalResult> m_pendingAnswer;
};

// Moves a file to the desktop's trash, silently; true on success.
bool DeleteToRecycleBin(const QString &path);
