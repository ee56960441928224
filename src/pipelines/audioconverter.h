#pragma once

// Converts a stream of PCM to interleaved 16-bit PCM of another sample rate
// and/or channel count with libswresample. The input is interleaved 16-bit
// unless its format names another of libavutil's sample formats (a
// decoder's float or planar samples); channels take the default layout of
// their count.
//
// The converter keeps the resampler's history from one call to the next, so a
// stream may be fed in pieces of any size. flush() at the end delivers what
// the resampler still holds and trims or pads the last few samples so that
// the stream's total output is exactly its total input times the rate ratio,
// rounded to the nearest sample. Use each instance from one thread at a time.

#include <QString>
#include <QtGlobal>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <span>
#include <vector>

struct SwrContext;

struct TAudioFormat
{
    int rate = 48000;  // samples per second and channel
    int channels = 2;  // 1 to 8 (up to 64 for an input)
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_S16;

    bool isValid() const;
    friend bool operator==(const TAudioFormat &, const TAudioFormat &) = default;
};

class TAudioConverter
{
public:
    TAudioConverter(TAudioFormat input, TAudioFormat output);
    ~TAudioConverter();
    TAudioConverter(const TAudioConverter &) = delete;
    TAudioConverter &operator=(const TAudioConverter &) = delete;

    // False when the formats are invalid or libswresample could not be set
    // up; errorString() says why.
    bool isOpen() const { return m_open; }
    TAudioFormat inputFormat() const { return m_in; }
    TAudioFormat outputFormat() const { return m_out; }

    // Converts frames sample frames (frames x input channels samples) of
    // interleaved 16-bit input. On success output() holds the converted
    // samples until the next call; it may be shorter or longer than the ratio
    // says, the resampler evens it out.
    bool convert(const qint16 *samples, qint64 frames);
    // The same for input of any sample format: one plane per channel for a
    // planar format, else one (libavutil's layout of a frame's data).
    bool convertPlanes(const quint8 *const *planes, qint64 frames);
    // Ends the stream: output() holds the last samples, after which the
    // totals follow the rate ratio exactly. The next convert() starts a new
    // stream; flushing again delivers nothing.
    bool flush();
    // Forgets the stream so far (after a seek).
    void reset();

    // Interleaved output samples of the last call (frames x output channels).
    std::span<const qint16> output() const { return {m_buffer.data(), m_outputSamples}; }
    qint64 outputFrames() const { return qint64(m_outputSamples) / m_out.channels; }
    // Sample frames in and out since the stream began (after flush(): of the
    // whole stream).
    qint64 totalIn() const { return m_totalIn; }
    qint64 totalOut() const { return m_totalOut; }

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &error);
    bool passThrough() const { return m_in == m_out; }
    // Appends the output frames made from inFrames frames of in (null: drain).
    bool run(const quint8 *const *in, int inFrames, qint64 *produced);
    void reserveFrames(qint64 frames);

    TAudioFormat m_in;
    TAudioFormat m_out;
    SwrContext *m_swr = nullptr;
    bool m_open = false;
    bool m_ended = false; // flushed: the next convert() starts a new stream
    std::vector<qint16> m_buffer;
    size_t m_outputSamples = 0;
    qint64 m_totalIn = 0;
    qint64 m_totalOut = 0;
    QString m_error;
};
