// The playback pipeline on real files: what each kind of file builds and what
// the view is told to show, frame-exact seeks and steps (checked against the
// frames tarvex-cli lists), pause, pacing, the end of the video, letting go of
// the file, and the volume mapping.

#include "avi/records/avifichier.h"
#include "dv/datecode.h"
#include "pipelines/playback/viewgraph.h"
#include "pipelines/renderers/videorenderer.h"

#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

namespace {

// Each frame's "datecode\ttimecode" as tarvex-cli frames lists it.
QStringList CliFrames(const QString &path)
{
    QProcess cli;
    cli.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), {QStringLiteral("frames"), path});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
        return {};
    QStringList rows;
    const QStringList lines = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split('\t');
        rows << cols.value(1) + '\t' + cols.value(2);
    }
    return rows;
}

// The latest frame of the playback scene-detect stage, in the same form.
QString StageFrame(Tviewdm &view)
{
    const TSceneDetectSnapshot s = view.sceneDetect().snapshot();
    if (!s.framePassed)
        return QStringLiteral("none");
    const TFrameInfo &f = s.current;
    const QString date = f.datecodePresent ? FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), f.datecode)
                                           : QStringLiteral("-");
    const QString tc = f.timecodePresent ? QString::asprintf("%02d:%02d:%02d:%02d", f.timecode.hours, f.timecode.minutes,
                                                             f.timecode.seconds, f.timecode.frames)
                                         : QStringLiteral("-");
    return date + '\t' + tc;
}

bool HaveFfmpeg()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

QString Ffmpeg(const QTemporaryDir &dir, const QString &name, const QStringList &args)
{
    const QString path = dir.filePath(name);
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + args + QStringList{path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return path;
}

// Gives the video stream of an AVI file a codec code that no decoder knows.
bool UnknownCodec(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray head = f.read(8192);
    const qsizetype before = head.count("MJPG") + head.count("mjpg");
    head.replace("MJPG", "QQQQ").replace("mjpg", "QQQQ");
    return before > 0 && f.seek(0) && f.write(head) == head.size();
}

int DescriptorsOn(const QString &path)
{
    int n = 0;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        if (fd.symLinkTarget() == target)
            ++n;
    return n;
}

class Viewgraph : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    TaviFichier *record(const QString &path)
    {
        records.push_back(std::make_unique<TaviFichier>(path));
        return records.back().get();
    }
    QTemporaryDir dir;
    std::vector<std::unique_ptr<TaviFichier>> records;
};

TEST_F(Viewgraph, DvFilesStandOnTheExactFrameOfEverySeekAndStep)
{
    struct Case
    {
        const char *name;
        QStringList options;
        bool type1;
    };
    const Case cases[] = {
        {"pal1.avi", {"--frames", "60", "--type", "1"}, true},
        {"pal2.avi", {"--frames", "60", "--type", "2"}, false},
        {"ntsc1.avi", {"--frames", "60", "--type", "1", "--ntsc"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = MakeSampleRecording(dir, c.name, c.options);
        ASSERT_FALSE(path.isEmpty());
        const QStringList frames = CliFrames(path);
        ASSERT_EQ(frames.size(), 60);

        Tviewdm view;
        const Tviewdm::TOpenOutcome outcome = view.OpenForViewing(record(path));
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.show, Tviewdm::TShow::Video);
        const QStringList names = view.elementNames();
        EXPECT_EQ(names.contains("dvsplitter"), c.type1);
        for (const char *name : {"avisplitter", "vScenedetect", "Dvdecoder", "superposer", "Video Renderer"})
            EXPECT_TRUE(names.contains(name)) << name;
        EXPECT_TRUE(view.hasVideo());
        EXPECT_TRUE(view.hasAudio());
        EXPECT_TRUE(view.framesFormat());
        EXPECT_EQ(view.rangeStart(), 0);
        EXPECT_EQ(view.rangeEnd(), 60);
        EXPECT_EQ(view.state(), TPipeline::TState::Paused);
        EXPECT_EQ(view.currentPosition(), 0);
        EXPECT_EQ(StageFrame(view), frames[0]);
        EXPECT_EQ(view.currentPicture().width(), 720);

        struct Move
        {
            enum { Seek, Frames, Time } kind;
            qint64 amount;
            qint64 expected;
        };
        const Move moves[] = {
            {Move::Seek, 31, 31},  {Move::Frames, 5, 36},  {Move::Frames, -1, 35}, {Move::Frames, -100, 0},
            {Move::Seek, 1000, 59}, {Move::Frames, 1, 59}, {Move::Seek, -5, 0},   {Move::Seek, 29, 29},
        };
        for (const Move &m : moves) {
            if (m.kind == Move::Seek)
                view.SeekAndShow(m.amount);
            else
                view.StepFrames(int(m.amount));
            ASSERT_EQ(view.currentPosition(), m.expected) << m.amount;
            EXPECT_EQ(StageFrame(view), frames[int(m.expected)]) << m.amount;
        }
        // One second forward in 100 ns units: a PAL file moves 25 frames.
        if (!c.options.contains("--ntsc")) {
            view.StepTime(10000000);
            EXPECT_EQ(view.currentPosition(), 54);
            EXPECT_EQ(StageFrame(view), frames[54]);
            EXPECT_TRUE(view.framesFormat());
        }
    }
}

TEST_F(Viewgraph, SeekAndShowMovesTheSliderAndKeepsToTheRange)
{
    const QString path = MakeSampleRecording(dir, "range.avi", {"--frames", "40"});
    Tviewdm view;
    ASSERT_TRUE(view.OpenForViewing(record(path)).ok);
    QSignalSpy slider(&view, &Tviewdm::sliderMoved);
    view.SeekAndShow(10);
    ASSERT_EQ(slider.count(), 1);
    EXPECT_EQ(slider.last().at(0).toInt(), 250);
    view.setRange(10, 20);
    view.SeekAndShow(35);
    EXPECT_EQ(view.currentPosition(), 20);
    EXPECT_EQ(slider.last().at(0).toInt(), 1000);
    view.SeekAndShow(0);
    EXPECT_EQ(view.currentPosition(), 10);
    view.StepFrames(-3);
    EXPECT_EQ(view.currentPosition(), 10);
}

TEST_F(Viewgraph, PlaysPacedByTheClockAndPauseHoldsItsFrame)
{
    const QString path = MakeSampleRecording(dir, "pace.avi", {"--frames", "125"});
    const QStringList frames = CliFrames(path);
    ASSERT_EQ(frames.size(), 125);
    TVideoWindow window;
    Tviewdm view;
    view.setVideoWindow(&window);
    ASSERT_TRUE(view.OpenForViewing(record(path)).ok);

    QSignalSpy shown(&window, &TVideoWindow::pictureShown);
    QElapsedTimer clock;
    clock.start();
    view.Play();
    QTest::qWait(2000);
    const qint64 elapsed = clock.elapsed();
    view.Pause();
    const qint64 held = view.currentPosition();
    // About 25 pictures a second.
    const double expected = elapsed * 25.0 / 1000.0;
    EXPECT_NEAR(double(held), expected, 8.0);
    EXPECT_NEAR(double(shown.count()), expected, 10.0);
    EXPECT_EQ(view.state(), TPipeline::TState::Paused);

    QTest::qWait(300);
    EXPECT_EQ(view.currentPosition(), held);
    EXPECT_EQ(StageFrame(view), frames[int(held)]);
    view.RefreshPicture();
    EXPECT_EQ(view.currentPosition(), held);
    EXPECT_EQ(StageFrame(view), frames[int(held)]);
}

TEST_F(Viewgraph, TheEndOfTheVideoPausesAtTheStartOrLoops)
{
    const QString path = MakeSampleRecording(dir, "end.avi", {"--frames", "10"});
    Tviewdm view;
    ASSERT_TRUE(view.OpenForViewing(record(path)).ok);
    view.SeekAndShow(5);
    QSignalSpy state(&view, &Tviewdm::playStateChanged);
    view.Play();
    ASSERT_TRUE(state.wait(3000));
    EXPECT_FALSE(state.last().at(0).toBool());
    EXPECT_EQ(view.state(), TPipeline::TState::Paused);
    EXPECT_EQ(view.currentPosition(), 0);

    view.setLoopAtEnd(true);
    state.clear();
    view.Play();
    ASSERT_TRUE(state.wait(3000));
    EXPECT_TRUE(state.last().at(0).toBool());
    EXPECT_EQ(view.state(), TPipeline::TState::Running);
    view.EnsurePaused();
    EXPECT_FALSE(state.last().at(0).toBool());
}

TEST_F(Viewgraph, MotionJpegGetsTheInlayStageBeforeTheRenderer)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is needed";
    const QString path = Ffmpeg(dir, "mjpeg.avi", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-frames:v",
                                                   "20", "-c:v", "mjpeg", "-f", "avi"});
    ASSERT_FALSE(path.isEmpty());
    Tviewdm view;
    TaviFichier *r = record(path);
    const Tviewdm::TOpenOutcome outcome = view.OpenForViewing(r);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.show, Tviewdm::TShow::Video);
    EXPECT_TRUE(view.elementNames().contains("superposer"));
    EXPECT_FALSE(view.elementNames().contains("vScenedetect"));
    EXPECT_TRUE(view.framesFormat());
    EXPECT_EQ(view.rangeEnd(), 20);
    view.SeekAndShow(7);
    EXPECT_EQ(view.currentPosition(), 7);
    EXPECT_EQ(view.currentPicture().size(), QSize(160, 120));
    EXPECT_GT(r->facts().frameRate, 0);
}

TEST_F(Viewgraph, FilesWithoutAPicturePath)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is needed";
    struct Case
    {
        const char *name;
        QStringList args;
        Tviewdm::TOpenOutcome expected;
    };
    const QStringList sine{"-f", "lavfi", "-i", "sine=frequency=440:duration=2"};
    const QStringList picture{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=2"};
    const Case cases[] = {
        {"sound.avi", sine + QStringList{"-c:a", "pcm_s16le", "-f", "avi"}, {true, Tviewdm::TShow::PausedNoVideo, 3}},
        // A codec code no decoder knows, with and without sound.
        {"nodecoder.avi",
         picture + sine + QStringList{"-c:v", "mjpeg", "-c:a", "pcm_s16le", "-f", "avi"},
         {true, Tviewdm::TShow::PausedNoVideo, 6}},
        {"silent.avi", picture + QStringList{"-c:v", "mjpeg", "-f", "avi"},
         {false, Tviewdm::TShow::NoVideo, 8}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Ffmpeg(dir, c.name, c.args);
        ASSERT_FALSE(path.isEmpty());
        if (c.expected.kind != 3) {
            ASSERT_TRUE(UnknownCodec(path));
        }
        Tviewdm view;
        TaviFichier *r = record(path);
        QElapsedTimer clock;
        clock.start();
        const Tviewdm::TOpenOutcome outcome = view.OpenForViewing(r);
        EXPECT_EQ(outcome.ok, c.expected.ok);
        EXPECT_EQ(outcome.show, c.expected.show);
        EXPECT_EQ(outcome.kind, c.expected.kind);
        EXPECT_FALSE(view.hasVideo());
        EXPECT_FALSE(view.framesFormat());
        EXPECT_EQ(r->facts().frameRate, 0);
        // No picture to wait for.
        view.SeekAndShow(3000000);
        EXPECT_LT(clock.elapsed(), 2000);
        if (outcome.ok) {
            // The sound stands on the block that holds the position.
            EXPECT_TRUE(view.hasAudio());
            EXPECT_LE(view.currentPosition(), 3000000);
            EXPECT_GE(view.currentPosition(), 2000000);
            view.Play();
            QTest::qWait(300);
            EXPECT_GT(view.currentPosition(), 3000000);
            view.EnsurePaused();
        }
    }
}

TEST_F(Viewgraph, FailedOpensGiveTheKindOfMessage)
{
    const QString path = MakeSampleRecording(dir, "gone.avi", {"--frames", "5"});
    TaviFichier *gone = record(path);
    const QString garbage = dir.filePath("garbage.avi");
    {
        QFile f(garbage);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    }
    TaviFichier *bad = record(garbage);
    ASSERT_TRUE(QFile::remove(path));

    Tviewdm view;
    Tviewdm::TOpenOutcome outcome = view.OpenForViewing(gone);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.show, Tviewdm::TShow::NoVideo);
    EXPECT_EQ(outcome.kind, 1);
    EXPECT_FALSE(view.shown());
    EXPECT_EQ(view.OpenForViewing(bad).kind, 4);
    EXPECT_EQ(view.OpenForViewing(nullptr).kind, 0);

    view.ReleaseFile();
    EXPECT_EQ(view.OpenForViewing(gone).kind, 9);
    EXPECT_EQ(view.OpenForViewing(bad).kind, 9);
}

TEST_F(Viewgraph, DvFramesOfWhichNoPictureDecodesAreNotACorrectDvFile)
{
    const QString path = MakeSampleRecording(dir, "undecodable.avi", {"--frames", "8", "--type", "2"});
    ASSERT_FALSE(path.isEmpty());
    TaviFichier *r = record(path);
    ASSERT_TRUE(r->facts().dvInfoValid);
    // Keep each frame's head blocks (the packs), spoil every other block.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    int spoilt = 0;
    for (qsizetype at = bytes.indexOf("00dc"); at >= 0; at = bytes.indexOf("00dc", at + 4)) {
        const quint32 size = quint8(bytes[at + 4]) | quint8(bytes[at + 5]) << 8 | quint8(bytes[at + 6]) << 16
                             | quint32(quint8(bytes[at + 7])) << 24;
        if (size != 144000)
            continue;
        for (int seq = 0; seq < 12; ++seq)
            std::memset(bytes.data() + at + 8 + seq * 12000 + 480, 0xff, 12000 - 480);
        ++spoilt;
    }
    ASSERT_EQ(spoilt, 8);
    ASSERT_TRUE(f.seek(0));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.close();

    Tviewdm view;
    QElapsedTimer clock;
    clock.start();
    const Tviewdm::TOpenOutcome outcome = view.OpenForViewing(r);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.show, Tviewdm::TShow::NoVideo);
    EXPECT_EQ(outcome.kind, 5);
    EXPECT_LT(clock.elapsed(), Tviewdm::StillWaitMs);
    EXPECT_EQ(DescriptorsOn(path), 0);
}

TEST_F(Viewgraph, ReleaseFileLeavesNoDescriptorOpen)
{
    const QString path = MakeSampleRecording(dir, "release.avi", {"--frames", "10"});
    TaviFichier *r = record(path);
    Tviewdm view;
    ASSERT_TRUE(view.OpenForViewing(r).ok);
    EXPECT_GE(DescriptorsOn(path), 1);
    view.ReleaseFile();
    EXPECT_EQ(DescriptorsOn(path), 0);
    EXPECT_FALSE(view.shown());
    EXPECT_EQ(view.state(), TPipeline::TState::Stopped);
    // The file opens again after a release.
    ASSERT_TRUE(view.OpenForViewing(r).ok);
    view.Clear();
    EXPECT_EQ(DescriptorsOn(path), 0);
    EXPECT_TRUE(view.path().isEmpty());
}

TEST(ViewgraphVolume, LinearVolumeToHundredthsOfDecibel)
{
    const std::pair<int, int> table[] = {{10000, 0}, {5000, -752}, {0, -10000}, {1, -9247},
                                         {20000, 0}, {-5, -10000}};
    for (const auto &[linear, db] : table)
        EXPECT_EQ(Tviewdm::VolumeToHundredthsOfDecibel(linear), db) << linear;
}

} // namespace
