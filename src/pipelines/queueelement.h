#pragma once

// A thread boundary: samples given to the queue are passed on by a worker
// thread of its own, so that the elements before and after it run on
// different cores. The queue holds a bounded number of samples; a full queue
// makes the delivering thread wait.
//
// A queue of several lanes carries several streams (input k goes out on
// output k) through one worker, in the order the samples arrived across all
// lanes: the elements behind it see the same sequence as without the queue.

#include "pipelines/element.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

class TQueueElement final : public TElement
{
public:
    explicit TQueueElement(int capacity = 8, int lanes = 1);

    // Wakes a waiting side only once this many samples are there to take
    // (or this much room is free): fewer thread switches for a stream that
    // runs flat out, at the price of latency. 1 (the default) wakes at once.
    void setWakeBatch(int samples) { m_wakeBatch = std::clamp(samples, 1, m_capacity); }

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;
    void stopStreaming() override;
    void wakeForHalt() override;

private:
    void work();
    void markWaiting(bool &flag);
    void clearWaiting(bool &flag);

    struct TItem
    {
        TMediaSample sample;
        int lane = 0;
        bool end = false;
    };
    const int m_capacity;
    int m_wakeBatch = 1;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<TItem> m_items;
    bool m_producerWaiting = false;
    bool m_workerWaiting = false;
};
