#include "stages/dv_deinter.h"

#include "pipelines/pictureconverter.h"
#include "stages/deinter.h"

#include <new>

// The picture is repaired in the sample's own buffer.
Tdv_deinter::Tdv_deinter() : TBCTransInPlaceFilter(QString::fromUtf16(DisplayName), true) {}

TResult Tdv_deinter::CheckInputType(const TMediaType &type)
{
    if (type.majorType == media::Video && type.subtype == media::Rgb24)
        return TResult::Ok;
    return TResult::TypeNotAccepted;
}

void Tdv_deinter::startStreaming()
{
    const TBitmapInfoHeader header = input(0)->mediaType().videoInfo().bitmap;
    const TBgr24Layout layout = TBgr24Layout::fromBitmapHeader(header);
    m_width = m_height = 0;
    if (!layout.isValid())
        return;
    const size_t pixels = size_t(layout.width) * size_t(layout.height);
    try {
        m_combMask.assign(pixels, 0);
        m_keptMask.assign(pixels, 0);
    } catch (const std::bad_alloc &) {
        m_combMask.clear();
        m_keptMask.clear();
        return;
    }
    m_width = layout.width;
    m_height = layout.height;
    m_topDown = layout.rows == TRowOrder::TopDown;
}

TResult Tdv_deinter::Transform(TMediaSample &sample)
{
    if (m_width <= 0 || m_height <= 0)
        return TResult::Ok;
    const qint64 stride = (qint64(m_width) * 3 + 3) & ~qint64(3);
    if (sample.length() < stride * m_height)
        return TResult::Fail;
    // The measure of a row reads only that row and the even rows around it,
    // which are never rewritten, so the picture can be repaired where it lies.
    const TPictureRows picture = DibRows(sample.writableBytes(), m_width, m_height, m_topDown);
    const TMaskRows comb{m_combMask.data(), m_width, m_width, m_height};
    const TMaskRows kept{m_keptMask.data(), m_width, m_width, m_height};
    return DeinterlacePicture(picture, picture, comb, kept) ? TResult::Ok : TResult::Fail;
}
