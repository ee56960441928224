#include "pipelines/rawvideo.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

AVPixelFormat RawPixelFormat(TFourcc subtype)
{
    if (subtype == media::I420)
        return AV_PIX_FMT_YUV420P;
    if (subtype == media::Y41B)
        return AV_PIX_FMT_YUV411P;
    if (subtype == media::Rgb24)
        return AV_PIX_FMT_BGR24;
    return AV_PIX_FMT_NONE;
}

TFourcc RawSubtype(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUV420P: return media::I420;
    case AV_PIX_FMT_YUV411P: return media::Y41B;
    case AV_PIX_FMT_BGR24: return media::Rgb24;
    default: return 0;
    }
}

bool IsRawVideo(const TMediaType &type)
{
    return type.majorType == media::Video && RawPixelFormat(type.subtype) != AV_PIX_FMT_NONE;
}

qint64 RawPictureBytes(TFourcc subtype, int width, int height)
{
    if (subtype == media::Rgb24)
        return qint64((width * 3 + 3) & ~3) * height;
    const AVPixelFormat format = RawPixelFormat(subtype);
    if (format == AV_PIX_FMT_NONE || width <= 0 || height <= 0)
        return 0;
    return av_image_get_buffer_size(format, width, height, 1);
}

TMediaType RawVideoType(TFourcc subtype, int width, int height, qint64 avgTimePerFrame, const TFrameDuration &frameDuration)
{
    TVideoInfoHeader info;
    info.avgTimePerFrame = avgTimePerFrame;
    info.bitmap.width = width;
    info.bitmap.height = height;
    info.bitmap.planes = 1;
    info.bitmap.bitCount = subtype == media::Rgb24 ? 24 : 12;
    info.bitmap.compression = subtype == media::Rgb24 ? 0 : subtype;
    info.bitmap.sizeImage = quint32(RawPictureBytes(subtype, width, height));
    info.source[2] = info.target[2] = width;
    info.source[3] = info.target[3] = height;
    TMediaType type = TMediaType::video(subtype, info);
    type.sampleSize = info.bitmap.sizeImage;
    type.frameDuration = frameDuration;
    return type;
}

bool PackPicture(const TPicture &picture, QByteArray &bytes)
{
    const TFourcc subtype = RawSubtype(picture.format());
    if (picture.isNull() || subtype == 0 || subtype == media::Rgb24)
        return false;
    const int size = av_image_get_buffer_size(picture.format(), picture.width(), picture.height(), 1);
    if (size <= 0)
        return false;
    if (bytes.size() != size)
        bytes.resize(size);
    const AVFrame *f = picture.avFrame();
    return av_image_copy_to_buffer(reinterpret_cast<uint8_t *>(bytes.data()), size, f->data, f->linesize,
                                   picture.format(), picture.width(), picture.height(), 1) >= 0;
}

bool UnpackPicture(const QByteArray &bytes, TFourcc subtype, int width, int height, TPicture &picture)
{
    const AVPixelFormat format = RawPixelFormat(subtype);
    if (format == AV_PIX_FMT_NONE || subtype == media::Rgb24 || bytes.size() < RawPictureBytes(subtype, width, height))
        return false;
    if (!picture.allocate(width, height, format))
        return false;
    uint8_t *planes[4] = {};
    int strides[4] = {};
    if (av_image_fill_arrays(planes, strides, reinterpret_cast<const uint8_t *>(bytes.constData()), format, width, height, 1) < 0)
        return false;
    AVFrame *f = picture.avFrame();
    av_image_copy(f->data, f->linesize, const_cast<const uint8_t **>(planes), strides, format, width, height);
    return true;
}
