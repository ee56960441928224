#include "pipelines/dvdecoderelement.h"

#include "pipelines/rawvideo.h"

TDvVideoDecoderElement::TDvVideoDecoderElement() : TElement(QStringLiteral("DV Video Decoder"))
{
    addInput(QStringLiteral("XForm In"));
    addOutput(QStringLiteral("XForm Out"));
}

TResult TDvVideoDecoderElement::checkInputType(int, const TMediaType &type)
{
    return type.majorType == media::Video && IsDvInfoCodec(type.subtype) ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TDvVideoDecoderElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    const TVideoInfoHeader info = input(0)->mediaType().videoInfo();
    const bool ntsc = info.bitmap.height == 480 || info.bitmap.sizeImage == 120000;
    return RawVideoType(ntsc ? media::Y41B : media::I420, 720, ntsc ? 480 : 576, info.avgTimePerFrame);
}

void TDvVideoDecoderElement::startStreaming()
{
    m_last.clear();
    if (!m_decoder)
        m_decoder = std::make_unique<TDvVideoDecoder>(1);
}

void TDvVideoDecoderElement::receive(int, TMediaSample &sample)
{
    const TMediaType &type = output(0)->mediaType();
    TMediaSample out;
    out.copyTimesFrom(sample);
    const TVideoInfoHeader info = type.videoInfo();
    if (!m_decoder)
        m_decoder = std::make_unique<TDvVideoDecoder>(1);
    const TPicture &picture = m_decoder->picture();
    if (m_decoder->decode(sample.bytes(), sample.length()) && picture.width() == info.bitmap.width
        && picture.height() == info.bitmap.height && PackPicture(picture, out.data)) {
        m_last = out.data;
    } else if (!m_last.isEmpty()) {
        out.data = m_last;
    } else {
        return;
    }
    deliver(0, out);
}
