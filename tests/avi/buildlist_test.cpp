// The probe and the video file record on files of each kind.

#include "avi/avifichier.h"
#include "avi/aviinfo.h"
#include "avi/aviwriter.h"
#include "avi/buildlist.h"
#include "avi/dvinfo.h"
#include "framework/listfichier.h"

#include "support/aviframes.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <thread>

namespace {

// Writes the frames as the video stream of a file of the given streams; an
// audio stream gets one sample of silence per frame.
bool WriteFrames(const QString &path, const TAviWriterConfig &config, const std::vector<QByteArray> &frames)
{
    TAviWriter writer;
    if (!writer.open(path, config))
        return false;
    const QByteArray silence(1920 * 4, '\0');
    for (const QByteArray &frame : frames)
        for (int s = 0; s < int(config.streams.size()); ++s) {
            const bool audio = config.streams[size_t(s)].header.fccType == fcc::auds;
            const QByteArray &data = audio ? silence : frame;
            if (!writer.writeSample(s, data.constData(), quint32(data.size())))
                return false;
        }
    return writer.close();
}

TAviStreamConfig PcmStream()
{
    TWaveFormatEx wave;
    wave.channels = 2;
    wave.samplesPerSec = 48000;
    wave.bitsPerSample = 16;
    return TAviWriterConfig::dvType2(TAviDvSystem::Pal, TDvInfo{}, wave).streams[1];
}

// DV files of every kind the probe tells apart, and two that are no DV
// files: an AVI file of other video with sound, and a text file.
struct TProbeFiles
{
    QStringList dv;
    QStringList other;
};

TProbeFiles MakeProbeFiles(const QTemporaryDir &dir)
{
    TProbeFiles files;
    const auto sample = [&](const char *name, const QStringList &options) {
        const QString path = MakeSampleRecording(dir, QString::fromLatin1(name), options);
        EXPECT_FALSE(path.isEmpty()) << name;
        files.dv << path;
        return path;
    };
    sample("pal1.avi", {"--frames", "30", "--type", "1"});
    const QString pal2 = sample("pal2wide.avi", {"--frames", "30", "--type", "2", "--wide"});
    const QString ntsc1 = sample("ntsc1.avi", {"--frames", "40", "--type", "1", "--ntsc", "--undated", "30"});
    sample("ntsc2.avi", {"--frames", "30", "--type", "2", "--ntsc", "--undated", "3"});
    sample("late.avi", {"--frames", "80", "--type", "1", "--undated", "60"});

    const std::vector<QByteArray> palFrames = AviVideoFrames(pal2);
    const std::vector<QByteArray> ntscFrames = AviVideoFrames(ntsc1);
    const auto *firstPal = reinterpret_cast<const quint8 *>(palFrames.front().constData());
    const TDvInfo palInfo = DvInfoFromFrame(firstPal, dif::Sequences625);

    // Type 1 whose DVINFO the capture program left all zero.
    const QString zero = dir.filePath("ntscdvinfozero.avi");
    EXPECT_TRUE(WriteFrames(zero, TAviWriterConfig::dvType1(TAviDvSystem::Ntsc, TDvInfo{}), ntscFrames));
    // An interleaved stream beside a sound stream.
    TAviWriterConfig extra = TAviWriterConfig::dvType1(TAviDvSystem::Pal, palInfo);
    extra.streams.push_back(PcmStream());
    const QString withSound = dir.filePath("pal1sound.avi");
    EXPECT_TRUE(WriteFrames(withSound, extra, palFrames));
    // Type 2 under another program's codec code.
    TWaveFormatEx wave;
    wave.channels = 2;
    wave.samplesPerSec = 48000;
    wave.bitsPerSample = 16;
    TAviWriterConfig cdvc = TAviWriterConfig::dvType2(TAviDvSystem::Pal, palInfo, wave);
    cdvc.streams[0].header.fccHandler = MakeFourcc("CDVC");
    TBitmapInfoHeader bih = TBitmapInfoHeader::read(reinterpret_cast<const quint8 *>(cdvc.streams[0].format.constData()));
    bih.compression = MakeFourcc("CDVC");
    bih.write(reinterpret_cast<quint8 *>(cdvc.streams[0].format.data()));
    const QString other = dir.filePath("cdvc.avi");
    EXPECT_TRUE(WriteFrames(other, cdvc, palFrames));
    files.dv << zero << withSound << other;

    // Other video: Motion JPEG stand-ins beside PCM.
    TAviWriterConfig mjpeg = cdvc;
    mjpeg.streams[0].header.fccHandler = MakeFourcc("MJPG");
    bih.compression = MakeFourcc("MJPG");
    bih.width = 64;
    bih.height = 48;
    mjpeg.streams[0].format = QByteArray(TBitmapInfoHeader::kSize, '\0');
    bih.write(reinterpret_cast<quint8 *>(mjpeg.streams[0].format.data()));
    const QString pictures = dir.filePath("mjpeg.avi");
    EXPECT_TRUE(WriteFrames(pictures, mjpeg, std::vector<QByteArray>(10, QByteArray(700, 'j'))));
    const QString text = dir.filePath("notes.avi");
    QFile f(text);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write("not a video") > 0);
    files.other << pictures << text;
    return files;
}

// A DV file read directly gives what the probe pipeline reads; any other
// file is left to the pipeline.
TEST(Probe, DvFilesReadDirectlyAsThroughThePipeline)
{
    QTemporaryDir dir;
    const TProbeFiles files = MakeProbeFiles(dir);
    for (const QString &file : files.dv + files.other) {
        SCOPED_TRACE(file.toStdString());
        TdmList pipeline;
        const bool piped = pipeline.Probe(file);
        TFileSource source(file);
        TAviSampleIndex index;
        index.build(source);
        TProbeResult direct;
        if (!files.dv.contains(file)) {
            EXPECT_FALSE(ProbeDvFile(source, index, direct));
            EXPECT_FALSE(pipeline.result().dvAccepted);
            continue;
        }
        ASSERT_TRUE(ProbeDvFile(source, index, direct));
        EXPECT_TRUE(piped);
        const TProbeResult &p = pipeline.result();
        EXPECT_TRUE(p.dvAccepted);
        EXPECT_EQ(direct.streamCount, p.streamCount);
        EXPECT_EQ(direct.videoFound, p.videoFound);
        EXPECT_EQ(direct.audioFound, p.audioFound);
        EXPECT_EQ(direct.interleavedFound, p.interleavedFound);
        EXPECT_EQ(direct.videoDuration, p.videoDuration);
        EXPECT_EQ(direct.audioDuration, p.audioDuration);
        EXPECT_EQ(direct.firstDatecodePresent, p.firstDatecodePresent);
        EXPECT_EQ(direct.firstDatecode, p.firstDatecode);
        EXPECT_EQ(direct.firstTimecodePresent, p.firstTimecodePresent);
        EXPECT_EQ(direct.first16x9, p.first16x9);
        EXPECT_TRUE(direct == p) << "formats, DV information and timecode alike";
    }
}

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

namespace {

// What a record holds, to compare two records of one file.
QStringList RecordFields(const TaviFichier &r)
{
    return {r.datecodeSortText, r.datecodeText, QString::number(r.firstDatecode, 'g', 17), r.timecodeText, r.codec,
            QString::number(r.dvType), QString::number(r.isInterleavedType2), r.videoText, r.aspectText,
            QString::number(r.width), QString::number(r.displayHeight), QString::number(r.duration), r.durationText,
            QString::number(r.frameCount), QString::number(r.frameRate, 'g', 17), r.audioText, r.audioDurationText,
            QString::number(r.dvSourceWord), QString::number(r.bitRate), r.audioFormatText, QString::number(r.standard),
            QString::number(r.hasSceneFile), QString::number(r.hasSubtitleFile), QString::number(r.dvInfoValid),
            QString::number(r.is16x9), QString::number(r.sampleRate), QString::number(r.sampleBits), r.channelText,
            r.datecodeSortKey, r.timecodeSortKey, r.durationSortKey};
}

// The window's list builds records on its own thread while commands build
// theirs: records of different files built at the same time on several
// threads are those built one after another.
TEST(VideoFileRecord, RecordsOfSeveralFilesBuildAtOnce)
{
    QTemporaryDir dir;
    const TProbeFiles files = MakeProbeFiles(dir);
    const QStringList all = files.dv + files.other;
    std::vector<QStringList> alone;
    for (const QString &file : all)
        alone.push_back(RecordFields(TaviFichier(file)));

    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<std::vector<std::pair<int, QStringList>>> built(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round)
                for (int k = 0; k < all.size(); ++k) {
                    // Each thread in its own order, so that different files meet.
                    const int i = int((k * (t + 1) + t) % all.size());
                    built[size_t(t)].emplace_back(i, RecordFields(TaviFichier(all[i])));
                }
        });
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(built[size_t(t)].size(), size_t(kRounds * all.size()));
        for (const auto &[i, fields] : built[size_t(t)])
            EXPECT_EQ(fields, alone[size_t(i)]) << all[i].toStdString() << " on thread " << t;
    }
}

} // namespace
