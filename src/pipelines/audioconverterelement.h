#pragma once

// Audio converter: 16-bit PCM in, 16-bit PCM out at the rate set with
// SetAudioRate (the input's rate until then), with the input's channels or,
// after SetMaxChannels, at most that many (mixed down).

#include "pipelines/audioconverter.h"
#include "pipelines/element.h"

#include <memory>

class TAudioConverterElement final : public TElement
{
public:
    TAudioConverterElement();

    // The output rate; false for a rate the converter cannot make.
    bool SetAudioRate(int rate);
    int audioRate() const { return m_rate; }
    // The most channels of the output (0: as many as the input has).
    void SetMaxChannels(int channels) { m_maxChannels = qMax(0, channels); }
    // Back to the input's rate and channels.
    void ResetFormat() { m_rate = m_maxChannels = 0; }

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;

private:
    void deliverOutput();
    int outputRate() const;
    int outputChannels() const;

    int m_rate = 0;
    int m_maxChannels = 0;
    std::unique_ptr<TAudioConverter> m_converter;
    qint64 m_done = 0; // samples delivered, for the media times
    bool m_timeSet = false;
};
