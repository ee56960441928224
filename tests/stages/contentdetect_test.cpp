// The content scene-detect stage: which pictures are cuts, and how the stage
// reports them by frame index during a run and when the run stops.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/dvvideoencoder.h"
#include "pipelines/pipeline.h"
#include "pipelines/rawvideo.h"
#include "pipelines/renderer.h"
#include "stages/contentcutdetector.h"
#include "stages/uscenedetectcontenu.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>

#include <vector>

namespace {

constexpr int kPalBytes = 720 * 576 * 3; // 1 244 160

QByteArray Flat(int value, qsizetype size = kPalBytes)
{
    return QByteArray(size, char(value));
}

// A flat picture whose first `changed` sampled bytes are moved by delta.
QByteArray WithChangedSamples(int base, int changed, int delta, qsizetype size = kPalBytes)
{
    QByteArray picture = Flat(base, size);
    for (int i = 0; i < changed; ++i)
        picture[qsizetype(i) * TContentCutDetector::SampleStride] = char(base + delta);
    return picture;
}

bool Add(TContentCutDetector &detector, const QByteArray &picture)
{
    return detector.addPicture(reinterpret_cast<const quint8 *>(picture.constData()), picture.size());
}

// A detector that has seen four identical flat pictures: an empty history.
TContentCutDetector Settled(int base)
{
    TContentCutDetector detector;
    for (int i = 0; i < 4; ++i)
        Add(detector, Flat(base));
    return detector;
}

// Picture `frame` of a recording whose scenes start at the given frames: each
// scene has its own busy pattern, and the frames of a scene differ by a
// little noise.
QByteArray ScenePicture(const std::vector<quint32> &starts, quint32 frame)
{
    int scene = 0;
    for (size_t s = 0; s < starts.size(); ++s)
        if (frame >= starts[s])
            scene = int(s);
    QByteArray picture(kPalBytes, Qt::Uninitialized);
    quint32 state = 0x9E3779B9u * quint32(scene + 1);
    for (qsizetype i = 0; i < picture.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        picture[i] = char(((state >> 24) & 0xF0) + (frame + quint32(i)) % 3);
    }
    return picture;
}

TMediaSample Sample(const QByteArray &picture, qint64 mediaStart)
{
    TMediaSample sample;
    sample.data = picture;
    sample.mediaStart = mediaStart;
    sample.mediaStop = mediaStart + 1;
    return sample;
}

struct TCalls
{
    std::vector<quint32> cuts;
    int ends = 0;
    size_t cutsBeforeEnd = 0;
};

void Listen(TSceneDetectContenu &stage, TCalls &calls)
{
    stage.setCutCallback([&calls](quint32 frame) { calls.cuts.push_back(frame); });
    stage.setEndCallback([&calls] {
        ++calls.ends;
        calls.cutsBeforeEnd = calls.cuts.size();
    });
}

} // namespace

TEST(ContentCutDetector, SampleBaseAndSamplesOfAPalPicture)
{
    EXPECT_EQ(TContentCutDetector::SampleBase(kPalBytes), 3133);
    EXPECT_EQ(TContentCutDetector::SampleBase(720 * 480 * 3), 2611);
    EXPECT_EQ(TContentCutDetector::SampleBase(397 * 20000), 10000);
    EXPECT_EQ(TContentCutDetector::SampleBase(0), 0);

    // The first picture ever is compared with zeros: all 3134 samples taken changed.
    TContentCutDetector detector;
    EXPECT_TRUE(Add(detector, Flat(100)));
    EXPECT_EQ(detector.lastChanged(), 3134);
    EXPECT_EQ(detector.lastBase(), 3133);
    // At most 10000 samples, however large the picture.
    EXPECT_TRUE(Add(detector, Flat(200, 397 * 20000)));
    EXPECT_EQ(detector.lastChanged(), 10000);
}

TEST(ContentCutDetector, ChangeThresholdAndCutShare)
{
    struct TCase
    {
        int changed, delta;
        bool cut;
    };
    // A PAL picture needs more than 0.3 x 3133 = 939.9 changed samples; a
    // sample changes when it moves by more than 16, either way.
    const TCase cases[] = {
        {3134, 16, false}, {3134, 17, true}, {3134, -17, true}, {3134, -16, false},
        {939, 60, false},  {940, 60, true},  {0, 60, false},
    };
    for (const TCase &c : cases) {
        TContentCutDetector detector = Settled(100);
        EXPECT_EQ(Add(detector, WithChangedSamples(100, c.changed, c.delta)), c.cut)
            << c.changed << " samples moved by " << c.delta;
        EXPECT_EQ(detector.lastChanged(), std::abs(c.delta) > 16 ? c.changed : 0);
    }
}

TEST(ContentCutDetector, HistorySuppressesCutsWithinThreePictures)
{
    TContentCutDetector detector = Settled(100);
    EXPECT_TRUE(Add(detector, Flat(150)));   // a cut: 3134 changed
    EXPECT_FALSE(Add(detector, Flat(100)));  // as large, but not twice the last count
    EXPECT_FALSE(Add(detector, Flat(100)));  // still
    EXPECT_FALSE(Add(detector, Flat(100)));  // still
    EXPECT_FALSE(Add(detector, Flat(150)));  // the history still holds 3134 three pictures back
    EXPECT_FALSE(Add(detector, Flat(150)));
    EXPECT_FALSE(Add(detector, Flat(150)));
    EXPECT_FALSE(Add(detector, Flat(150)));
    EXPECT_TRUE(Add(detector, Flat(100)));   // three still pictures before: a cut again

    // More than twice each of the three previous counts, not merely more.
    detector = Settled(100);
    Add(detector, WithChangedSamples(100, 600, 60));
    Add(detector, Flat(100)); // undoes the 600
    Add(detector, Flat(100));
    EXPECT_FALSE(Add(detector, WithChangedSamples(100, 1200, 60))) << "1200 is not more than 2 x 600";
    detector = Settled(100);
    Add(detector, WithChangedSamples(100, 600, 60));
    Add(detector, Flat(100));
    Add(detector, Flat(100));
    EXPECT_TRUE(Add(detector, WithChangedSamples(100, 1201, 60)));
}

TEST(ContentCutDetector, PicturesWithoutDataAndShortPictures)
{
    TContentCutDetector detector = Settled(100);
    EXPECT_FALSE(detector.addPicture(nullptr, 5000));
    EXPECT_EQ(detector.lastChanged(), 0);
    EXPECT_FALSE(detector.addPicture(nullptr, 0));
    // 396 bytes: one sample, a base of 0; one changed sample is a cut.
    const QByteArray tiny(396, char(200));
    EXPECT_TRUE(Add(detector, tiny));
    EXPECT_EQ(detector.lastBase(), 0);
}

TEST(SceneDetectContenu, AcceptsOnlyRgb24Pictures)
{
    TSceneDetectContenu stage;
    EXPECT_EQ(stage.name(), QStringLiteral("Orin Brontel SceneContenuDetecter"));
    EXPECT_FALSE(stage.modifiesData());
    EXPECT_EQ(stage.checkInputType(0, TMediaType::rgb24(720, 576, 400000)), TResult::Ok);
    TMediaType dv;
    dv.majorType = media::Video;
    dv.subtype = media::Dvsd;
    EXPECT_EQ(stage.checkInputType(0, dv), TResult::TypeNotAccepted);
    EXPECT_EQ(stage.checkInputType(0, RawVideoType(media::I420, 720, 576, 400000)), TResult::TypeNotAccepted);
}

TEST(SceneDetectContenu, ReportsCutsByFrameIndexAndTheEndOfTheRun)
{
    const std::vector<quint32> starts = {0, 10, 25};
    TSceneDetectContenu stage;
    TCalls calls;
    Listen(stage, calls);

    // The run starts at frame 100 of the video: the indexes are the samples' media starts.
    stage.startStreaming();
    for (quint32 f = 0; f < 40; ++f) {
        TMediaSample sample = Sample(ScenePicture(starts, f), 100 + f);
        const QByteArray before = sample.data;
        stage.receive(0, sample);
        ASSERT_EQ(sample.data, before) << "the picture is left as it is";
    }
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{100, 110, 125}));
    EXPECT_EQ(calls.ends, 0);
    stage.stopStreaming();
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{100, 110, 125, 140})) << "the run ends after frame 139";
    EXPECT_EQ(calls.ends, 1);
    EXPECT_EQ(calls.cutsBeforeEnd, 4u);

    // A run in which no picture passed reports only its end.
    stage.startStreaming();
    stage.stopStreaming();
    EXPECT_EQ(calls.cuts.size(), 4u);
    EXPECT_EQ(calls.ends, 2);
}

TEST(SceneDetectContenu, EachRunStartsAfresh)
{
    TSceneDetectContenu stage;
    TCalls calls;
    Listen(stage, calls);
    for (int run = 0; run < 2; ++run) {
        stage.startStreaming();
        for (quint32 f = 0; f < 3; ++f) {
            TMediaSample sample = Sample(Flat(120), f);
            stage.receive(0, sample);
        }
        stage.stopStreaming();
    }
    // The second run's first picture is compared with nothing, not with the first run's last.
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{0, 3, 0, 3}));
}

TEST(SceneDetectContenu, FrameIndexSourceTakesPrecedence)
{
    const std::vector<quint32> starts = {0, 5};
    TSceneDetectContenu stage;
    TCalls calls;
    Listen(stage, calls);
    qint64 stamped = 0;
    stage.setFrameIndexSource([&stamped](const TMediaSample &) { return stamped; });
    stage.startStreaming();
    for (quint32 f = 0; f < 8; ++f) {
        stamped = 0x100000000LL + 1000 + f; // only the low 32 bits count
        TMediaSample sample = Sample(ScenePicture(starts, f), -1);
        stage.receive(0, sample);
    }
    stage.stopStreaming();
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{1000, 1005, 1008}));

    // Without any index, pictures are counted from the first one.
    stage.setFrameIndexSource({});
    calls = {};
    stage.startStreaming();
    for (quint32 f = 0; f < 8; ++f) {
        TMediaSample sample = Sample(ScenePicture(starts, f), -1);
        stage.receive(0, sample);
    }
    stage.stopStreaming();
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{0, 5, 8}));
}

namespace {

// A PAL DV type 1 file of flat pictures, one grey per scene.
bool WriteFlatScenes(const QString &path, const std::vector<std::pair<int, int>> &scenes)
{
    TDvVideoEncoder encoder({TDvStandard::Pal, false}, 1);
    TPicture picture(encoder.width(), encoder.height(), encoder.pixelFormat());
    if (!encoder.isOpen() || picture.isNull())
        return false;
    TAviWriter writer;
    bool opened = false;
    for (const auto &[frames, luma] : scenes) {
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? encoder.height() / 2 : encoder.height()); ++y)
                memset(picture.plane(p) + y * picture.stride(p), p ? 128 : luma, size_t(p ? encoder.width() / 2 : encoder.width()));
        if (!encoder.encode(picture))
            return false;
        const auto frame = encoder.frame();
        if (!opened && !writer.open(path, TAviWriterConfig::dvType1(TAviDvSystem::Pal, DvInfoFromFrame(frame.data(), dif::Sequences625))))
            return false;
        opened = true;
        for (int i = 0; i < frames; ++i)
            if (!writer.writeSample(0, frame.data(), quint32(frame.size())))
                return false;
    }
    return writer.close();
}

} // namespace

// The content pipeline as a command builds it: the frame indexes of the DV
// frames reach the stage through the decoder and the colour converter.
TEST(SceneDetectContenu, FindsTheCutsOfADecodedVideo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tape.avi"));
    ASSERT_TRUE(WriteFlatScenes(path, {{7, 40}, {9, 170}, {6, 100}}));

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter avi;
    TDvSplitterElement dv;
    TDvVideoDecoderElement decoder;
    TColorConverterElement rgb(media::Rgb24);
    TSceneDetectContenu stage;
    TNullRenderer renderer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &avi, &dv, &decoder, &rgb, &stage, &renderer})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(source.Load(path), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), avi.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(avi.output(0), dv.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(dv.output(0), decoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(decoder.output(0), rgb.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(rgb.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), renderer.input(0)), TResult::Ok);

    TCalls calls;
    Listen(stage, calls);
    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(20000));
    pipeline.stop();
    EXPECT_EQ(calls.cuts, (std::vector<quint32>{0, 7, 16, 22}));
    EXPECT_EQ(calls.ends, 1);
}
