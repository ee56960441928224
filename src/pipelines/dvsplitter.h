#pragma once

// DV splitter: takes interleaved DV (whole frames with their audio) and
// offers the DV video first, then one 16-bit PCM output per audio channel
// pair the stream carries (one for 16-bit audio; two for 12-bit audio with
// four channels). The video samples are the frames as they came; the audio
// is de-shuffled from each frame's audio blocks.

#include "dv/dvaudio.h"
#include "pipelines/element.h"

#include <array>

class TDvSplitterElement final : public TElement
{
public:
    TDvSplitterElement();

    TResult checkInputType(int input, const TMediaType &type) override;
    void inputConnected(int input) override;
    void inputDisconnected(int input) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;

private:
    struct TAudioOut
    {
        int pair = 0;
        qint32 rate = 48000;
        qint64 samplesDone = 0; // running count, for the media times
    };
    bool m_pal = true;
    std::vector<TMediaType> m_types;
    std::vector<TAudioOut> m_audio; // output k + 1
    qint64 m_nextFrame = -1;        // expected media time of the next frame
    std::array<qint16, dvaudio::MaxPairValues> m_pcm{};
};
