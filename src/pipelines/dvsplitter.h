#pragma once

// DV splitter: takes interleaved DV (whole frames with their audio) and
// offers the DV video first, then one 16-bit PCM output per audio channel
// pair the stream carries (one for 16-bit audio; two for 12-bit audio with
// four channels). The video samples are the frames as they came.
//
// The outputs follow the audio packs of the stream's first frame (which the
// input type carries, see TMediaType::firstSample); the DVINFO block of the
// input type serves only when that frame has no readable audio source pack.
// Each frame's audio is de-shuffled by that frame's own packs: a frame whose
// rate differs from its output's is resampled to it, so a change of format
// in the middle of a stream loses no sound, and a frame without the audio of
// an output gives silence of its length, which keeps the sound in step.

#include "dv/dvaudio.h"
#include "pipelines/audioconverter.h"
#include "pipelines/element.h"

#include <array>
#include <memory>
#include <vector>

// What the DV splitter offers for an interleaved input type: whether the
// stream is 625/50, the types of its outputs (the DV video, then one PCM
// type per audio pair) and the pair each audio output carries.
struct TDvSplitterOutputs
{
    bool pal = true;
    std::vector<TMediaType> types;
    std::vector<int> pairs; // of outputs 1, 2 ...
};
TDvSplitterOutputs DvSplitterOutputs(const TMediaType &interleaved);

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
        // Frames of another rate, brought to this one.
        std::unique_ptr<TAudioConverter> resampler;
    };
    // Sends samples interleaved stereo values of the output's rate.
    void deliverPcm(int output, const qint16 *pcm, qint64 samples);
    // Sends what the output's resampler still holds and drops it.
    void drainResampler(int output);

    bool m_pal = true;
    std::vector<TMediaType> m_types;
    std::vector<TAudioOut> m_audio; // output k + 1
    qint64 m_nextFrame = -1;        // expected media time of the next frame
    std::array<qint16, dvaudio::MaxPairValues> m_pcm{};
};
