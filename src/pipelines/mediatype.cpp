#include "pipelines/mediatype.h"

TVideoInfoHeader TVideoInfoHeader::read(const quint8 *p)
{
    TVideoInfoHeader v;
    for (int i = 0; i < 4; ++i) {
        v.source[i] = le::s32(p + 4 * i);
        v.target[i] = le::s32(p + 16 + 4 * i);
    }
    v.bitRate = le::u32(p + 32);
    v.bitErrorRate = le::u32(p + 36);
    v.avgTimePerFrame = qint64(le::u64(p + 40));
    v.bitmap = TBitmapInfoHeader::read(p + kBitmapOffset);
    return v;
}

void TVideoInfoHeader::write(quint8 *p) const
{
    for (int i = 0; i < 4; ++i) {
        le::put32(p + 4 * i, quint32(source[i]));
        le::put32(p + 16 + 4 * i, quint32(target[i]));
    }
    le::put32(p + 32, bitRate);
    le::put32(p + 36, bitErrorRate);
    le::put64(p + 40, quint64(avgTimePerFrame));
    bitmap.write(p + kBitmapOffset);
}

TVideoInfoHeader TMediaType::videoInfo() const
{
    if (formatKind != media::TFormatKind::VideoInfo || format.size() < TVideoInfoHeader::kSize)
        return {};
    return TVideoInfoHeader::read(reinterpret_cast<const quint8 *>(format.constData()));
}

TWaveFormatEx TMediaType::waveFormat() const
{
    if (formatKind != media::TFormatKind::WaveFormatEx || format.size() < TWaveFormatEx::kSize)
        return {};
    return TWaveFormatEx::read(reinterpret_cast<const quint8 *>(format.constData()));
}

TDvInfo TMediaType::dvInfo() const
{
    if (formatKind == media::TFormatKind::DvInfo && format.size() >= TDvInfo::kSize)
        return TDvInfo::read(reinterpret_cast<const quint8 *>(format.constData()));
    const QByteArray extra = videoExtra();
    if (extra.size() >= TDvInfo::kSize)
        return TDvInfo::read(reinterpret_cast<const quint8 *>(extra.constData()));
    return {};
}

QByteArray TMediaType::videoExtra() const
{
    if (formatKind != media::TFormatKind::VideoInfo || format.size() <= TVideoInfoHeader::kSize)
        return {};
    return format.mid(TVideoInfoHeader::kSize);
}

TFrameDuration TMediaType::exactFrameDuration() const
{
    if (frameDuration.isValid())
        return frameDuration;
    const qint64 t = videoInfo().avgTimePerFrame;
    if (t <= 0)
        return {};
    // Rates of 1000 / 1001 of a whole rate (23.976, 29.97, 59.94), whose
    // frame time in 100 ns is rounded either way.
    for (const qint64 fps : {24, 30, 60}) {
        const qint64 exact2 = qint64(2) * 1001 * 10000000 / (1000 * fps); // twice the time, for the rounding
        if (t == exact2 / 2 || t == (exact2 + 1) / 2)
            return {1001, 1000 * fps};
    }
    // Whole rates: the frame time rounded to 100 ns.
    if (const qint64 fps = (10000000 + t / 2) / t; fps > 0 && (10000000 + fps / 2) / fps == t)
        return {1, fps};
    return {t, 10000000};
}

TMediaType TMediaType::video(TFourcc subtype, const TVideoInfoHeader &info, const QByteArray &extra)
{
    TMediaType t;
    t.majorType = media::Video;
    t.subtype = subtype;
    t.formatKind = media::TFormatKind::VideoInfo;
    t.format = QByteArray(TVideoInfoHeader::kSize, '\0');
    TVideoInfoHeader copy = info;
    copy.bitmap.size = quint32(TBitmapInfoHeader::kSize + extra.size());
    copy.write(reinterpret_cast<quint8 *>(t.format.data()));
    t.format += extra;
    return t;
}

TMediaType TMediaType::audio(const TWaveFormatEx &wave)
{
    TMediaType t;
    t.majorType = media::Audio;
    t.subtype = wave.formatTag == 1 ? media::Pcm : TFourcc(wave.formatTag);
    t.formatKind = media::TFormatKind::WaveFormatEx;
    t.format = QByteArray(TWaveFormatEx::kSize, '\0');
    wave.write(reinterpret_cast<quint8 *>(t.format.data()));
    t.sampleSize = wave.blockAlign;
    return t;
}

TMediaType TMediaType::interleavedDv(const TDvInfo &info)
{
    TMediaType t;
    t.majorType = media::Interleaved;
    t.subtype = media::Dvsd;
    t.formatKind = media::TFormatKind::DvInfo;
    t.format = QByteArray(TDvInfo::kSize, '\0');
    info.write(reinterpret_cast<quint8 *>(t.format.data()));
    return t;
}

TMediaType TMediaType::rgb24(int width, int height, qint64 avgTimePerFrame)
{
    TVideoInfoHeader info;
    info.avgTimePerFrame = avgTimePerFrame;
    info.bitmap.width = width;
    info.bitmap.height = height;
    info.bitmap.planes = 1;
    info.bitmap.bitCount = 24;
    info.bitmap.compression = 0;
    info.bitmap.sizeImage = quint32(width * height * 3);
    info.bitRate = avgTimePerFrame > 0 ? quint32(qint64(info.bitmap.sizeImage) * 8 * 10000000 / avgTimePerFrame) : 0;
    TMediaType t = video(media::Rgb24, info);
    t.sampleSize = info.bitmap.sizeImage;
    return t;
}

qint64 FrameTime(quint32 rate, quint32 scale)
{
    if (rate == 0)
        return 0;
    return qint64((10000000.0 * scale) / rate + 0.5);
}
