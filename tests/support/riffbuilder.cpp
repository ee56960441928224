#include "support/riffbuilder.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace riff {

namespace {

QByteArray Id(const char *id)
{
    QByteArray bytes(id, qsizetype(std::min<size_t>(4, std::strlen(id))));
    return bytes.leftJustified(4, ' ');
}

QByteArray Wrap(const char *outer, const char *type, const QList<QByteArray> &children)
{
    QByteArray data = Id(type);
    for (const QByteArray &child : children)
        data += child;
    return Chunk(outer, data);
}

} // namespace

QByteArray Le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    le::put16(reinterpret_cast<quint8 *>(bytes.data()), value);
    return bytes;
}

QByteArray Le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    le::put32(reinterpret_cast<quint8 *>(bytes.data()), value);
    return bytes;
}

QByteArray Le64(quint64 value)
{
    QByteArray bytes(8, '\0');
    le::put64(reinterpret_cast<quint8 *>(bytes.data()), value);
    return bytes;
}

QByteArray Chunk(const char *id, const QByteArray &data)
{
    QByteArray bytes = Id(id) + Le32(quint32(data.size())) + data;
    if (data.size() & 1)
        bytes += '\0';
    return bytes;
}

QByteArray List(const char *type, const QList<QByteArray> &children)
{
    return Wrap("LIST", type, children);
}

QByteArray Riff(const char *form, const QList<QByteArray> &children)
{
    return Wrap("RIFF", form, children);
}

QByteArray NestedLists(const char *type, int depth, const QByteArray &innermost)
{
    QByteArray bytes;
    bytes.reserve(12 * qsizetype(depth) + innermost.size());
    for (int level = 0; level < depth; ++level)
        bytes += "LIST" + Le32(quint32(4 + 12 * qint64(depth - 1 - level) + innermost.size())) + Id(type);
    return bytes + innermost;
}

QByteArray WithDeclaredSize(QByteArray chunk, quint32 size)
{
    if (chunk.size() >= 8)
        le::put32(reinterpret_cast<quint8 *>(chunk.data() + 4), size);
    return chunk;
}

QByteArray WithoutPad(QByteArray chunk)
{
    if (chunk.size() >= 8 && (U32At(chunk, 4) & 1) && chunk.size() == qsizetype(U32At(chunk, 4)) + 9)
        chunk.chop(1);
    return chunk;
}

qint64 ChunkDataOffset(const QByteArray &file, const char *id, int nth)
{
    qint64 at = -1;
    for (int i = 0; i <= nth; ++i) {
        at = file.indexOf(Id(id), at + 1);
        if (at < 0)
            return -1;
    }
    return at + 8;
}

quint32 U32At(const QByteArray &bytes, qint64 offset)
{
    return le::u32(reinterpret_cast<const quint8 *>(bytes.constData() + offset));
}

TAviMainHeader DvMainHeader(const TDvAviSpec &layout)
{
    TAviMainHeader h;
    h.microSecPerFrame = layout.ntsc ? 33367 : 40000;
    h.maxBytesPerSec = 3600000;
    h.flags = AVIF_ISINTERLEAVED | (layout.withIdx1 ? AVIF_HASINDEX : 0u);
    h.totalFrames = quint32(layout.frames);
    h.streams = layout.type == 1 ? 1 : 2;
    h.suggestedBufferSize = layout.ntsc ? 120000 : 144000;
    h.width = 720;
    h.height = layout.ntsc ? 480 : 576;
    return h;
}

TAviStreamHeader DvVideoStreamHeader(const TDvAviSpec &layout)
{
    TAviStreamHeader h;
    h.fccType = layout.type == 1 ? fcc::iavs : fcc::vids;
    h.fccHandler = layout.handler;
    h.scale = layout.ntsc ? 1001 : 1;
    h.rate = layout.ntsc ? 30000 : 25;
    h.length = quint32(layout.frames);
    h.suggestedBufferSize = layout.ntsc ? 120000 : 144000;
    h.quality = 0xFFFFFFFF;
    h.right = 720;
    h.bottom = layout.ntsc ? 480 : 576;
    return h;
}

TAviStreamHeader DvAudioStreamHeader()
{
    TAviStreamHeader h;
    h.fccType = fcc::auds;
    h.scale = 4;
    h.rate = 192000;
    h.suggestedBufferSize = 7680;
    h.quality = 0xFFFFFFFF;
    h.sampleSize = 4;
    return h;
}

TBitmapInfoHeader DvBitmapInfo(const TDvAviSpec &layout)
{
    TBitmapInfoHeader b;
    b.width = 720;
    b.height = layout.ntsc ? 480 : 576;
    b.compression = layout.compression;
    b.sizeImage = layout.ntsc ? 120000 : 144000;
    return b;
}

TWaveFormatEx DvWaveFormat()
{
    TWaveFormatEx w;
    w.channels = 2;
    w.samplesPerSec = 48000;
    w.avgBytesPerSec = 192000;
    w.blockAlign = 4;
    w.bitsPerSample = 16;
    return w;
}

TDvInfo DvInfo(const TDvAviSpec &layout)
{
    TDvInfo d;
    d.aauxSrc = layout.ntsc ? 0xC0C000D0 : 0xC0E000D0;
    d.aauxCtl = 0xFF80CF3F;
    d.aauxSrc1 = layout.ntsc ? 0xC0C000D1 : 0xC0E000D1;
    d.aauxCtl1 = 0xFF80CF3F;
    d.vauxSrc = layout.ntsc ? 0xFF00FFFF : 0xFF20FFFF;
    d.vauxCtl = 0xFFFE00FF;
    return d;
}

QByteArray SuperIndexData(quint8 indexType, const char *chunkId)
{
    TAviIndexHeader head;
    head.longsPerEntry = 4;
    head.indexType = indexType;
    head.entriesInUse = 1;
    head.chunkId = le::u32(reinterpret_cast<const quint8 *>(Id(chunkId).constData()));
    QByteArray data = RecordBytes(head);
    data += Le64(0x1000) + Le32(0x100) + Le32(1); // one entry in use
    data += QByteArray(3 * 16, '\0');             // three spare entries
    return data;
}

QByteArray DvHeaderList(const TDvAviSpec &layout)
{
    QList<QByteArray> videoStream = {Chunk("strh", RecordBytes(DvVideoStreamHeader(layout)))};
    if (layout.type == 1)
        videoStream.append(Chunk("strf", RecordBytes(DvInfo(layout))));
    else
        videoStream.append(Chunk("strf", RecordBytes(DvBitmapInfo(layout)) + RecordBytes(DvInfo(layout))));
    if (layout.indxType)
        videoStream.append(Chunk("indx", SuperIndexData(*layout.indxType, "00dc")));

    QList<QByteArray> header = {Chunk("avih", RecordBytes(DvMainHeader(layout))), List("strl", videoStream)};
    if (layout.type != 1) {
        header.append(List("strl", {Chunk("strh", RecordBytes(DvAudioStreamHeader())),
                                    Chunk("strf", RecordBytes(DvWaveFormat()))}));
    }
    if (layout.withOdml) {
        QByteArray dmlh = Le32(quint32(layout.frames)) + QByteArray(kDmlhSize - 4, '\0');
        header.append(List("odml", {Chunk("dmlh", dmlh)}));
    }
    return List("hdrl", header);
}

QByteArray DvAviFile(const TDvAviSpec &layout)
{
    const QByteArray frame = layout.frame.isEmpty() ? QByteArray(64, '\0') : layout.frame;
    const QByteArray audio(32, '\0');

    QList<QByteArray> samples;
    QByteArray index;
    qint64 offset = 4; // idx1 offsets count from the movi list type
    auto addSample = [&](const char *id, const QByteArray &data) {
        const QByteArray chunk = Chunk(id, data);
        samples.append(chunk);
        index += Id(id) + Le32(0x10) + Le32(quint32(offset)) + Le32(quint32(data.size()));
        offset += chunk.size();
    };
    for (int i = 0; i < layout.frames; ++i) {
        addSample("00dc", frame);
        if (layout.type != 1)
            addSample("01wb", audio);
    }

    QList<QByteArray> part = {DvHeaderList(layout), List("movi", samples)};
    if (layout.withIdx1)
        part.append(Chunk("idx1", index));
    QByteArray file = Riff("AVI ", part);
    for (const QByteArray &extra : layout.extraParts)
        file += extra;
    return file;
}

QByteArray AvixPart(int frames, const QByteArray &frame)
{
    QList<QByteArray> samples;
    for (int i = 0; i < frames; ++i)
        samples.append(Chunk("00dc", frame));
    return Riff("AVIX", {List("movi", samples)});
}

bool WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace riff

qint64 TSparseSource::readAt(qint64 pos, void *buffer, qint64 n) const
{
    if (pos < 0 || n < 0)
        return -1;
    if (pos >= m_size)
        return 0;
    const qint64 count = std::min(n, m_size - pos);
    auto *out = static_cast<char *>(buffer);
    std::memset(out, 0, size_t(count));
    for (const TRun &run : m_runs) {
        const qint64 from = std::max(pos, run.offset);
        const qint64 to = std::min(pos + count, run.offset + qint64(run.bytes.size()));
        if (from < to)
            std::memcpy(out + (from - pos), run.bytes.constData() + (from - run.offset), size_t(to - from));
    }
    return count;
}
