#pragma once

// Byte layouts of the RIFF/AVI records, little-endian on disk. Each record has
// a fixed on-disk size, a reader from raw bytes and a writer to raw bytes, so
// the walkers, the report and the writer all share one definition.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <cstring>

namespace le {
inline quint16 u16(const quint8 *p) { return quint16(p[0] | (p[1] << 8)); }
inline quint32 u32(const quint8 *p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
inline quint64 u64(const quint8 *p) { return quint64(u32(p)) | (quint64(u32(p + 4)) << 32); }
inline qint16 s16(const quint8 *p) { return qint16(u16(p)); }
inline qint32 s32(const quint8 *p) { return qint32(u32(p)); }
inline void put16(quint8 *p, quint16 v) { p[0] = quint8(v); p[1] = quint8(v >> 8); }
inline void put32(quint8 *p, quint32 v) { for (int i = 0; i < 4; ++i) p[i] = quint8(v >> (8 * i)); }
inline void put64(quint8 *p, quint64 v) { put32(p, quint32(v)); put32(p + 4, quint32(v >> 32)); }
} // namespace le

// A four-character code as it is stored: the first character in the low byte.
using TFourcc = quint32;

constexpr TFourcc MakeFourcc(const char (&s)[5])
{
    return quint32(quint8(s[0])) | (quint32(quint8(s[1])) << 8) | (quint32(quint8(s[2])) << 16) | (quint32(quint8(s[3])) << 24);
}

inline QString FourccText(TFourcc code)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QChar(char16_t(quint8(code >> (8 * i))));
    return text;
}

// Lower-cases the ASCII letters of a code (codec codes are compared that way).
constexpr TFourcc FourccLower(TFourcc code)
{
    TFourcc out = 0;
    for (int i = 0; i < 4; ++i) {
        quint8 c = quint8(code >> (8 * i));
        if (c >= 'A' && c <= 'Z')
            c = quint8(c + 32);
        out |= quint32(c) << (8 * i);
    }
    return out;
}

namespace fcc {
constexpr TFourcc RIFF = MakeFourcc("RIFF");
constexpr TFourcc LIST = MakeFourcc("LIST");
constexpr TFourcc AVI_ = MakeFourcc("AVI ");
constexpr TFourcc AVIX = MakeFourcc("AVIX");
constexpr TFourcc hdrl = MakeFourcc("hdrl");
constexpr TFourcc avih = MakeFourcc("avih");
constexpr TFourcc strl = MakeFourcc("strl");
constexpr TFourcc strh = MakeFourcc("strh");
constexpr TFourcc strf = MakeFourcc("strf");
constexpr TFourcc strn = MakeFourcc("strn");
constexpr TFourcc indx = MakeFourcc("indx");
constexpr TFourcc odml = MakeFourcc("odml");
constexpr TFourcc dmlh = MakeFourcc("dmlh");
constexpr TFourcc movi = MakeFourcc("movi");
constexpr TFourcc rec_ = MakeFourcc("rec ");
constexpr TFourcc idx1 = MakeFourcc("idx1");
constexpr TFourcc JUNK = MakeFourcc("JUNK");
constexpr TFourcc INFO = MakeFourcc("INFO");
constexpr TFourcc vids = MakeFourcc("vids");
constexpr TFourcc auds = MakeFourcc("auds");
constexpr TFourcc iavs = MakeFourcc("iavs");
constexpr TFourcc dvsd = MakeFourcc("dvsd");
constexpr TFourcc dsvd = MakeFourcc("dsvd");
constexpr TFourcc csvd = MakeFourcc("csvd");
} // namespace fcc

// True for the codec codes that carry a DVINFO record after the BITMAPINFOHEADER.
constexpr bool IsDvInfoCodec(TFourcc code)
{
    const TFourcc lower = FourccLower(code);
    return lower == fcc::dvsd || lower == fcc::dsvd || lower == fcc::csvd;
}

// avih: the main header, 14 unsigned 32-bit fields.
struct TAviMainHeader
{
    static constexpr int kSize = 56;
    quint32 microSecPerFrame = 0, maxBytesPerSec = 0, paddingGranularity = 0, flags = 0;
    quint32 totalFrames = 0, initialFrames = 0, streams = 0, suggestedBufferSize = 0;
    quint32 width = 0, height = 0;
    std::array<quint32, 4> reserved{};

    static TAviMainHeader read(const quint8 *p)
    {
        TAviMainHeader h;
        quint32 *f[] = {&h.microSecPerFrame, &h.maxBytesPerSec, &h.paddingGranularity, &h.flags,
                        &h.totalFrames, &h.initialFrames, &h.streams, &h.suggestedBufferSize,
                        &h.width, &h.height, &h.reserved[0], &h.reserved[1], &h.reserved[2], &h.reserved[3]};
        for (int i = 0; i < 14; ++i)
            *f[i] = le::u32(p + 4 * i);
        return h;
    }
    void write(quint8 *p) const
    {
        const quint32 f[] = {microSecPerFrame, maxBytesPerSec, paddingGranularity, flags, totalFrames,
                             initialFrames, streams, suggestedBufferSize, width, height,
                             reserved[0], reserved[1], reserved[2], reserved[3]};
        for (int i = 0; i < 14; ++i)
            le::put32(p + 4 * i, f[i]);
    }
};

// avih flags
constexpr quint32 AVIF_HASINDEX = 0x10;
constexpr quint32 AVIF_ISINTERLEAVED = 0x100;
constexpr quint32 AVIF_TRUSTCKTYPE = 0x800;

// strh: the stream header.
struct TAviStreamHeader
{
    static constexpr int kSize = 56;
    TFourcc fccType = 0, fccHandler = 0;
    quint32 flags = 0;
    quint16 priority = 0, language = 0;
    quint32 initialFrames = 0, scale = 0, rate = 0, start = 0, length = 0;
    quint32 suggestedBufferSize = 0, quality = 0, sampleSize = 0;
    qint16 left = 0, top = 0, right = 0, bottom = 0;

    static TAviStreamHeader read(const quint8 *p)
    {
        TAviStreamHeader h;
        h.fccType = le::u32(p);
        h.fccHandler = le::u32(p + 4);
        h.flags = le::u32(p + 8);
        h.priority = le::u16(p + 12);
        h.language = le::u16(p + 14);
        h.initialFrames = le::u32(p + 16);
        h.scale = le::u32(p + 20);
        h.rate = le::u32(p + 24);
        h.start = le::u32(p + 28);
        h.length = le::u32(p + 32);
        h.suggestedBufferSize = le::u32(p + 36);
        h.quality = le::u32(p + 40);
        h.sampleSize = le::u32(p + 44);
        h.left = le::s16(p + 48);
        h.top = le::s16(p + 50);
        h.right = le::s16(p + 52);
        h.bottom = le::s16(p + 54);
        return h;
    }
    void write(quint8 *p) const
    {
        le::put32(p, fccType);
        le::put32(p + 4, fccHandler);
        le::put32(p + 8, flags);
        le::put16(p + 12, priority);
        le::put16(p + 14, language);
        le::put32(p + 16, initialFrames);
        le::put32(p + 20, scale);
        le::put32(p + 24, rate);
        le::put32(p + 28, start);
        le::put32(p + 32, length);
        le::put32(p + 36, suggestedBufferSize);
        le::put32(p + 40, quality);
        le::put32(p + 44, sampleSize);
        le::put16(p + 48, quint16(left));
        le::put16(p + 50, quint16(top));
        le::put16(p + 52, quint16(right));
        le::put16(p + 54, quint16(bottom));
    }
};

// BITMAPINFOHEADER, the stream format of a vids stream.
struct TBitmapInfoHeader
{
    static constexpr int kSize = 40;
    quint32 size = 40;
    qint32 width = 0, height = 0;
    quint16 planes = 1, bitCount = 24;
    TFourcc compression = 0;
    quint32 sizeImage = 0;
    qint32 xPelsPerMeter = 0, yPelsPerMeter = 0;
    quint32 clrUsed = 0, clrImportant = 0;

    friend bool operator==(const TBitmapInfoHeader &, const TBitmapInfoHeader &) = default;

    static TBitmapInfoHeader read(const quint8 *p)
    {
        TBitmapInfoHeader h;
        h.size = le::u32(p);
        h.width = le::s32(p + 4);
        h.height = le::s32(p + 8);
        h.planes = le::u16(p + 12);
        h.bitCount = le::u16(p + 14);
        h.compression = le::u32(p + 16);
        h.sizeImage = le::u32(p + 20);
        h.xPelsPerMeter = le::s32(p + 24);
        h.yPelsPerMeter = le::s32(p + 28);
        h.clrUsed = le::u32(p + 32);
        h.clrImportant = le::u32(p + 36);
        return h;
    }
    void write(quint8 *p) const
    {
        le::put32(p, size);
        le::put32(p + 4, quint32(width));
        le::put32(p + 8, quint32(height));
        le::put16(p + 12, planes);
        le::put16(p + 14, bitCount);
        le::put32(p + 16, compression);
        le::put32(p + 20, sizeImage);
        le::put32(p + 24, quint32(xPelsPerMeter));
        le::put32(p + 28, quint32(yPelsPerMeter));
        le::put32(p + 32, clrUsed);
        le::put32(p + 36, clrImportant);
    }
};

// WAVEFORMATEX, the stream format of an auds stream.
struct TWaveFormatEx
{
    static constexpr int kSize = 18;
    quint16 formatTag = 1, channels = 0;
    quint32 samplesPerSec = 0, avgBytesPerSec = 0;
    quint16 blockAlign = 0, bitsPerSample = 0, cbSize = 0;

    friend bool operator==(const TWaveFormatEx &, const TWaveFormatEx &) = default;

    static TWaveFormatEx read(const quint8 *p)
    {
        TWaveFormatEx w;
        w.formatTag = le::u16(p);
        w.channels = le::u16(p + 2);
        w.samplesPerSec = le::u32(p + 4);
        w.avgBytesPerSec = le::u32(p + 8);
        w.blockAlign = le::u16(p + 12);
        w.bitsPerSample = le::u16(p + 14);
        w.cbSize = le::u16(p + 16);
        return w;
    }
    void write(quint8 *p) const
    {
        le::put16(p, formatTag);
        le::put16(p + 2, channels);
        le::put32(p + 4, samplesPerSec);
        le::put32(p + 8, avgBytesPerSec);
        le::put16(p + 12, blockAlign);
        le::put16(p + 14, bitsPerSample);
        le::put16(p + 16, cbSize);
    }
};

// DVINFO: the PC1..PC4 bytes of the AAUX and VAUX source/control packs.
struct TDvInfo
{
    static constexpr int kSize = 32;
    quint32 aauxSrc = 0, aauxCtl = 0, aauxSrc1 = 0, aauxCtl1 = 0, vauxSrc = 0, vauxCtl = 0;
    quint32 reserved0 = 0, reserved1 = 0;

    friend bool operator==(const TDvInfo &, const TDvInfo &) = default;

    static TDvInfo read(const quint8 *p)
    {
        TDvInfo d;
        quint32 *f[] = {&d.aauxSrc, &d.aauxCtl, &d.aauxSrc1, &d.aauxCtl1, &d.vauxSrc, &d.vauxCtl, &d.reserved0, &d.reserved1};
        for (int i = 0; i < 8; ++i)
            *f[i] = le::u32(p + 4 * i);
        return d;
    }
    void write(quint8 *p) const
    {
        const quint32 f[] = {aauxSrc, aauxCtl, aauxSrc1, aauxCtl1, vauxSrc, vauxCtl, reserved0, reserved1};
        for (int i = 0; i < 8; ++i)
            le::put32(p + 4 * i, f[i]);
    }
};

// OpenDML index head shared by indx (super index) and ix## (standard index).
struct TAviIndexHeader
{
    static constexpr int kSize = 24;
    quint16 longsPerEntry = 0;
    quint8 indexSubType = 0, indexType = 0;
    quint32 entriesInUse = 0;
    TFourcc chunkId = 0;
    // Super index: three reserved words. Standard index: qwBaseOffset then one reserved word.
    quint64 baseOffset = 0;
    quint32 reserved = 0;

    static TAviIndexHeader read(const quint8 *p)
    {
        TAviIndexHeader h;
        h.longsPerEntry = le::u16(p);
        h.indexSubType = p[2];
        h.indexType = p[3];
        h.entriesInUse = le::u32(p + 4);
        h.chunkId = le::u32(p + 8);
        h.baseOffset = le::u64(p + 12);
        h.reserved = le::u32(p + 20);
        return h;
    }
    void write(quint8 *p) const
    {
        le::put16(p, longsPerEntry);
        p[2] = indexSubType;
        p[3] = indexType;
        le::put32(p + 4, entriesInUse);
        le::put32(p + 8, chunkId);
        le::put64(p + 12, baseOffset);
        le::put32(p + 20, reserved);
    }
};

constexpr quint8 AVI_INDEX_OF_INDEXES = 0x00;
constexpr quint8 AVI_INDEX_OF_CHUNKS = 0x01;

// dmlh: total frame count followed by 61 reserved words.
constexpr int kDmlhSize = 248;
