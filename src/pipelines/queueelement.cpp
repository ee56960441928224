#include "pipelines/queueelement.h"

#include "pipelines/pipeline.h"

#include <algorithm>
#include <chrono>

namespace {
// Waits re-check the pipeline's flush flag at this interval.
constexpr auto kPoll = std::chrono::milliseconds(20);
} // namespace

TQueueElement::TQueueElement(int capacity, int lanes)
    : TElement(QStringLiteral("Queue")), m_capacity(capacity < 1 ? 1 : capacity)
{
    for (int k = 0; k < std::max(lanes, 1); ++k) {
        const QString suffix = k == 0 ? QString() : QStringLiteral(" %1").arg(k + 1);
        addInput(QStringLiteral("In") + suffix);
        addOutput(QStringLiteral("Out") + suffix);
    }
}

TResult TQueueElement::checkInputType(int, const TMediaType &type)
{
    return type.isValid() ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TQueueElement::outputType(int output) const
{
    const TPin *in = input(output);
    return in ? in->mediaType() : TMediaType();
}

// A thread that waits counts as waiting from the moment it starts waiting to
// the moment the other side gives it work, so that a pause never sees a
// moment where both sides look idle while a sample is on its way.
void TQueueElement::markWaiting(bool &flag)
{
    if (!flag && pipeline()) {
        flag = true;
        pipeline()->threadWaits();
    }
}

void TQueueElement::clearWaiting(bool &flag)
{
    if (flag && pipeline()) {
        flag = false;
        pipeline()->threadWakes();
    }
}

void TQueueElement::receive(int input, TMediaSample &sample)
{
    std::unique_lock guard(m_lock);
    while (int(m_items.size()) >= m_capacity && !flushing()) {
        markWaiting(m_producerWaiting);
        m_changed.wait_for(guard, kPoll);
    }
    clearWaiting(m_producerWaiting);
    if (flushing())
        return;
    m_items.push_back({sample, input, false});
    clearWaiting(m_workerWaiting);
    if (int(m_items.size()) >= m_wakeBatch)
        m_changed.notify_all();
}

void TQueueElement::endOfStream(int input)
{
    std::lock_guard guard(m_lock);
    m_items.push_back({{}, input, true});
    clearWaiting(m_workerWaiting);
    m_changed.notify_all();
}

void TQueueElement::startStreaming()
{
    flushed();
    if (pipeline())
        pipeline()->startWorker([this] { work(); });
}

void TQueueElement::flushed()
{
    std::lock_guard guard(m_lock);
    m_items.clear();
    m_producerWaiting = false;
    m_workerWaiting = false;
}

void TQueueElement::stopStreaming()
{
    flushed();
}

void TQueueElement::work()
{
    // The worker ends once every connected lane has ended.
    int open = 0;
    for (int k = 0; k < inputCount(); ++k)
        open += input(k)->isConnected() ? 1 : 0;
    while (open > 0) {
        TItem item;
        {
            std::unique_lock guard(m_lock);
            while (m_items.empty() && !flushing()) {
                markWaiting(m_workerWaiting);
                m_changed.wait_for(guard, kPoll);
            }
            clearWaiting(m_workerWaiting);
            if (flushing())
                return;
            item = std::move(m_items.front());
            m_items.pop_front();
            clearWaiting(m_producerWaiting);
            if (int(m_items.size()) <= m_capacity - m_wakeBatch)
                m_changed.notify_all();
        }
        if (item.end) {
            deliverEndOfStream(item.lane);
            --open;
            continue;
        }
        deliver(item.lane, item.sample);
    }
}

void TQueueElement::wakeForHalt()
{
    std::lock_guard guard(m_lock);
    m_changed.notify_all();
}
