// The probe and the video file record on files of each kind.

#include "avi/records/avifichier.h"
#include "avi/aviinfo.h"
#include "avi/aviwriter.h"
#include "avi/records/buildlist.h"
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
#include <iomanip>
#include <ostream>
#include <thread>

// What a probe found, for the messages of failed comparisons.
void PrintTo(const TProbeResult &r, std::ostream *out)
{
    const TVideoInfoHeader &v = r.videoFormat;
    const TWaveFormatEx &w = r.audioFormat;
    *out << "{streams " << r.streamCount << ", DV " << r.dvAccepted << ", video " << r.videoFound << ' ' << v.bitmap.width
         << 'x' << v.bitmap.height << ' ' << FourccText(v.bitmap.compression).toStdString() << ' ' << v.avgTimePerFrame << ' '
         << v.bitRate << ", audio " << r.audioFound << ' ' << w.formatTag << ' ' << w.channels << ' ' << w.samplesPerSec << ' '
         << w.bitsPerSample << ", interleaved " << r.interleavedFound << " vaux " << std::hex << r.dvInfo.vauxSrc << std::dec
         << ", durations " << r.videoDuration << ' ' << r.audioDuration << ", first frame " << r.firstDatecodePresent << ' '
         << std::setprecision(17) << r.firstDatecode << ' ' << r.firstTimecodePresent << ' ' << int(r.firstTimecode.hours) << ':'
         << int(r.firstTimecode.minutes) << ':' << int(r.firstTimecode.seconds) << ':' << int(r.firstTimecode.frames) << ' '
         << r.first16x9 << '}';
}

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
        EXPECT_TRUE(pipeline.result().dvAccepted);
        EXPECT_EQ(direct, pipeline.result());
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
    TDvType dvType;
    TVideoStandard standard;
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
        {"pal1.avi", {"--frames", "45", "--type", "1"}, TDvType::Type1, TVideoStandard::Pal, "720 x 576 (Pal", " 4x3)", 25.0, 45,
         "1s 20fr"},
        {"ntsc2.avi", {"--frames", "20", "--type", "2", "--ntsc", "--wide"}, TDvType::Type2, TVideoStandard::Ntsc,
         "720 x 480 (NTSC", " 16x9)", 29.97, 20, "20en"},
    };
    for (const TRecordCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = MakeSampleRecording(dir, c.name, c.options);
        ASSERT_FALSE(path.isEmpty());
        QFile(path.left(path.size() - 4) + ".srt").open(QIODevice::WriteOnly);
        const TaviFichier r(path, QStringLiteral("yyyy-mm-dd hh:nn:ss"));
        const TVideoFileFacts &f = r.facts();
        const TVideoFileTexts &t = r.texts();
        EXPECT_TRUE(f.dvInfoValid);
        EXPECT_EQ(f.dvType, c.dvType);
        EXPECT_EQ(f.standard, c.standard);
        EXPECT_EQ(t.video, c.videoText);
        EXPECT_EQ(t.aspect, c.aspectText);
        EXPECT_NEAR(f.frameRate, c.frameRate, 0.01);
        EXPECT_EQ(f.frameCount, c.frameCount);
        EXPECT_EQ(t.duration, c.durationText);
        EXPECT_EQ(f.sampleRate, 48000);
        EXPECT_EQ(t.audio, "48000Hz 16 bits  stereo");
        EXPECT_EQ(t.audioFormat, "PCM 192000 bytes/s");
        EXPECT_EQ(t.datecode, "2007-12-31 23:59:50");
        EXPECT_EQ(t.timecode, "00.00.00.00");
        EXPECT_EQ(t.codec, "dvsd");
        EXPECT_TRUE(f.hasSubtitleFile);
        EXPECT_FALSE(f.hasSceneFile);
        EXPECT_TRUE(f.hasDatecode());
        EXPECT_TRUE(f.hasTimecode());
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
    EXPECT_FALSE(textRecord.facts().dvInfoValid);
    EXPECT_EQ(textRecord.facts().standard, TVideoStandard::Unknown);
    EXPECT_EQ(textRecord.texts().datecodeSort, QString(QChar(0xFF)));
    EXPECT_FALSE(textRecord.facts().hasDatecode());
    EXPECT_FALSE(textRecord.facts().hasTimecode()) << "no timecode to name a file that is no video by";
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
        EXPECT_FALSE(r.facts().dvInfoValid);
        EXPECT_EQ(r.facts().standard, TVideoStandard::Unknown);
        EXPECT_EQ(r.texts().video, "64 x 48");
        EXPECT_EQ(r.texts().timecode, "-");
        EXPECT_NEAR(r.facts().frameRate, 25.0, 0.01);
        QFile after(mjpeg);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), bytes);
    }
}

} // namespace

namespace {

// The window's list builds records on its own thread while commands build
// theirs: records of different files built at the same time on several
// threads are those built one after another.
TEST(VideoFileRecord, RecordsOfSeveralFilesBuildAtOnce)
{
    QTemporaryDir dir;
    const TProbeFiles files = MakeProbeFiles(dir);
    const QStringList all = files.dv + files.other;
    struct TBuilt
    {
        TVideoFileFacts facts;
        TVideoFileTexts texts;
        QStringList keys;
    };
    const auto build = [](const QString &file) {
        const TaviFichier r(file);
        QStringList keys;
        for (const TSortIndex &order : sortindex::All())
            keys << r.GetSortKey(order);
        return TBuilt{r.facts(), r.texts(), keys};
    };
    std::vector<TBuilt> alone;
    for (const QString &file : all)
        alone.push_back(build(file));

    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<std::vector<std::pair<int, TBuilt>>> built(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round)
                for (int k = 0; k < all.size(); ++k) {
                    // Each thread in its own order, so that different files meet.
                    const int i = int((k * (t + 1) + t) % all.size());
                    built[size_t(t)].emplace_back(i, build(all[i]));
                }
        });
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(built[size_t(t)].size(), size_t(kRounds * all.size()));
        for (const auto &[i, record] : built[size_t(t)]) {
            const TBuilt &expected = alone[size_t(i)];
            EXPECT_TRUE(record.facts == expected.facts && record.texts == expected.texts && record.keys == expected.keys)
                << all[i].toStdString() << " on thread " << t;
        }
    }
}

} // namespace
