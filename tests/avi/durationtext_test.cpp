#include "avi/durationtext.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kPalFrame = 400000;

TEST(DurationText, FramesAndMilliseconds)
{
    const struct
    {
        qint64 duration;
        const char *frames;
        const char *milliseconds;
    } cases[] = {
        {45 * kPalFrame, "1s 20fr", "1s 800ms"},
        {20 * kPalFrame, "20en", "800milliseconds"},
        {((3600 + 2 * 60 + 3) * 25 + 4) * kPalFrame, "1h 02mn 03s 04fr", "1h 02mn 03s 160ms"},
        {(125 * 25 + 1) * kPalFrame, "2mn 05s 01fr", "2mn 05s 040ms"},
        {0, "0en", "0milliseconds"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(FrameDurationText(c.duration, kPalFrame), c.frames);
        EXPECT_EQ(MillisecondText(c.duration), c.milliseconds);
    }
    // NTSC frames: 10^7 / 29.97 rounded.
    EXPECT_EQ(FrameDurationText(10000000 + 15 * 333667, 333667), "1s 15fr");
}

TEST(DurationText, AudioFormatNames)
{
    EXPECT_EQ(AudioFormatName(1), "PCM");
    EXPECT_EQ(AudioFormatName(85), "MP3");
    EXPECT_EQ(AudioFormatName(5120), "NORRIS");
    EXPECT_EQ(AudioFormatName(4), "Unknown");
}

} // namespace
