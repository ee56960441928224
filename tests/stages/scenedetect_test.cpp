// The scene-detect stage: frame records, scenes by datecode and format, the
// datecode text feed, the frame data each sample leaves with, and a run
// through a real pipeline.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/datecode.h"
#include "dv/difframe.h"
#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "stages/datecodelines.h"
#include "stages/dv_scenedetect.h"
#include "support/riffbuilder.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

const TDateTime kBase = EncodeDateTime(2010, 5, 1, 10, 0, 0);

qint64 Seconds(TDateTime value)
{
    return std::llround(value * 86400.0);
}

struct TTestFrame
{
    std::optional<int> second; // datecode kBase + seconds; none: no datecode
    bool pal = true;
    bool wide = false;
    qint32 rate = 48000;
    qint32 bits = 16;
    qint32 channels = 2;
};

// count frames alike; a dated run's clock ticks once every 25 frames.
struct TRun
{
    int count;
    TTestFrame shape;
};

std::vector<TTestFrame> Build(const std::vector<TRun> &runs)
{
    std::vector<TTestFrame> frames;
    for (const TRun &run : runs) {
        for (int i = 0; i < run.count; ++i) {
            TTestFrame f = run.shape;
            if (f.second)
                *f.second += i / 25;
            frames.push_back(f);
        }
    }
    return frames;
}

QByteArray MakeFrame(const TTestFrame &shape, int number)
{
    QByteArray frame = MakeBlankDifFrame(shape.pal);
    TCamcorderPacks p;
    if (shape.second)
        p.datecode = FieldsFromDatecode(kBase + *shape.second * OneSecond);
    p.timecode = {0, quint8(number / 1500 % 60), quint8(number / 25 % 60), quint8(number % 25)};
    p.wide16x9 = shape.wide;
    p.audioRate = shape.rate;
    p.audioBits = shape.bits;
    p.audioChannels = shape.channels;
    StampCamcorderPacks(reinterpret_cast<quint8 *>(frame.data()), shape.pal ? dif::Sequences625 : dif::Sequences525, p);
    return frame;
}

TMediaType DvVideoType(qint64 frameTime)
{
    TVideoInfoHeader info;
    info.avgTimePerFrame = frameTime;
    return TMediaType::video(media::Dvsd, info);
}

// Offers one media type and pushes nothing: the stage's samples are fed by hand.
class TTypeSource final : public TElement
{
public:
    TTypeSource() : TElement(QStringLiteral("Type source")) { addOutput(QStringLiteral("Output")); }
    TMediaType type = DvVideoType(400000);
    TMediaType outputType(int) const override { return type; }
};

// Keeps what reaches it.
class TSink final : public TElement
{
public:
    TSink() : TElement(QStringLiteral("Sink")) { addInput(QStringLiteral("Input")); }
    std::vector<QByteArray> received;
    std::vector<std::shared_ptr<const TDvFrameData>> frameData;
    TResult checkInputType(int, const TMediaType &) override { return TResult::Ok; }
    void receive(int, TMediaSample &sample) override
    {
        received.push_back(sample.data);
        frameData.push_back(sample.frameData);
    }
};

using TScene = std::pair<quint32, quint32>;

struct TTextCall
{
    quint32 frame;
    QString line1;
    QString line2;
};

// Which of count frames showed text, from the text calls.
std::vector<std::pair<int, int>> ShownRanges(const std::vector<TTextCall> &texts, int count)
{
    std::vector<std::pair<int, int>> ranges;
    size_t next = 0;
    bool shown = false;
    for (int f = 0; f < count; ++f) {
        while (next < texts.size() && texts[next].frame <= quint32(f)) {
            shown = !texts[next].line1.isEmpty() || !texts[next].line2.isEmpty();
            ++next;
        }
        if (!shown)
            continue;
        if (!ranges.empty() && ranges.back().second == f)
            ranges.back().second = f + 1;
        else
            ranges.emplace_back(f, f + 1);
    }
    return ranges;
}

class SceneDetect : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Tdv_sceneDetect::pairSeen() = false;
        TDatecodeTextSettings s;
        s.template1 = QStringLiteral("%D1");
        s.template2 = QStringLiteral("%D2");
        s.format1 = QStringLiteral("yyyy-mm-dd");
        s.format2 = QStringLiteral("hh:nn:ss");
        store.set(s);
        for (TElement *e : std::initializer_list<TElement *>{&source, &stage, &sink})
            ASSERT_EQ(pipeline.add(e), TResult::Ok);
        connectAs(DvVideoType(400000));
        stage.setSceneCallback([this](const TFrameInfo &a, const TFrameInfo &b) {
            scenes.emplace_back(a.frameIndex, b.frameIndex);
        });
        stage.setEndCallback([this] { ++ends; });
    }

    void connectAs(const TMediaType &type)
    {
        pipeline.disconnect(stage.input(0));
        source.type = type;
        ASSERT_EQ(pipeline.connect(source.output(0), stage.input(0)), TResult::Ok);
        if (!stage.output(0)->isConnected()) {
            ASSERT_EQ(pipeline.connect(stage.output(0), sink.input(0)), TResult::Ok);
        }
    }

    void installText()
    {
        stage.setTextCallback([this](const TFrameInfo &f, const QString &l1, const QString &l2) {
            texts.push_back({f.frameIndex, l1, l2});
        });
    }

    void feed(const std::vector<TTestFrame> &frames)
    {
        for (const TTestFrame &shape : frames)
            feedBytes(MakeFrame(shape, fed));
    }

    void feedBytes(const QByteArray &bytes)
    {
        TMediaSample sample;
        sample.data = bytes;
        sample.mediaStart = fed++;
        stage.receive(0, sample);
    }

    std::vector<TScene> run(const std::vector<TTestFrame> &frames)
    {
        scenes.clear();
        fed = 0;
        stage.startStreaming();
        feed(frames);
        stage.stopStreaming();
        return scenes;
    }

    TDatecodeTextSettingsStore store;
    TPipeline pipeline;
    TTypeSource source;
    Tdv_sceneDetect stage{&store};
    TSink sink;
    int fed = 0;
    std::vector<TScene> scenes;
    std::vector<TTextCall> texts;
    int ends = 0;
};

TEST_F(SceneDetect, AcceptsOnlyDvTypes)
{
    TSink other;
    Tdv_sceneDetect probe(&store);
    EXPECT_EQ(probe.name(), QStringLiteral("Orin Brontel dv_sceneDetect"));
    EXPECT_FALSE(probe.modifiesData());
    const std::pair<TMediaType, bool> cases[] = {
        {DvVideoType(400000), true},
        {TMediaType::interleavedDv(TDvInfo{}), true},
        {TMediaType::video(media::Rgb24, TVideoInfoHeader{}), false},
        {TMediaType::audio(riff::DvWaveFormat()), false},
    };
    for (const auto &[type, accepted] : cases)
        EXPECT_EQ(probe.checkInputType(0, type), accepted ? TResult::Ok : TResult::TypeNotAccepted);
}

struct TSceneCase
{
    const char *name;
    std::vector<TRun> runs;
    std::vector<TScene> scenes;
};

TEST_F(SceneDetect, ScenesOfFrameSequences)
{
    const TTestFrame dated{.second = 0};
    const TTestFrame undated{};
    const std::vector<TSceneCase> cases = {
        {"continuous datecode: one scene, reported at stop", {{60, dated}}, {{0, 60}}},
        {"no datecode at all", {{30, undated}}, {{0, 30}}},
        {"forward jump of 6 s", {{10, dated}, {10, {.second = 6}}}, {{0, 10}, {10, 20}}},
        {"exactly 5 s is no jump", {{10, dated}, {10, {.second = 5}}}, {{0, 20}}},
        {"backward jump of 10 s", {{10, {.second = 20}}, {10, {.second = 10}}}, {{0, 10}, {10, 20}}},
        {"dropout of 6 frames joins the next scene",
         {{100, dated}, {6, undated}, {14, {.second = 4}}},
         {{0, 100}, {100, 120}}},
        {"dropout of 20 frames is a scene", {{100, dated}, {20, undated}, {10, {.second = 5}}},
         {{0, 100}, {100, 120}, {120, 130}}},
        {"48 kHz to 32 kHz", {{10, dated}, {10, {.second = 0, .rate = 32000}}}, {{0, 10}, {10, 20}}},
        {"4:3 to 16:9", {{10, dated}, {10, {.second = 0, .wide = true}}}, {{0, 10}, {10, 20}}},
        {"625/50 to 525/60", {{10, dated}, {10, {.second = 0, .pal = false}}}, {{0, 10}, {10, 20}}},
        {"channel count alone does not break",
         {{10, {.second = 0, .rate = 32000, .bits = 12}}, {10, {.second = 0, .rate = 32000, .bits = 12, .channels = 4}}},
         {{0, 20}}},
        {"format change and lost datecode on one frame: one break",
         {{10, dated}, {10, {.second = std::nullopt, .rate = 32000}}},
         {{0, 10}, {10, 20}}},
        {"format change and jump on one frame: one break", {{10, dated}, {10, {.second = 100, .rate = 32000}}},
         {{0, 10}, {10, 20}}},
        {"first run: no jump test between frames 0 and 1", {{1, dated}, {10, {.second = 100}}}, {{0, 11}}},
        {"first run: jump test from frames 1 and 2 on", {{2, dated}, {10, {.second = 100}}}, {{0, 2}, {2, 12}}},
    };
    for (const TSceneCase &c : cases) {
        SCOPED_TRACE(c.name);
        Tdv_sceneDetect::pairSeen() = false;
        Tdv_sceneDetect fresh(&store);
        std::vector<TScene> got;
        fresh.setSceneCallback([&](const TFrameInfo &a, const TFrameInfo &b) { got.emplace_back(a.frameIndex, b.frameIndex); });
        fresh.startStreaming();
        int n = 0;
        for (const TTestFrame &shape : Build(c.runs)) {
            TMediaSample sample;
            sample.data = MakeFrame(shape, n++);
            fresh.receive(0, sample);
        }
        fresh.stopStreaming();
        EXPECT_EQ(got, c.scenes);
    }
}

TEST_F(SceneDetect, LaterRunsTestTheFirstPair)
{
    const std::vector<TTestFrame> jumpAfterFirst = Build({{1, {.second = 0}}, {10, {.second = 100}}});
    EXPECT_EQ(run(jumpAfterFirst), (std::vector<TScene>{{0, 11}}));
    // After a stop the first dated frame completes a pair with the reset record.
    EXPECT_EQ(run(jumpAfterFirst), (std::vector<TScene>{{0, 1}, {1, 11}}));
    // Frame 0 without datecode in a later run is not a lost datecode.
    EXPECT_EQ(run(Build({{5, {}}, {5, {.second = 0}}})), (std::vector<TScene>{{0, 10}}));
    EXPECT_EQ(ends, 3);
    EXPECT_FALSE(Tdv_sceneDetect::pairSeen());
}

TEST_F(SceneDetect, StopWithoutFramesReportsNoEmptyScene)
{
    EXPECT_TRUE(run({}).empty());
    EXPECT_EQ(ends, 1);
}

TEST_F(SceneDetect, FrameRecords)
{
    stage.startStreaming();
    feed(Build({{1, {.second = 7, .pal = false, .wide = true, .rate = 32000, .bits = 12, .channels = 4}}}));
    TFrameInfo f = stage.currentFrame();
    EXPECT_EQ(f.frameIndex, 1u) << "already counts the frame";
    EXPECT_TRUE(f.datecodePresent);
    EXPECT_EQ(Seconds(f.datecode), Seconds(kBase + 7 * OneSecond));
    EXPECT_TRUE(f.timecodePresent);
    EXPECT_TRUE(f.formatPresent);
    EXPECT_TRUE(f.is16x9);
    EXPECT_TRUE(f.is525_60);
    EXPECT_EQ(f.sampleRate, 32000);
    EXPECT_EQ(f.sampleBits, 12);
    EXPECT_EQ(f.channels, 4);

    // A frame without packs and with an unknown system byte keeps the
    // timecode, the system and the audio format of the frame before.
    QByteArray bare = MakeBlankDifFrame(false);
    bare[3] = 0;
    feedBytes(bare);
    const TSceneDetectSnapshot snap = stage.snapshot();
    EXPECT_TRUE(snap.framePassed);
    EXPECT_EQ(snap.samples, 2);
    EXPECT_EQ(snap.previous.datecode, f.datecode);
    f = snap.current;
    EXPECT_EQ(f.frameIndex, 2u);
    EXPECT_FALSE(f.datecodePresent);
    EXPECT_EQ(f.datecode, 0.0);
    EXPECT_FALSE(f.timecodePresent);
    EXPECT_EQ(f.timecode, snap.previous.timecode);
    EXPECT_FALSE(f.formatPresent);
    EXPECT_TRUE(f.is525_60);
    EXPECT_EQ(f.sampleRate, 32000);
    EXPECT_EQ(f.channels, 4);
    stage.stopStreaming();
}

struct TTextCase
{
    const char *name;
    int mode;
    int displaySeconds; // -1: leave the default 125 frames
    std::vector<TRun> runs;
    std::vector<std::pair<int, int>> shown;
};

TEST_F(SceneDetect, TextModesAndCountdowns)
{
    // At 25 frames a second, 2 s are 50 frames.
    const int midnight = 14 * 3600; // kBase + this is the next day 00:00:00
    const std::vector<TTextCase> cases = {
        {"permanently", 0, -1, {{60, {.second = 0}}}, {{0, 60}}},
        {"once, 125 frames: the first 123 frames", 1, -1, {{200, {.second = 0}}}, {{0, 123}}},
        {"once, 2 s", 1, 2, {{100, {.second = 0}}}, {{0, 48}}},
        {"each new scene: first dated frame, +3 s and -1 s", 2, 2,
         {{100, {.second = 0}}, {100, {.second = 6}}, {100, {.second = 8}}},
         {{0, 50}, {100, 150}, {200, 250}}},
        {"each new scene: +2 s is not new", 2, 2, {{100, {.second = 0}}, {100, {.second = 5}}}, {{0, 50}}},
        {"each new scene: after a dropout", 2, 2, {{60, {.second = 0}}, {10, {}}, {60, {.second = 3}}},
         {{0, 50}, {70, 120}}},
        {"each new day: midnight, not a jump within the day", 3, 2,
         {{100, {.second = midnight - 10}}, {100, {.second = midnight}}, {100, {.second = midnight + 30}}},
         {{0, 50}, {100, 150}}},
    };
    for (const TTextCase &c : cases) {
        SCOPED_TRACE(c.name);
        // A new stage: the previous datecode of the text triggers lasts from one run to the next.
        Tdv_sceneDetect fresh(&store);
        std::vector<TTextCall> texts;
        fresh.setTextCallback([&](const TFrameInfo &f, const QString &l1, const QString &l2) {
            texts.push_back({f.frameIndex, l1, l2});
        });
        fresh.setTextMode(c.mode);
        if (c.displaySeconds >= 0)
            fresh.setDisplaySeconds(c.displaySeconds);
        const std::vector<TTestFrame> frames = Build(c.runs);
        fresh.startStreaming();
        for (size_t i = 0; i < frames.size(); ++i) {
            TMediaSample sample;
            sample.data = MakeFrame(frames[i], int(i));
            fresh.receive(0, sample);
        }
        fresh.stopStreaming();
        EXPECT_EQ(ShownRanges(texts, int(frames.size())), c.shown);
        ASSERT_FALSE(texts.empty());
        EXPECT_TRUE(texts.back().line1.isEmpty() && texts.back().line2.isEmpty()) << "the text ends cleared";
    }
}

TEST_F(SceneDetect, TextLinesChangeOnlyWithTheirContent)
{
    installText();
    stage.startStreaming();
    feed(Build({{50, {.second = 0}}}));
    // Same date for 50 frames, the time ticks after 25: two calls.
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].frame, 0u);
    EXPECT_EQ(texts[0].line1, QStringLiteral("2010-05-01"));
    EXPECT_EQ(texts[0].line2, QStringLiteral("10:00:00"));
    EXPECT_EQ(texts[1].frame, 25u);
    EXPECT_EQ(texts[1].line2, QStringLiteral("10:00:01"));

    // Codes in any case, the timecode, the display shift; a new line every frame.
    store.setTemplates(QStringLiteral("On %d1 at %D2"), QStringLiteral("%t / %d2 100%"));
    store.setDisplayShift(1.0 / 24);
    feed(Build({{3, {.second = 0}}}));
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[2].line1, QStringLiteral("On 2010-05-01 at 11:00:00"));
    EXPECT_EQ(texts[2].line2, QStringLiteral("0:00:02:00 / 11:00:00 100%"));
    EXPECT_EQ(texts[4].line2, QStringLiteral("0:00:02:02 / 11:00:00 100%"));

    // Without a datecode the codes give empty texts.
    feed({TTestFrame{}});
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[5].line1, QStringLiteral("On  at "));

    stage.stopStreaming();
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_TRUE(texts[6].line1.isEmpty() && texts[6].line2.isEmpty());
    EXPECT_EQ(ends, 1);

    // The stop removed the text callback.
    stage.startStreaming();
    feed(Build({{5, {.second = 0}}}));
    stage.stopStreaming();
    EXPECT_EQ(texts.size(), 7u);
}

TEST(DatecodeLines, OnePassReplacement)
{
    const struct
    {
        const char *templ;
        const char *expected;
    } cases[] = {
        {"%D1|%d2|%T|%t", "A|B|C|C"},
        {"%D12 %D3 %% %", "A2 %D3 %% %"},
        {"", ""},
        {"plain", "plain"},
    };
    QString out;
    for (const auto &c : cases) {
        ComposeDatecodeLine(QString::fromLatin1(c.templ), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), out);
        EXPECT_EQ(out, QString::fromLatin1(c.expected)) << c.templ;
    }
    // A replacement holding a code is not replaced again.
    ComposeDatecodeLine(QStringLiteral("%D1"), QStringLiteral("%T"), {}, QStringLiteral("x"), out);
    EXPECT_EQ(out, QStringLiteral("%T"));
    const TDatecodeLineCodes codes = DatecodeLineCodes(QStringLiteral("%d2 and %t"));
    EXPECT_FALSE(codes.d1);
    EXPECT_TRUE(codes.d2);
    EXPECT_TRUE(codes.t);
}

TEST_F(SceneDetect, DisplaySecondsUseTheFrameTime)
{
    const struct
    {
        const char *name;
        TMediaType type;
        bool pal;
        int seconds;
        qint64 frameTime;
        int frames;
    } cases[] = {
        {"type 2 PAL", DvVideoType(400000), true, 2, 400000, 50},
        {"type 2 NTSC", DvVideoType(333667), false, 2, 333667, 60},
        {"interleaved NTSC, from the frame size", TMediaType::interleavedDv(TDvInfo{}), false, 2, 333667, 60},
        {"interleaved PAL, from the frame size", TMediaType::interleavedDv(TDvInfo{}), true, 3, 400000, 75},
        {"no frame time in the header", DvVideoType(0), true, 2, 400000, 50},
        {"long durations do not overflow", DvVideoType(400000), true, 300, 400000, 7500},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        connectAs(c.type);
        stage.setTextMode(1);
        stage.startStreaming();
        feed(Build({{1, {.second = 0, .pal = c.pal}}}));
        stage.setDisplaySeconds(c.seconds);
        EXPECT_EQ(stage.frameTime(), c.frameTime);
        EXPECT_EQ(stage.displayFrames(), c.frames);
        stage.stopStreaming();
    }
    // Asked for before the frame time is known, the duration applies from the first frame.
    Tdv_sceneDetect fresh(&store);
    fresh.setDisplaySeconds(4);
    EXPECT_EQ(fresh.displayFrames(), Tdv_sceneDetect::DefaultDisplayFrames);
    fresh.startStreaming();
    TMediaSample sample;
    sample.data = MakeFrame({.second = 0, .pal = false}, 0);
    fresh.receive(0, sample);
    EXPECT_EQ(fresh.displayFrames(), 120);
    fresh.stopStreaming();
}

TEST_F(SceneDetect, SettingsWrittenWhileFramesPass)
{
    installText();
    store.setTemplates(QStringLiteral("%D2"), QStringLiteral("%D2"));
    const std::vector<TTestFrame> frames = Build({{300, {.second = 0}}});
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; !done.load(); ++i)
            store.setFormat2(i % 2 ? QStringLiteral("hh:nn:ss") : QStringLiteral("hh.nn.ss"));
    });
    stage.startStreaming();
    feed(frames);
    done = true;
    writer.join();
    stage.stopStreaming();
    static const QRegularExpression whole(QStringLiteral("^10([:.])00\\1\\d\\d$"));
    ASSERT_GT(texts.size(), 1u);
    for (const TTextCall &t : texts) {
        if (t.line1.isEmpty())
            continue;
        EXPECT_TRUE(whole.match(t.line1).hasMatch()) << t.line1.toStdString();
        EXPECT_EQ(t.line1, t.line2);
    }
}

TEST_F(SceneDetect, SamplesPassUntouchedAndAreCounted)
{
    installText();
    stage.startStreaming();
    const QByteArray frame = MakeFrame({.second = 0}, 0);
    feedBytes(frame);
    QByteArray odd(100000, '\0');
    for (int i = 0; i < odd.size(); ++i)
        odd[i] = char(i * 31);
    feedBytes(odd);
    ASSERT_EQ(sink.received.size(), 2u);
    EXPECT_EQ(sink.received[0], frame);
    EXPECT_EQ(sink.received[1], odd);
    const TSceneDetectSnapshot snap = stage.snapshot();
    EXPECT_EQ(snap.samples, 2);
    EXPECT_EQ(snap.current.frameIndex, 1u) << "only DV frames get a frame index";
    EXPECT_EQ(texts.size(), 1u);
    stage.stopStreaming();
    EXPECT_EQ(scenes, (std::vector<TScene>{{0, 1}}));
}

TEST_F(SceneDetect, EachFrameLeavesWithItsOwnRecordAndHeads)
{
    stage.startStreaming();
    std::vector<QByteArray> frames;
    for (int i = 0; i < 3; ++i)
        frames.push_back(MakeFrame({.second = i}, i));
    frames.push_back(QByteArray(1000, 'x')); // sample 3: not a frame
    frames.push_back(MakeFrame({.second = 9, .pal = false}, 4));
    for (const QByteArray &f : frames)
        feedBytes(f);
    ASSERT_EQ(sink.frameData.size(), frames.size());
    EXPECT_FALSE(sink.frameData[3]) << "a sample that is not a DV frame carries no frame data";

    auto sameHead = [](const TDvHeadBlocks &h, int k, const QByteArray &frame, int sequence) {
        return std::memcmp(h.head(k), frame.constData() + dif::SequenceOffset(sequence), dif::HeadBlocksSize) == 0;
    };
    ASSERT_TRUE(sink.frameData[1]);
    const TDvFrameData &pal = *sink.frameData[1];
    EXPECT_EQ(pal.info.frameIndex, 1u) << "the frame's own index";
    ASSERT_TRUE(pal.info.datecodePresent);
    EXPECT_EQ(Seconds(pal.info.datecode), Seconds(kBase + OneSecond));
    EXPECT_TRUE(pal.info.timecodePresent);
    EXPECT_EQ(pal.info.timecode, (TTimecodeFields{0, 0, 0, 1}));
    EXPECT_FALSE(pal.info.is525_60);
    EXPECT_EQ(pal.heads.sequences, 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(sameHead(pal.heads, k, frames[1], k)) << k;
    EXPECT_FALSE(sameHead(pal.heads, 0, frames[2], 0));

    ASSERT_TRUE(sink.frameData[4]);
    const TDvFrameData &ntsc = *sink.frameData[4];
    EXPECT_EQ(ntsc.info.frameIndex, 3u) << "only DV frames count";
    EXPECT_EQ(Seconds(ntsc.info.datecode), Seconds(kBase + 9 * OneSecond));
    EXPECT_TRUE(ntsc.info.is525_60);
    EXPECT_EQ(ntsc.heads.sequences, 10);
    EXPECT_TRUE(sameHead(ntsc.heads, 9, frames[4], 9));
    EXPECT_TRUE(sameHead(ntsc.heads, 11, frames[4], 0)) << "a sequence the frame lacks reads as sequence 0";

    // Later frames leave the data the earlier samples carry as it was.
    EXPECT_EQ(sink.frameData[0]->info.frameIndex, 0u);
    EXPECT_EQ(Seconds(sink.frameData[0]->info.datecode), Seconds(kBase));
    stage.stopStreaming();
}

// Files written with the AVI writer, read by the file source and the AVI
// splitter, the stage between the splitter and a null renderer.
class SceneDetectPipeline : public ::testing::TestWithParam<bool /* type 1 */>
{
};

TEST_P(SceneDetectPipeline, LastSceneIsReportedByTheStoppingThread)
{
    const bool type1 = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("in.avi");
    const std::vector<TTestFrame> frameList = Build({{30, {.second = 0}}, {20, {.second = 60}}});
    {
        const QByteArray first = MakeFrame(frameList[0], 0);
        const TDvInfo info = DvInfoFromFrame(reinterpret_cast<const quint8 *>(first.constData()), dif::Sequences625);
        TAviWriter writer;
        ASSERT_TRUE(writer.open(path, type1 ? TAviWriterConfig::dvType1(TAviDvSystem::Pal, info)
                                            : TAviWriterConfig::dvType2(TAviDvSystem::Pal, info, riff::DvWaveFormat())));
        const QByteArray pcm(1920 * 4, '\0');
        for (size_t i = 0; i < frameList.size(); ++i) {
            const QByteArray frame = MakeFrame(frameList[i], int(i));
            ASSERT_TRUE(writer.writeSample(0, frame.constData(), quint32(frame.size())));
            if (!type1) {
                ASSERT_TRUE(writer.writeSample(1, pcm.constData(), quint32(pcm.size())));
            }
        }
        ASSERT_TRUE(writer.close());
    }

    Tdv_sceneDetect::pairSeen() = false;
    TDatecodeTextSettingsStore store;
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    Tdv_sceneDetect stage(&store);
    TNullRenderer renderer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &stage, &renderer})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(source.Load(path), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), renderer.input(0)), TResult::Ok);
    if (!type1) {
        EXPECT_EQ(pipeline.connect(splitter.output(1), stage.input(0)), TResult::AlreadyConnected);
    }

    std::mutex lock;
    std::vector<std::pair<TScene, std::thread::id>> scenes;
    std::vector<std::thread::id> ends;
    int textCalls = 0;
    stage.setSceneCallback([&](const TFrameInfo &a, const TFrameInfo &b) {
        std::lock_guard guard(lock);
        scenes.push_back({{a.frameIndex, b.frameIndex}, std::this_thread::get_id()});
    });
    stage.setEndCallback([&] {
        std::lock_guard guard(lock);
        ends.push_back(std::this_thread::get_id());
    });
    stage.setTextCallback([&](const TFrameInfo &, const QString &, const QString &) {
        std::lock_guard guard(lock);
        ++textCalls;
    });
    stage.setDisplaySeconds(2);

    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(10000));
    pipeline.stop();

    std::lock_guard guard(lock);
    ASSERT_EQ(scenes.size(), 2u);
    EXPECT_EQ(scenes[0].first, TScene(0, 30));
    EXPECT_NE(scenes[0].second, std::this_thread::get_id()) << "found while frames pass, on the streaming thread";
    EXPECT_EQ(scenes[1].first, TScene(30, 50));
    EXPECT_EQ(scenes[1].second, std::this_thread::get_id()) << "the last scene comes from the stop";
    EXPECT_EQ(ends, std::vector<std::thread::id>{std::this_thread::get_id()});
    EXPECT_EQ(stage.frameTime(), 400000);
    EXPECT_EQ(stage.displayFrames(), 50);
    EXPECT_EQ(stage.snapshot().samples, 50);
    // Date and time at 0, the time ticking at 25 and jumping at 30, then cleared.
    EXPECT_EQ(textCalls, 4);
}

INSTANTIATE_TEST_SUITE_P(Types, SceneDetectPipeline, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "Type1" : "Type2"; });

} // namespace
