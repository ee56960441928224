#pragma once

// TAviWriter writes an AVI file sample by sample: DV type 1 (one interleaved
// iavs stream), DV type 2 (vids dvsd + auds PCM) or any other set of streams
// described by their stream headers and formats.
//
// Layout written:
//   RIFF 'AVI '
//     LIST 'hdrl' { avih, LIST 'strl' { strh, strf, [indx], [strn] } per stream, [LIST 'odml' { dmlh }] }
//     [LIST 'INFO' { entries }]
//     [JUNK]                     alignment of the first sample, when asked for
//     LIST 'movi' { samples, [ix## per stream] }
//     [idx1]                     offsets relative to the 'movi' fourcc
//   RIFF 'AVIX' { LIST 'movi' { samples, ix## per stream } } ...   OpenDML only
//
// A part is closed and an AVIX part opened whenever the next sample would make
// the part larger than the part limit. Without OpenDML the file is a single
// part and a sample that does not fit is refused.
//
// Whatever ends the writing (close(), destruction, a failed write), the headers
// and indexes are finalised so that the file is a valid AVI holding every
// sample that reached the disk whole.

#include "avi/avilayout.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <utility>
#include <vector>

enum class TAviDvSystem { Pal, Ntsc };

// Bytes of one DV frame: 144000 (625/50) or 120000 (525/60).
constexpr quint32 DvFrameSize(TAviDvSystem system)
{
    return system == TAviDvSystem::Pal ? 144000u : 120000u;
}

struct TAviStreamConfig
{
    // fccType, fccHandler, scale, rate, sampleSize, quality, rcFrame, ... as they
    // should be written. length is filled in by the writer; suggestedBufferSize
    // too when left 0 (the largest sample written).
    TAviStreamHeader header;
    // Content of the strf chunk (BITMAPINFOHEADER, WAVEFORMATEX, DVINFO, ...).
    QByteArray format;
    // The two letters after the stream number in the sample chunk IDs ("dc",
    // "db", "wb"). Empty: "wb" for auds streams, "dc" for every other type.
    QByteArray chunkType;
    // Optional stream name (strn), written without encoding change plus a NUL.
    QByteArray name;
};

struct TAviWriterConfig
{
    static constexpr qint64 kDefaultPartLimit = qint64(1) << 30;

    std::vector<TAviStreamConfig> streams;

    // avih values; 0 takes them from the first video stream (its BITMAPINFOHEADER
    // or rcFrame, and its rate / scale).
    quint32 width = 0;
    quint32 height = 0;
    quint32 microSecPerFrame = 0;
    bool interleaved = true;

    bool writeIdx1 = true;
    bool openDml = true;
    // Largest size of one RIFF part in bytes, headers and indexes included.
    // Clamped to [64 KiB, 4 GiB - 64 KiB]. Without OpenDML it is the file limit.
    qint64 partLimit = kDefaultPartLimit;
    // Entries reserved in each stream's OpenDML super index: one per RIFF part.
    int superIndexEntries = 256;
    // LIST 'INFO' entries, e.g. {MakeFourcc("ISFT"), "Tarvex"}; each value is
    // written as given followed by a NUL.
    std::vector<std::pair<TFourcc, QByteArray>> info;
    // When non-zero, a JUNK chunk makes the first sample chunk start at a file
    // offset that is a multiple of this (rounded up to even).
    quint32 alignment = 0;

    // DV type 1: one iavs stream (handler dvsd, format DVINFO), chunks "00dc".
    static TAviWriterConfig dvType1(TAviDvSystem system, const TDvInfo &dvInfo);
    // DV type 2: stream 0 vids dvsd (BITMAPINFOHEADER + DVINFO), chunks "00dc";
    // stream 1 auds PCM (WAVEFORMATEX), chunks "01wb".
    static TAviWriterConfig dvType2(TAviDvSystem system, const TDvInfo &dvInfo, const TWaveFormatEx &audio);
};

class TAviWriter
{
public:
    TAviWriter();
    // Finalises the file when it is still open.
    ~TAviWriter();
    TAviWriter(const TAviWriter &) = delete;
    TAviWriter &operator=(const TAviWriter &) = delete;

    // Creates (or truncates) path and writes the header. On failure returns
    // false with the reason in *error (when given) and in errorString().
    bool open(const QString &path, const TAviWriterConfig &config, QString *error = nullptr);
    bool isOpen() const { return m_fd >= 0; }

    // Appends one sample to stream. False when the writer is not open, the
    // stream does not exist, the sample does not fit (part or super index full,
    // sample larger than a part), or writing failed; errorString() says which.
    // A sample that was refused leaves the file as it was.
    bool writeSample(int stream, const void *data, quint32 size, bool keyframe = true);
    // Like writeSample, but only the chunk header is written; the payload is
    // left as a hole in the file (reads as zeros, sparse where supported).
    bool writeHole(int stream, quint32 size, bool keyframe = true);

    // Finalises headers and indexes and closes the file. True when every write
    // of the file's life succeeded; after an error the file is still
    // finalised with the samples that were written whole.
    bool close();

    QString errorString() const { return m_error; }
    // Samples written to stream so far (all parts).
    quint64 sampleCount(int stream) const;
    // RIFF parts begun so far (1 = the 'AVI ' part only).
    int partCount() const { return m_partNumber + 1; }

private:
    struct TEntry
    {
        qint64 chunkPos; // file offset of the chunk header
        quint32 size;
        bool keyframe;
    };
    struct TSuperEntry
    {
        qint64 offset;
        quint32 size;
        quint32 duration;
    };
    struct TIdx1Entry
    {
        int stream;
        TEntry entry;
    };
    struct TStreamState
    {
        TAviStreamConfig config;
        TFourcc chunkId = 0;
        quint64 samplesBefore = 0; // in finished parts
        quint64 bytesBefore = 0;
        quint64 firstPartSamples = 0;
        quint32 maxSize = 0;
        std::vector<TEntry> part; // samples of the part being written
        std::vector<TSuperEntry> super;
    };

    bool writeChunk(int stream, const void *data, quint32 size, bool keyframe);
    bool makeRoom(int stream, quint32 size);
    qint64 partBytesWith(int stream, quint32 size) const;
    qint64 position() const { return m_bufStart + m_buffer.size(); }
    bool flush();
    bool writeAt(qint64 pos, const void *data, qint64 n);
    bool writeVectorAt(qint64 pos, const struct iovec *parts, int count);
    void fail(const QString &why);
    void rollBack(qint64 cut);
    bool finishPart();
    void startPart();
    QByteArray buildHeader() const;
    QByteArray buildStdIndex(const TStreamState &s) const;
    QByteArray buildIdx1() const;
    quint64 totalSamples(const TStreamState &s) const;
    quint64 totalBytes(const TStreamState &s) const;
    quint32 streamLength(const TStreamState &s) const;
    int videoIndex() const;
    void reset();

    TAviWriterConfig m_config;
    std::vector<TStreamState> m_streams;
    std::vector<TIdx1Entry> m_idx1;
    int m_fd = -1;
    QString m_error;
    bool m_failed = false;

    QByteArray m_buffer;   // whole chunks (and part heads) not yet on disk
    qint64 m_bufStart = 0; // file offset of m_buffer[0]; everything before it is on disk

    qint64 m_headerSize = 0;
    int m_partNumber = 0;       // 0 = the 'AVI ' part
    bool m_partOpen = false;
    qint64 m_partStart = 0;     // offset of the part's RIFF header
    qint64 m_moviStart = 0;     // offset of the part's LIST 'movi' header
    quint32 m_firstRiffSize = 0;
    quint32 m_firstMoviSize = 0;
    bool m_idx1Written = false;
    qint64 m_fileEnd = 0;
};
