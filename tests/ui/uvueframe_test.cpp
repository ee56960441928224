// The video view: fitting the picture, the time stamp, the texts of a tick,
// the messages, and the view driving the playback pipeline on a real file.

#include "avi/records/avifichier.h"
#include "pipelines/playback/viewgraph.h"
#include "pipelines/renderers/videorenderer.h"
#include "ui/uvueframe.h"

#include "support/pinnedlocale.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>

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
        {{10, 20, 1000, 300}, 1024, 576, {309, 20, 533, 300}}, // 16:9 in a wide area
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

} // namespace
