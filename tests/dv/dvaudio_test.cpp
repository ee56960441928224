#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

static_assert(std::endian::native == std::endian::little, "PCM buffers are compared as s16le bytes");

using TPcm = std::vector<qint16>;

std::span<quint8> Span(QByteArray &frame)
{
    return {reinterpret_cast<quint8 *>(frame.data()), size_t(frame.size())};
}

std::span<const quint8> ConstSpan(const QByteArray &frame)
{
    return {reinterpret_cast<const quint8 *>(frame.constData()), size_t(frame.size())};
}

// Interleaved stereo, the channels told apart: a steep ramp on the left that
// wraps through both extremes, a sine on the right.
TPcm TestPcm(int samples, int seed)
{
    TPcm pcm(size_t(2 * samples));
    for (int t = 0; t < samples; ++t) {
        pcm[size_t(2 * t)] = qint16(((t + seed) * 997) % 65535 - 32767);
        pcm[size_t(2 * t + 1)] = qint16(std::lround(30000.0 * std::sin(0.01 * (t + seed))));
    }
    return pcm;
}

TPcm Decode(const QByteArray &frame, int pair)
{
    TPcm out(dvaudio::MaxPairValues, qint16(0x5555));
    const int samples = DecodeDvAudio(ConstSpan(frame), pair, out);
    out.resize(size_t(2 * samples));
    return out;
}

// The frame bytes an audio encoder may write: the pack and the samples of
// every audio block (all but the 3-byte block ID).
std::vector<bool> AudioMask(int sequences)
{
    std::vector<bool> mask(size_t(sequences) * dif::SequenceSize, false);
    for (int seq = 0; seq < sequences; ++seq)
        for (int m = 0; m < dif::AudioBlocks; ++m)
            for (int i = 3; i < dif::BlockSize; ++i)
                mask[size_t(dif::AudioBlockOffset(seq, m) + i)] = true;
    return mask;
}

qsizetype FirstChangeOutsideAudio(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return 0;
    const std::vector<bool> mask = AudioMask(DifSequenceCount(a.size()));
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!mask[size_t(i)] && a[i] != b[i])
            return i;
    return -1;
}

const quint8 *AauxPack(const QByteArray &frame, int sequence, int audioBlock)
{
    return reinterpret_cast<const quint8 *>(frame.constData()) + dif::AudioBlockOffset(sequence, audioBlock) + 3;
}

struct TSystemRate
{
    bool pal;
    qint32 rate;
};

const TSystemRate AllSystemsAndRates[] = {
    {true, 48000}, {true, 44100}, {true, 32000}, {false, 48000}, {false, 44100}, {false, 32000},
};

std::string Name(const TSystemRate &c)
{
    return std::string(c.pal ? "PAL " : "NTSC ") + std::to_string(c.rate);
}

} // namespace

TEST(DvAudioSamplesTest, PalIsConstantAndNtscFollowsTheExactRate)
{
    for (const TSystemRate &c : AllSystemsAndRates) {
        SCOPED_TRACE(Name(c));
        const int min = DvAudioMinSamples(c.pal, c.rate);
        const int max = DvAudioMaxSamples(c.pal, c.rate);
        ASSERT_GT(min, 0);
        EXPECT_LE(max - min, 63) << "the count above the minimum fits AF_SIZE";
        qint64 total = 0;
        for (quint32 n = 0; n < 300; ++n) {
            const int count = DvAudioSamplesPerFrame(c.pal, c.rate, n);
            ASSERT_GE(count, min);
            ASSERT_LE(count, max);
            total += count;
            if (c.pal) {
                ASSERT_EQ(count, c.rate / 25);
            } else if (c.rate != 48000) {
                ASSERT_EQ(total, qint64(n + 1) * c.rate * 1001 / 30000) << "frame " << n;
            }
        }
        // 300 frames last exactly 10 s (PAL: 12 s) at either frame rate.
        EXPECT_EQ(total, c.pal ? 12 * c.rate : qint64(c.rate) * 1001 / 100);
    }
    EXPECT_EQ(DvAudioSamplesPerFrame(true, 22050, 0), 0);
    EXPECT_EQ(DvAudioMinSamples(false, 0), 0);
}

TEST(DvAudioSamplesTest, NtscAt48kHzRepeatsTheLockedPattern)
{
    const int pattern[5] = {1600, 1602, 1602, 1602, 1602};
    for (quint32 n = 0; n < 30; ++n)
        EXPECT_EQ(DvAudioSamplesPerFrame(false, 48000, n), pattern[n % 5]) << n;
    // Far along, the index still picks its place in the pattern.
    EXPECT_EQ(DvAudioSamplesPerFrame(false, 48000, 4000000000u), 1600);
    EXPECT_EQ(DvAudioSamplesPerFrame(false, 44100, 4000000000u) + DvAudioSamplesPerFrame(false, 44100, 4000000001u),
              2942);
}

TEST(DvAudio12BitTest, KnownCodesExpand)
{
    const struct
    {
        quint16 code;
        qint16 sample;
    } cases[] = {
        {0x000, 0},      {0x001, 1},      {0x1FF, 511},    {0x200, 512},   {0x2FF, 1022},
        {0x300, 1024},   {0x7FF, 32704},  {0xFFF, -1},     {0xE00, -512},  {0xDFF, -513},
        {0xD00, -1023},  {0x801, -32641}, {0x800, 0},      {0xF7FF, 32704},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DvAudioExpand12(c.code), c.sample) << std::hex << c.code;
}

TEST(DvAudio12BitTest, CompressInvertsExpandAndStaysClose)
{
    for (quint16 code = 0; code < 0x1000; ++code) {
        if (code != dvaudio::ErrorCode12) {
            ASSERT_EQ(DvAudioCompress12(DvAudioExpand12(code)), code) << std::hex << code;
        }
    }
    int previous = -32768;
    for (int value = -32768; value <= 32767; ++value) {
        const quint16 code = DvAudioCompress12(qint16(value));
        ASSERT_NE(code, dvaudio::ErrorCode12) << value;
        ASSERT_LT(code, 0x1000);
        const int back = DvAudioExpand12(code);
        ASSERT_GE(back, previous) << "monotonic at " << value;
        // Within one step of the segment (64 at the top); the lowest values clip to the lowest code.
        ASSERT_LE(std::abs(back - value), value < -32641 ? 128 : 64) << value;
        previous = back;
    }
}

TEST(DvAudioRoundTripTest, SixteenBitPcmComesBackExactly)
{
    for (const TSystemRate &c : AllSystemsAndRates) {
        const int counts[] = {DvAudioSamplesPerFrame(c.pal, c.rate, 0), DvAudioSamplesPerFrame(c.pal, c.rate, 1),
                              DvAudioMinSamples(c.pal, c.rate), DvAudioMaxSamples(c.pal, c.rate)};
        for (const int samples : counts) {
            SCOPED_TRACE(Name(c) + " samples " + std::to_string(samples));
            const QByteArray blank = MakeBlankDifFrame(c.pal);
            QByteArray frame = blank;
            const TPcm pcm = TestPcm(samples, samples);
            ASSERT_TRUE(EncodeDvAudio(Span(frame), {c.rate, 16, samples, false}, pcm));

            TDvAudioInfo info;
            ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
            EXPECT_EQ(info.pal, c.pal);
            EXPECT_EQ(info.pairs[0], (TDvAudioPair{true, c.rate, 16, 2, samples, false}));
            EXPECT_FALSE(info.pairs[1].present);
            EXPECT_EQ(Decode(frame, 0), pcm);
            EXPECT_TRUE(Decode(frame, 1).empty());
            EXPECT_EQ(FirstChangeOutsideAudio(blank, frame), -1);

            // The pack reader of the frame agrees.
            qint32 rate = 0, bits = 0, channels = 0;
            ASSERT_TRUE(ReadAudioFormat(reinterpret_cast<const quint8 *>(frame.constData()),
                                        DifSequenceCount(frame.size()), rate, bits, channels));
            EXPECT_EQ(rate, c.rate);
            EXPECT_EQ(bits, 16);
            EXPECT_EQ(channels, 2);
        }
    }
}

TEST(DvAudioRoundTripTest, TwelveBitPairsComeBackExactlyInTheirHalves)
{
    for (const bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        const int samples = DvAudioSamplesPerFrame(pal, 32000, 2);
        // Values a 12-bit code holds exactly; different in each of the four channels.
        TPcm pairs[2];
        for (int p = 0; p < 2; ++p) {
            const TPcm raw = TestPcm(samples, 100 + 1000 * p);
            for (const qint16 v : raw)
                pairs[p].push_back(DvAudioExpand12(DvAudioCompress12(qint16(p ? -v : v))));
        }
        const struct
        {
            bool first;
            bool second;
        } layouts[] = {{true, true}, {true, false}, {false, true}, {false, false}};
        for (const auto &layout : layouts) {
            const QByteArray blank = MakeBlankDifFrame(pal);
            QByteArray frame = blank;
            const TPcm none;
            ASSERT_TRUE(EncodeDvAudio(Span(frame), {32000, 12, samples, true}, layout.first ? pairs[0] : none,
                                      layout.second ? pairs[1] : none));
            TDvAudioInfo info;
            ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
            const TDvAudioPair expected{true, 32000, 12, 2, samples, true};
            EXPECT_EQ(info.pairs[0], layout.first ? expected : TDvAudioPair{});
            EXPECT_EQ(info.pairs[1], layout.second ? expected : TDvAudioPair{});
            EXPECT_EQ(Decode(frame, 0), layout.first ? pairs[0] : none);
            EXPECT_EQ(Decode(frame, 1), layout.second ? pairs[1] : none);
            EXPECT_EQ(FirstChangeOutsideAudio(blank, frame), -1);
        }
    }
}

TEST(DvAudioEncodeTest, AFrameWithoutPcmSaysNoAudioAndIsSilent)
{
    const QByteArray blank = MakeBlankDifFrame(false);
    QByteArray frame = blank;
    // Noise in the samples first, so that the silence is written, not left over.
    ASSERT_TRUE(EncodeDvAudio(Span(frame), {48000, 16, 1600, false}, TestPcm(1600, 7)));
    ASSERT_TRUE(EncodeDvAudio(Span(frame), {48000, 16, 1600, false}, {}));

    TDvAudioInfo info;
    ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
    EXPECT_FALSE(info.pairs[0].present);
    EXPECT_FALSE(info.pairs[1].present);
    EXPECT_TRUE(Decode(frame, 0).empty());
    for (int seq = 0; seq < 10; ++seq) {
        EXPECT_EQ(AauxPack(frame, seq, seq % 2 ? 0 : 3)[0], dvpack::AauxSource);
        EXPECT_EQ(AauxPack(frame, seq, seq % 2 ? 0 : 3)[2] & 0x0F, 0x0F) << "audio mode: no information";
        for (int m = 0; m < dif::AudioBlocks; ++m) {
            const quint8 *block = AauxPack(frame, seq, m) - 3;
            for (int i = 8; i < dif::BlockSize; ++i)
                ASSERT_EQ(block[i], 0) << seq << " " << m << " " << i;
        }
    }
    qint32 rate = 0, bits = 0, channels = -1;
    ASSERT_TRUE(ReadAudioFormat(reinterpret_cast<const quint8 *>(frame.constData()), 10, rate, bits, channels));
    EXPECT_EQ(channels, 0);
}

TEST(DvAudioEncodeTest, WritesThePacksWhereCamcordersDoAndReplacesStaleOnes)
{
    QByteArray frame = MakeBlankDifFrame(true);
    // A stale source pack saying 12-bit before our slot, and a control pack of
    // the recording (start of recording, copy once) in an odd place.
    PutAauxPack(reinterpret_cast<quint8 *>(frame.data()), 0, 0, MakeAauxSourcePack(32000, 12, 4, true));
    const TDvPack recording = {dvpack::AauxSourceControl, 0x11, 0x4F, 0xA0, 0xFF};
    PutAauxPack(reinterpret_cast<quint8 *>(frame.data()), 2, 8, recording);

    ASSERT_TRUE(EncodeDvAudio(Span(frame), {44100, 16, 1764, false}, TestPcm(1764, 3)));
    for (int seq = 0; seq < 12; ++seq) {
        const int first = seq % 2 ? 0 : 3;
        for (int m = 0; m < dif::AudioBlocks; ++m) {
            const quint8 *pack = AauxPack(frame, seq, m);
            if (m == first) {
                const quint8 expected[5] = {0x50, 0xC0 | 22, quint8(seq < 6 ? 0x00 : 0x01), 0xE0, 0x88};
                EXPECT_EQ(std::memcmp(pack, expected, 5), 0) << seq;
            } else if (m == first + 1) {
                EXPECT_EQ(std::memcmp(pack, recording.data(), 5), 0) << seq;
            } else {
                EXPECT_EQ(pack[0], dvpack::Empty) << seq << " " << m;
            }
        }
    }
    TDvAudioInfo info;
    ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
    EXPECT_EQ(info.pairs[0], (TDvAudioPair{true, 44100, 16, 2, 1764, false}));
    EXPECT_EQ(Decode(frame, 0), TestPcm(1764, 3));
}

TEST(DvAudioEncodeTest, TheLowest16BitValueIsNotWrittenAsTheErrorCode)
{
    QByteArray frame = MakeBlankDifFrame(true);
    TPcm pcm(2 * 1920, -32768);
    ASSERT_TRUE(EncodeDvAudio(Span(frame), {48000, 16, 1920, false}, pcm));
    EXPECT_EQ(Decode(frame, 0), TPcm(2 * 1920, -32767));
}

TEST(DvAudioEncodeTest, RefusesWhatItCannotWriteAndLeavesTheFrameAlone)
{
    const TPcm pcm = TestPcm(1944, 1);
    const TPcm shortPcm = TestPcm(1279, 1);
    const struct
    {
        const char *what;
        int frameSize;
        TDvAudioEncoding encoding;
        const TPcm *pair0;
        const TPcm *pair1;
    } cases[] = {
        {"frame too short", dif::FrameSize625 - 1, {48000, 16, 1920, false}, &pcm, nullptr},
        {"no frame", 0, {48000, 16, 1920, false}, &pcm, nullptr},
        {"unknown rate", dif::FrameSize625, {22050, 16, 1920, false}, &pcm, nullptr},
        {"12 bits at 48 kHz", dif::FrameSize625, {48000, 12, 1920, false}, &pcm, nullptr},
        {"20 bits", dif::FrameSize625, {48000, 20, 1920, false}, &pcm, nullptr},
        {"too few samples", dif::FrameSize625, {48000, 16, 1895, false}, &pcm, nullptr},
        {"too many samples", dif::FrameSize625, {48000, 16, 1945, false}, &pcm, nullptr},
        {"NTSC count in a PAL frame", dif::FrameSize625, {48000, 16, 1602, false}, &pcm, nullptr},
        {"too many 12-bit samples", dif::FrameSize525, {32000, 12, 1081, false}, &pcm, nullptr},
        {"PCM shorter than the count", dif::FrameSize625, {32000, 16, 1280, false}, &shortPcm, nullptr},
        {"short second pair", dif::FrameSize625, {32000, 12, 1280, false}, &pcm, &shortPcm},
        {"second pair with 16 bits", dif::FrameSize625, {32000, 16, 1280, false}, &pcm, &pcm},
    };
    for (const auto &c : cases) {
        QByteArray frame = c.frameSize == dif::FrameSize525 ? MakeBlankDifFrame(false) : MakeBlankDifFrame(true);
        frame.resize(c.frameSize);
        const QByteArray before = frame;
        EXPECT_FALSE(EncodeDvAudio(Span(frame), c.encoding, c.pair0 ? *c.pair0 : TPcm(),
                                   c.pair1 ? *c.pair1 : TPcm()))
            << c.what;
        EXPECT_EQ(frame, before) << c.what;
    }
}

// Frames whose source packs were changed after a clean 16-bit encode.
TEST(DvAudioDecodeTest, PackContentsDecideWhatIsRead)
{
    const struct
    {
        const char *what;
        quint8 pc1, pc2, pc4;   // written into every source pack of half 0 ...
        bool secondHalfToo;     // ... and of half 1
        bool present;
        int samples;
        int channels;
    } cases[] = {
        {"unchanged", 0xD8, 0x00, 0x80, false, true, 1920, 2},
        {"AF_SIZE 0 gives the minimum", 0xC0, 0x00, 0x80, false, true, 1896, 2},
        {"AF_SIZE 63 stops at the maximum", 0xFF, 0x00, 0x80, false, true, 1944, 2},
        {"locked flag", 0x58, 0x00, 0x80, false, true, 1920, 2},
        {"left half says no information", 0xD8, 0x0F, 0x80, false, true, 1920, 1},
        {"both halves say no information", 0xD8, 0x0F, 0x80, true, false, 0, 0},
        {"rate code 3", 0xD8, 0x00, 0x98, true, false, 0, 0},
        {"rate code 7", 0xD8, 0x00, 0xB8, true, false, 0, 0},
        {"quantisation 2", 0xD8, 0x00, 0x82, true, false, 0, 0},
        {"12 bits at 48 kHz", 0xD8, 0x00, 0x81, true, false, 0, 0},
    };
    const TPcm pcm = TestPcm(1920, 11);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray frame = MakeBlankDifFrame(true);
        ASSERT_TRUE(EncodeDvAudio(Span(frame), {48000, 16, 1920, false}, pcm));
        for (int seq = 0; seq < (c.secondHalfToo ? 12 : 6); ++seq) {
            quint8 *pack = reinterpret_cast<quint8 *>(frame.data()) + dif::AudioBlockOffset(seq, seq % 2 ? 0 : 3) + 3;
            pack[1] = c.pc1;
            pack[2] = quint8((pack[2] & 0xF0) | c.pc2);
            pack[4] = c.pc4;
        }
        TDvAudioInfo info;
        ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
        EXPECT_EQ(info.pairs[0].present, c.present);
        EXPECT_EQ(info.pairs[0].samples, c.samples);
        EXPECT_EQ(info.pairs[0].channels, c.channels);
        EXPECT_EQ(info.pairs[0].locked, c.present && !(c.pc1 & 0x80));
        EXPECT_FALSE(info.pairs[1].present);

        const TPcm decoded = Decode(frame, 0);
        ASSERT_EQ(decoded.size(), size_t(2 * c.samples));
        for (int t = 0; t < std::min(c.samples, 1920); ++t) {
            ASSERT_EQ(decoded[size_t(2 * t)], c.channels == 2 ? pcm[size_t(2 * t)] : 0) << t;
            ASSERT_EQ(decoded[size_t(2 * t + 1)], pcm[size_t(2 * t + 1)]) << t;
        }
        for (int t = 1920; t < c.samples; ++t)
            ASSERT_EQ(decoded[size_t(2 * t)], 0) << "written as silence past the count: " << t;
    }
}

TEST(DvAudioDecodeTest, ErrorCodesDecodeAsSilence)
{
    for (const int bits : {16, 12}) {
        SCOPED_TRACE(bits);
        QByteArray frame = MakeBlankDifFrame(false);
        const TPcm pcm = TestPcm(1068, 5);
        ASSERT_TRUE(EncodeDvAudio(Span(frame), {32000, bits, 1068, false}, pcm, {}));
        // Every sample of the first half becomes the error code: 0x8000, or
        // 0x800 in both channels of each 3-byte group.
        for (int seq = 0; seq < 5; ++seq)
            for (int m = 0; m < dif::AudioBlocks; ++m) {
                quint8 *block = reinterpret_cast<quint8 *>(frame.data()) + dif::AudioBlockOffset(seq, m);
                for (int i = 8; i < dif::BlockSize; ++i)
                    block[i] = bits == 16 ? ((i % 2 == 0) ? 0x80 : 0x00) : (i % 3 == 1 ? 0x00 : 0x80);
            }
        const TPcm decoded = Decode(frame, 0);
        ASSERT_EQ(decoded.size(), pcm.size());
        for (size_t i = 0; i < decoded.size(); ++i) {
            const bool lost = bits == 12 || i % 2 == 0; // 16 bits: the left channel lives in the first half
            ASSERT_EQ(decoded[i], lost ? 0 : pcm[i]) << i;
        }
    }
}

TEST(DvAudioDecodeTest, RefusesBadArgumentsWithoutWriting)
{
    QByteArray frame = MakeBlankDifFrame(true);
    ASSERT_TRUE(EncodeDvAudio(Span(frame), {48000, 16, 1920, false}, TestPcm(1920, 0)));
    TPcm out(2 * 1920 - 1, 7);
    EXPECT_EQ(DecodeDvAudio(ConstSpan(frame), 0, out), 0) << "one value short";
    EXPECT_EQ(out, TPcm(2 * 1920 - 1, 7));
    TPcm big(dvaudio::MaxPairValues, 7);
    EXPECT_EQ(DecodeDvAudio(ConstSpan(frame), -1, big), 0);
    EXPECT_EQ(DecodeDvAudio(ConstSpan(frame), 2, big), 0);
    EXPECT_EQ(DecodeDvAudio(ConstSpan(frame).first(dif::FrameSize525 + 1), 0, big), 0);
    EXPECT_EQ(big, TPcm(dvaudio::MaxPairValues, 7));

    TDvAudioInfo info;
    info.pal = true;
    info.pairs[1].samples = 99;
    const TDvAudioInfo before = info;
    EXPECT_FALSE(ReadDvAudioInfo(ConstSpan(frame).first(100), info));
    EXPECT_FALSE(ReadDvAudioInfo({}, info));
    EXPECT_EQ(info, before);

    // A blank frame has no source pack at all.
    ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(MakeBlankDifFrame(false)), info));
    EXPECT_EQ(info, TDvAudioInfo{});
}

// Checks against FFmpeg's DV muxer and demuxer, when ffmpeg is installed.
class DvAudioFfmpegTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (m_ffmpeg.isEmpty())
            GTEST_SKIP() << "ffmpeg not installed";
        ASSERT_TRUE(m_dir.isValid());
    }

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    bool run(const QStringList &args, QByteArray *out = nullptr) const
    {
        QProcess process;
        process.start(m_ffmpeg, QStringList{"-v", "error", "-nostdin"} + args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            ADD_FAILURE() << "ffmpeg " << args.join(u' ').toStdString() << "\n" << process.readAllStandardError().toStdString();
            return false;
        }
        if (out)
            *out = process.readAllStandardOutput();
        return true;
    }

    // One pair of a raw DV file as FFmpeg decodes it, s16le stereo.
    QByteArray ffmpegPcm(const QString &dvFile, int pair) const
    {
        QByteArray pcm;
        run({"-f", "dv", "-i", dvFile, "-map", QStringLiteral("0:a:%1").arg(pair), "-f", "s16le", "-c:a", "pcm_s16le", "-"}, &pcm);
        return pcm;
    }

    // Frames of a picture encoded by FFmpeg, without audio (its audio blocks are all 0xFF).
    QByteArray videoFrames(bool pal, int frames) const
    {
        const QString file = path("video.dv");
        const QString video = pal ? "testsrc=size=720x576:rate=25" : "testsrc=size=720x480:rate=30000/1001";
        if (!run({"-y", "-f", "lavfi", "-i", video, "-frames:v", QString::number(frames), "-c:v", "dvvideo", "-pix_fmt",
                  pal ? "yuv420p" : "yuv411p", "-an", "-f", "dv", file}))
            return {};
        return readAll(file);
    }

    static QByteArray readAll(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static bool writeAll(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }

    QString m_ffmpeg;
    QTemporaryDir m_dir;
};

TEST_F(DvAudioFfmpegTest, DecodesWhatFfmpegWritesAsFfmpegDoes)
{
    // FFmpeg's DV muxer takes 48 kHz for both systems and 44.1 and 32 kHz for PAL only.
    const TSystemRate cases[] = {{true, 48000}, {false, 48000}, {true, 44100}, {true, 32000}};
    for (const TSystemRate &c : cases) {
        SCOPED_TRACE(Name(c));
        const QString video = c.pal ? "testsrc=size=720x576:rate=25" : "testsrc=size=720x480:rate=30000/1001";
        // Two different tones, so that a swap of the channels shows.
        const QString audio = QStringLiteral("aevalsrc=exprs=0.8*sin(2*PI*1000*t)|0.5*sin(2*PI*301*t+1):s=%1").arg(c.rate);
        const QString file = path("ffmpeg.dv");
        ASSERT_TRUE(run({"-y", "-f", "lavfi", "-i", audio, "-f", "lavfi", "-i", video, "-t", "0.5", "-c:v", "dvvideo",
                         "-pix_fmt", c.pal ? "yuv420p" : "yuv411p", "-c:a", "pcm_s16le", "-f", "dv", file}));
        const QByteArray dv = readAll(file);
        const int frameSize = c.pal ? dif::FrameSize625 : dif::FrameSize525;
        ASSERT_GT(dv.size(), 0);
        ASSERT_EQ(dv.size() % frameSize, 0);

        QByteArray ours;
        for (qsizetype at = 0; at < dv.size(); at += frameSize) {
            const QByteArray frame = dv.mid(at, frameSize);
            TDvAudioInfo info;
            ASSERT_TRUE(ReadDvAudioInfo(ConstSpan(frame), info));
            ASSERT_TRUE(info.pairs[0].present) << at / frameSize;
            EXPECT_EQ(info.pairs[0].rate, c.rate);
            EXPECT_EQ(info.pairs[0].samples, DvAudioSamplesPerFrame(c.pal, c.rate, quint32(at / frameSize)));
            const TPcm pcm = Decode(frame, 0);
            ours.append(reinterpret_cast<const char *>(pcm.data()), qsizetype(pcm.size() * 2));
        }
        const QByteArray theirs = ffmpegPcm(file, 0);
        ASSERT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs) << "first difference at byte "
                                    << std::mismatch(ours.begin(), ours.end(), theirs.begin()).first - ours.begin();
    }
}

TEST_F(DvAudioFfmpegTest, FfmpegDecodesWhatWeWrite)
{
    const struct
    {
        bool pal;
        qint32 rate;
        int bits;
    } cases[] = {
        {true, 48000, 16},  {true, 44100, 16},  {true, 32000, 16}, {false, 48000, 16},
        {false, 44100, 16}, {false, 32000, 16}, {true, 32000, 12}, {false, 32000, 12},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Name({c.pal, c.rate}) + " " + std::to_string(c.bits) + " bits");
        const int frameSize = c.pal ? dif::FrameSize625 : dif::FrameSize525;
        const QByteArray video = videoFrames(c.pal, 12);
        ASSERT_EQ(video.size(), 12 * frameSize);
        QByteArray dv;
        QByteArray expected[2];
        int offset = 0;
        for (quint32 n = 0; n < 12; ++n) {
            const int samples = DvAudioSamplesPerFrame(c.pal, c.rate, n);
            TPcm pcm[2] = {TestPcm(samples, offset), TestPcm(samples, offset + 5000)};
            offset += samples;
            const QByteArray original = video.mid(n * frameSize, frameSize);
            QByteArray frame = original;
            // One frame says "no audio" for a pair; FFmpeg ignores the audio mode
            // and must read silence of the frame's length, keeping the sync.
            const bool gap = n == 5;
            ASSERT_TRUE(EncodeDvAudio(Span(frame), {c.rate, c.bits, samples, false},
                                      c.bits == 16 && gap ? TPcm() : pcm[0],
                                      c.bits == 12 && !gap ? pcm[1] : TPcm()));
            if (gap)
                std::fill(pcm[c.bits == 16 ? 0 : 1].begin(), pcm[c.bits == 16 ? 0 : 1].end(), 0);
            ASSERT_EQ(FirstChangeOutsideAudio(original, frame), -1) << "frame " << n;
            dv += frame;
            for (int p = 0; p < (c.bits == 12 ? 2 : 1); ++p) {
                if (c.bits == 12)
                    for (qint16 &v : pcm[p])
                        v = DvAudioExpand12(DvAudioCompress12(v));
                expected[p].append(reinterpret_cast<const char *>(pcm[p].data()), qsizetype(pcm[p].size() * 2));
            }
        }
        const QString file = path("ours.dv");
        ASSERT_TRUE(writeAll(file, dv));
        for (int p = 0; p < (c.bits == 12 ? 2 : 1); ++p) {
            const QByteArray theirs = ffmpegPcm(file, p);
            ASSERT_EQ(theirs.size(), expected[p].size()) << "pair " << p;
            EXPECT_TRUE(theirs == expected[p]) << "pair " << p;
        }
    }
}
