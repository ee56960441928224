#pragma once

// DV muxer: DV video frames on input 0, up to two 16-bit PCM inputs; delivers
// interleaved DV: each frame with the audio of its time shuffled into its
// audio blocks (and its AAUX source and control packs); the header, subcode,
// VAUX and video bytes stay as they came. Samples per frame follow the DV
// pattern for the system and rate (for 48 kHz NTSC the five-frame
// 1600/1602 sequence); 32 kHz audio works with NTSC as with PAL. Two audio
// inputs are written as four-channel 12-bit audio, which needs 32 kHz on
// both; otherwise the second input is consumed and not written. Without
// any audio input the frames get audio mode "no information", or, after
// SetSilenceRate, silent 16-bit stereo sound of that rate, so that packs and
// any PCM stream split from them agree.
//
// Inputs may be fed by different threads: frames wait in the muxer until
// their audio has come (or its stream has ended), so nothing blocks.

#include "pipelines/element.h"

#include <array>
#include <deque>
#include <mutex>
#include <vector>

class TDvMuxerElement final : public TElement
{
public:
    TDvMuxerElement();

    TResult checkInputType(int input, const TMediaType &type) override;
    TMediaType outputType(int output) const override;
    void receive(int input, TMediaSample &sample) override;
    void endOfStream(int input) override;
    void startStreaming() override;
    void flushed() override;

    // The rate (48000, 44100 or 32000) of the silent sound written when no
    // audio input is connected; 0 (the default): no sound.
    void SetSilenceRate(qint32 rate) { m_silenceRate = rate; }

private:
    struct TAudioIn
    {
        std::deque<qint16> pcm; // interleaved stereo
        bool ended = false;
        int channels = 2;
        qint32 rate = 0;
    };
    bool audioConnected(int k) const { return input(k + 1)->isConnected(); }
    bool popReady(TMediaSample &out, bool &end);
    void pump();
    void reset();

    std::mutex m_lock;
    bool m_delivering = false;
    std::deque<TMediaSample> m_video;
    bool m_videoEnded = false;
    bool m_endSent = false;
    std::array<TAudioIn, 2> m_audio;
    quint32 m_frameIndex = 0;
    bool m_phaseSet = false;
    qint32 m_silenceRate = 0;
    std::vector<qint16> m_pair[2];
};
