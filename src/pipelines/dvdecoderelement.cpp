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
    return RawVideoType(ntsc ? media::Y41B : media::I420, 720, ntsc ? 480 : 576, info.avgTimePerFrame,
                        input(0)->mediaType().frameDuration);
}

void TDvVideoDecoderElement::startStreaming()
{
    m_lastGood.clear();
}

void TDvVideoDecoderElement::receive(int, TMediaSample &sample)
{
    if (!m_decoder) { // opened by the first frame
        m_decoder = std::make_unique<TDvVideoDecoder>(1);
        if (!m_decoder->isOpen())
            reportError(TError(QStringLiteral("the DV decoder does not open: %1").arg(m_decoder->errorString())));
    }
    const TMediaType &type = output(0)->mediaType();
    const TVideoInfoHeader info = type.videoInfo();
    const TPicture &picture = m_decoder->picture();
    const auto decode = [&](const QByteArray &frame, QByteArray &bytes) {
        return m_decoder->decode(reinterpret_cast<const quint8 *>(frame.constData()), frame.size())
               && picture.width() == info.bitmap.width && picture.height() == info.bitmap.height
               && PackPicture(picture, bytes);
    };
    TMediaSample out;
    out.copyPropertiesFrom(sample);
    // The last good frame is kept as it came (its bytes are shared, not
    // copied) and decoded again in place of a damaged one; the pictures that
    // go on are nobody else's, so the stages behind may draw into them.
    if (decode(sample.data, out.data))
        m_lastGood = sample.data;
    else if (m_lastGood.isEmpty() || !decode(m_lastGood, out.data))
        return;
    deliver(0, out);
}
