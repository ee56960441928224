#include "pipelines/pipeline.h"

#include "pipelines/converters.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>

namespace {
constexpr int kPauseWaitMs = 1000;
constexpr int kMaxConverterDepth = 4;
} // namespace

TPipeline::TPipeline(QObject *parent) : QObject(parent), m_converters(DefaultConverters) {}

TPipeline::~TPipeline()
{
    stop();
    removeAll();
}

TResult TPipeline::add(TElement *element, const QString &name)
{
    if (!element)
        return TResult::Fail;
    if (element->m_pipeline == this)
        return TResult::Ok;
    if (element->m_pipeline || m_state != TState::Stopped)
        return element->m_pipeline ? TResult::Fail : TResult::WrongState;
    element->m_pipeline = this;
    m_elements.push_back(element);
    m_names.push_back(name.isEmpty() ? element->name() : name);
    return TResult::Ok;
}

TResult TPipeline::remove(TElement *element)
{
    const auto it = std::find(m_elements.begin(), m_elements.end(), element);
    if (it == m_elements.end())
        return TResult::Fail;
    if (m_state != TState::Stopped)
        stop();
    for (int i = 0; i < element->inputCount(); ++i)
        disconnect(element->input(i));
    for (int i = 0; i < element->outputCount(); ++i)
        disconnect(element->output(i));
    const auto index = it - m_elements.begin();
    m_elements.erase(it);
    m_names.erase(m_names.begin() + index);
    element->m_pipeline = nullptr;
    return TResult::Ok;
}

void TPipeline::removeAll()
{
    stop();
    while (!m_elements.empty())
        remove(m_elements.back());
    m_inserted.clear();
}

QString TPipeline::nameOf(const TElement *element) const
{
    for (size_t i = 0; i < m_elements.size(); ++i)
        if (m_elements[i] == element)
            return m_names[i];
    return {};
}

TElement *TPipeline::find(const QString &name) const
{
    for (size_t i = 0; i < m_elements.size(); ++i)
        if (m_names[i] == name)
            return m_elements[i];
    return nullptr;
}

TResult TPipeline::connect(TPin *output, TPin *input)
{
    if (!output || !input || output->isInput() || !input->isInput())
        return TResult::Fail;
    if (output->element()->pipeline() != this || input->element()->pipeline() != this)
        return TResult::Fail;
    if (m_state != TState::Stopped)
        return TResult::WrongState;
    if (output->isConnected() || input->isConnected())
        return TResult::AlreadyConnected;
    const TMediaType type = output->element()->outputType(output->index());
    if (!type.isValid())
        return TResult::NotConnected;
    const TResult accepted = input->element()->checkInputType(input->index(), type);
    if (accepted != TResult::Ok)
        return accepted;
    output->m_peer = input;
    input->m_peer = output;
    output->m_type = type;
    input->m_type = type;
    input->element()->inputConnected(input->index());
    output->element()->outputConnected(output->index());
    return TResult::Ok;
}

TResult TPipeline::disconnect(TPin *pin)
{
    if (!pin || !pin->m_peer)
        return TResult::NotConnected;
    if (m_state != TState::Stopped)
        stop();
    TPin *input = pin->isInput() ? pin : pin->m_peer;
    TPin *output = pin->isInput() ? pin->m_peer : pin;
    output->m_peer = nullptr;
    input->m_peer = nullptr;
    output->m_type = {};
    input->m_type = {};
    input->element()->inputDisconnected(input->index());
    return TResult::Ok;
}

TResult TPipeline::connectThrough(TPin *output, TPin *input)
{
    // Breadth-first over chains of converters, shortest first.
    const TResult direct = connect(output, input);
    if (direct == TResult::Ok || direct != TResult::TypeNotAccepted || !m_converters)
        return direct;

    std::function<bool(TPin *, int)> search = [&](TPin *from, int depth) -> bool {
        if (connect(from, input) == TResult::Ok)
            return true;
        if (depth == 0)
            return false;
        const TMediaType type = from->element()->outputType(from->index());
        for (auto &candidate : m_converters(type)) {
            TElement *converter = candidate.get();
            if (add(converter) != TResult::Ok)
                continue;
            if (converter->inputCount() == 0 || connect(from, converter->input(0)) != TResult::Ok) {
                remove(converter);
                continue;
            }
            for (int i = 0; i < converter->outputCount(); ++i) {
                if (search(converter->output(i), depth - 1)) {
                    m_inserted.push_back(std::move(candidate));
                    return true;
                }
            }
            remove(converter);
        }
        return false;
    };
    return search(output, kMaxConverterDepth) ? TResult::Ok : TResult::NoPath;
}

TResult TPipeline::renderTowards(TPin *output, TElement *target)
{
    if (!target)
        return TResult::Fail;
    for (int i = 0; i < target->inputCount(); ++i)
        if (!target->input(i)->isConnected())
            return connectThrough(output, target->input(i));
    return TResult::AlreadyConnected;
}

// Elements from the pushers downstream, each after everything feeding it.
std::vector<TElement *> TPipeline::streamingOrder() const
{
    std::vector<TElement *> order;
    std::set<TElement *> placed;
    std::function<void(TElement *)> place = [&](TElement *e) {
        if (placed.count(e))
            return;
        placed.insert(e);
        for (int i = 0; i < e->inputCount(); ++i)
            if (TPin *peer = e->input(i)->peer())
                place(peer->element());
        order.push_back(e);
    };
    for (TElement *e : m_elements)
        place(e);
    return order;
}

TSeekable *TPipeline::seekable() const
{
    for (TElement *e : m_elements)
        if (e->isPusher())
            if (auto *s = dynamic_cast<TSeekable *>(e))
                return s;
    return nullptr;
}

void TPipeline::spawn(std::function<void()> fn)
{
    {
        std::lock_guard guard(m_lock);
        ++m_threadsAlive;
    }
    m_threads.emplace_back([this, fn = std::move(fn)] {
        fn();
        std::lock_guard guard(m_lock);
        --m_threadsAlive;
        m_changed.notify_all();
    });
}

void TPipeline::startWorker(std::function<void()> fn)
{
    m_workers.push_back(fn);
    spawn(std::move(fn));
}

void TPipeline::startStreams()
{
    m_flushing = false;
    m_renderers.clear();
    m_endedRenderers.clear();
    m_completeSent = false;
    m_lastRendered = -1;
    for (TElement *e : m_elements) {
        bool connected = false;
        for (int i = 0; i < e->inputCount(); ++i)
            connected = connected || e->input(i)->isConnected();
        if (e->isRenderer() && connected)
            m_renderers.push_back(e);
        std::lock_guard guard(e->m_endLock);
        e->m_ended.assign(size_t(e->inputCount()), false);
    }
    if (TSeekable *s = seekable())
        s->setRange(m_start, m_stop);
    for (TElement *e : streamingOrder())
        e->startStreaming();
    spawnThreads();
}

void TPipeline::spawnThreads()
{
    for (TElement *e : m_elements)
        if (e->isPusher())
            if (auto *pusher = dynamic_cast<TPusher *>(e))
                spawn([pusher] { pusher->push(); });
}

void TPipeline::haltThreads()
{
    m_flushing = true;
    wakeAll();
    for (std::thread &t : m_threads)
        if (t.joinable())
            t.join();
    m_threads.clear();
    std::lock_guard guard(m_lock);
    m_threadsAlive = 0;
    m_threadsWaiting = 0;
    m_parked = 0;
}

void TPipeline::stopStreams()
{
    haltThreads();
    m_workers.clear();
    for (TElement *e : streamingOrder())
        e->stopStreaming();
    m_flushing = false;
    m_gateOpen = false;
}

bool TPipeline::cued() const
{
    return m_threadsWaiting >= m_threadsAlive;
}

bool TPipeline::waitCued(int ms)
{
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(ms), [this] { return cued(); });
}

void TPipeline::pause()
{
    if (m_state == TState::Paused)
        return;
    if (m_state == TState::Running) {
        std::lock_guard guard(m_lock);
        m_gateOpen = false;
        m_state = TState::Paused;
    } else {
        {
            std::lock_guard guard(m_lock);
            m_gateOpen = false;
        }
        m_state = TState::Paused;
        startStreams();
    }
    if (waitCued(kPauseWaitMs))
        emit paused();
}

void TPipeline::run()
{
    if (m_state == TState::Running)
        return;
    if (m_state == TState::Stopped)
        pause();
    std::lock_guard guard(m_lock);
    m_clockStart = std::chrono::steady_clock::now();
    m_clockBase = m_lastRendered >= 0 ? m_lastRendered : m_start;
    m_gateOpen = true;
    m_threadsWaiting -= m_parked;
    m_parked = 0;
    ++m_gateGeneration;
    m_state = TState::Running;
    m_changed.notify_all();
}

void TPipeline::stop()
{
    if (m_state == TState::Stopped)
        return;
    stopStreams();
    if (m_lastRendered >= 0)
        m_start = m_lastRendered;
    m_state = TState::Stopped;
}

bool TPipeline::waitForState(TState state, int ms)
{
    if (state != m_state)
        return false;
    if (state == TState::Paused)
        return waitCued(ms);
    return true;
}

void TPipeline::wakeAll()
{
    std::lock_guard guard(m_lock);
    m_changed.notify_all();
}

bool TPipeline::waitToRender(TElement *renderer, qint64 streamTime, const std::function<void()> &cue)
{
    std::unique_lock guard(m_lock);
    if (m_flushing)
        return false;
    if (streamTime >= 0 && (!m_positionRenderer || renderer == m_positionRenderer))
        m_lastRendered = streamTime;
    bool cueDone = !cue;
    for (;;) {
        if (!m_gateOpen && !m_flushing && !cueDone) {
            cueDone = true;
            guard.unlock();
            cue();
            guard.lock();
            continue;
        }
        if (!m_gateOpen && !m_flushing) {
            // Parked until the gate opens; opening it counts the thread as awake at once.
            const quint64 generation = m_gateGeneration;
            ++m_threadsWaiting;
            ++m_parked;
            m_changed.notify_all();
            m_changed.wait(guard, [&] { return m_gateGeneration != generation || m_flushing; });
            if (m_gateGeneration == generation) {
                --m_threadsWaiting;
                --m_parked;
            }
        }
        if (m_flushing)
            return false;
        if (!m_useClock || streamTime < 0)
            return true;
        const auto due = m_clockStart + std::chrono::microseconds((streamTime - m_clockBase) / 10);
        if (std::chrono::steady_clock::now() >= due)
            return true;
        m_changed.wait_until(guard, due);
        if (m_gateOpen && !m_flushing && std::chrono::steady_clock::now() >= due)
            return true;
    }
}

void TPipeline::setPositionRenderer(TElement *renderer)
{
    std::lock_guard guard(m_lock);
    m_positionRenderer = renderer;
}

bool TPipeline::isCued() const
{
    std::lock_guard guard(m_lock);
    return cued();
}

void TPipeline::reportError(const TError &error)
{
    emit this->error(error);
}

void TPipeline::rendererEnded(TElement *renderer)
{
    bool all = false;
    {
        std::lock_guard guard(m_lock);
        if (std::find(m_endedRenderers.begin(), m_endedRenderers.end(), renderer) == m_endedRenderers.end())
            m_endedRenderers.push_back(renderer);
        all = !m_completeSent && m_endedRenderers.size() >= m_renderers.size();
        if (all)
            m_completeSent = true;
        m_changed.notify_all();
    }
    if (all)
        emit complete();
}

void TPipeline::threadWaits()
{
    std::lock_guard guard(m_lock);
    ++m_threadsWaiting;
    m_changed.notify_all();
}

void TPipeline::threadWakes()
{
    std::lock_guard guard(m_lock);
    --m_threadsWaiting;
}

qint64 TPipeline::toMediaTime(qint64 value) const
{
    if (m_timeFormat == TTimeFormat::MediaTime || value < 0)
        return value;
    const TSeekable *s = seekable();
    return s ? value * s->frameTime() : value;
}

qint64 TPipeline::fromMediaTime(qint64 value) const
{
    if (m_timeFormat == TTimeFormat::MediaTime || value < 0)
        return value;
    const TSeekable *s = seekable();
    if (!s || s->frameTime() <= 0)
        return value;
    return qint64(std::llround(double(value) / double(s->frameTime())));
}

qint64 TPipeline::duration() const
{
    const TSeekable *s = seekable();
    return s ? fromMediaTime(s->duration()) : 0;
}

qint64 TPipeline::currentPosition() const
{
    std::lock_guard guard(m_lock);
    return fromMediaTime(m_lastRendered >= 0 && m_state != TState::Stopped ? m_lastRendered : m_start);
}

qint64 TPipeline::stopPosition() const
{
    return m_stop >= 0 ? fromMediaTime(m_stop) : duration();
}

void TPipeline::setPositions(qint64 current, qint64 stop)
{
    const qint64 start = std::max<qint64>(0, toMediaTime(current));
    const qint64 end = stop >= 0 ? toMediaTime(stop) : -1;
    if (m_state == TState::Stopped) {
        m_start = start;
        m_stop = end;
        m_lastRendered = -1;
        return;
    }
    // Flush the running streams and restart them from the new position.
    haltThreads();
    for (TElement *e : streamingOrder()) {
        e->flushed();
        std::lock_guard guard(e->m_endLock);
        e->m_ended.assign(size_t(e->inputCount()), false);
    }
    m_flushing = false;
    m_start = start;
    m_stop = end;
    {
        std::lock_guard guard(m_lock);
        m_lastRendered = -1;
        m_endedRenderers.clear();
        m_completeSent = false;
        m_clockStart = std::chrono::steady_clock::now();
        m_clockBase = start;
    }
    if (TSeekable *s = seekable())
        s->setRange(m_start, m_stop);
    for (const auto &worker : m_workers)
        spawn(worker);
    spawnThreads();
    if (m_state == TState::Paused && waitCued(kPauseWaitMs))
        emit paused();
}
