#pragma once

// The audio of a raw DV frame (25 Mb/s consumer DV, IEC 61834): what its AAUX
// source packs say, the de-shuffling of its samples into interleaved 16-bit
// PCM, and the shuffling of PCM back into its audio blocks.
//
// A frame has two audio halves: the DIF sequences of its first half and those
// of its second half, each with its own AAUX source pack. With 16-bit samples
// the frame carries one stereo pair, pair 0: its left channel in the first
// half and its right channel in the second. With 12-bit non-linear samples
// (32 kHz only) each half carries a stereo pair of its own: pair 0 (channels
// 1 and 2) in the first half, pair 1 (channels 3 and 4) in the second.
//
// The functions hold no state and allocate nothing: frames and PCM buffers
// belong to the caller. A frame is exactly 120000 bytes (525/60, NTSC) or
// 144000 bytes (625/50, PAL); any other length is refused.
//
// PCM is interleaved left/right as signed 16-bit values in host order, which
// is little-endian on every platform the program runs on.

#include <QtGlobal>

#include <array>
#include <span>

namespace dvaudio {
constexpr int Pairs = 2;
// Most samples per channel a frame can carry (625/50 at 48 kHz) and the PCM
// values (samples of both channels) a decode buffer must hold for any frame.
constexpr int MaxSamplesPerFrame = 1944;
constexpr int MaxPairValues = 2 * MaxSamplesPerFrame;
// The 16-bit and 12-bit error codes: samples lost on tape.
constexpr quint16 ErrorCode16 = 0x8000;
constexpr quint16 ErrorCode12 = 0x800;
} // namespace dvaudio

// What a frame says about one channel pair.
struct TDvAudioPair
{
    bool present = false; // the pair carries audio in this frame
    qint32 rate = 0;      // 48000, 44100 or 32000
    int bits = 0;         // 16 (linear) or 12 (non-linear)
    int channels = 0;     // channels with audio: 2, or 1 when a half of a 16-bit pair has none
    int samples = 0;      // samples per channel in this frame
    bool locked = false;  // audio sampling locked to the video clock

    friend bool operator==(const TDvAudioPair &, const TDvAudioPair &) = default;
};

struct TDvAudioInfo
{
    bool pal = false; // 625/50; false for 525/60
    std::array<TDvAudioPair, dvaudio::Pairs> pairs;

    friend bool operator==(const TDvAudioInfo &, const TDvAudioInfo &) = default;
};

// The audio facts of a frame. A pair is present when the source pack of its
// half (for 16-bit audio: of either half) exists, gives a rate and
// quantisation this module decodes (16-bit at 48, 44.1 or 32 kHz, 12-bit at
// 32 kHz) and an audio mode other than 0xF (no information). The sample
// count is the pack's AF_SIZE plus the minimum for the system and rate,
// limited to the most the standard allows. False (info untouched) when the
// buffer is not a whole frame.
bool ReadDvAudioInfo(std::span<const quint8> frame, TDvAudioInfo &info);

// De-shuffles the samples of one pair (0 or 1) into out, interleaved
// left/right, 12-bit samples expanded to 16 bits; returns the samples per
// channel written. Error codes decode as 0, as does a channel of a 16-bit
// pair whose half carries no audio. Returns 0 and writes nothing when the
// pair carries no audio, when the frame is not a whole frame or when out
// holds fewer than 2 * samples values (dvaudio::MaxPairValues always fits).
int DecodeDvAudio(std::span<const quint8> frame, int pair, std::span<qint16> out);

// Samples per channel the AAUX source pack can express for a system and rate
// (48000, 44100, 32000); 0 for any other rate.
int DvAudioMinSamples(bool pal, qint32 rate);
int DvAudioMaxSamples(bool pal, qint32 rate);

// Samples per channel a muxer writes into frame frameIndex (counted from 0)
// so that the running total follows the sample rate exactly: constant for
// 625/50 (1920, 1764, 1280); for 525/60 at 48 kHz the locked five-frame
// pattern 1600, 1602, 1602, 1602, 1602; for 525/60 at 44.1 and 32 kHz the
// difference of floor(n * rate * 1001 / 30000) between frames n + 1 and n.
// 0 for an unknown rate.
int DvAudioSamplesPerFrame(bool pal, qint32 rate, quint32 frameIndex);

// 12-bit non-linear codes (the low 12 bits of code) and 16-bit samples.
// Expand12 turns the error code into 0. Compress12 never yields the error
// code: samples below the lowest code's value take the lowest code.
qint16 DvAudioExpand12(quint16 code);
quint16 DvAudioCompress12(qint16 sample);

struct TDvAudioEncoding
{
    qint32 rate = 48000; // 48000, 44100 or 32000
    int bits = 16;       // 16, or 12 at 32000 Hz
    int samples = 0;     // per channel, from DvAudioMinSamples to DvAudioMaxSamples
    bool locked = false; // the AAUX source pack's locked flag
};

// Writes the audio of a frame: the PCM of pair 0 and, with 12-bit audio, of
// pair 1 (each interleaved left/right, at least 2 * samples values, or empty
// for a pair without audio) shuffled into the audio blocks, and in every
// sequence the AAUX source pack (audio block 3 of even sequences, 0 of odd
// ones) and the source control pack after it. The control pack keeps the
// contents of the frame's first existing 0x51 pack. Other 0x50 and 0x51 packs
// in the audio blocks are emptied so that no reader finds a stale one. A pair
// without PCM gets silent samples and audio mode 0xF (no information). The
// 16-bit value -32768 is written as -32767, since its code means "error".
// Nothing outside the audio blocks' packs and samples changes. False, with
// the frame untouched, for a buffer that is not a whole frame, an unknown
// format, a sample count out of range, a short PCM span, or PCM for pair 1
// with 16-bit audio.
bool EncodeDvAudio(std::span<quint8> frame, const TDvAudioEncoding &encoding,
                   std::span<const qint16> pair0, std::span<const qint16> pair1 = {});
