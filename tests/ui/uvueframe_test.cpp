// The video view: fitting the picture, the time stamp, the texts of a tick,
// the messages, and the view driving the playback pipeline on a real file.

#include "avi/records/avifichier.h"
#include "pipelines/playback/viewgraph.h"
#include "pipelines/renderers/videorenderer.h"
#include "ui/uvueframe.h"

#include "support/pinnedlocale.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>

#include <memory>

namespace {

TEST(VueFrameLayout, FitsThePictureCentredInTheArea)
{
    struct Case
    {
        QRect area;
        int w, h;
        QRect expected;
    };
    const Case cases[] = {
        {{0, 0, 400, 400}, 720, 576, {0, 40, 400, 320}},     // wider: full width, 40 above and below
        {{25, 25, 400, 300}, 768, 576, {25, 25, 400, 300}},  // same proportions: the whole area
        {{0, 0, 400, 400}, 576, 720, {40, 0, 320, 400}},     // taller: full height
        {{10, 20, 1000, 300}, 1024, 576, {243, 20, 533, 300}}, // 16:9 in a wide area
    };
    for (const Case &c : cases)
        EXPECT_EQ(FitPicture(c.area, c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(VueFrameLayout, TimeStampFontGrowsPast500Pixels)
{
    EXPECT_EQ(TimeStampFontSize(300), 10);
    EXPECT_EQ(TimeStampFontSize(500), 10);
    EXPECT_EQ(TimeStampFontSize(501), 10); // 501 / 48
    EXPECT_EQ(TimeStampFontSize(1000), 20);
    EXPECT_EQ(TimeStampFontSize(1920), 40);
}

TEST(VueFrameTexts, TimeStampInFramesOrMilliseconds)
{
    EXPECT_EQ(TimeStampText(0, 25), QStringLiteral("0:00:00:00"));
    EXPECT_EQ(TimeStampText(25 * 3723 + 7, 25), QStringLiteral("1:02:03:07"));
    EXPECT_EQ(TimeStampText(30, 29.97), QStringLiteral("0:00:01:00")); // 30 - 29.97 truncated
    EXPECT_EQ(TimeStampText(12345678, 0), QStringLiteral("0:00:01:234"));
    EXPECT_EQ(TimeStampText(qint64(36001) * 10000000, 0), QStringLiteral("10:00:01:000"));
}

TEST(VueFrameTexts, BeforeTheFirstFrameAndWithoutCodes)
{
    TSceneDetectSnapshot none;
    TVueTexts t = MakeVueTexts(none, nullptr, {}, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(t.datecode, QStringLiteral("-"));
    EXPECT_EQ(t.timecode, QStringLiteral("-"));
    EXPECT_TRUE(t.audio1.isEmpty());
    EXPECT_EQ(t.sliderPosition, -1);

    TSceneDetectSnapshot frame;
    frame.framePassed = true;
    t = MakeVueTexts(frame, nullptr, {}, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(t.datecode, QStringLiteral("N/A"));
    EXPECT_EQ(t.timecode, QStringLiteral("N/A"));

    frame.current.timecodePresent = true;
    frame.current.timecode = {1, 2, 3, 4};
    frame.current.datecodePresent = true;
    frame.current.datecode = 45000.5; // 15/03/2023 12:00
    TVuePosition shift;
    shift.displayShift = 1.0;
    t = MakeVueTexts(frame, nullptr, shift, QStringLiteral("dd/mm/yyyy hh:nn"));
    EXPECT_EQ(t.timecode, QStringLiteral("01.02.03.04"));
    EXPECT_EQ(t.datecode, QStringLiteral("16/03/2023 12:00"));
}

TEST(VueFrameTexts, SliderFollowsThePositionInTheRange)
{
    TSceneDetectSnapshot s;
    TVuePosition p;
    p.running = true;
    p.position = 75;
    p.start = 50;
    p.stop = 150;
    p.frameRate = 25;
    const TVueTexts t = MakeVueTexts(s, nullptr, p, {});
    EXPECT_EQ(t.sliderPosition, 250);
    EXPECT_EQ(t.timeStamp, QStringLiteral("0:00:03:00"));
    p.stop = p.start; // an empty range leaves the slider alone
    EXPECT_EQ(MakeVueTexts(s, nullptr, p, {}).sliderPosition, -1);
}

TEST(VueFrameTexts, MessagesShowThePathAsItIs)
{
    const QString path = QStringLiteral("/Videos/Holiday.AVI");
    const QString head = QStringLiteral("<br><br><br><b><i><SIZE 14>Video not available</size></i></b><br><br>");
    EXPECT_EQ(VueMessage(1, path, {}), head + "The file<br><br><b><color blue>/Videos/Holiday.AVI</color></b><br>is not found.");
    EXPECT_EQ(VueMessage(2, path, "CDVC"),
              head + "The file<br><br><b><color blue>/Videos/Holiday.AVI</color></b><br><br>seems to have a non standard "
                     "DV codec.<br>To show the video, try to change the codec \"CDVC\" to \"dvsd\".");
    EXPECT_TRUE(VueMessage(3, path, {}).endsWith("</color></b><br><br>has only audio streams"));
    EXPECT_TRUE(VueMessage(4, path, {}).endsWith("seems not to be a correct AVI file."));
    EXPECT_TRUE(VueMessage(5, path, {}).endsWith("seems not to be a correct DV file."));
    EXPECT_EQ(VueMessage(6, path, "XVID"),
              head + "There is no directshow filter on your system that can decompress the<br><B><COLOR BLUE>codec "
                     "XVID</COLOR></B><br><br><i>You can play the Audio</i>");
    EXPECT_TRUE(VueMessage(7, path, "XVID").endsWith("codec XVID</COLOR></B><br><br><i>Unknown audio</i>"));
    EXPECT_TRUE(VueMessage(8, path, "XVID").endsWith("codec XVID</COLOR></B><br><br><i>No Audio</i>"));
    EXPECT_EQ(VueMessage(9, "Holiday.AVI", {}),
              head + "Temporary break of the video<br>to execute a command<br><br><b><color blue>Holiday.AVI</color></b>");
    EXPECT_TRUE(VueMessage(0, path, {}).isEmpty());
    EXPECT_TRUE(VueMessage(10, path, {}).isEmpty());
    for (int kind = 1; kind <= 5; ++kind)
        EXPECT_TRUE(VueMessage(kind, path, "dvsd").contains(path)) << kind;
}

class VueFrame : public ::testing::Test
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

TEST_F(VueFrame, AudioAndPictureTextsOfADvType1Frame)
{
    const QString path = MakeSampleRecording(dir, "texts.avi", {"--frames", "3", "--wide"});
    ASSERT_FALSE(path.isEmpty());
    const TaviFichier *r = record(path);
    TSceneDetectSnapshot s;
    s.framePassed = true;
    s.current.is16x9 = true;
    s.current.sampleRate = 48000;
    s.current.sampleBits = 16;
    struct Case
    {
        int mode;
        QString audio1, audio2;
    };
    const Case cases[] = {
        {0, "N/A", ""},
        {1, "48000Hz 16Bits mono", "PCM 96000 bytes/s"},
        {2, "48000Hz 16Bits stereo", "PCM 192000 bytes/s"},
        {4, "48000Hz 16Bits stereo(2x)", "PCM 384000 bytes/s"},
    };
    for (const Case &c : cases) {
        s.current.channels = c.mode;
        const TVueTexts t = MakeVueTexts(s, r, {}, {});
        EXPECT_EQ(t.audio1, c.audio1) << c.mode;
        EXPECT_EQ(t.audio2, c.audio2) << c.mode;
        EXPECT_EQ(t.picture, r->texts().video + " 16x9)");
    }
    s.current.is16x9 = false;
    EXPECT_EQ(MakeVueTexts(s, r, {}, {}).picture, r->texts().video + " 4x3)");
}

TEST_F(VueFrame, ShowsAPalFileAndStepsBySeconds)
{
    const QString path = MakeSampleRecording(dir, "view.avi", {"--frames", "80"});
    ASSERT_FALSE(path.isEmpty());
    Tviewdm playback;
    TVueFrame view(playback);
    view.resize(1000, 700);
    view.show();
    QSignalSpy texts(&view, &TVueFrame::textsReady);
    view.ShowFile(record(path));
    EXPECT_FALSE(view.messageVisible());
    EXPECT_TRUE(view.sliderVisible());
    EXPECT_TRUE(view.timerActive());
    EXPECT_EQ(view.timeStampFontSize(), 20);
    // 4:3 at its display aspect in 950 x (700 - 25 - bottom).
    const QRect r = view.pictureRect();
    EXPECT_LE(std::abs(r.width() * 3 - r.height() * 4), 4);
    EXPECT_EQ(r.height(), 700 - 25 - std::max(25, view.timeStampLabel()->height() + 4));
    EXPECT_EQ(view.currentPicture().size(), QSize(768, 576));

    ASSERT_GE(texts.count(), 1);
    TVueTexts t = texts.last().at(0).value<TVueTexts>();
    EXPECT_EQ(t.timeStamp, QStringLiteral("0:00:00:00"));
    EXPECT_EQ(t.timecode, QStringLiteral("00.00.00.00"));
    EXPECT_EQ(t.sliderPosition, 0);

    view.StepSecond(1);
    EXPECT_EQ(playback.currentPosition(), 25);
    t = texts.last().at(0).value<TVueTexts>();
    EXPECT_EQ(t.timeStamp, QStringLiteral("0:00:01:00"));
    EXPECT_EQ(t.timecode, QStringLiteral("00.00.01.00"));
    EXPECT_EQ(t.sliderPosition, 25 * 1000 / 80);
    view.StepFrame(-1);
    EXPECT_EQ(playback.currentPosition(), 24);
    view.GoToEnd();
    EXPECT_EQ(playback.currentPosition(), 79);
    view.GoToStart();
    EXPECT_EQ(playback.currentPosition(), 0);

    // The slider seeks where it is released.
    view.positionSlider()->setValue(500);
    emit view.positionSlider()->sliderPressed();
    EXPECT_FALSE(view.timerActive());
    emit view.positionSlider()->sliderReleased();
    EXPECT_EQ(playback.currentPosition(), 40);
    EXPECT_TRUE(view.timerActive());

    view.stopTimer40();
    EXPECT_FALSE(view.timerActive());
    view.ShowNoFile();
    EXPECT_FALSE(view.sliderVisible());
}

TEST_F(VueFrame, UnknownFrameRateStepsInHundredNanoseconds)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is needed";
    const QString path = dir.filePath("sound.avi");
    QProcess make;
    make.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a",
                          "pcm_s16le", "-f", "avi", path});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0);
    Tviewdm playback;
    TVueFrame view(playback);
    view.resize(400, 400);
    QSignalSpy texts(&view, &TVueFrame::textsReady);
    view.ShowFile(record(path));
    EXPECT_TRUE(view.messageVisible());
    EXPECT_TRUE(view.sliderVisible());
    EXPECT_TRUE(view.messageMarkup().contains(path));
    EXPECT_TRUE(view.messageMarkup().endsWith("has only audio streams"));
    EXPECT_FALSE(playback.framesFormat());
    view.StepSecond(1);
    const qint64 first = playback.currentPosition();
    EXPECT_GE(first, 9000000);
    EXPECT_LE(first, 10000000);
    const TVueTexts t = texts.last().at(0).value<TVueTexts>();
    EXPECT_EQ(t.datecode, QStringLiteral("-"));
    EXPECT_TRUE(t.timeStamp.startsWith(QStringLiteral("0:00:0")));
    EXPECT_EQ(t.timeStamp.size(), QStringLiteral("0:00:00:000").size());
}

TEST_F(VueFrame, MissingFileShowsItsPathAsItIs)
{
    const QString path = MakeSampleRecording(dir, "Mixed Case.AVI", {"--frames", "3"});
    ASSERT_FALSE(path.isEmpty());
    TaviFichier *r = record(path);
    ASSERT_TRUE(QFile::remove(path));
    Tviewdm playback;
    TVueFrame view(playback);
    view.resize(400, 400);
    view.ShowFile(r);
    EXPECT_TRUE(view.messageVisible());
    EXPECT_FALSE(view.sliderVisible());
    EXPECT_EQ(view.messageMarkup(), VueMessage(1, path, r->texts().codec));
    playback.ReleaseFile();
    view.ShowFile(r);
    EXPECT_EQ(view.messageMarkup(), VueMessage(9, QStringLiteral("Mixed Case.AVI"), {}));
}

TEST_F(VueFrame, InlaySlidersAndCorner)
{
    Tviewdm playback;
    TVueFrame view(playback);
    QSignalSpy chosen(&view, &TVueFrame::inlayPositionChosen);
    view.setInlayPosition(300, 800);
    EXPECT_EQ(view.inlaySliderX()->value(), 300);
    EXPECT_EQ(view.inlaySliderY()->value(), 200);
    EXPECT_EQ(chosen.count(), 0);
    view.inlaySliderY()->setValue(100);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.last().at(0).toInt(), 300);
    EXPECT_EQ(chosen.last().at(1).toInt(), 900);
}

} // namespace
