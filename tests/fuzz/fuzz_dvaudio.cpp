// Feeds damaged DV frames to the audio reader and decoder: either arbitrary
// bytes as a whole frame, or a frame with well-formed audio whose AAUX packs
// and samples the input then overwrites. Whatever the audio facts say, the
// decoded PCM written back with the same format must decode the same again.

#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<quint8> EncodedFrame(bool pal, quint8 choice)
{
    const QByteArray blank = MakeBlankDifFrame(pal);
    std::vector<quint8> frame(blank.begin(), blank.end());
    const qint32 rates[3] = {48000, 44100, 32000};
    const qint32 rate = rates[choice % 3];
    const int bits = rate == 32000 && (choice & 0x10) ? 12 : 16;
    const int samples = DvAudioSamplesPerFrame(pal, rate, choice);
    std::vector<qint16> pcm(size_t(2 * samples));
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = qint16(i * 2654435761u >> 7);
    const std::vector<qint16> none;
    Check(EncodeDvAudio(frame, {rate, bits, samples, (choice & 0x20) != 0}, pcm,
                        bits == 12 && (choice & 0x40) ? pcm : none));
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const quint8 selector = data[0];
    const bool pal = selector & 1;
    const int sequences = pal ? dif::Sequences625 : dif::Sequences525;
    std::vector<quint8> frame;
    if (selector & 2) {
        // Raw bytes, padded to a whole frame.
        frame.assign(size_t(sequences) * dif::SequenceSize, (selector & 4) ? 0xFF : 0x00);
        std::memcpy(frame.data(), data + 2, std::min(size - 2, frame.size()));
    } else {
        // Patches of 3 bytes: an audio block, a byte in it (the pack or the
        // first samples), a value.
        frame = EncodedFrame(pal, data[1]);
        for (size_t at = 2; at + 3 <= size; at += 3) {
            const int block = data[at] % (sequences * dif::AudioBlocks);
            const int offset = 3 + data[at + 1] % 16;
            frame[size_t(dif::AudioBlockOffset(block / dif::AudioBlocks, block % dif::AudioBlocks) + offset)] = data[at + 2];
        }
    }

    TDvAudioInfo info;
    Check(ReadDvAudioInfo(frame, info));
    Check(info.pal == pal);
    std::vector<qint16> decoded[dvaudio::Pairs];
    for (int p = 0; p < dvaudio::Pairs; ++p) {
        const TDvAudioPair &pair = info.pairs[size_t(p)];
        decoded[p].assign(dvaudio::MaxPairValues, 0);
        const int samples = DecodeDvAudio(frame, p, decoded[p]);
        Check(samples == (pair.present ? pair.samples : 0));
        Check(samples <= dvaudio::MaxSamplesPerFrame);
        decoded[p].resize(size_t(2 * samples));
        if (pair.present) {
            Check(pair.bits == 16 || (pair.bits == 12 && pair.rate == 32000));
            Check(samples >= DvAudioMinSamples(pal, pair.rate) && samples <= DvAudioMaxSamples(pal, pair.rate));
        }
        // A buffer one value short is refused untouched.
        if (samples > 0) {
            std::vector<qint16> small(size_t(2 * samples - 1), 7);
            Check(DecodeDvAudio(frame, p, small) == 0);
            for (const qint16 v : small)
                Check(v == 7);
        }
    }
    Check(DecodeDvAudio(std::span<const quint8>(frame).first(frame.size() - 1), 0, decoded[0]) == 0);

    // Writing the decoded PCM back with the same format decodes the same.
    const TDvAudioPair &first = info.pairs[0].present ? info.pairs[0] : info.pairs[1];
    const bool sameFormat = !info.pairs[0].present || !info.pairs[1].present || info.pairs[0] == info.pairs[1];
    if (first.present && first.channels == 2 && sameFormat) {
        std::vector<quint8> copy = frame;
        Check(EncodeDvAudio(copy, {first.rate, first.bits, first.samples, first.locked}, decoded[0], decoded[1]));
        TDvAudioInfo again;
        Check(ReadDvAudioInfo(copy, again));
        Check(again == info);
        for (int p = 0; p < dvaudio::Pairs; ++p) {
            std::vector<qint16> out(dvaudio::MaxPairValues, 0);
            out.resize(size_t(2 * DecodeDvAudio(copy, p, out)));
            Check(out == decoded[p]);
        }
    }
    return 0;
}
