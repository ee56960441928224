#pragma once

// Media types of pipeline connections: a major type, a subtype and a format
// block, as AVI streams describe them. Major types and subtypes are
// four-character codes; the format block is the raw structure its kind names.

#include "avi/avilayout.h"

#include <QByteArray>
#include <QtGlobal>

namespace media {
// Major types
constexpr TFourcc Stream = MakeFourcc("strm");      // raw bytes of a file (file source output)
constexpr TFourcc Video = fcc::vids;
constexpr TFourcc Audio = fcc::auds;
constexpr TFourcc Interleaved = fcc::iavs;

// Subtypes
constexpr TFourcc Avi = MakeFourcc("AVI ");
constexpr TFourcc Dvsd = fcc::dvsd;
constexpr TFourcc Pcm = MakeFourcc("PCM ");
constexpr TFourcc Rgb24 = MakeFourcc("RGB3");
constexpr TFourcc I420 = MakeFourcc("I420");
constexpr TFourcc Y41B = MakeFourcc("Y41B");

// Kinds of format block
enum class TFormatKind : quint8 { None, VideoInfo, WaveFormatEx, DvInfo };
} // namespace media

// VIDEOINFOHEADER: source and target rectangles, bit rate, error rate, frame
// time, then a BITMAPINFOHEADER at offset 48 (88 bytes in all, more when the
// bitmap header carries extra data such as DVINFO).
struct TVideoInfoHeader
{
    static constexpr int kSize = 88;
    static constexpr int kBitmapOffset = 48;
    qint32 source[4] = {0, 0, 0, 0};
    qint32 target[4] = {0, 0, 0, 0};
    quint32 bitRate = 0;
    quint32 bitErrorRate = 0;
    qint64 avgTimePerFrame = 0; // 100 ns units
    TBitmapInfoHeader bitmap;

    friend bool operator==(const TVideoInfoHeader &, const TVideoInfoHeader &) = default;

    static TVideoInfoHeader read(const quint8 *p);
    void write(quint8 *p) const;
};

// The time of one video frame as an exact fraction of a second, num / den
// (an AVI stream's scale / rate: 1 / 15, 1001 / 30000); 0 / 0 when unknown.
struct TFrameDuration
{
    qint64 num = 0;
    qint64 den = 0;
    bool isValid() const { return num > 0 && den > 0; }
    bool operator==(const TFrameDuration &) const = default;
};

struct TMediaType
{
    TFourcc majorType = 0;
    TFourcc subtype = 0;
    media::TFormatKind formatKind = media::TFormatKind::None;
    QByteArray format;
    // Fixed-size samples (PCM): bytes per sample frame; 0 for variable samples.
    quint32 sampleSize = 0;
    // The stream's first sample, where the element that offers the type has
    // read it ahead (the AVI splitter, for interleaved DV); empty otherwise.
    // It lets an element whose outputs follow what the stream carries rather
    // than what its format block says (the DV splitter) choose them when it
    // connects. Elements that pass a type on pass it along.
    QByteArray firstSample;
    // Video: the exact frame time, where the stream says it (the frame time
    // of the format block is rounded to 100 ns).
    TFrameDuration frameDuration;

    bool isValid() const { return majorType != 0; }
    bool operator==(const TMediaType &) const = default;

    // The format block read as its kind; a default record when it is too short.
    TVideoInfoHeader videoInfo() const;
    TWaveFormatEx waveFormat() const;
    TDvInfo dvInfo() const;
    // Extra bytes after the bitmap header of a video-info block (a DVINFO record, codec extradata).
    QByteArray videoExtra() const;
    // The exact frame time: frameDuration when known, else the format
    // block's frame time, in which the rounded times of whole frame rates
    // and of their NTSC variants (666667: 1 / 15, 333667: 1001 / 30000) are
    // read as those rates; 0 / 0 without one.
    TFrameDuration exactFrameDuration() const;

    static TMediaType video(TFourcc subtype, const TVideoInfoHeader &info, const QByteArray &extra = {});
    static TMediaType audio(const TWaveFormatEx &wave);
    static TMediaType interleavedDv(const TDvInfo &info);
    // Uncompressed 24-bit BGR pictures, bottom-up rows as in a DIB.
    static TMediaType rgb24(int width, int height, qint64 avgTimePerFrame);
};

// Frame time of a rate given as rate / scale (AVI stream header), in 100 ns units.
qint64 FrameTime(quint32 rate, quint32 scale);
