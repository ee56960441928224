#pragma once

// File source and AVI splitter. The source opens a file and offers its bytes;
// the splitter, once connected to it, indexes the AVI file and offers one
// output per stream with its media type. While the pipeline runs, the
// splitter pushes the samples of its connected outputs in file order from
// its own thread, with frame-number media times and 100 ns stream times.

#include "avi/avisampleindex.h"
#include "avi/bytesource.h"
#include "pipelines/element.h"
#include "pipelines/pipeline.h"

#include <memory>

// The media type the AVI splitter offers for a stream of an indexed file
// (for interleaved DV with the stream's first frame read ahead).
TMediaType AviStreamType(const TAviIndexedStream &stream, const TByteSource &source);

// How the samples of a stream are timed: PCM by its bytes, any other stream
// by its count of samples.
struct TAviStreamTiming
{
    qint64 frameTime = 0;       // 100 ns per sample (chunk-counted streams)
    quint32 bytesPerSecond = 0; // byte-counted streams (PCM)
    quint32 blockAlign = 0;
};
TAviStreamTiming AviStreamTiming(const TAviIndexedStream &stream);

// The duration the AVI splitter reports for an indexed file (100 ns): that
// of its first video or interleaved stream, else of its first stream.
qint64 AviFileDuration(const TAviSampleIndex &index);

class TFileSourceElement final : public TElement
{
public:
    TFileSourceElement();

    // Opens the file; CannotOpen when it is missing or unreadable.
    TResult Load(const QString &path);
    // Closes the file (no descriptor stays open); the output offers nothing until the next Load.
    void Unload();
    QString fileName() const { return m_path; }
    QString errorString() const { return m_error; }
    const TByteSource *source() const { return m_file.isOpen() ? &m_file : nullptr; }

    TMediaType outputType(int output) const override;

private:
    QString m_path;
    QString m_error;
    TFileSource m_file;
    TFourcc m_subtype = 0;
};

class TAviSplitter final : public TElement, public TPusher, public TSeekable
{
public:
    TAviSplitter();

    TResult checkInputType(int input, const TMediaType &type) override;
    void inputConnected(int input) override;
    void inputDisconnected(int input) override;
    TMediaType outputType(int output) const override;

    bool isPusher() const override { return true; }
    void push() override;

    qint64 duration() const override;
    qint64 frameTime() const override;
    void setRange(qint64 start, qint64 stop) override;

    // The index of the connected file (empty before a connection).
    const TAviSampleIndex &index() const { return m_index; }

private:
    const TByteSource *m_source = nullptr;
    TAviSampleIndex m_index;
    std::vector<TMediaType> m_types;
    std::vector<TAviStreamTiming> m_timing;
    int m_mainStream = -1;
    qint64 m_start = 0;
    qint64 m_stop = -1;
};
