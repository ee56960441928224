#include "pipelines/dvencoderelement.h"

#include "pipelines/rawvideo.h"

TDvVideoEncoderElement::TDvVideoEncoderElement() : TElement(QStringLiteral("DV Video Encoder"))
{
    addInput(QStringLiteral("XForm In"));
    addOutput(QStringLiteral("XForm Out"));
}

void TDvVideoEncoderElement::SetFormat(int videoFormat, bool wide16x9)
{
    m_format.standard = videoFormat == FormatNtsc ? TDvStandard::Ntsc : TDvStandard::Pal;
    m_format.wide16x9 = wide16x9;
    m_encoder.reset();
}

TResult TDvVideoEncoderElement::checkInputType(int, const TMediaType &type)
{
    const bool pal = m_format.standard == TDvStandard::Pal;
    const TVideoInfoHeader info = type.videoInfo();
    const bool ok = type.majorType == media::Video && type.subtype == (pal ? media::I420 : media::Y41B)
                    && info.bitmap.width == 720 && info.bitmap.height == (pal ? 576 : 480);
    return ok ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TDvVideoEncoderElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    const bool pal = m_format.standard == TDvStandard::Pal;
    TVideoInfoHeader info;
    info.avgTimePerFrame = pal ? 400000 : 333667; // a DV frame lasts what its standard says
    info.bitmap.width = 720;
    info.bitmap.height = pal ? 576 : 480;
    info.bitmap.bitCount = 24;
    info.bitmap.compression = fcc::dvsd;
    info.bitmap.sizeImage = pal ? 144000 : 120000;
    info.source[2] = info.target[2] = 720;
    info.source[3] = info.target[3] = info.bitmap.height;
    if (info.avgTimePerFrame > 0)
        info.bitRate = quint32(qint64(info.bitmap.sizeImage) * 8 * 10000000 / info.avgTimePerFrame);
    TMediaType type = TMediaType::video(media::Dvsd, info);
    type.sampleSize = info.bitmap.sizeImage;
    type.frameDuration = pal ? TFrameDuration{1, 25} : TFrameDuration{1001, 30000};
    return type;
}

void TDvVideoEncoderElement::startStreaming()
{
    if (!m_encoder)
        m_encoder = std::make_unique<TDvVideoEncoder>(m_format, 1);
    m_lastPicture.clear();
    m_lastFrame.clear();
}

void TDvVideoEncoderElement::receive(int, TMediaSample &sample)
{
    if (!m_encoder || !m_encoder->isOpen())
        return;
    TMediaSample out;
    out.copyPropertiesFrom(sample);
    // A picture repeated as it is (a change of frame rate shows some twice)
    // encodes to the same frame: that frame is given again.
    if (!m_lastFrame.isEmpty() && sample.data.isSharedWith(m_lastPicture)) {
        out.data = m_lastFrame;
        deliver(0, out);
        return;
    }
    const TMediaType &type = input(0)->mediaType();
    const TVideoInfoHeader info = type.videoInfo();
    if (!UnpackPicture(sample.data, type.subtype, info.bitmap.width, info.bitmap.height, m_picture)
        || !m_encoder->encode(m_picture))
        return;
    const std::span<const uint8_t> frame = m_encoder->frame();
    out.data = QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
    m_lastPicture = sample.data;
    m_lastFrame = out.data;
    deliver(0, out);
}
