#pragma once

// Assembles RIFF byte streams in memory for tests.
//
// Chunks nest by value: Chunk() makes a leaf, List() and Riff() wrap already
// built children, so a file is written the way it looks:
//
//     using namespace riff;
//     QByteArray file = Riff("AVI ", {
//         List("hdrl", {Chunk("avih", RecordBytes(mainHeader))}),
//         List("movi", {Chunk("00dc", frame)}),
//     });
//
// Sizes and pad bytes are right unless a test asks otherwise: WithDeclaredSize()
// writes a wrong size into an already built chunk, WithoutPad() drops the pad
// byte, and plain QByteArray operations cut or extend a file.
//
// DvAviFile() assembles a small DV AVI file of type 1 or type 2 whose headers
// look like a camcorder capture's; its samples are short stand-ins unless real
// frames are given. TSparseSource stands for a huge file (several GB) made of a
// few placed byte runs and zeros in between, for walks that only read headers.

#include "avi/avilayout.h"
#include "avi/bytesource.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace riff {

// A chunk: 4-character id, 32-bit little-endian size, data, and a pad byte
// when the size is odd.
QByteArray Chunk(const char *id, const QByteArray &data);
// A LIST chunk of the given list type holding the children in order.
QByteArray List(const char *type, const QList<QByteArray> &children);
// A RIFF chunk of the given form type holding the children in order.
QByteArray Riff(const char *form, const QList<QByteArray> &children);

// depth LIST chunks of the given type, each holding the next, the last one
// holding innermost (built in one pass, for very deep nesting).
QByteArray NestedLists(const char *type, int depth, const QByteArray &innermost);

// The chunk with another size written in its header (its bytes unchanged).
QByteArray WithDeclaredSize(QByteArray chunk, quint32 size);
// The chunk without its pad byte (for a chunk of odd size).
QByteArray WithoutPad(QByteArray chunk);

// The on-disk bytes of any record of avilayout.h.
template <class TRecord>
QByteArray RecordBytes(const TRecord &record)
{
    QByteArray bytes(TRecord::kSize, '\0');
    record.write(reinterpret_cast<quint8 *>(bytes.data()));
    return bytes;
}

QByteArray Le16(quint16 value);
QByteArray Le32(quint32 value);
QByteArray Le64(quint64 value);

// Offset of the data of the nth chunk with this id, found by searching the
// bytes for "<id>" (fixtures keep ids unique enough); -1 when absent.
qint64 ChunkDataOffset(const QByteArray &file, const char *id, int nth = 0);

// Reads a 32-bit little-endian value at offset.
quint32 U32At(const QByteArray &bytes, qint64 offset);

// What DvAviFile() builds.
struct TDvAviSpec
{
    int type = 2;              // 1: one iavs stream; 2: vids dvsd + auds PCM
    bool ntsc = false;         // 525/60 instead of 625/50
    int frames = 3;            // number of video samples
    QByteArray frame;          // each video sample's data; 64 zero bytes when empty
    bool withIdx1 = true;      // legacy index after movi
    std::optional<quint8> indxType; // an indx of this bIndexType on the video stream
    bool withOdml = false;     // LIST odml with a dmlh
    TFourcc handler = fcc::dvsd;     // strh FourccHandler of the video stream
    TFourcc compression = fcc::dvsd; // biCompression (type 2)
    QList<QByteArray> extraParts;    // chunks after the RIFF 'AVI ' part (e.g. AvixPart())
};

// The records DvAviFile() writes, for tests that compare decoded values.
TAviMainHeader DvMainHeader(const TDvAviSpec &layout);
TAviStreamHeader DvVideoStreamHeader(const TDvAviSpec &layout);
TAviStreamHeader DvAudioStreamHeader();
TBitmapInfoHeader DvBitmapInfo(const TDvAviSpec &layout);
TWaveFormatEx DvWaveFormat();
TDvInfo DvInfo(const TDvAviSpec &layout);
// The 88-byte indx data: the head and four entries (the first in use).
QByteArray SuperIndexData(quint8 indexType, const char *chunkId);

// The LIST hdrl of the file.
QByteArray DvHeaderList(const TDvAviSpec &layout);
// The whole file: RIFF 'AVI ' (hdrl, movi, idx1) followed by layout.extraParts.
QByteArray DvAviFile(const TDvAviSpec &layout);
// An OpenDML continuation part: RIFF 'AVIX' holding a movi of frames samples.
QByteArray AvixPart(int frames, const QByteArray &frame = QByteArray(64, '\0'));

// Writes bytes to path; false when that fails.
bool WriteFileBytes(const QString &path, const QByteArray &bytes);
// The whole content of the file at path (empty when it cannot be read).
QByteArray ReadFileBytes(const QString &path);

} // namespace riff

// A file of any size made of byte runs placed at offsets, zeros elsewhere.
class TSparseSource final : public TByteSource
{
public:
    explicit TSparseSource(qint64 size) : m_size(size) {}
    // Places bytes at offset (later runs win where runs overlap).
    void place(qint64 offset, const QByteArray &bytes) { m_runs.append({offset, bytes}); }

    qint64 size() const override { return m_size; }
    qint64 readAt(qint64 pos, void *buffer, qint64 n) const override;

private:
    struct TRun
    {
        qint64 offset;
        QByteArray bytes;
    };
    qint64 m_size;
    QList<TRun> m_runs;
};
