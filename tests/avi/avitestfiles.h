#pragma once

// Test helpers for the AVI writer and sample index: synthetic DV frames, a
// RIFF byte builder for hand-made files, a small RIFF tree reader and ffprobe.

#include "avi/avilayout.h"
#include "avi/aviwriter.h"
#include "avi/bytesource.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstring>
#include <optional>
#include <vector>

namespace avitest {

// A structurally valid DV frame (IEC 61834 SD, 2 channels 16-bit 48 kHz):
// every DIF block carries its ID, the header and VAUX/AAUX source and control
// packs are set, each video macroblock holds DC-only DCT blocks. The frame
// number is stamped into the subcode blocks so frames can be told apart.
inline QByteArray MakeDvFrame(TAviDvSystem system, quint32 number)
{
    const bool pal = system == TAviDvSystem::Pal;
    const int sequences = pal ? 12 : 10;
    QByteArray frame(qsizetype(DvFrameSize(system)), char(0xFF));
    auto *f = reinterpret_cast<quint8 *>(frame.data());
    const quint8 vs[5] = {0x60, 0xFF, 0xFF, quint8(pal ? 0xE0 : 0xC0), 0xFF};
    const quint8 vsc[5] = {0x61, 0x3F, 0xC8, 0xFC, 0xFF};
    const quint8 as[5] = {0x50, quint8(pal ? 24 : 20), 0x00, quint8(pal ? 0xE0 : 0xC0), 0x00};
    const quint8 asc[5] = {0x51, 0x33, 0xCF, 0xA0, 0xFF};
    for (int s = 0; s < sequences; ++s) {
        quint8 *seq = f + 12000 * s;
        auto id = [&](int block, quint8 type, int number) {
            quint8 *b = seq + 80 * block;
            b[0] = type;
            b[1] = quint8((s << 4) | 0x07);
            b[2] = quint8(number);
            return b;
        };
        quint8 *header = id(0, 0x1F, 0);
        header[3] = quint8(pal ? 0xBF : 0x3F);
        header[4] = 0xF8;
        header[5] = header[6] = header[7] = 0x78;
        for (int i = 0; i < 2; ++i) {
            quint8 *sub = id(1 + i, 0x3F, i);
            le::put32(sub + 3, number);
        }
        for (int i = 0; i < 3; ++i)
            id(3 + i, 0x56, i);
        std::memcpy(seq + 80 * 5 + 48, vs, 5);
        std::memcpy(seq + 80 * 5 + 53, vsc, 5);
        int video = 0;
        for (int a = 0; a < 9; ++a) {
            quint8 *audio = id(6 + 16 * a, 0x76, a);
            std::memset(audio + 8, 0, 72);
            const int sourceBlock = (s & 1) ? 0 : 3;
            if (a == sourceBlock)
                std::memcpy(audio + 3, as, 5);
            if (a == sourceBlock + 1)
                std::memcpy(audio + 3, asc, 5);
            for (int v = 0; v < 15; ++v) {
                quint8 *mb = id(7 + 16 * a + v, 0x96, video++);
                std::memset(mb + 3, 0, 77);
                mb[3] = 0x0F;
                static const int dct[6] = {4, 18, 32, 46, 60, 70};
                for (int d : dct)
                    mb[d + 1] = 0x06; // DC 0, then end of block
            }
        }
    }
    return frame;
}

inline TDvInfo MakeDvInfo(TAviDvSystem system)
{
    const bool pal = system == TAviDvSystem::Pal;
    TDvInfo info;
    info.aauxSrc = quint32(pal ? 24 : 20) | (quint32(pal ? 0xE0 : 0xC0) << 16);
    info.aauxCtl = 0x33 | (0xCF << 8) | (0xA0 << 16) | (0xFFu << 24);
    info.aauxSrc1 = info.aauxSrc;
    info.aauxCtl1 = info.aauxCtl;
    info.vauxSrc = 0xFF | (0xFF << 8) | (quint32(pal ? 0xE0 : 0xC0) << 16) | (0xFFu << 24);
    info.vauxCtl = 0x3F | (0xC8 << 8) | (0xFC << 16) | (0xFFu << 24);
    return info;
}

inline TWaveFormatEx Pcm48kStereo()
{
    TWaveFormatEx w;
    w.formatTag = 1;
    w.channels = 2;
    w.samplesPerSec = 48000;
    w.bitsPerSample = 16;
    w.blockAlign = 4;
    w.avgBytesPerSec = 192000;
    return w;
}

// A recognisable payload: the stream and sample numbers, then a pattern.
inline QByteArray Payload(int stream, quint32 number, quint32 size)
{
    QByteArray data(qsizetype(size), '\0');
    for (quint32 i = 0; i < size; ++i)
        data[qsizetype(i)] = char((i * 7 + number * 13 + quint32(stream) * 101) & 0xFF);
    if (size >= 8) {
        le::put32(reinterpret_cast<quint8 *>(data.data()), quint32(stream));
        le::put32(reinterpret_cast<quint8 *>(data.data()) + 4, number);
    }
    return data;
}

inline QByteArray ReadBack(const TByteSource &src, qint64 offset, quint32 size)
{
    QByteArray data(qsizetype(size), '\0');
    if (src.readAt(offset, data.data(), size) != qint64(size))
        return {};
    return data;
}

// RIFF bytes built chunk by chunk; open chunks get their size on close().
class TRiffBuilder
{
public:
    void open(const char *id, const char *type = nullptr)
    {
        u32(Id(id));
        u32(0);
        m_open.push_back(bytes.size());
        if (type)
            u32(Id(type));
    }
    void close()
    {
        const qsizetype start = m_open.back();
        m_open.pop_back();
        const quint32 size = quint32(bytes.size() - start);
        le::put32(reinterpret_cast<quint8 *>(bytes.data()) + start - 4, size);
        if (size & 1)
            bytes.append('\0');
    }
    // A whole chunk; returns the offset of its data.
    qint64 chunk(const char *id, const QByteArray &data, bool pad = true)
    {
        u32(Id(id));
        u32(quint32(data.size()));
        const qint64 at = bytes.size();
        bytes.append(data);
        if (pad && (data.size() & 1))
            bytes.append('\0');
        return at;
    }
    void u32(quint32 v)
    {
        quint8 b[4];
        le::put32(b, v);
        bytes.append(reinterpret_cast<const char *>(b), 4);
    }
    qint64 pos() const { return bytes.size(); }

    static TFourcc Id(const char *s)
    {
        return quint32(quint8(s[0])) | (quint32(quint8(s[1])) << 8) | (quint32(quint8(s[2])) << 16) | (quint32(quint8(s[3])) << 24);
    }

    QByteArray bytes;

private:
    std::vector<qsizetype> m_open;
};

template <typename Record>
QByteArray RecordBytes(const Record &r)
{
    QByteArray raw(Record::kSize, '\0');
    r.write(reinterpret_cast<quint8 *>(raw.data()));
    return raw;
}

// One chunk found in a file: where its data lies, its ID and list/form type.
struct TFoundChunk
{
    qint64 data = -1;
    quint32 size = 0;
    TFourcc id = 0;
    TFourcc type = 0;
};

// Chunks directly inside [begin, end) of file.
inline std::vector<TFoundChunk> Children(const TByteSource &file, qint64 begin, qint64 end)
{
    std::vector<TFoundChunk> out;
    qint64 pos = begin;
    while (pos + 8 <= end) {
        quint8 h[12] = {};
        if (file.readAt(pos, h, 12) < 8)
            break;
        TFoundChunk c{pos + 8, le::u32(h + 4), le::u32(h), 0};
        if (c.id == fcc::RIFF || c.id == fcc::LIST)
            c.type = le::u32(h + 8);
        out.push_back(c);
        pos = pos + 8 + c.size + (c.size & 1);
    }
    return out;
}

// Follows a path of IDs ("RIFF", "LIST" match on their type); returns the last.
inline std::optional<TFoundChunk> Find(const TByteSource &file, const QStringList &path)
{
    qint64 begin = 0, end = file.size();
    std::optional<TFoundChunk> found;
    for (const QString &step : path) {
        found.reset();
        const QByteArray key = step.toLatin1();
        for (const TFoundChunk &c : Children(file, begin, end)) {
            const TFourcc want = TRiffBuilder::Id(key.constData());
            if (c.id == want || ((c.id == fcc::RIFF || c.id == fcc::LIST) && c.type == want)) {
                found = c;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        const bool list = found->id == fcc::RIFF || found->id == fcc::LIST;
        begin = found->data + (list ? 4 : 0);
        end = found->data + found->size;
    }
    return found;
}

struct TProbedStream
{
    QString type;
    QString codec;
    qint64 packets = -1;
};

// Streams of path as ffprobe reads them, counting every packet; errors: what
// ffprobe printed on its error output.
inline std::vector<TProbedStream> Probe(const QString &path, QString *errors = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
             QStringLiteral("-show_entries"), QStringLiteral("stream=codec_type,codec_name,nb_read_packets"),
             QStringLiteral("-of"), QStringLiteral("json"), path});
    p.waitForFinished(120000);
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    std::vector<TProbedStream> out;
    const QJsonArray streams = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("streams").toArray();
    for (const QJsonValue &v : streams) {
        const QJsonObject o = v.toObject();
        out.push_back({o.value("codec_type").toString(), o.value("codec_name").toString(),
                       o.value("nb_read_packets").toString().toLongLong()});
    }
    return out;
}

} // namespace avitest
