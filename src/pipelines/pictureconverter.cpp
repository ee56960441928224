#include "pipelines/pictureconverter.h"

#include <climits>
#include <cstdlib>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

int SwsFlags(TScaleFilter filter)
{
    switch (filter) {
    case TScaleFilter::FastBilinear: return SWS_FAST_BILINEAR;
    case TScaleFilter::Bilinear: return SWS_BILINEAR;
    case TScaleFilter::Bicubic: return SWS_BICUBIC;
    case TScaleFilter::Lanczos: return SWS_LANCZOS;
    }
    return SWS_BICUBIC;
}

// The full-range YUV formats named after JPEG are their plain YUV twins read
// with the full range; libswscale wants them named that way.
AVPixelFormat WithoutJpegRange(AVPixelFormat format, bool *fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: *fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: *fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: *fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: *fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: *fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

QString PixelFormatName(AVPixelFormat format)
{
    const char *name = av_get_pix_fmt_name(format);
    return name ? QString::fromLatin1(name) : QString::number(int(format));
}

bool IsYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
}

// Plane pointer and stride of a packed BGR picture, turned so that libswscale
// always walks it from the top row down.
void Bgr24Plane(uint8_t *bits, const TBgr24Layout &layout, uint8_t *planes[4], int strides[4])
{
    for (int i = 0; i < 4; ++i) {
        planes[i] = nullptr;
        strides[i] = 0;
    }
    if (layout.rows == TRowOrder::TopDown) {
        planes[0] = bits;
        strides[0] = layout.stride;
    } else {
        planes[0] = bits + qint64(layout.stride) * (layout.height - 1);
        strides[0] = -layout.stride;
    }
}

} // namespace

TBgr24Layout TBgr24Layout::make(int width, int height, TRowOrder rows)
{
    TBgr24Layout l;
    l.width = width;
    l.height = height;
    l.stride = width > 0 && width < (INT_MAX - 3) / 3 ? (width * 3 + 3) & ~3 : 0;
    l.rows = rows;
    return l;
}

TBgr24Layout TBgr24Layout::fromBitmapHeader(const TBitmapInfoHeader &header)
{
    const qint64 height = header.height;
    if (height == 0 || height == INT_MIN)
        return make(header.width, 0);
    return make(header.width, int(std::abs(height)), height > 0 ? TRowOrder::BottomUp : TRowOrder::TopDown);
}

bool TBgr24Layout::isValid() const
{
    return width > 0 && height > 0 && qint64(width) * 3 <= stride
        && av_image_check_size(unsigned(width), unsigned(height), 0, nullptr) >= 0;
}

TPictureConverter::TPictureConverter(TScaleFilter filter) : m_flags(SwsFlags(filter)) {}

TPictureConverter::~TPictureConverter()
{
    sws_freeContext(m_context);
}

bool TPictureConverter::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool TPictureConverter::scale(int srcW, int srcH, AVPixelFormat srcFormat, const uint8_t *const srcPlanes[4],
                              const int srcStrides[4], bool srcFullRange, int dstW, int dstH,
                              AVPixelFormat dstFormat, uint8_t *const dstPlanes[4], const int dstStrides[4])
{
    srcFormat = WithoutJpegRange(srcFormat, &srcFullRange);
    if (!sws_isSupportedInput(srcFormat))
        return fail(QStringLiteral("Cannot convert from the pixel format %1").arg(PixelFormatName(srcFormat)));
    if (!sws_isSupportedOutput(dstFormat))
        return fail(QStringLiteral("Cannot convert to the pixel format %1").arg(PixelFormatName(dstFormat)));

    SwsContext *c = sws_getCachedContext(m_context, srcW, srcH, srcFormat, dstW, dstH, dstFormat, m_flags,
                                         nullptr, nullptr, nullptr);
    if (!c) {
        m_context = nullptr;
        return fail(QStringLiteral("Cannot convert %1x%2 pictures to %3x%4").arg(srcW).arg(srcH).arg(dstW).arg(dstH));
    }
    m_context = c;

    // Full-range YUV is read as such; the tables are rebuilt only when that changes.
    const int range = IsYuv(srcFormat) && srcFullRange ? 1 : 0;
    int *invTable = nullptr, *table = nullptr;
    int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (IsYuv(srcFormat)
        && sws_getColorspaceDetails(c, &invTable, &srcRange, &table, &dstRange, &brightness, &contrast, &saturation)
            >= 0
        && srcRange != range)
        sws_setColorspaceDetails(c, invTable, range, table, dstRange, brightness, contrast, saturation);

    const int rows = sws_scale(c, srcPlanes, srcStrides, 0, srcH, dstPlanes, dstStrides);
    if (rows <= 0)
        return fail(QStringLiteral("Picture conversion failed"));
    m_error.clear();
    return true;
}

bool TPictureConverter::toBgr24(const TPicture &src, uint8_t *dst, const TBgr24Layout &layout)
{
    if (src.isNull())
        return fail(QStringLiteral("No picture"));
    if (!dst || !layout.isValid())
        return fail(QStringLiteral("Invalid BGR24 picture layout"));
    uint8_t *planes[4];
    int strides[4];
    Bgr24Plane(dst, layout, planes, strides);
    const AVFrame *f = src.avFrame();
    return scale(f->width, f->height, src.format(), f->data, f->linesize, f->color_range == AVCOL_RANGE_JPEG,
                 layout.width, layout.height, AV_PIX_FMT_BGR24, planes, strides);
}

bool TPictureConverter::fromBgr24(const uint8_t *src, const TBgr24Layout &layout, TPicture &dst)
{
    if (!src || !layout.isValid())
        return fail(QStringLiteral("Invalid BGR24 picture layout"));
    if (dst.isNull())
        return fail(QStringLiteral("No target picture"));
    uint8_t *planes[4];
    int strides[4];
    Bgr24Plane(const_cast<uint8_t *>(src), layout, planes, strides);
    AVFrame *f = dst.avFrame();
    return scale(layout.width, layout.height, AV_PIX_FMT_BGR24, planes, strides, false, f->width, f->height,
                 dst.format(), f->data, f->linesize);
}

bool TPictureConverter::convert(const TPicture &src, TPicture &dst)
{
    if (src.isNull())
        return fail(QStringLiteral("No picture"));
    if (dst.isNull())
        return fail(QStringLiteral("No target picture"));
    const AVFrame *s = src.avFrame();
    AVFrame *d = dst.avFrame();
    return scale(s->width, s->height, src.format(), s->data, s->linesize, s->color_range == AVCOL_RANGE_JPEG,
                 d->width, d->height, dst.format(), d->data, d->linesize);
}

bool TPictureConverter::convertPacked(const uint8_t *src, AVPixelFormat srcFormat, const TBgr24Layout &srcLayout,
                                      uint8_t *dst, AVPixelFormat dstFormat, const TBgr24Layout &dstLayout)
{
    if (!src || !dst || !srcLayout.isValid() || !dstLayout.isValid())
        return fail(QStringLiteral("Invalid picture layout"));
    uint8_t *srcPlanes[4] = {}, *dstPlanes[4] = {};
    int srcStrides[4] = {}, dstStrides[4] = {};
    const auto planes = [](uint8_t *bits, AVPixelFormat format, const TBgr24Layout &layout, uint8_t *p[4], int s[4]) {
        if (format == AV_PIX_FMT_BGR24) {
            Bgr24Plane(bits, layout, p, s);
            return true;
        }
        return av_image_fill_arrays(p, s, bits, format, layout.width, layout.height, 1) >= 0;
    };
    if (!planes(const_cast<uint8_t *>(src), srcFormat, srcLayout, srcPlanes, srcStrides)
        || !planes(dst, dstFormat, dstLayout, dstPlanes, dstStrides))
        return fail(QStringLiteral("Invalid picture format"));
    return scale(srcLayout.width, srcLayout.height, srcFormat, srcPlanes, srcStrides, false, dstLayout.width,
                 dstLayout.height, dstFormat, dstPlanes, dstStrides);
}
