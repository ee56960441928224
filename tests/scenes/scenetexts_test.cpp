#include "scenes/derivedpath.h"
#include "scenes/roundeven.h"
#include "scenes/scenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    const struct { double in, out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {599.4, 599},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(DerivedFilePath, ReplacesTheExtensionOfTheNameOnly)
{
    const struct { const char *video, *suffix, *expected; } cases[] = {
        {"/v/clip.avi", ".scn", "/v/clip.scn"},
        {"/v/clip.part.avi", ".srt", "/v/clip.part.srt"},
        {"/v/a.b/clip", ".scn", "/v/a.b/clip.scn"},
        {"clip", ".srt", "clip.srt"},
        {"/v/clip.avi", "_scn.txt", "/v/clip_scn.txt"},
        {"/v/clip.", ".scn", "/v/clip.scn"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DerivedFilePath(QString::fromUtf8(c.video), QString::fromUtf8(c.suffix)), QString::fromUtf8(c.expected));
}

TEST(SceneDuration, EachFormatLeavesOutLeadingZeroUnits)
{
    const struct { quint32 frames; double fps; int format; const char *text; } cases[] = {
        {12, 25, 0, "00.12"}, {12, 25, 1, "00:12"}, {12, 25, 2, "12en"},
        {90000, 25, 0, "1:00:00.00"}, {90000, 25, 1, "1:00:00:00"}, {90000, 25, 2, "1h 00mn 00s 00fr"},
        {1537, 25, 0, "01:01.12"}, {1537, 25, 1, "01:01:12"}, {1537, 25, 2, "1mn 01s 12fr"},
        {262, 25, 0, "10.12"}, {262, 25, 1, "10:12"}, {262, 25, 2, "10s 12fr"},
        {0, 25, 2, "0en"},
        // 30 frames at 29.97: one second and 0.03 of a frame, rounded to 0.
        {30, 29.97, 0, "01.00"},
        // An unknown format number falls back to the first form.
        {12, 25, 7, "00.12"},
        {12, 0, 0, "??"}, {12, -25, 1, "??"}, {12, std::numeric_limits<double>::quiet_NaN(), 2, "??"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatSceneDuration(c.frames, c.fps, c.format), QString::fromUtf8(c.text))
            << c.frames << " frames at " << c.fps << " format " << c.format;
}

TEST(SceneRunningTime, HoursMinutesSecondsFrames)
{
    const struct { quint32 frame; double fps; const char *text; } cases[] = {
        {0, 25, "0:00:00:00"},
        {1537, 25, "0:01:01:12"},
        {90000, 25, "1:00:00:00"},
        {30, 29.97, "0:00:01:00"},
        {29, 29.97, "0:00:00:29"},
        {2700000, 25, "30:00:00:00"}, // hours are not limited to 24
        {4294967295u, 25, "47721:51:31:20"},
        {10, 0, "??"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatRunningTime(c.frame, c.fps), QString::fromUtf8(c.text)) << c.frame;
}

TEST(SceneThumbnail, LargestSizeWithTheVideoRatioInside320By240)
{
    const struct { int width, height; QSize size; } cases[] = {
        {720, 540, {320, 240}}, {720, 405, {320, 180}}, {720, 576, {300, 240}}, {0, 540, {320, 240}}, {720, -1, {320, 240}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ThumbnailSize(c.width, c.height), c.size) << c.width << "x" << c.height;
}

TEST(SceneRecord, CreatedEmptyWithDurationAndThumbnailOnlyForAVideo)
{
    const TSceneClass bare(100, 112);
    EXPECT_EQ(bare.Number, 0);
    EXPECT_TRUE(bare.Caption.isEmpty());
    EXPECT_EQ(bare.ThumbnailOffset, 0u);
    EXPECT_FALSE(bare.DetailsLoaded);
    EXPECT_TRUE(bare.DurationText.isEmpty());
    EXPECT_TRUE(bare.Thumbnail.isNull());

    const TSceneVideo video{25, 720, 405, 2};
    const TSceneClass scene(100, 112, &video);
    EXPECT_EQ(scene.DurationText, QStringLiteral("12en"));
    EXPECT_EQ(scene.Thumbnail.size(), QSize(320, 180));
    EXPECT_EQ(scene.Thumbnail.depth(), 24);
}

TEST(SceneRecord, ListTextIsNumberAndCaption)
{
    TSceneClass scene(0, 250);
    scene.Number = 3;
    scene.Caption = QStringLiteral("Beach");
    EXPECT_EQ(scene.ListText(), QStringLiteral("Scene 3: Beach"));
    scene.Caption.clear();
    scene.Number = 1;
    EXPECT_EQ(scene.ListText(), QStringLiteral("Scene 1: "));
}
