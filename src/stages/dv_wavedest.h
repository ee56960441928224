#pragma once

// Tdv_WaveDest: the end of an audio extraction. A transform stage that takes
// audio of any wave format and writes it, unchanged and in the order
// received, into a RIFF/WAVE file: "RIFF" size "WAVE", a "fmt " chunk holding
// the input connection's format block as it is, and a "data" chunk with the
// audio bytes. The header is written when streaming starts (describing no
// audio yet), again at the end of the stream, and finally whenever the run
// stops (at the end, on an abort or an error), so the file is always a valid
// WAVE file describing exactly the audio written before. The first failure
// to create or write the file is reported to the pipeline (its error signal).
//
// The destination is the file name set on the stage or, without one, the
// file name of the file writer its output is connected to. Each output
// sample carries the bytes of its input sample, stamped with the byte offsets
// at which they lie in the file (start and stop). The stage ends its chain:
// the pipeline is cued when it holds its first block and complete when its
// stream has ended.
//
// Threads: Transform() runs on the streaming thread; startStreaming() and
// stopStreaming() on the thread that starts or stops the pipeline. The sizes
// and the error are read after the pipeline has stopped.

#include "pipelines/stagebase.h"

#include <QByteArray>
#include <QFile>
#include <QString>

class Tdv_WaveDest final : public TBCTransformFilter
{
public:
    static constexpr const char16_t *DisplayName = u"WavDest filter";
    static constexpr const char16_t *ClassId = u"{A89E593E-ACFD-46A7-A532-91B69CA374BB}";
    // The subtype of the output stream (major type media::Stream).
    static constexpr TFourcc WaveSubtype = MakeFourcc("WAVE");
    // Smallest and largest format block taken: a WAVEFORMAT, a WAVEFORMATEX with all the extra bytes it can announce.
    static constexpr int MinFormatSize = 16;
    static constexpr int MaxFormatSize = TWaveFormatEx::kSize + 0xFFFF;

    Tdv_WaveDest();
    ~Tdv_WaveDest() override;

    // The WAV file to write (replaced when the run starts).
    void SetFileName(const QString &path) { m_fileName = path; }
    QString fileName() const { return m_fileName; }

    // Size of the header (format block size + 28) and bytes of audio written in the last run.
    quint32 headerSize() const { return m_headerSize; }
    quint32 dataSize() const { return m_dataSize; }
    // Why the last run did not write its whole file; empty when it did.
    QString errorString() const { return m_error; }
    bool ok() const { return m_error.isEmpty(); }

    // The header of a file of dataSize audio bytes in the given format block.
    static QByteArray WaveHeader(const QByteArray &format, quint32 dataSize);
    // Where the next block of length bytes goes: at headerSize + dataSize.
    // False when its end would pass the 4 GiB - 1 a WAVE file can describe.
    static bool BlockOffset(quint32 headerSize, quint32 dataSize, quint32 length, quint32 &offset);

    bool isRenderer() const override { return true; }
    void endOfStream(int input) override;
    void startStreaming() override;
    void stopStreaming() override;

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TMediaType GetMediaType(const TMediaType &inputType) const override;
    TResult Transform(const TMediaSample &in, TMediaSample &out) override;

private:
    QString destination() const;
    bool writeHeader();
    void fail(const QString &error);

    QString m_fileName;
    QFile m_file;
    QByteArray m_format;
    quint32 m_headerSize = 0;
    quint32 m_dataSize = 0;
    bool m_full = false; // no later block is written (limit reached or a write failed)
    QString m_error;
};
