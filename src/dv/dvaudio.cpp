#include "dvaudio.h"

#include "difframe.h"
#include "dvcodes.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int SamplesPerBlock16 = 36; // 72 data bytes, 2 per sample
constexpr int SamplesPerBlock12 = 24; // 72 data bytes, 3 per left/right sample pair
constexpr int DataOffset = 8;         // samples start after the ID and the pack

// Frame offset, counted from the first sequence of a half, of channel sample
// t (0-based within the frame) in a half of s sequences. The samples of a
// channel are spread over the sequences and audio blocks of its half:
//   sequence = (t / 3 + 2 * (t % 3)) mod s
//   audio block = 3 * (t % 3) + (t mod 9s) / 3s
//   position in the block = t / 9s
template <int S, int BytesPerSample, int PerBlock>
constexpr std::array<quint32, 9 * S * PerBlock> MakeShuffle()
{
    std::array<quint32, 9 * S * PerBlock> table{};
    for (int t = 0; t < int(table.size()); ++t) {
        const int sequence = (t / 3 + 2 * (t % 3)) % S;
        const int block = 3 * (t % 3) + (t % (9 * S)) / (3 * S);
        const int position = t / (9 * S);
        table[size_t(t)] = quint32(dif::AudioBlockOffset(sequence, block) + DataOffset + BytesPerSample * position);
    }
    return table;
}

constexpr auto Shuffle16Ntsc = MakeShuffle<5, 2, SamplesPerBlock16>();
constexpr auto Shuffle16Pal = MakeShuffle<6, 2, SamplesPerBlock16>();
constexpr auto Shuffle12Ntsc = MakeShuffle<5, 3, SamplesPerBlock12>();
constexpr auto Shuffle12Pal = MakeShuffle<6, 3, SamplesPerBlock12>();
static_assert(Shuffle16Pal.size() == dvaudio::MaxSamplesPerFrame);

std::span<const quint32> Shuffle(bool pal, int bits)
{
    if (bits == 16)
        return pal ? std::span<const quint32>(Shuffle16Pal) : std::span<const quint32>(Shuffle16Ntsc);
    return pal ? std::span<const quint32>(Shuffle12Pal) : std::span<const quint32>(Shuffle12Ntsc);
}

int RateIndex(qint32 rate)
{
    switch (rate) {
    case 48000: return 0;
    case 44100: return 1;
    case 32000: return 2;
    default: return -1;
    }
}

constexpr qint32 Rates[3] = {48000, 44100, 32000};
// Samples per channel of a frame, by rate: the least and the most.
constexpr int MinSamples525[3] = {1580, 1452, 1053};
constexpr int MaxSamples525[3] = {1620, 1489, 1080};
constexpr int MinSamples625[3] = {1896, 1742, 1264};
constexpr int MaxSamples625[3] = {1944, 1786, 1296};

// The fields of an AAUX source pack (pack ID at p[0]).
struct TSourcePack
{
    int afSize = 0;
    bool locked = false;
    int audioMode = 0;
    int rateCode = 0;
    int quantisation = 0;
};

TSourcePack ParseSourcePack(const quint8 *p)
{
    TSourcePack s;
    s.afSize = p[1] & 0x3F;
    s.locked = (p[1] & 0x80) == 0;
    s.audioMode = p[2] & 0x0F;
    s.rateCode = (p[4] >> 3) & 0x07;
    s.quantisation = p[4] & 0x07;
    return s;
}

constexpr int NoAudioMode = 0xF;

// The first AAUX source pack among the audio blocks of one half.
const quint8 *FindHalfSourcePack(const quint8 *frame, int sequences, int half)
{
    const int perHalf = sequences / 2;
    for (int seq = half * perHalf; seq < (half + 1) * perHalf; ++seq)
        for (int m = 0; m < dif::AudioBlocks; ++m) {
            const quint8 *pack = frame + dif::AudioBlockOffset(seq, m) + 3;
            if (pack[0] == dvpack::AauxSource)
                return pack;
        }
    return nullptr;
}

// A pair as its source pack describes it; present only for a format this
// module decodes.
TDvAudioPair PairFromPack(const TSourcePack &s, bool pal)
{
    TDvAudioPair pair;
    const int bits = s.quantisation == 0 ? 16 : (s.quantisation == 1 ? 12 : 0);
    if (s.rateCode > 2 || bits == 0 || (bits == 12 && s.rateCode != 2))
        return pair;
    const int min = (pal ? MinSamples625 : MinSamples525)[s.rateCode];
    const int max = (pal ? MaxSamples625 : MaxSamples525)[s.rateCode];
    pair.rate = Rates[s.rateCode];
    pair.bits = bits;
    pair.samples = std::min(min + s.afSize, max);
    pair.locked = s.locked;
    pair.channels = 2;
    pair.present = true;
    return pair;
}

// Everything the decoder needs: the pairs and, for a 16-bit pair, which
// halves carry one of its channels.
struct TFrameAudio
{
    TDvAudioInfo info;
    bool channelHasAudio[2] = {false, false};
};

bool Analyse(std::span<const quint8> frame, TFrameAudio &out)
{
    const int sequences = DifSequenceCount(qint64(frame.size()));
    if (sequences == 0)
        return false;
    TFrameAudio a;
    a.info.pal = sequences == dif::Sequences625;

    const quint8 *packs[2] = {FindHalfSourcePack(frame.data(), sequences, 0),
                              FindHalfSourcePack(frame.data(), sequences, 1)};
    const quint8 *first = packs[0] ? packs[0] : packs[1];
    if (first) {
        const TSourcePack format = ParseSourcePack(first);
        if (format.quantisation == 0) {
            // One pair over both halves; each half says whether its channel has audio.
            TDvAudioPair pair = PairFromPack(format, a.info.pal);
            int channels = 0;
            for (int h = 0; h < 2; ++h) {
                if (!packs[h])
                    continue;
                const TSourcePack s = ParseSourcePack(packs[h]);
                a.channelHasAudio[h] = s.quantisation == 0 && s.audioMode != NoAudioMode;
                channels += a.channelHasAudio[h] ? 1 : 0;
            }
            if (pair.present && channels > 0) {
                pair.channels = channels;
                a.info.pairs[0] = pair;
            } else {
                a.channelHasAudio[0] = a.channelHasAudio[1] = false;
            }
        } else {
            // A pair in each half, described by the half's own pack.
            for (int h = 0; h < 2; ++h) {
                if (!packs[h])
                    continue;
                const TSourcePack s = ParseSourcePack(packs[h]);
                const TDvAudioPair pair = PairFromPack(s, a.info.pal);
                if (pair.present && pair.bits == 12 && s.audioMode != NoAudioMode)
                    a.info.pairs[size_t(h)] = pair;
            }
        }
    }
    out = a;
    return true;
}

// 12-bit non-linear: codes 0 to 0x1FF stand for themselves; each following
// segment of 256 codes doubles the step (2, 4, ... 64). Negative codes mirror
// the positive ones through the one's complement.
int ExpandPositive(int code)
{
    const int segment = code >> 8;
    if (segment < 2)
        return code;
    const int shift = segment - 1;
    return (code - 256 * shift) << shift;
}

int CompressPositive(int value)
{
    if (value < 512)
        return value;
    int shift = 1;
    while (value >= (512 << shift))
        ++shift;
    return (value >> shift) + 256 * shift;
}

// A lost sample (the error code) becomes silence rather than a repeat of the
// previous one: readers such as FFmpeg do the same, and every sample decodes
// on its own, whatever order the shuffle visits them in.
qint16 Decode16(const quint8 *p)
{
    const quint16 code = quint16((p[0] << 8) | p[1]);
    return code == dvaudio::ErrorCode16 ? 0 : qint16(code);
}

void Encode16(quint8 *p, qint16 sample)
{
    const quint16 code = quint16(std::max<int>(sample, -32767));
    p[0] = quint8(code >> 8);
    p[1] = quint8(code & 0xFF);
}

} // namespace

qint16 DvAudioExpand12(quint16 code)
{
    code &= 0xFFF;
    if (code == dvaudio::ErrorCode12)
        return 0;
    if (code & 0x800)
        return qint16(~ExpandPositive(~code & 0x7FF));
    return qint16(ExpandPositive(code));
}

quint16 DvAudioCompress12(qint16 sample)
{
    if (sample >= 0)
        return quint16(CompressPositive(sample));
    // ~sample is 0 to 32767; its code 0x7FF would mirror to the error code.
    const int positive = std::min(CompressPositive(~int(sample)), 0x7FE);
    return quint16(~positive & 0xFFF);
}

bool ReadDvAudioInfo(std::span<const quint8> frame, TDvAudioInfo &info)
{
    TFrameAudio a;
    if (!Analyse(frame, a))
        return false;
    info = a.info;
    return true;
}

int DecodeDvAudio(std::span<const quint8> frame, int pair, std::span<qint16> out)
{
    TFrameAudio a;
    if (pair < 0 || pair >= dvaudio::Pairs || !Analyse(frame, a))
        return 0;
    const TDvAudioPair &p = a.info.pairs[size_t(pair)];
    if (!p.present || out.size() < size_t(2 * p.samples))
        return 0;

    const int halfSize = (a.info.pal ? dif::Sequences625 : dif::Sequences525) / 2 * dif::SequenceSize;
    const std::span<const quint32> shuffle = Shuffle(a.info.pal, p.bits);
    const int samples = std::min<int>(p.samples, int(shuffle.size()));
    if (p.bits == 16) {
        for (int channel = 0; channel < 2; ++channel) {
            const quint8 *half = frame.data() + channel * halfSize;
            const bool audio = a.channelHasAudio[channel];
            for (int t = 0; t < samples; ++t)
                out[size_t(2 * t + channel)] = audio ? Decode16(half + shuffle[size_t(t)]) : 0;
        }
    } else {
        const quint8 *half = frame.data() + pair * halfSize;
        for (int t = 0; t < samples; ++t) {
            const quint8 *g = half + shuffle[size_t(t)];
            out[size_t(2 * t)] = DvAudioExpand12(quint16((g[0] << 4) | (g[2] >> 4)));
            out[size_t(2 * t + 1)] = DvAudioExpand12(quint16((g[1] << 4) | (g[2] & 0x0F)));
        }
    }
    return samples;
}

int DvAudioMinSamples(bool pal, qint32 rate)
{
    const int i = RateIndex(rate);
    return i < 0 ? 0 : (pal ? MinSamples625 : MinSamples525)[i];
}

int DvAudioMaxSamples(bool pal, qint32 rate)
{
    const int i = RateIndex(rate);
    return i < 0 ? 0 : (pal ? MaxSamples625 : MaxSamples525)[i];
}

int DvAudioSamplesPerFrame(bool pal, qint32 rate, quint32 frameIndex)
{
    if (RateIndex(rate) < 0)
        return 0;
    if (pal)
        return rate / 25;
    if (rate == 48000) {
        constexpr int Locked[5] = {1600, 1602, 1602, 1602, 1602};
        return Locked[frameIndex % 5];
    }
    // 525/60 runs at 30000/1001 frames a second.
    const qint64 perFrameNum = qint64(rate) * 1001;
    const qint64 n = frameIndex;
    const int count = int((n + 1) * perFrameNum / 30000 - n * perFrameNum / 30000);
    return std::clamp(count, DvAudioMinSamples(pal, rate), DvAudioMaxSamples(pal, rate));
}

bool EncodeDvAudio(std::span<quint8> frame, const TDvAudioEncoding &encoding,
                   std::span<const qint16> pair0, std::span<const qint16> pair1)
{
    const int sequences = DifSequenceCount(qint64(frame.size()));
    const int rateIndex = RateIndex(encoding.rate);
    if (sequences == 0 || rateIndex < 0)
        return false;
    if (encoding.bits != 16 && !(encoding.bits == 12 && encoding.rate == 32000))
        return false;
    const bool pal = sequences == dif::Sequences625;
    const int min = DvAudioMinSamples(pal, encoding.rate);
    if (encoding.samples < min || encoding.samples > DvAudioMaxSamples(pal, encoding.rate))
        return false;
    const size_t values = size_t(2 * encoding.samples);
    if ((!pair0.empty() && pair0.size() < values) || (!pair1.empty() && pair1.size() < values))
        return false;
    if (encoding.bits == 16 && !pair1.empty())
        return false;

    quint8 *data = frame.data();
    const int perHalf = sequences / 2;
    const int halfSize = perHalf * dif::SequenceSize;
    const std::span<const quint32> shuffle = Shuffle(pal, encoding.bits);

    // The control pack to write: the frame's own if it has one.
    TDvPack control = MakeAauxControlPack();
    quint8 block[dif::BlockSize];
    if (FindAudioBlock(data, sequences, dvpack::AauxSourceControl, block))
        std::memcpy(control.data(), block + 3, control.size());

    // Samples; positions past the frame's sample count are silent.
    const size_t count = size_t(encoding.samples);
    if (encoding.bits == 16) {
        for (int channel = 0; channel < 2; ++channel) {
            quint8 *half = data + channel * halfSize;
            for (size_t t = 0; t < shuffle.size(); ++t)
                Encode16(half + shuffle[t], !pair0.empty() && t < count ? pair0[2 * t + size_t(channel)] : qint16(0));
        }
    } else {
        for (int h = 0; h < 2; ++h) {
            const std::span<const qint16> pcm = h == 0 ? pair0 : pair1;
            quint8 *half = data + h * halfSize;
            for (size_t t = 0; t < shuffle.size(); ++t) {
                const bool sound = !pcm.empty() && t < count;
                const quint16 left = sound ? DvAudioCompress12(pcm[2 * t]) : 0;
                const quint16 right = sound ? DvAudioCompress12(pcm[2 * t + 1]) : 0;
                quint8 *g = half + shuffle[t];
                g[0] = quint8(left >> 4);
                g[1] = quint8(right >> 4);
                g[2] = quint8(((left & 0x0F) << 4) | (right & 0x0F));
            }
        }
    }

    // Packs. 16-bit: one channel per half, audio mode 0 (left) and 1
    // (right). 12-bit: two channels per half (CHN 1), audio mode 0.
    const quint8 pc1 = quint8((encoding.locked ? 0x00 : 0x80) | 0x40 | ((encoding.samples - min) & 0x3F));
    const quint8 pc3 = quint8(0xC0 | (pal ? 0x20 : 0x00)); // 50/60 flag, 2-channel SD type
    const quint8 pc4 = quint8(0x80 | (rateIndex << 3) | (encoding.bits == 12 ? 1 : 0)); // no emphasis
    for (int seq = 0; seq < sequences; ++seq) {
        const int h = seq < perHalf ? 0 : 1;
        quint8 pc2 = 0;
        if (encoding.bits == 16)
            pc2 = quint8(pair0.empty() ? NoAudioMode : h);
        else
            pc2 = quint8(0x20 | ((h == 0 ? pair0 : pair1).empty() ? NoAudioMode : 0));
        const TDvPack source = {dvpack::AauxSource, pc1, pc2, pc3, pc4};

        const int sourceBlock = seq % 2 == 0 ? 3 : 0;
        for (int m = 0; m < dif::AudioBlocks; ++m) {
            quint8 *pack = data + dif::AudioBlockOffset(seq, m) + 3;
            if (m == sourceBlock)
                std::memcpy(pack, source.data(), source.size());
            else if (m == sourceBlock + 1)
                std::memcpy(pack, control.data(), control.size());
            else if (pack[0] == dvpack::AauxSource || pack[0] == dvpack::AauxSourceControl)
                std::memset(pack, 0xFF, dif::PackSize);
        }
    }
    return true;
}
