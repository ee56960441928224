#include "pipelines/audiodecoderelement.h"

namespace {

std::unique_ptr<TAudioDecoder> DecoderFor(const TMediaType &type)
{
    return std::make_unique<TAudioDecoder>(type.waveFormat(), type.format.mid(TWaveFormatEx::kSize));
}

} // namespace

bool IsPcm16(const TMediaType &type)
{
    const TWaveFormatEx wave = type.waveFormat();
    return type.majorType == media::Audio && wave.formatTag == 1 && wave.bitsPerSample == 16;
}

TAudioDecoderElement::TAudioDecoderElement() : TElement(QStringLiteral("Audio Decoder"))
{
    addInput(QStringLiteral("XForm In"));
    addOutput(QStringLiteral("XForm Out"));
}

TResult TAudioDecoderElement::checkInputType(int, const TMediaType &type)
{
    if (type.majorType != media::Audio || type.formatKind != media::TFormatKind::WaveFormatEx || IsPcm16(type))
        return TResult::TypeNotAccepted;
    return DecoderFor(type)->isOpen() ? TResult::Ok : TResult::TypeNotAccepted;
}

void TAudioDecoderElement::inputConnected(int)
{
    m_decoder = DecoderFor(input(0)->mediaType());
}

TMediaType TAudioDecoderElement::outputType(int) const
{
    if (!input(0)->isConnected() || !m_decoder || !m_decoder->isOpen())
        return {};
    const TAudioFormat out = m_decoder->outputFormat();
    TWaveFormatEx wave;
    wave.formatTag = 1;
    wave.channels = quint16(out.channels);
    wave.samplesPerSec = quint32(out.rate);
    wave.bitsPerSample = 16;
    wave.blockAlign = quint16(out.channels * 2);
    wave.avgBytesPerSec = wave.samplesPerSec * wave.blockAlign;
    return TMediaType::audio(wave);
}

void TAudioDecoderElement::deliverPcm()
{
    const auto pcm = m_decoder->pcm();
    const TAudioFormat format = m_decoder->outputFormat();
    if (pcm.empty())
        return;
    const qint64 frames = qint64(pcm.size()) / format.channels;
    TMediaSample out;
    out.data = QByteArray(reinterpret_cast<const char *>(pcm.data()), qsizetype(pcm.size() * 2));
    out.setSoundTimes(m_done, frames, format.rate);
    m_done += frames;
    deliver(0, out);
}

void TAudioDecoderElement::receive(int, TMediaSample &sample)
{
    if (!m_decoder || !m_decoder->isOpen())
        return;
    // The sound counts its own samples from where the stream starts: the
    // chunks of compressed sound carry no exact times of their own.
    if (!m_timeSet && sample.timeStart >= 0) {
        m_done = sample.timeStart * m_decoder->outputFormat().rate / 10000000;
        m_timeSet = true;
    }
    m_decoder->decode(sample.bytes(), sample.length()); // a damaged chunk gives what it can
    deliverPcm();
}

void TAudioDecoderElement::endOfStream(int)
{
    if (m_decoder && m_decoder->isOpen() && m_decoder->finish())
        deliverPcm();
    deliverEndOfStreamToAll();
}

void TAudioDecoderElement::startStreaming()
{
    if (m_decoder && !m_decoder->isOpen())
        reportError(TError(QStringLiteral("the sound decoder does not open: %1").arg(m_decoder->errorString())));
    flushed();
}

void TAudioDecoderElement::flushed()
{
    if (m_decoder)
        m_decoder->reset();
    m_timeSet = false;
}
