#include "pipelines/colorconverterelement.h"

#include "pipelines/rawvideo.h"

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
    const TVideoInfoHeader in = input(0)->mediaType().videoInfo();
    const int width = m_width ? m_width : in.bitmap.width;
    const int height = m_height ? m_height : qAbs(in.bitmap.height);
    return RawVideoType(m_subtype, width, height, in.avgTimePerFrame);
}

void TColorConverterElement::receive(int, TMediaSample &sample)
{
    const TMediaType &inType = input(0)->mediaType();
    const TVideoInfoHeader in = inType.videoInfo();
    const TVideoInfoHeader out = output(0)->mediaType().videoInfo();
    TMediaSample result = sample;
    result.data = QByteArray(qsizetype(RawPictureBytes(m_subtype, out.bitmap.width, out.bitmap.height)), Qt::Uninitialized);
    bool ok = false;
    if (inType.subtype == media::Rgb24) {
        if (m_subtype == media::Rgb24) {
            ok = in.bitmap.width == out.bitmap.width && in.bitmap.height == out.bitmap.height;
            result.data = sample.data;
        } else {
            const TBgr24Layout layout = TBgr24Layout::make(in.bitmap.width, in.bitmap.height, TRowOrder::BottomUp);
            ok = sample.length() >= layout.bytes() && m_out.allocate(out.bitmap.width, out.bitmap.height, RawPixelFormat(m_subtype))
                 && m_converter.fromBgr24(sample.bytes(), layout, m_out) && PackPicture(m_out, result.data);
        }
    } else if (UnpackPicture(sample.data, inType.subtype, in.bitmap.width, in.bitmap.height, m_in)) {
        if (m_subtype == media::Rgb24) {
            const TBgr24Layout layout = TBgr24Layout::make(out.bitmap.width, out.bitmap.height, TRowOrder::BottomUp);
            ok = m_converter.toBgr24(m_in, reinterpret_cast<uint8_t *>(result.data.data()), layout);
        } else {
            ok = m_out.allocate(out.bitmap.width, out.bitmap.height, RawPixelFormat(m_subtype))
                 && m_converter.convert(m_in, m_out) && PackPicture(m_out, result.data);
        }
    }
    if (ok)
        deliver(0, result);
}
