#pragma once

// Audio renderer: plays 16-bit PCM on the default sound device through Qt
// Multimedia, paced by the pipeline's clock. A machine without a sound device
// plays silently. The volume is in hundredths of a decibel: 0 is full volume,
// -10000 silence.

#include "pipelines/renderer.h"

#include <QByteArray>

#include <memory>
#include <mutex>

class QAudioSink;
class TAudioRingDevice;

class TAudioRendererElement final : public TRendererElement
{
public:
    TAudioRendererElement();
    ~TAudioRendererElement() override;

    void SetVolume(int hundredthsOfDecibel);
    int volume() const { return m_volume; }
    // True while a sound device takes the samples.
    bool hasDevice() const { return m_sink != nullptr; }

    TResult checkInputType(int input, const TMediaType &type) override;
    void startStreaming() override;
    void stopStreaming() override;
    void flushed() override;

protected:
    void render(int input, TMediaSample &sample) override;

private:
    int m_volume = 0;
    std::unique_ptr<TAudioRingDevice> m_ring;
    std::unique_ptr<QAudioSink> m_sink;
};
