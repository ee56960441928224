#include "pipelines/audioconverterelement.h"

TAudioConverterElement::TAudioConverterElement() : TElement(QStringLiteral("ACM Wrapper"))
{
    addInput(QStringLiteral("Input"));
    addOutput(QStringLiteral("Output"));
}

bool TAudioConverterElement::SetAudioRate(int rate)
{
    if (rate < 1000 || rate > 768000)
        return false;
    m_rate = rate;
    return true;
}

TResult TAudioConverterElement::checkInputType(int, const TMediaType &type)
{
    const TWaveFormatEx wave = type.waveFormat();
    const bool ok = type.majorType == media::Audio && wave.formatTag == 1 && wave.bitsPerSample == 16
                    && wave.channels >= 1 && wave.channels <= 8 && wave.samplesPerSec >= 1000;
    return ok ? TResult::Ok : TResult::TypeNotAccepted;
}

int TAudioConverterElement::outputRate() const
{
    return m_rate ? m_rate : int(input(0)->mediaType().waveFormat().samplesPerSec);
}

int TAudioConverterElement::outputChannels() const
{
    const int channels = input(0)->mediaType().waveFormat().channels;
    return m_maxChannels > 0 ? qMin(channels, m_maxChannels) : channels;
}

TMediaType TAudioConverterElement::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    TWaveFormatEx wave = input(0)->mediaType().waveFormat();
    wave.samplesPerSec = quint32(outputRate());
    wave.channels = quint16(outputChannels());
    wave.cbSize = 0;
    wave.blockAlign = quint16(wave.channels * 2);
    wave.avgBytesPerSec = wave.samplesPerSec * wave.blockAlign;
    return TMediaType::audio(wave);
}

void TAudioConverterElement::startStreaming()
{
    const TWaveFormatEx in = input(0)->mediaType().waveFormat();
    m_converter = std::make_unique<TAudioConverter>(TAudioFormat{int(in.samplesPerSec), in.channels},
                                                    TAudioFormat{outputRate(), outputChannels()});
    flushed();
}

void TAudioConverterElement::flushed()
{
    if (m_converter)
        m_converter->flush();
    m_done = 0;
    m_timeSet = false;
}

void TAudioConverterElement::deliverOutput()
{
    const auto samples = m_converter->output();
    const int channels = outputChannels();
    if (samples.empty() || channels <= 0)
        return;
    const qint64 frames = qint64(samples.size()) / channels;
    const int rate = outputRate();
    TMediaSample out;
    out.data = QByteArray(reinterpret_cast<const char *>(samples.data()), qsizetype(samples.size() * 2));
    out.setSoundTimes(m_done, frames, rate);
    m_done += frames;
    deliver(0, out);
}

void TAudioConverterElement::receive(int, TMediaSample &sample)
{
    if (!m_converter)
        return;
    if (!m_timeSet && sample.timeStart >= 0) {
        m_done = sample.timeStart * outputRate() / 10000000;
        m_timeSet = true;
    }
    const TWaveFormatEx in = input(0)->mediaType().waveFormat();
    const int channels = in.channels;
    if (outputRate() == int(in.samplesPerSec) && outputChannels() == channels) {
        // Same format: the samples pass as they are.
        const qint64 frames = sample.length() / 2 / channels;
        TMediaSample out = sample;
        out.setSoundTimes(m_done, frames, in.samplesPerSec);
        m_done += frames;
        deliver(0, out);
        return;
    }
    if (m_converter->convert(reinterpret_cast<const qint16 *>(sample.data.constData()), sample.length() / 2 / channels))
        deliverOutput();
}

void TAudioConverterElement::endOfStream(int)
{
    if (m_converter && m_converter->flush())
        deliverOutput();
    deliverEndOfStreamToAll();
}
