#pragma once

// Elements of a media pipeline: typed input and output pins, connection
// negotiation, and one per-sample entry point. Samples are pushed downstream
// on streaming threads: an element's receive() runs on the thread of whoever
// delivered the sample; its startStreaming() and stopStreaming() hooks run on
// the thread that starts or stops the pipeline.

#include "pipelines/error.h"
#include "pipelines/mediatype.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class TPipeline;
class TElement;
struct TDvFrameData; // dv/dvframedata.h

// Results of pipeline operations (the failure codes callers test).
enum class TResult {
    Ok,
    Fail,             // general failure
    TypeNotAccepted,  // the input refuses the media type
    AlreadyConnected,
    NotConnected,
    NoPath,           // render found no chain of converters
    CannotOpen,       // a source file is missing or unreadable
    WrongState,       // not allowed while the pipeline streams
};

const char *ResultText(TResult result);

// One media sample: the bytes, media times (frame numbers for video),
// stream times (100 ns units), flags, and the data of the DV frame it was
// made from. Copies share the bytes until one is written.
struct TMediaSample
{
    QByteArray data;
    qint64 mediaStart = -1;
    qint64 mediaStop = -1;
    qint64 timeStart = -1;
    qint64 timeStop = -1;
    bool syncPoint = true;
    bool discontinuity = false;
    // What was read from the DV frame the sample was made from (its record
    // and head blocks); null where no frame was read. Set by the stage that
    // reads the frames; every element that makes a sample from another
    // carries it on, as it carries the times. Shared and read-only: the
    // pipeline passes it along without looking into it.
    std::shared_ptr<const TDvFrameData> frameData;

    int length() const { return int(data.size()); }
    // Takes everything but the bytes from another sample (a picture decoded
    // from it, a frame encoded from it): times, flags and frame data.
    void copyPropertiesFrom(const TMediaSample &other)
    {
        mediaStart = other.mediaStart;
        mediaStop = other.mediaStop;
        timeStart = other.timeStart;
        timeStop = other.timeStop;
        syncPoint = other.syncPoint;
        discontinuity = other.discontinuity;
        frameData = other.frameData;
    }
    // The times of a run of `count` sound samples (per channel) that starts at
    // sample `first` of a stream of `rate` samples a second: media times in
    // samples, stream times in 100 ns units.
    void setSoundTimes(qint64 first, qint64 count, qint64 rate)
    {
        mediaStart = first;
        mediaStop = first + count;
        timeStart = first * 10000000 / rate;
        timeStop = mediaStop * 10000000 / rate;
    }
    const quint8 *bytes() const { return reinterpret_cast<const quint8 *>(data.constData()); }
    quint8 *writableBytes() { return reinterpret_cast<quint8 *>(data.data()); }
};

class TPin
{
public:
    enum class Direction { Input, Output };

    TElement *element() const { return m_element; }
    Direction direction() const { return m_direction; }
    bool isInput() const { return m_direction == Direction::Input; }
    int index() const { return m_index; }
    QString name() const { return m_name; }
    TPin *peer() const { return m_peer; }
    bool isConnected() const { return m_peer != nullptr; }
    // The media type agreed on when the pin was connected.
    const TMediaType &mediaType() const { return m_type; }

private:
    friend class TElement;
    friend class TPipeline;
    TPin(TElement *element, Direction direction, int index, QString name)
        : m_element(element), m_direction(direction), m_index(index), m_name(std::move(name)) {}

    TElement *m_element;
    Direction m_direction;
    int m_index;
    QString m_name;
    TPin *m_peer = nullptr;
    TMediaType m_type;
};

class TElement
{
public:
    explicit TElement(QString name);
    virtual ~TElement();
    TElement(const TElement &) = delete;
    TElement &operator=(const TElement &) = delete;

    // The element's own name (its display name); the pipeline keeps the name it was added under.
    QString name() const { return m_name; }
    TPipeline *pipeline() const { return m_pipeline; }

    int inputCount() const { return int(m_inputs.size()); }
    int outputCount() const { return int(m_outputs.size()); }
    TPin *input(int i) const { return i >= 0 && i < inputCount() ? m_inputs[size_t(i)].get() : nullptr; }
    TPin *output(int i) const { return i >= 0 && i < outputCount() ? m_outputs[size_t(i)].get() : nullptr; }

    // Negotiation. checkInputType() says whether an input takes a type;
    // outputType() is what an output offers once the inputs it depends on
    // are connected (an invalid type: nothing yet).
    virtual TResult checkInputType(int input, const TMediaType &type);
    virtual TMediaType outputType(int output) const;
    // After an input was connected or disconnected (a splitter adds or removes its outputs here).
    virtual void inputConnected(int input);
    virtual void inputDisconnected(int input);
    virtual void outputConnected(int) {}

    // Streaming. receive() takes one sample on a streaming thread; an element
    // passes samples on with deliver(). endOfStream() is called once per
    // input when its stream ends; by default the end is passed on to every
    // output once all connected inputs have ended.
    virtual void receive(int input, TMediaSample &sample);
    virtual void endOfStream(int input);

    // Hooks around a run: before the first sample, on the starting thread;
    // and after the streaming threads have ended, on the stopping thread.
    virtual void startStreaming() {}
    virtual void stopStreaming() {}
    // After a seek has flushed the streams, before they restart (queues drop what they hold).
    virtual void flushed() {}
    // The pipeline is halting its streaming threads (stop, seek): an element
    // whose threads wait on a lock of its own wakes them now, so they see
    // the flush at once. Called on the halting thread.
    virtual void wakeForHalt() {}

    // True for an element that pushes samples from its own thread (a splitter reading a file).
    virtual bool isPusher() const { return false; }
    // True for the elements at the end of the chains (renderers, writers):
    // pausing waits for them to be cued, completion for their ends of stream.
    virtual bool isRenderer() const { return false; }

protected:
    TPin *addInput(const QString &name);
    TPin *addOutput(const QString &name);
    // Removes every output (disconnecting them first).
    void removeOutputs();

    // Passes a sample / the end of the stream to whatever is connected to an output.
    void deliver(int output, TMediaSample &sample);
    void deliverEndOfStream(int output);
    void deliverEndOfStreamToAll();
    // True while the pipeline is stopping or flushing: long work should end early.
    bool flushing() const;
    // Tells whoever runs the pipeline that this element failed (a file it
    // cannot write, a decoder it cannot open); see TPipeline::error.
    void reportError(const TError &error);

    // Which inputs have ended during a run.
    std::mutex m_endLock;
    std::vector<bool> m_ended;

private:
    friend class TPipeline;
    QString m_name;
    TPipeline *m_pipeline = nullptr;
    std::vector<std::unique_ptr<TPin>> m_inputs;
    std::vector<std::unique_ptr<TPin>> m_outputs;
};
