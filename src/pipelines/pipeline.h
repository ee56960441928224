#pragma once

// A media pipeline: elements joined output to input, run on streaming
// threads. Run control (run, pause, stop), seeking in frames or 100 ns units,
// and the events of a run (all streams complete, paused, an element's error)
// as Qt signals that reach receivers on their own threads (queued), or on
// the thread where they happen for a direct connection.

#include "pipelines/element.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What a pushing element offers for seeking: its duration and its frame time.
class TSeekable
{
public:
    virtual ~TSeekable() = default;
    // Duration in 100 ns units.
    virtual qint64 duration() const = 0;
    // Time of one video frame in 100 ns units (0 without video).
    virtual qint64 frameTime() const = 0;
    // Where the next run starts and ends, in 100 ns units (stop < 0: the end).
    virtual void setRange(qint64 start, qint64 stop) = 0;
};

// A pushing element's streaming work, run on a thread of the pipeline.
class TPusher
{
public:
    virtual ~TPusher() = default;
    // Pushes samples from the start of the range until the end, or until
    // the pipeline flushes; sends the ends of stream when it reaches the end.
    virtual void push() = 0;
};

class TPipeline : public QObject
{
    Q_OBJECT
public:
    enum class TState { Stopped, Paused, Running };
    enum class TTimeFormat { MediaTime, Frame };

    explicit TPipeline(QObject *parent = nullptr);
    ~TPipeline() override;

    // Elements. The pipeline does not own them: their owner keeps them alive
    // while they are attached. Detaching disconnects every pin.
    TResult add(TElement *element, const QString &name = {});
    TResult remove(TElement *element);
    void removeAll();
    const std::vector<TElement *> &elements() const { return m_elements; }
    QString nameOf(const TElement *element) const;
    TElement *find(const QString &name) const;

    // Connects an output to an input directly: the input must accept the
    // output's type, nothing is inserted. Disconnect takes either end.
    TResult connect(TPin *output, TPin *input);
    TResult disconnect(TPin *pin);
    // Connects an output to an input, inserting converters from the
    // pipeline's converter factory where the input does not take the type.
    TResult connectThrough(TPin *output, TPin *input);
    // Connects an output to the first input of an element, through
    // converters where needed.
    TResult renderTowards(TPin *output, TElement *target);
    // Where converters come from: a function returning new elements that
    // could follow a given type (the pipeline owns the ones it inserts).
    using TConverterFactory = std::function<std::vector<std::unique_ptr<TElement>>(const TMediaType &)>;
    void setConverterFactory(TConverterFactory factory) { m_converters = std::move(factory); }

    // Run control. Pausing a stopped pipeline starts its streams and cues
    // them (the first samples reach the renderers); stopping ends them and
    // runs the elements' stop hooks. What fails on the way is reported with
    // the signal error, not here.
    void run();
    void pause();
    void stop();
    TState state() const { return m_state; }
    // Waits until the pipeline is cued in the state asked for, up to ms milliseconds.
    bool waitForState(TState state, int ms);
    // With a reference clock (the default) the renderers show samples at
    // their stream times; without one, samples flow as fast as the elements go.
    void setUseClock(bool use) { m_useClock = use; }
    bool usesClock() const { return m_useClock; }

    // Positions, in the time format chosen.
    void setTimeFormat(TTimeFormat format) { m_timeFormat = format; }
    TTimeFormat timeFormat() const { return m_timeFormat; }
    qint64 duration() const;
    qint64 currentPosition() const;
    qint64 stopPosition() const;
    // Sets where playing starts (and, with stop >= 0, ends); while paused or
    // running the streams restart from there at once.
    void setPositions(qint64 current, qint64 stop = -1);
    // The renderer whose samples tell the current position (a video
    // renderer beside sound renderers); null: any renderer's.
    void setPositionRenderer(TElement *renderer);
    // True while no streaming thread can move: all of them wait (parked at
    // the closed gate, or at a full queue) or have ended.
    bool isCued() const;

    // --- for elements ---
    bool isFlushing() const { return m_flushing.load(); }
    // A renderer calls this before it renders a sample: it parks while the
    // pipeline is paused and, with the clock, waits for the sample's time.
    // False when the pipeline is flushing: the sample is dropped. cue, when
    // given, runs once (without the pipeline's lock) just before the thread
    // parks at the closed gate: a paused pipeline shows the sample it holds.
    bool waitToRender(TElement *renderer, qint64 streamTime, const std::function<void()> &cue = {});
    void rendererEnded(TElement *renderer);
    // Bounded queues between threads report when their threads wait, so
    // that a pause knows when nothing can move any more.
    void threadWaits();
    void threadWakes();
    // Runs fn on a streaming thread of the pipeline for the length of a run
    // (elements with a worker of their own: queues, encoders).
    void startWorker(std::function<void()> fn);
    // Wakes every thread parked by the pipeline (on flush).
    void wakeAll();
    // What an element reports through TElement::reportError: emitted as error.
    void reportError(const TError &error);

signals:
    void complete();
    void paused();
    // An element failed. Emitted on the thread where it happened: a
    // streaming thread, or the thread that starts or stops the pipeline (a
    // receiver connected directly must not stop the pipeline from there).
    // The run goes on; whoever runs the pipeline decides whether to stop it.
    void error(const TError &error);

private:
    TSeekable *seekable() const;
    qint64 toMediaTime(qint64 value) const;
    qint64 fromMediaTime(qint64 value) const;
    std::vector<TElement *> streamingOrder() const;
    void startStreams();
    void spawnThreads();
    void haltThreads();
    void stopStreams();
    bool cued() const;
    bool waitCued(int ms);
    void spawn(std::function<void()> fn);

    std::vector<TElement *> m_elements;
    std::vector<QString> m_names;
    std::vector<std::unique_ptr<TElement>> m_inserted; // converters put in by connectThrough
    TConverterFactory m_converters;

    TState m_state = TState::Stopped;
    TTimeFormat m_timeFormat = TTimeFormat::MediaTime;
    bool m_useClock = true;
    qint64 m_start = 0;   // 100 ns
    qint64 m_stop = -1;   // 100 ns, -1: the end

    std::vector<std::thread> m_threads;
    std::vector<std::function<void()>> m_workers; // restarted after a seek
    std::atomic<bool> m_flushing{false};
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_gateOpen = false;           // running
    int m_threadsAlive = 0;
    int m_threadsWaiting = 0;
    int m_parked = 0;                  // threads held at the closed gate
    quint64 m_gateGeneration = 0;      // counts the openings of the gate
    std::vector<TElement *> m_renderers;
    std::vector<TElement *> m_endedRenderers;
    bool m_completeSent = false;
    qint64 m_lastRendered = -1;        // 100 ns
    TElement *m_positionRenderer = nullptr;
    std::chrono::steady_clock::time_point m_clockStart;
    qint64 m_clockBase = 0;            // stream time at m_clockStart
};
