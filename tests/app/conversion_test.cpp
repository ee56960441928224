// The conversion commands of tarvex-cli on recordings made by tarvex-sample:
// what they write is read back by our reader (every frame's datecode,
// timecode, aspect and system through `tarvex-cli frames`), by ffprobe and by
// mediainfo.

#include "clirun.h"

#include "avi/avisampleindex.h"
#include "avi/aviwriter.h"
#include "avi/bytesource.h"
#include "avi/dvinfo.h"
#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "support/aviframes.h"
#include "support/ffprobe.h"
#include "support/mediainfo.h"
#include "support/riffbuilder.h"
#include "support/riffreader.h"
#include "support/testsound.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <sys/types.h>

#include <cmath>

namespace {

QString Shifted(const QString &datecode, qint64 seconds)
{
    return QDateTime::fromString(datecode, QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .addSecs(seconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The stream types of an AVI file as our index reads them ("iavs", "vids", "auds").
QStringList StreamTypes(const QString &file)
{
    TFileSource source(file);
    TAviSampleIndex index;
    QStringList types;
    if (index.build(source))
        for (const TAviIndexedStream &s : index.streams())
            types << QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(&s.type), 4));
    return types;
}

class Conversion : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QString make(const QString &name, const QStringList &options)
    {
        const QString file = path(name);
        const TRun r = sample(QStringList(options) << file);
        return r.exitCode == 0 ? file : QString();
    }
};

// What ffprobe and mediainfo must read in an output.
void ExpectReadable(const QString &file, bool type2, bool pal, qint64 frames, const char *aspect)
{
    SCOPED_TRACE(file.toStdString());
    EXPECT_EQ(StreamTypes(file), type2 ? QStringList({"vids", "auds"}) : QStringList({"iavs"}));
    QString errors;
    const std::vector<TProbedStream> streams = Probe(file, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].codec, "dvvideo");
    EXPECT_EQ(streams[0].packets, frames);
    if (!HaveMediainfo())
        return;
    const QJsonArray tracks = MediainfoTracks(file);
    const QJsonObject video = MediainfoTrack(tracks, "Video");
    EXPECT_EQ(video["FrameCount"].toString().toLongLong(), frames);
    EXPECT_EQ(video["Height"].toString(), pal ? "576" : "480");
    EXPECT_EQ(video["Standard"].toString(), pal ? "PAL" : "NTSC");
    EXPECT_EQ(video["DisplayAspectRatio"].toString(), QString::fromLatin1(aspect));
    const double seconds = frames * (pal ? 0.04 : 1001.0 / 30000.0);
    EXPECT_NEAR(video["Duration"].toString().toDouble(), seconds, 0.05);
    EXPECT_FALSE(MediainfoTrack(tracks, "Audio").isEmpty());
}

// ----------------------------------------------------------- change of standard

struct TStandardCase
{
    QStringList source;
    const char *command;
    const char *suffix;
    bool pal;   // the output's standard
    bool type2; // the source's layout, kept
};

// Every output frame carries the datecode and timecode of the source frame
// it shows; the pictures are repeated or dropped by time, so the output
// lasts as long as the source and its sound stays with its picture.
TEST_F(Conversion, StandardConversionsKeepEachFramesDatecode)
{
    const TStandardCase cases[] = {
        {{"--frames", "50", "--type", "1"}, "ConvertirNTSC", "_ntsc.avi", false, false},
        {{"--frames", "50", "--type", "2", "--wide"}, "ConvertirNTSC", "_ntsc.avi", false, true},
        {{"--frames", "60", "--type", "1", "--ntsc"}, "ConvertirPal", "_pal.avi", true, false},
        {{"--frames", "60", "--type", "2", "--ntsc"}, "ConvertirPal", "_pal.avi", true, true},
    };
    int n = 0;
    for (const TStandardCase &c : cases) {
        SCOPED_TRACE(c.command);
        const QString src = make(QStringLiteral("tape%1.avi").arg(++n), QStringList(c.source) << "--jump-at" << "20");
        ASSERT_FALSE(src.isEmpty());
        const TRun r = cli({c.command, "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QString out = path(QStringLiteral("tape%1%2").arg(n).arg(QString::fromLatin1(c.suffix)));
        ASSERT_TRUE(QFile::exists(out)) << r.err.constData();

        const std::vector<TFrameRow> in = FrameRows(src), written = FrameRows(out);
        // Frame durations in 1/30000 s.
        const qint64 inDur = c.pal ? 1001 : 1200, outDur = c.pal ? 1200 : 1001;
        const qint64 expected = (qint64(in.size()) * inDur + outDur - 1) / outDur;
        ASSERT_EQ(qint64(written.size()), expected);
        for (qint64 k = 0; k < expected; ++k) {
            SCOPED_TRACE(::testing::Message() << "frame " << k);
            const TFrameRow &from = in[size_t(k * outDur / inDur)];
            EXPECT_EQ(written[size_t(k)].datecode, from.datecode);
            EXPECT_EQ(written[size_t(k)].timecode, from.timecode);
            EXPECT_EQ(written[size_t(k)].aspect, from.aspect);
            EXPECT_EQ(written[size_t(k)].system, c.pal ? "PAL" : "NTSC");
        }
        ExpectReadable(out, c.type2, c.pal, expected, in[0].aspect == "16:9" ? "1.778" : "1.333");
    }
}

// "Convert in NTSC" takes only PAL files, "Convert in Pal" only NTSC files.
TEST_F(Conversion, StandardConversionTakesOnlyTheFilesItCanConvert)
{
    const QString pal = make("pal.avi", {"--frames", "10", "--type", "1"});
    const QString ntsc = make("ntsc.avi", {"--frames", "10", "--type", "1", "--ntsc"});
    ASSERT_FALSE(pal.isEmpty() || ntsc.isEmpty());
    const TRun r = cli({"ConvertirNTSC", "--yes", pal, ntsc});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(QFile::exists(path("pal_ntsc.avi")));
    EXPECT_FALSE(QFile::exists(path("ntsc_ntsc.avi")));
    EXPECT_EQ(cli({"ConvertirPal", "--yes", pal, ntsc}).exitCode, 0);
    EXPECT_FALSE(QFile::exists(path("pal_pal.avi")));
    EXPECT_TRUE(QFile::exists(path("ntsc_pal.avi")));
}

TEST_F(Conversion, StandardConversionShiftsByTheConfirmedTimeDifference)
{
    const QString src = make("tape.avi", {"--frames", "30", "--type", "2"});
    ASSERT_FALSE(src.isEmpty());
    const TRun r = cli({"ConvertirNTSC", "--yes", "--set", "timedifference=-1.01:00:00", src});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const std::vector<TFrameRow> in = FrameRows(src), out = FrameRows(path("tape_ntsc.avi"));
    ASSERT_EQ(out.size(), 36u);
    for (size_t k = 0; k < out.size(); ++k)
        EXPECT_EQ(out[k].datecode, Shifted(in[k * 1001 / 1200].datecode, -25 * 3600)) << k;
}

// ----------------------------------------------------------- no re-encoding

struct THeaderCase
{
    const char *command;
    QStringList args;
    const char *suffix;
};

// Commands that rewrite each frame's packs: the frames, their sound and the
// layout stay; the aspect, the datecode are changed as asked.
TEST_F(Conversion, HeaderCommandsChangeOnlyWhatTheySay)
{
    const THeaderCase cases[] = {
        {"Convertir16x9", {}, "_16x9.avi"},
        {"DecalerHoraire", {"--param=-1:30:00"}, "_(-1h30mn).avi"},
        {"DecalerHoraire", {"--param=1.0833333333333333"}, "_(+1days2h).avi"},
        {"IntroduireDatecode", {"--param=2010-06-01 12:00:00"}, "_datecode.avi"},
    };
    for (const char *type : {"1", "2"}) {
        SCOPED_TRACE(type);
        const QString src = make(QStringLiteral("t%1.avi").arg(type), {"--frames", "60", "--type", type});
        ASSERT_FALSE(src.isEmpty());
        const std::vector<TFrameRow> in = FrameRows(src);
        for (const THeaderCase &c : cases) {
            SCOPED_TRACE(c.command);
            const TRun r = cli(QStringList{c.command, "--yes"} << c.args << src);
            ASSERT_EQ(r.exitCode, 0) << r.err.constData();
            const QString out = path(QStringLiteral("t%1%2").arg(type, QString::fromLatin1(c.suffix)));
            ASSERT_TRUE(QFile::exists(out)) << r.err.constData();
            const std::vector<TFrameRow> rows = FrameRows(out);
            ASSERT_EQ(rows.size(), in.size());
            const QString command = QString::fromLatin1(c.command);
            for (size_t k = 0; k < rows.size(); ++k) {
                SCOPED_TRACE(::testing::Message() << "frame " << k);
                EXPECT_EQ(rows[k].timecode, in[k].timecode);
                EXPECT_EQ(rows[k].audio, in[k].audio);
                if (command == "Convertir16x9") {
                    EXPECT_EQ(rows[k].aspect, "16:9");
                    EXPECT_EQ(rows[k].datecode, in[k].datecode);
                } else if (command == "DecalerHoraire") {
                    const qint64 shift = c.args[0].contains(':') ? -5400 : 26 * 3600;
                    EXPECT_EQ(rows[k].datecode, Shifted(in[k].datecode, shift));
                } else {
                    EXPECT_EQ(rows[k].datecode, Shifted("2010-06-01 12:00:00", qint64(k) / 25));
                }
            }
            ExpectReadable(out, QString::fromLatin1(type) == "2", true, qint64(in.size()),
                           command == "Convertir16x9" ? "1.778" : "1.333");
            if (type[0] == '2') {
                EXPECT_EQ(AviStreamBytes(out, 1), AviStreamBytes(src, 1)) << "the sound is copied as it is";
            }
            TFileSource file(out);
            const auto note = riff::Find(file, {"AVI ", "INFO", "IBRN"});
            EXPECT_EQ(note.has_value(), command == "IntroduireDatecode");
            if (note) {
                EXPECT_TRUE(riff::ReadBack(file, note->data, note->size).startsWith("Datecode overwritten with Tarvex by Orin Brontel at "));
            }
        }
    }
}

// Type 2 to type 1 and back: the same frames, the same sound.
TEST_F(Conversion, LayoutConversionsCopyEveryFrame)
{
    const QString type2 = make("two.avi", {"--frames", "40", "--type", "2"});
    const QString type1 = make("one.avi", {"--frames", "40", "--type", "1", "--ntsc"});
    ASSERT_FALSE(type2.isEmpty());
    ASSERT_FALSE(type1.isEmpty());

    TRun r = cli({"ConvertirDV1", "--yes", type2, type1});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(QFile::exists(path("one_type1.avi"))) << "a type 1 file is skipped";
    const QString made1 = path("two_type1.avi");
    ExpectReadable(made1, false, true, 40, "1.333");
    r = cli({"ConvertirDV2", "--yes", type1, made1});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    const QString made2 = path("one_type2.avi"), back = path("two_type1_type2.avi");
    ExpectReadable(made2, true, false, 40, "1.333");

    const std::vector<QByteArray> source = AviVideoFrames(type2), copied = AviVideoFrames(back);
    ASSERT_EQ(copied.size(), source.size());
    for (size_t k = 0; k < source.size(); ++k)
        EXPECT_EQ(copied[k].mid(0, 6 * 80), source[k].mid(0, 6 * 80)) << "the head blocks of frame " << k;
    EXPECT_EQ(AviStreamBytes(back, 1), AviStreamBytes(type2, 1));
    const std::vector<TFrameRow> a = FrameRows(type1), b = FrameRows(made2);
    ASSERT_EQ(a.size(), b.size());
    for (size_t k = 0; k < a.size(); ++k)
        EXPECT_EQ(b[k].datecode + b[k].timecode + b[k].audio, a[k].datecode + a[k].timecode + a[k].audio);
}

// ----------------------------------------------------------- sound

// A DV file whose sound is a known ramp: type 2 with a PCM stream, or type 1
// with the sound in the frames' audio blocks.
bool WriteSoundFile(const QString &file, bool type2, int frames, std::vector<qint16> &pcm)
{
    const QByteArray blank = MakeBlankDifFrame(true);
    pcm = TestSound(qint64(frames) * 1920);
    const TDvInfo info = DvInfoFromFrame(reinterpret_cast<const quint8 *>(blank.constData()), 12);
    TAviWriter writer;
    if (!writer.open(file, type2 ? TAviWriterConfig::dvType2(TAviDvSystem::Pal, info, riff::DvWaveFormat())
                                 : TAviWriterConfig::dvType1(TAviDvSystem::Pal, info)))
        return false;
    for (int i = 0; i < frames; ++i) {
        QByteArray frame = blank;
        const std::span<const qint16> part(pcm.data() + size_t(i) * 1920 * 2, 1920 * 2);
        if (!EncodeDvAudio(std::span<quint8>(reinterpret_cast<quint8 *>(frame.data()), size_t(frame.size())),
                           TDvAudioEncoding{48000, 16, 1920, false}, part))
            return false;
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size())))
            return false;
        if (type2 && !writer.writeSample(1, reinterpret_cast<const char *>(part.data()), quint32(part.size_bytes())))
            return false;
    }
    return writer.close();
}

TEST_F(Conversion, ExtractedSoundIsTheSourceSampleForSample)
{
    for (bool type2 : {false, true}) {
        SCOPED_TRACE(type2 ? "type 2" : "type 1");
        const QString src = path(type2 ? "two.avi" : "one.avi");
        std::vector<qint16> pcm;
        ASSERT_TRUE(WriteSoundFile(src, type2, 30, pcm));
        const TRun r = cli({"ExtraireAudio", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        QFile wav(path(type2 ? "two.wav" : "one.wav"));
        ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        ASSERT_GE(bytes.size(), 44);
        const qsizetype data = bytes.indexOf("data");
        ASSERT_GT(data, 0);
        const QByteArray samples = bytes.mid(data + 8);
        EXPECT_EQ(samples, QByteArray(reinterpret_cast<const char *>(pcm.data()), qsizetype(pcm.size() * 2)));
        const std::vector<TProbedStream> streams = Probe(wav.fileName());
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(streams[0].codec, "pcm_s16le");
    }
}

// ----------------------------------------------------------- scenes

TEST_F(Conversion, CutScenesWritesEachSceneFrameExact)
{
    for (const char *type : {"1", "2"}) {
        SCOPED_TRACE(type);
        const QString src = make(QStringLiteral("cut%1.avi").arg(type), {"--frames", "110", "--type", type});
        ASSERT_FALSE(src.isEmpty());
        ASSERT_EQ(cli({"CreerScnByIntervalle", "--yes", "--param=2", src}).exitCode, 0); // 50, 50 and 10 frames
        const TRun r = cli({"CutScenes", "--yes", src});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Extracting from cut%1.avi the scene 2").arg(type).toUtf8())) << r.err.constData();
        const std::vector<TFrameRow> in = FrameRows(src);
        const std::vector<QByteArray> frames = AviVideoFrames(src);
        const int starts[] = {0, 50, 100, 110};
        for (int s = 0; s < 3; ++s) {
            SCOPED_TRACE(s + 1);
            const QString out = path(QStringLiteral("cut%1_scene_%2.avi").arg(type).arg(s + 1));
            const std::vector<TFrameRow> rows = FrameRows(out);
            ASSERT_EQ(int(rows.size()), starts[s + 1] - starts[s]);
            for (size_t k = 0; k < rows.size(); ++k)
                EXPECT_EQ(rows[k].datecode + rows[k].timecode, in[size_t(starts[s]) + k].datecode + in[size_t(starts[s]) + k].timecode);
            if (type[0] == '1') {
                const std::vector<QByteArray> cut = AviVideoFrames(out);
                ASSERT_EQ(int(cut.size()), starts[s + 1] - starts[s]);
                for (size_t k = 0; k < cut.size(); ++k)
                    EXPECT_TRUE(cut[k] == frames[size_t(starts[s]) + k]) << "frame " << k << " copied as it is";
            } else {
                EXPECT_EQ(AviStreamBytes(out, 1).size(), qsizetype(rows.size()) * 1920 * 4);
            }
            ExpectReadable(out, type[0] == '2', true, starts[s + 1] - starts[s], "1.333");
        }
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("cut%1_scene_4.avi").arg(type))));
    }
}

TEST_F(Conversion, SceneFileByContentCutsWherePicturesChange)
{
    const QString src = make("tape.avi", {"--frames", "60", "--type", "2", "--jump-at", "25"});
    ASSERT_FALSE(src.isEmpty());
    const TRun r = cli({"CreerScnByContenu", "--yes", src});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QStringList rows = cli({"scenes", src}).rows();
    ASSERT_GE(rows.size(), 2);
    EXPECT_TRUE(rows[1].startsWith("1\t0\t")) << rows.join('\n').toStdString();
    EXPECT_TRUE(rows.last().section('\t', 2, 2) == "60") << "the last scene ends at the last frame";
}

// A type 2 file whose video stream is interleaved DV (the frames with their
// sound) beside a PCM stream becomes a plain type 2 file: DV video and PCM.
TEST_F(Conversion, FixedType2HasPlainDvVideo)
{
    const QString one = make("one.avi", {"--frames", "30", "--type", "1"});
    ASSERT_FALSE(one.isEmpty());
    const std::vector<QByteArray> frames = AviVideoFrames(one);
    ASSERT_EQ(frames.size(), 30u);
    const std::vector<qint16> pcm = TestSound(30 * 1920);
    const QString mixed = path("mixed.avi");
    {
        const TDvInfo info = DvInfoFromFrame(reinterpret_cast<const quint8 *>(frames[0].constData()), 12);
        TAviWriterConfig config = TAviWriterConfig::dvType1(TAviDvSystem::Pal, info);
        config.streams.push_back(TAviWriterConfig::dvType2(TAviDvSystem::Pal, info, riff::DvWaveFormat()).streams[1]);
        TAviWriter writer;
        ASSERT_TRUE(writer.open(mixed, config));
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_TRUE(writer.writeSample(0, frames[i].constData(), quint32(frames[i].size())));
            ASSERT_TRUE(writer.writeSample(1, reinterpret_cast<const char *>(pcm.data() + i * 1920 * 2), 1920 * 4));
        }
        ASSERT_TRUE(writer.close());
    }
    EXPECT_EQ(StreamTypes(mixed), QStringList({"iavs", "auds"}));
    const TRun r = cli({"CorrigerType2", "--yes", one, mixed});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(QFile::exists(path("one_fixed.avi"))) << "a type 1 file is not one to fix";
    const QString out = path("mixed_fixed.avi");
    ExpectReadable(out, true, true, 30, "1.333");
    const std::vector<QByteArray> fixed = AviVideoFrames(out);
    ASSERT_EQ(fixed.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(fixed[i] == frames[i]) << "frame " << i << " copied as it is";
    EXPECT_EQ(AviStreamBytes(out, 1), QByteArray(reinterpret_cast<const char *>(pcm.data()), qsizetype(pcm.size() * 2)));
}

// ----------------------------------------------------------- other video

TEST_F(Conversion, RecompressionMakesDvOfOtherVideo)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const QString src = path("phone.avi");
    const TRun made = run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-f", "lavfi",
                                     "-i", "sine=frequency=440:sample_rate=44100", "-t", "2", "-c:v", "mjpeg", "-c:a",
                                     "pcm_s16le", "-ac", "2", src});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    const TRun r = cli({"RecompresserDV2", "--yes", "--set", "FrequenceDV=0", "--set", "RatioDV=1", src});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString out = path("phone_dvtype2.avi");
    const std::vector<TFrameRow> rows = FrameRows(out);
    ASSERT_EQ(rows.size(), 50u) << "two seconds at 25 frames a second";
    for (const TFrameRow &row : rows) {
        EXPECT_EQ(row.aspect, "16:9");
        EXPECT_EQ(row.system, "PAL");
        EXPECT_TRUE(row.audio.startsWith("32000/")) << row.audio.toStdString();
    }
    ExpectReadable(out, true, true, 50, "1.778");
    const std::vector<TProbedStream> streams = Probe(out);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].codec, "pcm_s16le");
}

// ----------------------------------------------------------- inlay

// The inlay writes the datecode into the picture at the bottom right; the
// frames keep their own packs.
TEST_F(Conversion, InlayDrawsTheDatecodeIntoThePicture)
{
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const QString src = make("tape.avi", {"--frames", "20", "--type", "1"});
    ASSERT_FALSE(src.isEmpty());
    const TRun r = cli({"Incruster", "--yes", "--set", "IncrustFont=Liberation Sans,24,white", src});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QString out = path("tape_in.avi");
    const std::vector<TFrameRow> in = FrameRows(src), rows = FrameRows(out);
    ASSERT_EQ(rows.size(), in.size());
    for (size_t k = 0; k < rows.size(); ++k)
        EXPECT_EQ(rows[k].datecode + rows[k].timecode, in[k].datecode + in[k].timecode);
    ExpectReadable(out, false, true, 20, "1.333");

    // The first picture of each, as grey levels.
    const auto grey = [this](const QString &file, const char *name) {
        const QString raw = path(QString::fromLatin1(name));
        run("ffmpeg", {"-v", "error", "-y", "-i", file, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "gray", raw});
        QFile f(raw);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray before = grey(src, "before.raw"), after = grey(out, "after.raw");
    ASSERT_EQ(before.size(), 720 * 576);
    ASSERT_EQ(after.size(), before.size());
    const auto changed = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += std::abs(int(quint8(before[y * 720 + x])) - int(quint8(after[y * 720 + x]))) > 40;
        return n;
    };
    EXPECT_LT(changed(0, 0, 300, 300), 300) << "re-encoding alone changes little";
    EXPECT_GT(changed(360, 400, 720, 576), 500) << "the lines of text are drawn at the bottom right";
}

// ----------------------------------------------------------- stopping

// Ctrl+C during a conversion: the output written so far is a valid file.
TEST_F(Conversion, InterruptedConversionLeavesAValidFile)
{
    const QString src = make("long.avi", {"--frames", "1500", "--type", "1"});
    ASSERT_FALSE(src.isEmpty());
    const QString out = path("long_ntsc.avi");
    QProcess p;
    p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), {"ConvertirNTSC", "--yes", src});
    ASSERT_TRUE(p.waitForStarted());
    // Once the output has some frames in it.
    for (int i = 0; i < 200 && QFileInfo(out).size() < 2000000; ++i)
        QThread::msleep(20);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(60000));
    if (p.exitCode() == 0)
        GTEST_SKIP() << "the conversion ended before it could be stopped";
    EXPECT_EQ(p.exitCode(), 130) << p.readAllStandardError().constData();
    EXPECT_TRUE(p.readAllStandardError().contains("holds only what was written before the abort"));
    const std::vector<TFrameRow> rows = FrameRows(out);
    EXPECT_GT(rows.size(), 0u);
    EXPECT_LT(rows.size(), 1800u);
    QString errors;
    const std::vector<TProbedStream> streams = Probe(out, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(streams[0].packets, qint64(rows.size()));
}

// ----------------------------------------------------------- bad input

TEST_F(Conversion, FailuresAreReportedAndTheRunGoesOn)
{
    const QString good = make("good.avi", {"--frames", "20", "--type", "2"});
    ASSERT_FALSE(good.isEmpty());
    // A copy cut in the middle of its frames still converts what it holds.
    QFile whole(good);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile cut(path("cut.avi"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(whole.size() / 2));
    cut.close();
    QFile text(path("notes.avi"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video");
    text.close();

    // Outputs that cannot be written (a folder stands in their place): each
    // file reports the command's error and the run goes on.
    const QString out = path("out");
    QDir(dir.path()).mkpath("out/good_type1.avi");
    const QByteArray original = whole.seek(0) ? whole.readAll() : QByteArray();
    TRun r = cli({"ConvertirDV1", "--yes", "--set", "SameFolder=false", "--set", "DossierSave=" + out, good, cut.fileName()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.count("An error occured while converting " + good.toUtf8() + " in type 1"), 1) << r.err.constData();
    EXPECT_TRUE(QFileInfo(path("out/good_type1.avi")).isDir());
    EXPECT_TRUE(QFileInfo(path("out/cut_type1.avi")).isFile()) << "the next file is converted";
    EXPECT_EQ(cli({"ConvertirDV1", "--set", "SameFolder=false", "--set", "DossierSave=" + path("missing"), good}).exitCode, 1);

    r = cli({"ConvertirDV1", "--yes", text.fileName(), cut.fileName(), good});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_FALSE(QFile::exists(path("notes_type1.avi")));
    const std::vector<TFrameRow> part = FrameRows(path("cut_type1.avi"));
    EXPECT_GT(part.size(), 5u);
    EXPECT_LT(part.size(), 20u);
    EXPECT_EQ(FrameRows(path("good_type1.avi")).size(), 20u);
    whole.close();
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    EXPECT_EQ(whole.readAll(), original) << "the source is never written";

    EXPECT_EQ(cli({"DecalerHoraire", "--param=soon", good}).exitCode, 2);
    EXPECT_EQ(cli({"IntroduireDatecode", "--param=2010-13-01 12:00:00", good}).exitCode, 2);
}

} // namespace
