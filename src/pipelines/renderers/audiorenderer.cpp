#include "pipelines/renderers/audiorenderer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <cmath>
#include <cstring>
#include <deque>

// What the streaming thread writes and the sound device reads: a bounded
// buffer behind a lock. Reads find silence when it runs dry.
class TAudioRingDevice final : public QIODevice
{
public:
    explicit TAudioRingDevice(qint64 capacity) : m_capacity(capacity) {}

    void push(const QByteArray &bytes)
    {
        std::lock_guard guard(m_lock);
        m_bytes += bytes;
        if (m_bytes.size() > m_capacity)
            m_bytes.remove(0, m_bytes.size() - m_capacity);
    }
    void clear()
    {
        std::lock_guard guard(m_lock);
        m_bytes.clear();
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_capacity; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        std::lock_guard guard(m_lock);
        const qint64 n = qMin<qint64>(max, m_bytes.size());
        std::memcpy(data, m_bytes.constData(), size_t(n));
        m_bytes.remove(0, qsizetype(n));
        std::memset(data + n, 0, size_t(max - n));
        return max;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::mutex m_lock;
    QByteArray m_bytes;
    const qint64 m_capacity;
};

TAudioRendererElement::TAudioRendererElement() : TRendererElement(QStringLiteral("Default DirectSound Device"))
{
    addInput(QStringLiteral("Audio Input pin (rendered)"));
}

TAudioRendererElement::~TAudioRendererElement()
{
    stopStreaming();
}

TResult TAudioRendererElement::checkInputType(int, const TMediaType &type)
{
    const TWaveFormatEx wave = type.waveFormat();
    const bool ok = type.majorType == media::Audio && wave.formatTag == 1 && wave.bitsPerSample == 16
                    && wave.channels >= 1 && wave.channels <= 8 && wave.samplesPerSec > 0;
    return ok ? TResult::Ok : TResult::TypeNotAccepted;
}

void TAudioRendererElement::SetVolume(int hundredthsOfDecibel)
{
    m_volume = qBound(-10000, hundredthsOfDecibel, 0);
    if (m_sink)
        m_sink->setVolume(m_volume <= -10000 ? 0.0 : std::pow(10.0, m_volume / 2000.0));
}

void TAudioRendererElement::startStreaming()
{
    stopStreaming();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return; // no sound device: play silently
    const TWaveFormatEx wave = input(0)->mediaType().waveFormat();
    QAudioFormat format;
    format.setSampleRate(int(wave.samplesPerSec));
    format.setChannelCount(wave.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return;
    m_ring = std::make_unique<TAudioRingDevice>(qint64(wave.samplesPerSec) * wave.channels * 2); // one second
    m_ring->open(QIODevice::ReadOnly);
    m_sink = std::make_unique<QAudioSink>(device, format);
    SetVolume(m_volume);
    m_sink->start(m_ring.get());
}

void TAudioRendererElement::stopStreaming()
{
    if (m_sink)
        m_sink->stop();
    m_sink.reset();
    m_ring.reset();
}

void TAudioRendererElement::flushed()
{
    if (m_ring)
        m_ring->clear();
}

void TAudioRendererElement::render(int, TMediaSample &sample)
{
    if (m_ring)
        m_ring->push(sample.data);
}
