#pragma once

// TThreadOpen: the file list's opener. One worker thread per list walks the
// file system for each request (fichiersearch.h) and builds the record of
// every file found that the list does not hold yet, with the record factory;
// what it finds reaches the list's thread in order, through the receiver, in
// batches the list takes whenever its event loop comes round. The worker never
// waits for the list, and the list never waits for the worker.
//
// Runs: Start() ends the running run first (Stop()), then raises
// openStarted() at once; every run ends with exactly one openEnded(count),
// where count is the number of files delivered. Stop() delivers what the
// worker handed over so far and ends the run at once; whatever the worker
// still finishes for a stopped run (a record being built) is destroyed unseen.
// The receiver's callbacks may start or stop runs themselves.
//
// Errors: a factory that returns no record skips the file; one that throws a
// std::exception skips it too, reported through openFileFailed unless the file
// vanished meanwhile.

#include "framework/fichiersearch.h"
#include "framework/listfichier.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;

// Builds the record of a file. Called on the opener's thread, possibly while
// other threads build records too.
using TRecordFactory = std::function<std::unique_ptr<TAbstractListFichier>(const QString &fullPath)>;

class TOpenReceiver
{
public:
    virtual ~TOpenReceiver() = default;
    // On the opener's thread: whether the list already holds a record of the
    // file as it is now (no record is built then).
    virtual bool openHolds(const QString &fullPath, const TFileStamp &stamp) const = 0;
    // On the list's thread, in order:
    virtual void openStarted() = 0;
    virtual void openFolderFound(const QString &folder) = 0;
    // A file found; record is its new record, or null when the list holds one.
    virtual void openFileFound(const QString &fullPath, const TFileStamp &stamp,
                               std::unique_ptr<TAbstractListFichier> record) = 0;
    virtual void openFileFailed(const QString &fullPath, const QString &reason) = 0;
    virtual void openEnded(int count) = 0;
};

class TThreadOpen : public QObject
{
    Q_OBJECT

public:
    // The worker starts idle. The receiver must outlive the opener.
    explicit TThreadOpen(TOpenReceiver &receiver, QObject *parent = nullptr);
    // Stops the run without ending it (no callback), waits for the worker.
    ~TThreadOpen() override;

    // The factory of the runs started from now on (plain file records of the
    // files that exist, by default).
    void setFactory(TRecordFactory factory);

    void Start(TOpenRequest request);
    void Stop();
    // Between openStarted and openEnded.
    bool isRunning() const { return m_run != 0; }
    // Delivers what the worker handed over so far (the event loop does it too).
    void deliver();

private:
    struct TFound
    {
        enum class TKind { Folder, File, Failed, End } kind;
        quint64 run = 0;
        QString path;
        TFileStamp stamp;
        std::unique_ptr<TAbstractListFichier> record;
        QString reason;
    };
    struct TRun
    {
        quint64 id = 0;
        TOpenRequest request;
        TRecordFactory factory;
    };
    class TSink;

    void work();
    void runRequest(TRun &run);
    void post(TFound found);
    bool stopped(quint64 run) const { return run <= m_stoppedUpTo.load(); }

    TOpenReceiver &m_receiver;
    TRecordFactory m_factory;

    // The list's thread only.
    quint64 m_lastRun = 0;
    quint64 m_run = 0; // the run being delivered, 0 for none
    int m_count = 0;
    std::deque<TFound> m_ready;

    // Shared with the worker.
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<TRun> m_pending;
    std::deque<TFound> m_found;
    bool m_deliveryPosted = false;
    bool m_quit = false;
    std::atomic<quint64> m_stoppedUpTo{0};

    QThread *m_thread = nullptr;
};
