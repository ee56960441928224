#include "pipelines/videodecoderelement.h"

#include "pipelines/rawvideo.h"

namespace {

// Samples whose frame data is kept while their pictures have not come out:
// far more than any codec holds back; a sample that gave no picture is
// forgotten after that many.
constexpr size_t kHeldFrameData = 64;

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
        picture.frameData = takeFrameData(m_decoder->pictureTag());
        picture.data = QByteArray(qsizetype(layout.bytes()), Qt::Uninitialized);
        if (m_converter.toBgr24(m_decoder->picture(), reinterpret_cast<uint8_t *>(picture.data.data()), layout))
            deliver(0, picture);
    }
}

std::shared_ptr<const TDvFrameData> TVideoDecoderElement::takeFrameData(qint64 tag)
{
    for (auto it = m_frameData.begin(); it != m_frameData.end(); ++it)
        if (it->first == tag) {
            std::shared_ptr<const TDvFrameData> data = std::move(it->second);
            m_frameData.erase(it);
            return data;
        }
    return {};
}

void TVideoDecoderElement::receive(int, TMediaSample &sample)
{
    if (!m_decoder || !m_decoder->isOpen())
        return;
    const TSampleTimes times{sample.mediaStart, sample.mediaStop, sample.timeStart, sample.timeStop};
    // The picture of a sample may come out after those of later samples:
    // the tag tells whose frame data it takes.
    const qint64 tag = m_nextTag++;
    if (sample.frameData) {
        m_frameData.emplace_back(tag, sample.frameData);
        if (m_frameData.size() > kHeldFrameData)
            m_frameData.pop_front();
    }
    if (m_decoder->sendSample(sample.bytes(), sample.length(), times, tag))
        deliverPictures();
}

void TVideoDecoderElement::endOfStream(int)
{
    if (m_decoder && m_decoder->isOpen()) {
        m_decoder->sendEnd();
        deliverPictures();
    }
    m_frameData.clear();
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
    m_frameData.clear();
}
