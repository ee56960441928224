#include "framework/fichieropener.h"

#include <QFileInfo>
#include <QThread>

#include <exception>

class TThreadOpen::TSink final : public TFileSearchSink
{
public:
    TSink(TThreadOpen &opener, TRun &run) : m_opener(opener), m_run(run) {}

    bool stopped() const override { return m_opener.stopped(m_run.id); }

    void folderFound(const QString &folder) override
    {
        m_opener.post({TFound::TKind::Folder, m_run.id, folder, {}, nullptr, {}});
    }

    void fileFound(const QString &path, const TFileStamp &stamp) override
    {
        if (m_opener.m_receiver.openHolds(path, stamp)) {
            m_opener.post({TFound::TKind::File, m_run.id, path, stamp, nullptr, {}});
            return;
        }
        std::unique_ptr<TAbstractListFichier> record;
        try {
            record = m_run.factory(path);
        } catch (const std::exception &e) {
            if (QFileInfo::exists(path))
                m_opener.post({TFound::TKind::Failed, m_run.id, path, stamp, nullptr, QString::fromLocal8Bit(e.what())});
            return;
        }
        if (record)
            m_opener.post({TFound::TKind::File, m_run.id, path, stamp, std::move(record), {}});
    }

private:
    TThreadOpen &m_opener;
    TRun &m_run;
};

TThreadOpen::TThreadOpen(TOpenReceiver &receiver, QObject *parent)
    : QObject(parent), m_receiver(receiver),
      m_factory([](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
          auto record = std::make_unique<TSRFichier>(path);
          return record->exists() ? std::move(record) : nullptr;
      })
{
    m_thread = QThread::create([this] { work(); });
    m_thread->setObjectName(QStringLiteral("opener"));
    m_thread->start();
}

TThreadOpen::~TThreadOpen()
{
    {
        std::lock_guard guard(m_lock);
        m_quit = true;
        m_pending.reset();
        m_stoppedUpTo.store(m_lastRun);
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
}

void TThreadOpen::setFactory(TRecordFactory factory)
{
    m_factory = std::move(factory);
}

void TThreadOpen::Start(TOpenRequest request)
{
    Stop();
    const quint64 id = ++m_lastRun;
    m_run = id;
    m_count = 0;
    {
        std::lock_guard guard(m_lock);
        m_pending = TRun{id, std::move(request), m_factory};
    }
    m_wake.notify_all();
    m_receiver.openStarted();
}

void TThreadOpen::Stop()
{
    if (m_run == 0)
        return;
    const quint64 run = m_run;
    m_stoppedUpTo.store(run);
    {
        std::lock_guard guard(m_lock);
        if (m_pending && m_pending->id <= run)
            m_pending.reset();
    }
    deliver();
    if (m_run == run) {
        m_run = 0;
        m_receiver.openEnded(m_count);
    }
}

void TThreadOpen::deliver()
{
    {
        std::lock_guard guard(m_lock);
        m_deliveryPosted = false;
        for (TFound &found : m_found)
            m_ready.push_back(std::move(found));
        m_found.clear();
    }
    // One at a time from the member queue: a callback may stop this run or
    // start another, which delivers from the same queue.
    while (!m_ready.empty()) {
        TFound found = std::move(m_ready.front());
        m_ready.pop_front();
        if (found.run != m_run)
            continue; // of a stopped run
        switch (found.kind) {
        case TFound::TKind::Folder:
            m_receiver.openFolderFound(found.path);
            break;
        case TFound::TKind::File:
            ++m_count;
            m_receiver.openFileFound(found.path, found.stamp, std::move(found.record));
            break;
        case TFound::TKind::Failed:
            m_receiver.openFileFailed(found.path, found.reason);
            break;
        case TFound::TKind::End:
            m_run = 0;
            m_receiver.openEnded(m_count);
            break;
        }
    }
}

void TThreadOpen::post(TFound found)
{
    bool wakeList = false;
    {
        std::lock_guard guard(m_lock);
        m_found.push_back(std::move(found));
        wakeList = !m_deliveryPosted;
        m_deliveryPosted = true;
    }
    if (wakeList)
        QMetaObject::invokeMethod(this, [this] { deliver(); }, Qt::QueuedConnection);
}

void TThreadOpen::work()
{
    for (;;) {
        TRun run;
        {
            std::unique_lock guard(m_lock);
            m_wake.wait(guard, [this] { return m_quit || m_pending.has_value(); });
            if (m_quit)
                return;
            run = std::move(*m_pending);
            m_pending.reset();
        }
        runRequest(run);
    }
}

void TThreadOpen::runRequest(TRun &run)
{
    TSink sink(*this, run);
    SearchRequest(run.request, sink);
    if (!stopped(run.id))
        post({TFound::TKind::End, run.id, {}, {}, nullptr, {}});
}
