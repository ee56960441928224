#include "pipelines/colorconverterelement.h"

#include "pipelines/rawvideo.h"

#include <utility>

TColorConverterElement::TColorConverterElement(TFourcc targetSubtype, int width, int height)
    : TElement(QStringLiteral("Color Space Converter")), m_subtype(targetSubtype ? targetSubtype : media::Rgb24),
      m_width(width), m_height(height)
{
    addInput(QStringLiteral("Input"));
    addOutput(QStringLiteral("XForm Out"));
}

TResult TColorConverterElement::checkInputType(int, const TMediaType &type)
{
    return IsRawVideo(type) && type.videoInfo().bitmap.width > 0 && type.videoInfo().bitmap.height > 0
               ? TResult::Ok
               : TResult::TypeNotAccepted;
}

TMediaType TColorConverterElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    const TMediaType &inType = input(0)->mediaType();
    const TVideoInfoHeader in = inType.videoInfo();
    const int width = m_width ? m_width : in.bitmap.width;
    const int height = m_height ? m_height : qAbs(in.bitmap.height);
    return RawVideoType(m_subtype, width, height, in.avgTimePerFrame, inType.frameDuration);
}

void TColorConverterElement::receive(int, TMediaSample &sample)
{
    const TMediaType &inType = input(0)->mediaType();
    const TVideoInfoHeader in = inType.videoInfo();
    const TVideoInfoHeader out = output(0)->mediaType().videoInfo();
    const int inHeight = qAbs(in.bitmap.height);
    if (sample.length() < RawPictureBytes(inType.subtype, in.bitmap.width, inHeight))
        return;
    if (inType.subtype == m_subtype && in.bitmap.width == out.bitmap.width && in.bitmap.height == out.bitmap.height) {
        deliver(0, sample);
        return;
    }
    // Both sides are read and written where they lie, packed as the samples hold them.
    const auto layout = [](TFourcc subtype, const TBitmapInfoHeader &bitmap) {
        return subtype == media::Rgb24 ? TBgr24Layout::fromBitmapHeader(bitmap)
                                       : TBgr24Layout::make(bitmap.width, qAbs(bitmap.height));
    };
    TMediaSample result = sample;
    const bool sameSize = in.bitmap.width == out.bitmap.width && inHeight == qAbs(out.bitmap.height);
    if (m_memory && sameSize && inType.subtype == media::Rgb24
        && mergeFromMemory(sample, layout(inType.subtype, in.bitmap), result)) {
        deliver(0, result);
        return;
    }
    result.data = QByteArray(qsizetype(RawPictureBytes(m_subtype, out.bitmap.width, qAbs(out.bitmap.height))), Qt::Uninitialized);
    if (!m_converter.convertPacked(sample.bytes(), RawPixelFormat(inType.subtype), layout(inType.subtype, in.bitmap),
                                   reinterpret_cast<uint8_t *>(result.data.data()), RawPixelFormat(m_subtype),
                                   layout(m_subtype, out.bitmap)))
        return;
    // The memory takes the YUV picture over (the sample is used up here), so
    // that the converter back can write into it without a copy.
    if (m_memory && sameSize && m_subtype == media::Rgb24 && sample.mediaStart >= 0)
        m_memory->remember(sample.mediaStart, inType.subtype, std::exchange(sample.data, QByteArray()), result.data);
    deliver(0, result);
}

bool TColorConverterElement::mergeFromMemory(const TMediaSample &sample, const TBgr24Layout &layout, TMediaSample &result)
{
    QByteArray yuv, before;
    if (sample.mediaStart < 0 || !m_memory->take(sample.mediaStart, m_subtype, yuv, before)
        || yuv.size() != RawPictureBytes(m_subtype, layout.width, layout.height) || before.size() != sample.data.size())
        return false;
    // yuv becomes this picture: the original's rows where the stage changed nothing.
    if (MergeChangedRows(sample.bytes(), reinterpret_cast<const quint8 *>(before.constData()), layout, m_subtype,
                         reinterpret_cast<quint8 *>(yuv.data()))
        < 0)
        return false;
    result.data = yuv;
    return true;
}

void TColorConverterElement::startStreaming()
{
    if (m_memory)
        m_memory->clear();
}
