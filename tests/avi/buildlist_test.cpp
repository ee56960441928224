// The probe and the video file record on files of each kind.

#include "avi/avifichier.h"
#include "avi/aviinfo.h"
#include "avi/buildlist.h"
#include "framework/listfichier.h"

#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

TEST(Probe, StreamsOfEachKindOfFile)
{
    QTemporaryDir dir;
    const QString type1 = MakeSampleRecording(dir, "t1.avi", {"--frames", "25", "--type", "1"});
    const QString type2 = MakeSampleRecording(dir, "t2.avi", {"--frames", "30", "--type", "2", "--ntsc"});
    ASSERT_FALSE(type1.isEmpty());
    ASSERT_FALSE(type2.isEmpty());
    TdmList probe;

    ASSERT_TRUE(probe.Probe(type1));
    TProbeResult r = probe.result();
    EXPECT_EQ(r.streamCount, 1);
    EXPECT_TRUE(r.dvAccepted);
    EXPECT_TRUE(r.interleavedFound);
    EXPECT_TRUE(r.videoFound);
    EXPECT_TRUE(r.audioFound);
    EXPECT_EQ(r.videoDuration, 25 * 400000);
    EXPECT_EQ(r.audioDuration, r.videoDuration);
    EXPECT_TRUE(r.firstDatecodePresent);
    EXPECT_EQ(r.firstDatecode, EncodeDateTime(2007, 12, 31, 23, 59, 50));

    ASSERT_TRUE(probe.Probe(type2));
    r = probe.result();
    EXPECT_EQ(r.streamCount, 2);
    EXPECT_TRUE(r.dvAccepted);
    EXPECT_FALSE(r.interleavedFound);
    EXPECT_EQ(r.videoFormat.avgTimePerFrame, 333667);
    EXPECT_EQ(r.audioFormat.samplesPerSec, 48000u);

    // A file that cannot be loaded.
    EXPECT_FALSE(probe.Probe(dir.filePath("missing.avi")));
}

struct TRecordCase
{
    const char *name;
    QStringList options;
    int dvType;
    int standard;
    const char *videoText;
    const char *aspectText;
    double frameRate;
    int frameCount;
    const char *durationText;
};

TEST(VideoFileRecord, FieldsOfDvFiles)
{
    QTemporaryDir dir;
    const TRecordCase cases[] = {
        {"pal1.avi", {"--frames", "45", "--type", "1"}, 1, 0, "720 x 576 (Pal", " 4x3)", 25.0, 45, "1s 20fr"},
        {"ntsc2.avi", {"--frames", "20", "--type", "2", "--ntsc", "--wide"}, 2, 1, "720 x 480 (NTSC", " 16x9)", 29.97, 20, "20en"},
    };
    for (const TRecordCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = MakeSampleRecording(dir, c.name, c.options);
        ASSERT_FALSE(path.isEmpty());
        QFile(path.left(path.size() - 4) + ".srt").open(QIODevice::WriteOnly);
        const TaviFichier r(path, QStringLiteral("yyyy-mm-dd hh:nn:ss"));
        EXPECT_TRUE(r.dvInfoValid);
        EXPECT_EQ(r.dvType, c.dvType);
        EXPECT_EQ(r.standard, c.standard);
        EXPECT_EQ(r.videoText, c.videoText);
        EXPECT_EQ(r.aspectText, c.aspectText);
        EXPECT_NEAR(r.frameRate, c.frameRate, 0.01);
        EXPECT_EQ(r.frameCount, c.frameCount);
        EXPECT_EQ(r.durationText, c.durationText);
        EXPECT_EQ(r.audioText, "48000Hz 16 bits  stereo");
        EXPECT_EQ(r.datecodeText, "2007-12-31 23:59:50");
        EXPECT_EQ(r.timecodeText, "00.00.00.00");
        EXPECT_EQ(r.codec, "dvsd");
        EXPECT_TRUE(r.hasSubtitleFile);
        EXPECT_FALSE(r.hasSceneFile);
        EXPECT_TRUE(r.hasDatecode());
        EXPECT_TRUE(r.GetSortKey(sortindex::Datecode()).startsWith("20071231235950"));
    }
}

TEST(VideoFileRecord, FilesThatAreNotDvSortLast)
{
    QTemporaryDir dir;
    const QString dv = MakeSampleRecording(dir, "dv.avi", {"--frames", "5"});
    const QString text = dir.filePath("notes.avi");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a video");
    f.close();

    const TaviFichier dvRecord(dv);
    const TaviFichier textRecord(text);
    EXPECT_FALSE(textRecord.dvInfoValid);
    EXPECT_EQ(textRecord.standard, 2);
    EXPECT_EQ(textRecord.datecodeSortText, QString(QChar(0xFF)));
    EXPECT_FALSE(textRecord.hasDatecode());
    EXPECT_LT(CompareSortKeys(dvRecord.GetSortKey(sortindex::Datecode()), textRecord.GetSortKey(sortindex::Datecode())), 0);

    EXPECT_THROW(TaviFichier(dir.filePath("missing.avi")), TFileOpenError);

    if (!QStandardPaths::findExecutable("ffmpeg").isEmpty()) {
        // Motion JPEG: formats filled, no DV, nothing written to the file.
        const QString mjpeg = dir.filePath("mjpeg.avi");
        QProcess make;
        make.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "5",
                              "-c:v", "mjpeg", "-f", "avi", mjpeg});
        ASSERT_TRUE(make.waitForFinished(60000));
        QFile before(mjpeg);
        ASSERT_TRUE(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        const TaviFichier r(mjpeg);
        EXPECT_FALSE(r.dvInfoValid);
        EXPECT_EQ(r.standard, 2);
        EXPECT_EQ(r.videoText, "64 x 48");
        EXPECT_NEAR(r.frameRate, 25.0, 0.01);
        QFile after(mjpeg);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), bytes);
    }
}

} // namespace
