#include "pipelines/videodecoderelement.h"

#include "pipelines/rawvideo.h"

namespace {

TVideoStreamFormat StreamFormat(const TMediaType &type)
{
    TVideoStreamFormat format;
    format.header = type.videoInfo().bitmap;
    format.handler = type.subtype;
    format.extradata = type.videoExtra();
    return format;
}

} // namespace

TVideoDecoderElement::TVideoDecoderElement() : TElement(QStringLiteral("AVI Decompressor"))
{
    addInput(QStringLiteral("XForm In"));
    addOutput(QStringLiteral("XForm Out"));
}

TResult TVideoDecoderElement::checkInputType(int, const TMediaType &type)
{
    if (type.majorType != media::Video || type.formatKind != media::TFormatKind::VideoInfo || IsRawVideo(type)
        || IsDvInfoCodec(type.subtype))
        return TResult::TypeNotAccepted;
    TVideoDecoder probe(StreamFormat(type), 1);
    return probe.isOpen() ? TResult::Ok : TResult::TypeNotAccepted;
}

void TVideoDecoderElement::inputConnected(int)
{
    m_decoder = std::make_unique<TVideoDecoder>(StreamFormat(input(0)->mediaType()), 1);
}

TMediaType TVideoDecoderElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    const TVideoInfoHeader info = input(0)->mediaType().videoInfo();
    return RawVideoType(media::Rgb24, info.bitmap.width, qAbs(info.bitmap.height), info.avgTimePerFrame,
                        input(0)->mediaType().frameDuration);
}

void TVideoDecoderElement::deliverPictures()
{
    const TVideoInfoHeader out = output(0)->mediaType().videoInfo();
    const TBgr24Layout layout = TBgr24Layout::make(out.bitmap.width, out.bitmap.height, TRowOrder::BottomUp);
    while (m_decoder->receivePicture()) {
        // Each picture with the times of its own place in the stream.
        const TSampleTimes &times = m_decoder->pictureTimes();
        TMediaSample picture;
        picture.mediaStart = times.mediaStart;
        picture.mediaStop = times.mediaStop;
        picture.timeStart = times.timeStart;
        picture.timeStop = times.timeStop;
        picture.data = QByteArray(qsizetype(layout.bytes()), Qt::Uninitialized);
        if (m_converter.toBgr24(m_decoder->picture(), reinterpret_cast<uint8_t *>(picture.data.data()), layout))
            deliver(0, picture);
    }
}

void TVideoDecoderElement::receive(int, TMediaSample &sample)
{
    if (!m_decoder || !m_decoder->isOpen())
        return;
    const TSampleTimes times{sample.mediaStart, sample.mediaStop, sample.timeStart, sample.timeStop};
    if (m_decoder->sendSample(sample.bytes(), sample.length(), times))
        deliverPictures();
}

void TVideoDecoderElement::endOfStream(int)
{
    if (m_decoder && m_decoder->isOpen()) {
        m_decoder->sendEnd();
        deliverPictures();
    }
    deliverEndOfStreamToAll();
}

void TVideoDecoderElement::startStreaming()
{
    if (m_decoder && !m_decoder->isOpen())
        reportError(TError(QStringLiteral("the video decoder does not open: %1").arg(m_decoder->errorString())));
}

void TVideoDecoderElement::flushed()
{
    if (m_decoder)
        m_decoder->reset();
}
