// tarvex-cli as a user runs it: on recordings made by tarvex-sample, on DV made
// by ffmpeg (checked against mediainfo), on damaged files and on wrong input.

#include "clirun.h"

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/dvcodes.h"
#include "scenes/scenefile.h"
#include "scenes/scenes.h"
#include "support/mediainfo.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QStringList columns(const QString &row)
{
    return row.split(QLatin1Char('\t'));
}

// The recording date (to the second) and the first frame's timecode that
// mediainfo reads from a file; empty strings for what it does not report.
std::pair<QString, QString> mediainfoFacts(const QString &file)
{
    QString recorded, timecode;
    for (const QJsonValue &track : MediainfoTracks(file)) {
        if (track["Recorded_Date"].isString())
            recorded = track["Recorded_Date"].toString().left(19);
        if (track["TimeCode_FirstFrame"].isString())
            timecode = track["TimeCode_FirstFrame"].toString();
    }
    return {recorded, timecode};
}

// Writes the DV frames of a raw DV file (a run of whole frames) as a DV AVI file of type 1.
bool wrapRawDv(const QString &dvPath, const QString &aviPath)
{
    QFile in(dvPath);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    bool ntsc = false;
    if (bytes.size() < 4 || !ReadSystem(reinterpret_cast<const quint8 *>(bytes.constData()), ntsc))
        return false;
    const int frameSize = ntsc ? dif::FrameSize525 : dif::FrameSize625;
    const auto *first = reinterpret_cast<const quint8 *>(bytes.constData());
    TAviWriter writer;
    if (!writer.open(aviPath, TAviWriterConfig::dvType1(ntsc ? TAviDvSystem::Ntsc : TAviDvSystem::Pal,
                                                        DvInfoFromFrame(first, DifSequenceCount(frameSize)))))
        return false;
    for (qsizetype at = 0; at + frameSize <= bytes.size(); at += frameSize)
        if (!writer.writeSample(0, bytes.constData() + at, quint32(frameSize)))
            return false;
    return writer.close();
}

class Cli : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

struct TSampleCase
{
    const char *name;
    QStringList options;
    int frames;
    int jumpAt;
    const char *aspect;
    const char *system;
    int fps;
};

TEST_F(Cli, FramesListsEverySampleRecording)
{
    const TSampleCase cases[] = {
        {"type1-pal", {"--type", "1"}, 60, 30, "4:3", "PAL", 25},
        {"type2-ntsc-wide", {"--type", "2", "--ntsc", "--wide"}, 70, 40, "16:9", "NTSC", 30},
    };
    for (const TSampleCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name) + QStringLiteral(".avi");
        QStringList args = c.options;
        args << "--frames" << QString::number(c.frames) << "--jump-at" << QString::number(c.jumpAt)
             << "--start" << "2004-02-28T23:59:58" << file;
        ASSERT_EQ(sample(args).exitCode, 0);

        const TRun r = cli({"frames", file});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
        const QStringList rows = r.rows();
        ASSERT_EQ(rows.size(), c.frames + 1);
        EXPECT_EQ(rows[0], "frame\tdatecode\ttimecode\taspect\tsystem\taudio");

        // The camcorder clock runs in whole seconds (across the leap day), the
        // second scene starts a day, 3 hours and 17 minutes later, and the
        // timecode runs on over the jump.
        const QDateTime start(QDate(2004, 2, 28), QTime(23, 59, 58));
        for (int i = 0; i < c.frames; ++i) {
            const QStringList col = columns(rows[i + 1]);
            ASSERT_EQ(col.size(), 6) << rows[i + 1].toStdString();
            EXPECT_EQ(col[0].toInt(), i);
            const QDateTime expected = i < c.jumpAt ? start.addSecs(i / c.fps)
                                                    : start.addDays(1).addSecs(3 * 3600 + 17 * 60 + (i - c.jumpAt) / c.fps);
            EXPECT_EQ(col[1], expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) << "frame " << i;
            EXPECT_EQ(col[2], QStringLiteral("00:00:%1:%2").arg(i / c.fps, 2, 10, QLatin1Char('0')).arg(i % c.fps, 2, 10, QLatin1Char('0')));
            EXPECT_EQ(col[3], c.aspect);
            EXPECT_EQ(col[4], c.system);
            EXPECT_EQ(col[5], "48000/16/2");
        }

        if (haveTool("ffprobe")) {
            const TRun probe = run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                                               "stream=codec_name,nb_read_packets", "-of", "csv=p=0", file});
            EXPECT_EQ(probe.exitCode, 0);
            EXPECT_TRUE(probe.err.isEmpty()) << probe.err.constData();
            EXPECT_EQ(probe.out.trimmed(), QByteArray("dvvideo,") + QByteArray::number(c.frames));
        }
        if (haveTool("mediainfo")) {
            EXPECT_EQ(mediainfoFacts(file), std::make_pair(QString("2004-02-28 23:59:58"), QString("00:00:00:00")));
        }
    }
}

// DV written by ffmpeg's own DV muxer, wrapped in an AVI file: the first row
// carries the recording date and timecode that mediainfo reads from the DV.
TEST_F(Cli, FramesAgreesWithMediainfoOnFfmpegDv)
{
    if (!haveTool("ffmpeg") || !haveTool("mediainfo"))
        GTEST_SKIP() << "ffmpeg and mediainfo are needed";
    struct TCase
    {
        const char *name, *size, *rate, *pixfmt, *created, *timecode, *system;
    } cases[] = {
        {"pal", "720x576", "25", "yuv420p", "2019-05-06T07:08:09", "01:02:03:04", "PAL"},
        {"ntsc", "720x480", "30000/1001", "yuv411p", "1999-12-31T23:59:58", "10:20:30:15", "NTSC"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dv = path(c.name) + QStringLiteral(".dv");
        const QString avi = path(c.name) + QStringLiteral(".avi");
        const TRun made = run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                         QStringLiteral("testsrc=size=%1:rate=%2").arg(c.size, c.rate), "-f", "lavfi",
                                         "-i", "sine=sample_rate=48000", "-frames:v", "6", "-shortest", "-c:v", "dvvideo",
                                         "-pix_fmt", c.pixfmt, "-c:a", "pcm_s16le", "-ac", "2", "-metadata",
                                         QStringLiteral("creation_time=%1").arg(c.created), "-metadata",
                                         QStringLiteral("timecode=%1").arg(c.timecode), "-f", "dv", dv});
        ASSERT_EQ(made.exitCode, 0) << made.err.constData();
        ASSERT_TRUE(wrapRawDv(dv, avi));

        const auto [recorded, timecode] = mediainfoFacts(dv);
        ASSERT_FALSE(recorded.isEmpty());
        ASSERT_FALSE(timecode.isEmpty());

        const TRun r = cli({"frames", avi});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QStringList first = columns(r.rows().value(1));
        ASSERT_EQ(first.size(), 6);
        EXPECT_EQ(first[1], recorded);
        EXPECT_EQ(first[2], timecode);
        EXPECT_EQ(first[4], c.system);
        EXPECT_EQ(first[5], "48000/16/2");
    }
}

// A sample that is not a whole DV frame, and a file cut short inside its last
// frame: their rows have '-' in every column, the rest is read.
TEST_F(Cli, FramesMarksDamagedSamplesAndReadsTruncatedFiles)
{
    const QString good = path("good.avi");
    ASSERT_EQ(sample({"--frames", "4", good}).exitCode, 0);
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = goodFile.readAll();

    // The sample's first frame twice, with a short sample in between.
    const QString mixed = path("mixed.avi");
    {
        TAviWriter writer;
        const qsizetype movi = bytes.indexOf("movi");
        ASSERT_GT(movi, 0);
        const QByteArray frame = bytes.mid(bytes.indexOf("00dc", movi) + 8, dif::FrameSize625);
        const auto *f = reinterpret_cast<const quint8 *>(frame.constData());
        ASSERT_TRUE(writer.open(mixed, TAviWriterConfig::dvType1(TAviDvSystem::Pal, DvInfoFromFrame(f, 12))));
        ASSERT_TRUE(writer.writeSample(0, frame.constData(), quint32(frame.size())));
        ASSERT_TRUE(writer.writeSample(0, "garbage", 7));
        ASSERT_TRUE(writer.writeSample(0, frame.constData(), quint32(frame.size())));
        ASSERT_TRUE(writer.close());
    }
    TRun r = cli({"frames", mixed});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QStringList rows = r.rows();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[2], "1\t-\t-\t-\t-\t-");
    EXPECT_EQ(columns(rows[3])[1], "2007-12-31 23:59:50");
    EXPECT_EQ(columns(rows[3])[2], "00:00:00:00");

    // Cut in the middle of the last frame: the index at the end is gone too.
    // The frames of a type 1 file follow each other as 00dc chunks.
    const QString cut = path("cut.avi");
    QFile cutFile(cut);
    ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
    const qsizetype lastFrame = bytes.indexOf("00dc", bytes.indexOf("movi")) + 8 + 3 * (dif::FrameSize625 + 8);
    cutFile.write(bytes.left(lastFrame + 5000));
    cutFile.close();
    r = cli({"frames", cut});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(r.err.isEmpty()) << "a note on stderr says that the file is damaged";
    rows = r.rows();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(columns(rows[3])[2], "00:00:00:02");
    EXPECT_EQ(rows[4], "3\t-\t-\t-\t-\t-");
}

TEST_F(Cli, WrongInputIsReportedWithItsFileName)
{
    QDir(dir.path()).mkdir("folder");
    auto write = [&](const char *name, const QByteArray &bytes) {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path(name);
    };
    QByteArray wav = QByteArray("RIFF") + QByteArray("\x24\0\0\0", 4) + "WAVEfmt " + QByteArray("\x10\0\0\0", 4)
                     + QByteArray("\x01\0\x02\0\x80\xbb\0\0\0\xee\x02\0\x04\0\x10\0", 16) + "data" + QByteArray(4, '\0');
    const QString mjpeg = path("mjpeg.avi");
    {
        TAviWriterConfig config;
        TAviStreamConfig video;
        video.header.fccType = fcc::vids;
        video.header.fccHandler = MakeFourcc("MJPG");
        video.header.scale = 1;
        video.header.rate = 25;
        TBitmapInfoHeader bih;
        bih.width = 64;
        bih.height = 48;
        bih.compression = MakeFourcc("MJPG");
        video.format = QByteArray(TBitmapInfoHeader::kSize, '\0');
        bih.write(reinterpret_cast<quint8 *>(video.format.data()));
        config.streams.push_back(video);
        config.width = 64;
        config.height = 48;
        config.microSecPerFrame = 40000;
        TAviWriter writer;
        ASSERT_TRUE(writer.open(mjpeg, config));
        ASSERT_TRUE(writer.writeSample(0, "\xff\xd8\xff\xd9", 4));
        ASSERT_TRUE(writer.close());
    }
    const QString raw = write("raw.dv", QByteArray(dif::FrameSize625, '\x1f'));

    const QString files[] = {path("missing.avi"), path("folder"), write("empty.avi", {}), write("notes.txt", "hello\n"),
                             write("sound.wav", wav), raw, mjpeg};
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        const TRun r = cli({"frames", file});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        EXPECT_TRUE(r.err.contains(file.toUtf8())) << r.err.constData();
    }
    const TRun missingReport = cli({"riff", path("missing.avi")});
    EXPECT_EQ(missingReport.exitCode, 1);
    EXPECT_TRUE(missingReport.err.contains("missing.avi"));

    const QStringList usage[] = {{}, {"frames"}, {"frames", "a", "b"}, {"nosuch", "a"}, {"riff"}, {"riff", "--bogus", "a"}};
    for (const QStringList &args : usage) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TRun r = cli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.isEmpty());
    }
    for (const QStringList &args : {QStringList{"--help"}, QStringList{"frames", "--help"}, QStringList{"riff", "--help"}}) {
        const TRun r = cli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith("Usage: tarvex-cli"));
    }
}

TEST_F(Cli, RiffReportsTheChunkTreePlainOrWithMarkup)
{
    const QString file = path("type1.avi");
    ASSERT_EQ(sample({"--frames", "3", file}).exitCode, 0);

    const TRun plain = cli({"riff", file});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.constData();
    const QString text = QString::fromUtf8(plain.out);
    for (const char *expected : {"\nRIFF  ", "\nAVI \n", "avih  00000038", "(Interleaved)", "Start of DVInfo",
                                 "FourccType = iavs", "FourccHandler = dvsd", "movi", "idx1", " End of Header "})
        EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected;
    EXPECT_FALSE(text.contains(QLatin1String("<B>")));
    EXPECT_FALSE(text.contains(QLatin1String("00dc  "))) << "sample chunks are not listed";

    const TRun rich = cli({"riff", "--rich", file});
    ASSERT_EQ(rich.exitCode, 0);
    EXPECT_TRUE(rich.out.contains("<B><COLOR Blue>"));
    EXPECT_TRUE(rich.out.contains("(Interleaved)"));
}

TEST_F(Cli, InfoGivesTheRecordOfEachFile)
{
    const QString dv = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "50", "--type", "2", "--ntsc", "--wide", "--start", "2003-07-14T10:20:30", dv}).exitCode, 0);
    QFile notes(path("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a video\n");
    notes.close();

    const TRun r = cli({"info", "--json", dv, notes.fileName()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonArray array = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject tape = array[0].toObject();
    const QStringList keys = {"file", "datecode_text", "first_datecode", "timecode_text", "dv_type", "standard",
                              "is_16_9", "width", "display_height", "frame_rate", "frame_count", "duration_text",
                              "audio_text", "codec", "has_scene_file", "has_subtitle_file", "dv_info_valid"};
    EXPECT_EQ(QStringList(tape.keys()).size(), keys.size());
    for (const QString &key : keys)
        EXPECT_TRUE(tape.contains(key)) << key.toStdString();
    EXPECT_EQ(tape["file"].toString(), dv);
    EXPECT_EQ(tape["first_datecode"].toString(), "2003-07-14T10:20:30");
    EXPECT_EQ(tape["timecode_text"].toString(), "00.00.00.00");
    EXPECT_EQ(tape["dv_type"].toInt(), 2);
    EXPECT_EQ(tape["standard"].toInt(), 1);
    EXPECT_TRUE(tape["is_16_9"].toBool());
    EXPECT_EQ(tape["display_height"].toInt(), 405);
    EXPECT_EQ(tape["frame_count"].toInt(), 50);
    EXPECT_NEAR(tape["frame_rate"].toDouble(), 29.97, 0.01);
    EXPECT_TRUE(tape["dv_info_valid"].toBool());

    const QJsonObject other = array[1].toObject();
    EXPECT_FALSE(other["dv_info_valid"].toBool());
    EXPECT_TRUE(other["first_datecode"].isNull());
    EXPECT_EQ(other["standard"].toInt(), 2);

    // A missing file among others: reported, the others still listed, status 1.
    const TRun missing = cli({"info", path("missing.avi"), dv});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("missing.avi"));
    EXPECT_TRUE(missing.out.contains("tape.avi"));
}

// DV written by ffmpeg's DV muxer: info's first datecode and timecode are
// what mediainfo reads.
TEST_F(Cli, InfoAgreesWithMediainfoOnFfmpegDv)
{
    if (!haveTool("ffmpeg") || !haveTool("mediainfo"))
        GTEST_SKIP() << "ffmpeg and mediainfo are needed";
    const QString dv = path("ff.dv"), avi = path("ff.avi");
    const TRun made = run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25", "-f", "lavfi",
                                     "-i", "sine=sample_rate=48000", "-t", "0.4", "-c:v", "dvvideo", "-pix_fmt", "yuv420p",
                                     "-c:a", "pcm_s16le", "-ac", "2", "-metadata", "creation_time=2011-11-11T11:11:11",
                                     "-metadata", "timecode=02:03:04:05", "-f", "dv", dv});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    ASSERT_TRUE(wrapRawDv(dv, avi));
    const auto [recorded, timecode] = mediainfoFacts(dv);
    ASSERT_FALSE(recorded.isEmpty());

    const TRun r = cli({"info", "--json", avi});
    ASSERT_EQ(r.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out).array()[0].toObject();
    EXPECT_EQ(o["first_datecode"].toString().replace('T', ' '), recorded);
    EXPECT_EQ(o["timecode_text"].toString().replace('.', ':'), timecode);
    EXPECT_EQ(o["dv_type"].toInt(), 1);
}

TEST_F(Cli, ScenesListsTheSceneFileAndReportsDamage)
{
    const QString dv = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "20", "--jump-at", "8", dv}).exitCode, 0);
    const QString scn = path("tape.scn");
    {
        TwriteScene writer(dv);
        TSceneClass first(0, 8), second(8, 20);
        second.Caption = "Birthday";
        ASSERT_TRUE(writer.AddScene(first));
        ASSERT_TRUE(writer.AddScene(second));
        ASSERT_TRUE(writer.close());
    }
    const TRun r = cli({"scenes", dv});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.rows(), QStringList({"scene\tstart\tend\tdatecode\ttitle", "1\t0\t8\t2007-12-31 23:59:50\t",
                                      "2\t8\t20\t2008-01-02 03:16:50\tBirthday"}));

    // Cut inside the second record: the first scene is listed, the damage reported.
    QFile file(scn);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.resize(file.size() - 10);
    file.close();
    const TRun cut = cli({"scenes", dv});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(cut.err.contains("tape.scn"));
    EXPECT_TRUE(cut.out.contains("1\t0\t8"));

    const TRun none = cli({"scenes", path("good.avi")});
    EXPECT_EQ(none.exitCode, 1);
}

// The commands of the catalogue, run through the engine over the given files.
TEST_F(Cli, CommandsWriteSubtitleAndSceneFiles)
{
    const QString dv = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "100", "--jump-at", "60", dv}).exitCode, 0);
    const QString srt = path("tape.srt"), scn = path("tape.scn");

    TRun r = cli({"CreerSrt", dv, path("notes.txt")});
    EXPECT_EQ(r.exitCode, 1) << "the missing file is reported";
    ASSERT_TRUE(QFile::exists(srt)) << r.err.constData();
    EXPECT_TRUE(r.err.contains("Creating a srt file for tape.avi"));
    QFile file(srt);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray subtitles = file.readAll();
    file.close();
    // A subtitle per second of the camcorder clock: 60 frames (2.4 s), then the jump and 40 frames.
    EXPECT_TRUE(subtitles.startsWith("1\r\n00:00:00,000 --> 00:00:01,000\r\n"));
    EXPECT_TRUE(subtitles.contains("\r\n3\r\n00:00:02,000 --> 00:00:02,400\r\n"));
    EXPECT_TRUE(subtitles.contains("\r\n5\r\n00:00:03,400 --> 00:00:04,000\r\n"));
    EXPECT_FALSE(subtitles.contains("\r\n6\r\n"));

    // The subtitle file exists: without an answer it is kept, with --yes it is written again.
    r = cli({"creersrt", "--no", "--set", "WhenIncrust=1", "--set", "DureeIncrustation=1", dv});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), subtitles);
    file.close();
    r = cli({"creersrt", "--yes", "--set", "WhenIncrust=1", "--set", "DureeIncrustation=1", dv});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray once = file.readAll();
    EXPECT_TRUE(once.startsWith("1\r\n00:00:00,000 --> 00:00:00,920\r\n")) << "shown once, on the first 23 frames";
    EXPECT_FALSE(once.contains("\r\n2\r\n"));
    file.close();

    r = cli({"CreerScnByDate", dv});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(cli({"scenes", dv}).rows().mid(1),
              QStringList({"1\t0\t60\t2007-12-31 23:59:50\t", "2\t60\t100\t2008-01-02 03:16:50\t"}));

    r = cli({"CreerScnByIntervalle", "--yes", "--param=1", dv});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(cli({"scenes", dv}).rows().size(), 1 + 4); // 25, 25, 25 and 25 frames

    const TRun info = cli({"info", "--json", dv});
    const QJsonObject o = QJsonDocument::fromJson(info.out).array()[0].toObject();
    EXPECT_TRUE(o["has_scene_file"].toBool());
    EXPECT_TRUE(o["has_subtitle_file"].toBool());
}

TEST_F(Cli, CommandsReportFilesTheyCannotWriteAndGoOn)
{
    const QString blocked = path("blocked.avi"), good = path("good.avi");
    ASSERT_EQ(sample({"--frames", "10", blocked}).exitCode, 0);
    ASSERT_EQ(sample({"--frames", "10", good}).exitCode, 0);
    QDir(dir.path()).mkdir("blocked.srt"); // a folder where the subtitle file should go
    QFile text(path("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video");
    text.close();

    const TRun r = cli({"CreerSrt", "--yes", blocked, text.fileName(), good});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("An error occured while creating a srt file for " + blocked.toUtf8())) << r.err.constData();
    EXPECT_TRUE(QFileInfo(path("blocked.srt")).isDir());
    EXPECT_FALSE(QFile::exists(path("notes.srt"))) << "a file without DV is skipped";
    EXPECT_TRUE(QFile::exists(path("good.srt"))) << "the run goes on after a failure";

    const TRun usage = cli({"CreerSrt", "--set", "NoSuchSetting=1", good});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(cli({"CreerSrt", "--help"}).exitCode, 0);
}

TEST_F(Cli, DeletingCompanionFilesAsksFirst)
{
    const QString dv = path("tape.avi");
    ASSERT_EQ(sample({"--frames", "10", dv}).exitCode, 0);
    ASSERT_EQ(cli({"CreerScnByDate", dv}).exitCode, 0);
    ASSERT_TRUE(QFile::exists(path("tape.scn")));

    EXPECT_EQ(cli({"SupprimerScn", "--no", dv}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(path("tape.scn")));

    // The trash of a home of the test's own.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data")));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_CONFIG_HOME", TestConfigFolder());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), {"SupprimerScn", "--yes", dv});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_FALSE(QFile::exists(path("tape.scn")));
    EXPECT_TRUE(QFile::exists(dir.filePath("data/Trash/files/tape.scn"))) << "in the trash, not gone";
    EXPECT_TRUE(QFile::exists(dv));

    // The video itself: a read-only file is left alone, the other one goes to the trash.
    const QString locked = path("locked.avi");
    ASSERT_TRUE(QFile::copy(dv, locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner));
    p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), {"SupprimerFichier", "--yes", locked, dv});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_TRUE(QFile::exists(locked));
    EXPECT_FALSE(QFile::exists(dv));
    EXPECT_TRUE(QFile::exists(dir.filePath("data/Trash/files/tape.avi")));
}

} // namespace
