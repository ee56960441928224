// Files as other programs write them: DV under the codec codes of other
// capture cards and programs (remuxed by ffmpeg), recordings whose first
// frames carry no datecode, video at a frame rate of its own and video whose
// codec reorders its pictures.

#include "clirun.h"

#include "avi/fpsunit.h"
#include "support/aviframes.h"
#include "support/ffprobe.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject info(const QString &file)
{
    const TRun r = cli({"info", "--json", file});
    return QJsonDocument::fromJson(r.out).array().at(0).toObject();
}

// The codec code ffprobe reads for the file's video stream.
QByteArray videoTag(const QString &file)
{
    return run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_tag_string", "-of",
                           "csv=p=0", file})
        .out.trimmed();
}

class OtherFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

// Type 2 files whose video stream names its DV by another program's code are
// DV files for every command, and none of the commands writes into them.
TEST_F(OtherFiles, DvUnderOtherCodecCodesIsAcceptedAndLeftUntouched)
{
    if (!haveTool("ffmpeg") || !haveTool("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are needed";
    const QString tape = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "50", "--type", "2", "--jump-at", "30", tape}).exitCode, 0);

    // (code, code ffmpeg may write; empty: written into ffmpeg's CDVC file in place)
    const std::pair<const char *, const char *> codes[] = {{"CDVC", "CDVC"}, {"dv25", "dv25"}, {"dvc ", "dvc "}, {"dsvd", ""}};
    for (const auto &[code, ffmpegTag] : codes) {
        SCOPED_TRACE(code);
        const QString file = path(QStringLiteral("%1.avi").arg(QString::fromLatin1(code).trimmed()));
        const TRun remux = run("ffmpeg", {"-v", "error", "-y", "-i", tape, "-c", "copy", "-vtag",
                                          *ffmpegTag ? ffmpegTag : "CDVC", "-f", "avi", file});
        ASSERT_EQ(remux.exitCode, 0) << remux.err.constData();
        if (!*ffmpegTag) {
            ASSERT_TRUE(WriteCodec(file, CodeFromText(QString::fromLatin1(code))));
        }
        const QByteArray before = fileBytes(file);

        const QJsonObject o = info(file);
        EXPECT_TRUE(o["dv_info_valid"].toBool());
        EXPECT_EQ(o["dv_type"].toInt(), 2);
        EXPECT_EQ(o["standard"].toInt(), 0);
        EXPECT_EQ(o["codec"].toString(), QString::fromLatin1(code));
        EXPECT_EQ(o["first_datecode"].toString(), "2007-12-31T23:59:50");

        TRun r = cli({"CreerScnByDate", "--yes", file});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(cli({"scenes", file}).rows().mid(1),
                  QStringList({"1\t0\t30\t2007-12-31 23:59:50\t", "2\t30\t50\t2008-01-02 03:16:50\t"}));
        r = cli({"CreerSrt", "--yes", file});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_TRUE(fileBytes(path(QFileInfo(file).completeBaseName() + ".srt")).startsWith("1\r\n00:00:00,000 --> 00:00:01,000\r\n31"));
        // A stream copy writes plain dvsd.
        r = cli({"Convertir16x9", "--yes", file});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(videoTag(path(QFileInfo(file).completeBaseName() + "_16x9.avi")), "dvsd");

        EXPECT_EQ(fileBytes(file), before);
    }

    // A DV code over frames that are not DV: not a DV file.
    const QString mjpeg = path("mjpeg.avi");
    ASSERT_EQ(run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "5",
                             "-c:v", "mjpeg", "-f", "avi", mjpeg})
                  .exitCode,
              0);
    ASSERT_TRUE(WriteCodec(mjpeg, MakeFourcc("CDVC")));
    EXPECT_FALSE(info(mjpeg)["dv_info_valid"].toBool());
    EXPECT_EQ(cli({"frames", mjpeg}).exitCode, 1);
}

// The tape runs up before the recording: the file's datecode is the first
// one of its first two seconds, a scene's that of its first dated frame.
TEST_F(OtherFiles, DatecodeOfARecordingThatStartsUndated)
{
    struct TCase
    {
        QStringList options;
        const char *firstDatecode; // null: none
    };
    const TCase cases[] = {
        {{"--type", "2", "--undated", "3"}, "2007-12-31T23:59:50"},
        {{"--type", "1", "--undated", "30"}, "2007-12-31T23:59:51"},
        {{"--type", "2", "--ntsc", "--undated", "59"}, "2007-12-31T23:59:51"},
        {{"--type", "1", "--undated", "50"}, nullptr},
    };
    int n = 0;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const QString file = path(QStringLiteral("tape%1.avi").arg(++n));
        ASSERT_EQ(sample(c.options + QStringList{"--frames", "100", "--jump-at", "80", file}).exitCode, 0);
        const QJsonObject o = info(file);
        EXPECT_TRUE(o["dv_info_valid"].toBool());
        if (c.firstDatecode) {
            EXPECT_EQ(o["first_datecode"].toString(), c.firstDatecode);
            EXPECT_NE(o["datecode_text"].toString(), "N/A");
        } else {
            EXPECT_TRUE(o["first_datecode"].isNull());
            EXPECT_EQ(o["datecode_text"].toString(), "N/A");
            EXPECT_EQ(cli({"AjouterDatecode", "--yes", file}).exitCode, 0);
            EXPECT_TRUE(QFile::exists(file)) << "a file without datecode keeps its name";
        }
    }

    // Three undated frames stay at the head of the first scene, which has the datecode of its fourth frame.
    const QString first = path("tape1.avi");
    ASSERT_EQ(cli({"CreerScnByDate", first}).exitCode, 0);
    EXPECT_EQ(cli({"scenes", first}).rows().value(1), "1\t0\t80\t2007-12-31 23:59:50\t");
}

// A 15 fps clip of exactly two seconds becomes exactly two seconds of PAL DV:
// 50 frames, 96000 samples of sound, nothing padded.
TEST_F(OtherFiles, RecompressionKeepsTheLengthOfAnotherFrameRate)
{
    if (!haveTool("ffmpeg") || !haveTool("ffprobe"))
        GTEST_SKIP() << "ffmpeg and ffprobe are needed";
    const QString clip = path("clip.avi");
    const TRun made = run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=15", "-f", "lavfi",
                                     "-i", "sine=frequency=440:sample_rate=48000", "-t", "2", "-c:v", "mjpeg", "-c:a",
                                     "pcm_s16le", "-ac", "2", "-f", "avi", clip});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    const TRun r = cli({"RecompresserDV2", "--yes", clip});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString out = path("clip_dvtype2.avi");
    const std::vector<TProbedStream> streams = Probe(out);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].packets, 50);
    EXPECT_EQ(AviStreamBytes(out, 1).size(), 2 * 48000 * 4);
}

// The same pictures cut at the same frames whether the codec reorders them
// (MPEG-4 with B-frames) or not (Motion JPEG).
TEST_F(OtherFiles, ContentCutsOfReorderedPicturesAreThoseOfMotionJpeg)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is needed";
    // Three shots of 31, 17 and 27 frames.
    const QString graph = "testsrc=size=160x120:rate=25:duration=1.24[a];color=c=red:size=160x120:rate=25:duration=0.68[b];"
                          "testsrc2=size=160x120:rate=25:duration=1.08[c];[a][b][c]concat=n=3:v=1";
    const QStringList expected = {"1\t0\t31\t-\t", "2\t31\t48\t-\t", "3\t48\t75\t-\t"};
    const std::pair<const char *, QStringList> codecs[] = {
        {"mjpeg", {"-c:v", "mjpeg"}},
        {"mpeg4", {"-c:v", "mpeg4", "-bf", "2", "-g", "300"}},
        {"mpeg4-gop", {"-c:v", "mpeg4", "-bf", "3", "-g", "12"}},
    };
    for (const auto &[name, codec] : codecs) {
        SCOPED_TRACE(name);
        const QString file = path(QStringLiteral("%1.avi").arg(QLatin1String(name)));
        const TRun made = run("ffmpeg", QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", graph} + codec + QStringList{"-f", "avi", file});
        ASSERT_EQ(made.exitCode, 0) << made.err.constData();
        const TRun r = cli({"CreerScnByContenu", "--yes", file});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(cli({"scenes", file}).rows().mid(1), expected);
    }
}

} // namespace
