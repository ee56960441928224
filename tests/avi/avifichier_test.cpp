// The texts of a video file record, made from its facts.

#include "avi/records/avifichier.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TVideoFileFacts DvFacts()
{
    return {.aviValid = true, .probed = true, .codec = fcc::dvsd,
            .hasVideo = true, .width = 720, .height = 576, .frameTime = 400000, .frameRate = 25, .frameCount = 45,
            .duration = 45 * 400000,
            .hasAudio = true, .audioFormatTag = 1, .channels = 2, .sampleRate = 32000, .sampleBits = 16,
            .audioBytesPerSecond = 128000, .audioDuration = 45 * 400000,
            .dvInfoValid = true, .dvType = TDvType::Type1, .interleaved = true, .standard = TVideoStandard::Pal,
            .aspect = TDisplayAspect::Ratio16x9, .firstDatecode = EncodeDateTime(2005, 6, 7, 8, 9, 10),
            .firstTimecode = TTimecodeFields{1, 2, 3, 4}};
}

// The DV facts changed by edit.
TVideoFileFacts DvFactsWith(const std::function<void(TVideoFileFacts &)> &edit)
{
    TVideoFileFacts f = DvFacts();
    edit(f);
    return f;
}

// Facts of another video with mono sound.
void OtherVideo(TVideoFileFacts &f)
{
    f.dvInfoValid = f.interleaved = false;
    f.dvType = TDvType::None;
    f.standard = TVideoStandard::Unknown;
    f.aspect = TDisplayAspect::Unknown;
    f.firstDatecode.reset();
    f.firstTimecode.reset();
    f.codec = MakeFourcc("MJPG");
    f.width = 64;
    f.height = 48;
    f.channels = 1;
    f.audioBytesPerSecond = 64000;
}

struct TTextsCase
{
    const char *name;
    TVideoFileFacts facts;
    TVideoFileTexts texts;
};

TEST(VideoFileTexts, MadeFromTheFacts)
{
    const QString fe = QString(QChar(0xFE));
    const QString ff = QString(QChar(0xFF));
    const TTextsCase cases[] = {
        {"dv", DvFacts(),
         {"2005-06-07 08:09:10", "20050607080910", "01.02.03.04", "dvsd", "720 x 576 (Pal", " 16x9)", "1s 20fr",
          "32000Hz 12(16) bits  stereo", " stereo", "PCM 128000 bytes/s", "1s 20fr"}},
        {"dv without datecode", DvFactsWith([](TVideoFileFacts &f) {
             f.height = 480;
             f.standard = TVideoStandard::Ntsc;
             f.aspect = TDisplayAspect::Ratio4x3;
             f.firstDatecode.reset();
             f.firstTimecode.reset();
         }),
         {"N/A", "N/A", "N/A", "dvsd", "720 x 480 (NTSC", " 4x3)", "1s 20fr", "32000Hz 12(16) bits  stereo", " stereo",
          "PCM 128000 bytes/s", "1s 20fr"}},
        {"other video", DvFactsWith(OtherVideo),
         {"-", fe, "-", "MJPG", "64 x 48", "", "1s 20fr", "32000Hz 16 bits  mono", " mono", "PCM 64000 bytes/s", "1s 20fr"}},
        {"sound only", DvFactsWith([](TVideoFileFacts &f) {
             OtherVideo(f);
             f.hasVideo = false;
             f.codec.reset();
             f.frameTime = 0;
             f.audioFormatTag = 85;
             f.channels = 6;
             f.sampleRate = 22050;
             f.sampleBits = 0;
             f.audioBytesPerSecond = 16000;
             f.audioDuration = 25000000;
         }),
         {"-", fe, "-", "", "N/A", "", "", "22050Hz  stereo (6)", " stereo (6)", "MP3 16000 bytes/s", "2s 500ms"}},
        {"no stream", DvFactsWith([](TVideoFileFacts &f) {
             f = TVideoFileFacts{};
             f.aviValid = f.probed = true;
         }),
         {"-", ff, "-", "", "N/A", "", "", "N/A", "", "", ""}},
        {"not an AVI file", TVideoFileFacts{}, {"", ff, "", "", "N/A", "", "", "N/A", "", "", ""}},
    };
    for (const TTextsCase &c : cases) {
        SCOPED_TRACE(c.name);
        const TVideoFileTexts t = VideoFileTexts(c.facts, QStringLiteral("yyyy-mm-dd hh:nn:ss"));
        EXPECT_EQ(t.datecode, c.texts.datecode);
        EXPECT_EQ(t.datecodeSort, c.texts.datecodeSort);
        EXPECT_EQ(t.timecode, c.texts.timecode);
        EXPECT_EQ(t.codec, c.texts.codec);
        EXPECT_EQ(t.video, c.texts.video);
        EXPECT_EQ(t.aspect, c.texts.aspect);
        EXPECT_EQ(t.duration, c.texts.duration);
        EXPECT_EQ(t.audio, c.texts.audio);
        EXPECT_EQ(t.channel, c.texts.channel);
        EXPECT_EQ(t.audioFormat, c.texts.audioFormat);
        EXPECT_EQ(t.audioDuration, c.texts.audioDuration);
    }
    EXPECT_EQ(cases[0].facts.displayHeight(), 405);
    EXPECT_EQ(cases[1].facts.displayHeight(), 540);
    EXPECT_EQ(cases[2].facts.displayHeight(), 48);
}

} // namespace
