#include "pipelines/audioconverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double kAmplitude = 12000;

// Interleaved stereo: a sine of leftHz on the left, rightHz on the right.
std::vector<qint16> Sines(int rate, qint64 frames, double leftHz, double rightHz)
{
    std::vector<qint16> s(size_t(frames) * 2);
    for (qint64 i = 0; i < frames; ++i) {
        s[size_t(2 * i)] = qint16(std::lround(kAmplitude * std::sin(2 * std::numbers::pi * leftHz * double(i) / rate)));
        s[size_t(2 * i + 1)] = qint16(std::lround(kAmplitude * std::sin(2 * std::numbers::pi * rightHz * double(i) / rate)));
    }
    return s;
}

// Feeds samples in pieces of the given frame counts (cycling), flushes, and
// returns everything that came out.
std::vector<qint16> ConvertInPieces(TAudioConverter &converter, const std::vector<qint16> &in,
                                    std::initializer_list<qint64> pieces)
{
    const int ch = converter.inputFormat().channels;
    const qint64 frames = qint64(in.size()) / ch;
    std::vector<qint16> out;
    auto piece = pieces.begin();
    for (qint64 done = 0; done < frames;) {
        const qint64 n = std::min(*piece, frames - done);
        EXPECT_TRUE(converter.convert(in.data() + done * ch, n)) << converter.errorString().toStdString();
        out.insert(out.end(), converter.output().begin(), converter.output().end());
        done += n;
        if (++piece == pieces.end())
            piece = pieces.begin();
    }
    EXPECT_TRUE(converter.flush()) << converter.errorString().toStdString();
    out.insert(out.end(), converter.output().begin(), converter.output().end());
    return out;
}

int ZeroCrossings(const std::vector<qint16> &interleaved, int channels, int channel)
{
    int crossings = 0;
    for (size_t i = size_t(channel + channels); i < interleaved.size(); i += size_t(channels))
        if ((interleaved[i - size_t(channels)] < 0) != (interleaved[i] < 0))
            ++crossings;
    return crossings;
}

struct RateCase
{
    int from, to;
    qint64 frames;
};

class AudioRates : public testing::TestWithParam<RateCase>
{
};

} // namespace

TEST_P(AudioRates, KeepFrequencyTimingAndExactLength)
{
    const RateCase &c = GetParam();
    const double leftHz = 1000, rightHz = 440;
    TAudioConverter converter({c.from, 2}, {c.to, 2});
    ASSERT_TRUE(converter.isOpen()) << converter.errorString().toStdString();

    const std::vector<qint16> in = Sines(c.from, c.frames, leftHz, rightHz);
    // Pieces the size of DV frames' audio, and odd ones.
    const std::vector<qint16> out = ConvertInPieces(converter, in, {1920, 1602, 1601, 7, 4000});

    const qint64 expected = (c.frames * c.to + c.from / 2) / c.from;
    EXPECT_EQ(qint64(out.size()) / 2, expected);
    EXPECT_EQ(converter.totalIn(), c.frames);
    EXPECT_EQ(converter.totalOut(), expected);

    const double seconds = double(c.frames) / c.from;
    EXPECT_NEAR(ZeroCrossings(out, 2, 0), 2 * leftHz * seconds, 3);
    EXPECT_NEAR(ZeroCrossings(out, 2, 1), 2 * rightHz * seconds, 3);

    // Away from the ends the output is the same sines, not shifted in time.
    double worst = 0;
    for (qint64 i = c.to / 10; i < expected - c.to / 10; ++i) {
        const double t = double(i) / c.to;
        worst = std::max(worst, std::abs(out[size_t(2 * i)] - kAmplitude * std::sin(2 * std::numbers::pi * leftHz * t)));
        worst = std::max(worst, std::abs(out[size_t(2 * i + 1)] - kAmplitude * std::sin(2 * std::numbers::pi * rightHz * t)));
    }
    EXPECT_LT(worst, kAmplitude * 0.02);
}

INSTANTIATE_TEST_SUITE_P(Rates, AudioRates,
                         testing::Values(RateCase{48000, 32000, 48000}, RateCase{32000, 48000, 32000},
                                         RateCase{44100, 48000, 44100}, RateCase{48000, 44100, 96000 + 7},
                                         RateCase{44100, 32000, 12345}),
                         [](const testing::TestParamInfo<RateCase> &info) {
                             return std::to_string(info.param.from) + "to" + std::to_string(info.param.to) + "_"
                                 + std::to_string(info.param.frames);
                         });

TEST(AudioConverter, SameFormatPassesSamplesThrough)
{
    TAudioConverter converter({48000, 2}, {48000, 2});
    ASSERT_TRUE(converter.isOpen());
    const std::vector<qint16> in = Sines(48000, 5000, 1000, 440);
    EXPECT_EQ(ConvertInPieces(converter, in, {1920, 333}), in);
}

TEST(AudioConverter, ChangesTheChannelCount)
{
    const std::vector<qint16> stereo = Sines(32000, 3200, 500, 500);
    std::vector<qint16> mono(3200);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = stereo[2 * i];

    TAudioConverter up({32000, 1}, {32000, 2});
    ASSERT_TRUE(up.isOpen());
    const std::vector<qint16> upOut = ConvertInPieces(up, mono, {1000});
    ASSERT_EQ(upOut.size(), 6400u);
    for (size_t i = 0; i < mono.size(); i += 97) {
        EXPECT_NEAR(upOut[2 * i], upOut[2 * i + 1], 1);
        EXPECT_NEAR(std::abs(upOut[2 * i]), std::abs(mono[i]), std::abs(mono[i]) * 0.35 + 2);
    }

    TAudioConverter down({32000, 2}, {32000, 1});
    ASSERT_TRUE(down.isOpen());
    const std::vector<qint16> downOut = ConvertInPieces(down, stereo, {1000});
    ASSERT_EQ(downOut.size(), 3200u);
    EXPECT_NEAR(ZeroCrossings(downOut, 1, 0), 2 * 500 * 0.1, 2);
}

TEST(AudioConverter, FlushEndsTheStreamAndTheNextStartsFresh)
{
    TAudioConverter converter({48000, 2}, {32000, 2});
    const std::vector<qint16> in = Sines(48000, 4800, 1000, 440);
    const std::vector<qint16> first = ConvertInPieces(converter, in, {1920});
    EXPECT_EQ(first.size(), 3200u * 2);

    // Flushing again delivers nothing and keeps the totals.
    ASSERT_TRUE(converter.flush());
    EXPECT_TRUE(converter.output().empty());
    EXPECT_EQ(converter.totalOut(), 3200);

    // A second stream starts from nothing and comes out the same.
    const std::vector<qint16> second = ConvertInPieces(converter, in, {1920});
    EXPECT_EQ(second, first);
    EXPECT_EQ(converter.totalIn(), 4800);

    // An empty stream gives nothing.
    ASSERT_TRUE(converter.convert(nullptr, 0));
    ASSERT_TRUE(converter.flush());
    EXPECT_TRUE(converter.output().empty());
}

TEST(AudioConverter, RefusesInvalidFormatsAndSamples)
{
    for (const auto &[in, out] : {std::pair{TAudioFormat{0, 2}, TAudioFormat{48000, 2}},
                                  {TAudioFormat{48000, 0}, TAudioFormat{48000, 2}},
                                  {TAudioFormat{48000, 2}, TAudioFormat{-32000, 2}},
                                  {TAudioFormat{48000, 2}, TAudioFormat{48000, 99}}}) {
        TAudioConverter converter(in, out);
        EXPECT_FALSE(converter.isOpen());
        EXPECT_FALSE(converter.errorString().isEmpty());
        const qint16 samples[4] = {};
        EXPECT_FALSE(converter.convert(samples, 2));
        EXPECT_FALSE(converter.flush());
    }
    TAudioConverter converter({48000, 2}, {32000, 2});
    EXPECT_FALSE(converter.convert(nullptr, 10));
    EXPECT_FALSE(converter.convert(nullptr, -1));
}
