// The WAV writer stage: the layout of the files it writes, the byte offsets
// of its blocks, and whole extractions from DV files read back by ffprobe.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "stages/dv_wavedest.h"

#include "support/testsound.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <span>

namespace {

TWaveFormatEx Stereo16(quint32 rate)
{
    TWaveFormatEx wave;
    wave.channels = 2;
    wave.samplesPerSec = rate;
    wave.bitsPerSample = 16;
    wave.blockAlign = 4;
    wave.avgBytesPerSec = rate * 4;
    return wave;
}

QByteArray FormatBlock(const TWaveFormatEx &wave)
{
    return TMediaType::audio(wave).format;
}

quint32 U32(const QByteArray &bytes, qsizetype at)
{
    return le::u32(reinterpret_cast<const quint8 *>(bytes.constData()) + at);
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What ffprobe reads of the first stream of a file, as key=value lines.
QString ProbeAudio(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
                                        QStringLiteral("-show_entries"),
                                        QStringLiteral("stream=codec_name,sample_rate,channels,duration_ts"),
                                        QStringLiteral("-of"), QStringLiteral("default=nw=1"), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("ffprobe failed: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString Expected(int rate, qint64 samples)
{
    return QStringLiteral("codec_name=pcm_s16le\nsample_rate=%1\nchannels=2\nduration_ts=%2").arg(rate).arg(samples);
}

// Offers one audio type and nothing else; the test hands its samples to the stage.
class TAudioOffer final : public TElement
{
public:
    explicit TAudioOffer(const TMediaType &type) : TElement(QStringLiteral("Audio offer")), m_type(type)
    {
        addOutput(QStringLiteral("Out"));
    }
    TMediaType outputType(int) const override { return m_type; }

private:
    TMediaType m_type;
};

// Keeps the byte offsets stamped on the samples it gets.
class TOffsetCapture final : public TRendererElement
{
public:
    TOffsetCapture() : TRendererElement(QStringLiteral("Offsets")) { addInput(QStringLiteral("In")); }
    TResult checkInputType(int, const TMediaType &type) override
    {
        return type.majorType == media::Stream ? TResult::Ok : TResult::TypeNotAccepted;
    }
    std::vector<std::pair<qint64, qint64>> offsets;

protected:
    void render(int, TMediaSample &sample) override { offsets.emplace_back(sample.timeStart, sample.timeStop); }
};

} // namespace

TEST(WaveDest, HeaderLayout)
{
    struct TCase
    {
        QByteArray format;
        quint32 dataSize;
    };
    const QByteArray wavEx = FormatBlock(Stereo16(48000));
    const TCase cases[] = {{wavEx, 0}, {wavEx, 7680}, {wavEx.left(16), 1001}, {wavEx + QByteArray(6, 'x'), 4}};
    for (const TCase &c : cases) {
        const QByteArray h = Tdv_WaveDest::WaveHeader(c.format, c.dataSize);
        const qsizetype f = c.format.size();
        ASSERT_EQ(h.size(), f + 28);
        EXPECT_EQ(h.left(4), "RIFF");
        EXPECT_EQ(U32(h, 4), c.dataSize + f + 20);
        EXPECT_EQ(h.mid(8, 8), "WAVEfmt ");
        EXPECT_EQ(U32(h, 16), quint32(f));
        EXPECT_EQ(h.mid(20, f), c.format);
        EXPECT_EQ(h.mid(20 + f, 4), "data");
        EXPECT_EQ(U32(h, 24 + f), c.dataSize);
    }
    // 48 kHz 16-bit stereo: an 18-byte format block, the audio from offset 46.
    EXPECT_EQ(wavEx.size(), 18);
    EXPECT_EQ(U32(Tdv_WaveDest::WaveHeader(wavEx, 1000), 4), 1038u);
}

TEST(WaveDest, BlocksStopBeforeFourGigabytes)
{
    quint32 offset = 0;
    EXPECT_TRUE(Tdv_WaveDest::BlockOffset(46, 7680, 7680, offset));
    EXPECT_EQ(offset, 46u + 7680u);
    const quint32 room = 0xFFFFFFFFu - 46u - 100u;
    EXPECT_TRUE(Tdv_WaveDest::BlockOffset(46, room, 100, offset));
    EXPECT_EQ(offset, 46u + room);
    EXPECT_FALSE(Tdv_WaveDest::BlockOffset(46, room, 101, offset));
    EXPECT_FALSE(Tdv_WaveDest::BlockOffset(46, 0xFFFFFFF0u, 0xFFFFFFF0u, offset));
}

TEST(WaveDest, AcceptsWaveFormatsOnly)
{
    Tdv_WaveDest stage;
    EXPECT_EQ(stage.name(), QStringLiteral("WavDest filter"));
    EXPECT_EQ(stage.checkInputType(0, TMediaType::audio(Stereo16(32000))), TResult::Ok);
    TMediaType dv;
    dv.majorType = media::Video;
    dv.subtype = media::Dvsd;
    EXPECT_EQ(stage.checkInputType(0, dv), TResult::TypeNotAccepted);
    TMediaType shortFormat = TMediaType::audio(Stereo16(48000));
    shortFormat.format.truncate(10);
    EXPECT_EQ(stage.checkInputType(0, shortFormat), TResult::TypeNotAccepted);
}

TEST(WaveDest, WritesBlocksAtTheirOffsetsAndFinishesAtStop)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.wav"));
    const TMediaType type = TMediaType::audio(Stereo16(48000));
    TPipeline pipeline;
    TAudioOffer offer(type);
    Tdv_WaveDest stage;
    TOffsetCapture capture;
    for (TElement *e : std::initializer_list<TElement *>{&offer, &stage, &capture})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(pipeline.connect(offer.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(stage.outputType(0).subtype, Tdv_WaveDest::WaveSubtype);
    ASSERT_EQ(pipeline.connect(stage.output(0), capture.input(0)), TResult::Ok);
    stage.SetFileName(path);
    pipeline.setUseClock(false); // the test hands the samples over itself

    // A run without audio: a 46-byte file.
    pipeline.run();
    pipeline.stop();
    QByteArray file = ReadFile(path);
    EXPECT_EQ(file, Tdv_WaveDest::WaveHeader(type.format, 0));
    EXPECT_EQ(U32(file, 4), 38u);

    // The next run replaces it; the file is valid at every point.
    pipeline.run();
    QByteArray audio;
    for (int i = 0; i < 3; ++i) {
        TMediaSample sample;
        sample.data = QByteArray(1000 + 4 * i, char('a' + i));
        sample.timeStart = 400000 * i;
        audio += sample.data;
        stage.receive(0, sample);
    }
    EXPECT_EQ(ReadFile(path).left(46), Tdv_WaveDest::WaveHeader(type.format, 0)) << "before the stop";
    pipeline.stop();
    EXPECT_TRUE(stage.ok()) << stage.errorString().toStdString();
    EXPECT_EQ(stage.dataSize(), 3012u);
    EXPECT_EQ(ReadFile(path), Tdv_WaveDest::WaveHeader(type.format, 3012) + audio);
    EXPECT_EQ(capture.offsets, (std::vector<std::pair<qint64, qint64>>{{46, 1046}, {1046, 2050}, {2050, 3058}}));
    EXPECT_EQ(ProbeAudio(path), Expected(48000, 3012 / 4));
}

TEST(WaveDest, TheFileWriterNamesTheDestination)
{
    QTemporaryDir dir;
    TPipeline pipeline;
    TAudioOffer offer(TMediaType::audio(Stereo16(32000)));
    Tdv_WaveDest stage;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&offer, &stage, &writer})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(pipeline.connect(offer.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), writer.input(0)), TResult::Ok);
    pipeline.setUseClock(false);

    pipeline.run();
    pipeline.stop();
    EXPECT_FALSE(stage.ok()) << "no file name anywhere";

    writer.SetFileName(dir.filePath(QStringLiteral("named.wav")));
    pipeline.run();
    pipeline.stop();
    EXPECT_TRUE(stage.ok()) << stage.errorString().toStdString();
    EXPECT_EQ(ReadFile(writer.fileName()).size(), 46);

    // A folder that does not exist: reported, nothing written, no crash.
    stage.SetFileName(dir.filePath(QStringLiteral("missing/x.wav")));
    pipeline.run();
    TMediaSample sample;
    sample.data = QByteArray(64, '\0');
    stage.receive(0, sample);
    pipeline.stop();
    EXPECT_FALSE(stage.ok());
    EXPECT_EQ(stage.dataSize(), 0u);
}

namespace {

struct TDvSound
{
    qint32 rate;
    int frames;
};


// A PAL DV type 1 file whose frames carry the given sound; returns the
// samples per channel of each frame.
std::vector<int> WriteType1(const QString &path, const TDvSound &s, std::vector<qint16> &sound)
{
    std::vector<int> perFrame;
    qint64 total = 0;
    for (int i = 0; i < s.frames; ++i)
        total += DvAudioSamplesPerFrame(true, s.rate, quint32(i));
    sound = TestSound(total);
    TAviWriter writer;
    qint64 at = 0;
    for (int i = 0; i < s.frames; ++i) {
        QByteArray frame = MakeBlankDifFrame(true);
        auto *bytes = reinterpret_cast<quint8 *>(frame.data());
        TCamcorderPacks packs;
        packs.timecode = {0, 0, quint8(i / 25), quint8(i % 25)};
        packs.datecode = TDatecodeFields{2006, 1, 2, 3, 4, 5};
        packs.audioRate = s.rate;
        StampCamcorderPacks(bytes, dif::Sequences625, packs);
        const int n = DvAudioSamplesPerFrame(true, s.rate, quint32(i));
        TDvAudioEncoding encoding;
        encoding.rate = s.rate;
        encoding.samples = n;
        if (!EncodeDvAudio(std::span<quint8>(bytes, size_t(frame.size())), encoding,
                           std::span<const qint16>(sound.data() + 2 * at, size_t(2 * n))))
            return {};
        if (i == 0 && !writer.open(path, TAviWriterConfig::dvType1(TAviDvSystem::Pal, DvInfoFromFrame(bytes, dif::Sequences625))))
            return {};
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size())))
            return {};
        perFrame.push_back(n);
        at += n;
    }
    return writer.close() ? perFrame : std::vector<int>{};
}

QByteArray Bytes(const std::vector<qint16> &pcm, size_t values)
{
    return QByteArray(reinterpret_cast<const char *>(pcm.data()), qsizetype(values * 2));
}

// file source -> AVI splitter -> DV splitter -> its first audio output -> WAV writer -> file writer
class DvExtraction : public ::testing::TestWithParam<TDvSound>
{
protected:
    void build(const QString &source)
    {
        for (TElement *e : std::initializer_list<TElement *>{&file, &avi, &dv, &stage, &writer})
            ASSERT_EQ(pipeline.add(e), TResult::Ok);
        ASSERT_EQ(file.Load(source), TResult::Ok);
        ASSERT_EQ(pipeline.connect(file.output(0), avi.input(0)), TResult::Ok);
        ASSERT_EQ(pipeline.connect(avi.output(0), dv.input(0)), TResult::Ok);
        ASSERT_GE(dv.outputCount(), 2);
        ASSERT_EQ(pipeline.connect(dv.output(1), stage.input(0)), TResult::Ok);
        ASSERT_EQ(pipeline.connect(stage.output(0), writer.input(0)), TResult::Ok);
        writer.SetFileName(wav);
        pipeline.setUseClock(false);
    }

    QTemporaryDir dir;
    QString wav = dir.filePath(QStringLiteral("sound.wav"));
    TPipeline pipeline;
    TFileSourceElement file;
    TAviSplitter avi;
    TDvSplitterElement dv;
    Tdv_WaveDest stage;
    TFileWriterElement writer;
};

} // namespace

TEST_P(DvExtraction, WholeFile)
{
    const TDvSound s = GetParam();
    std::vector<qint16> sound;
    ASSERT_FALSE(WriteType1(dir.filePath(QStringLiteral("tape.avi")), s, sound).empty());
    build(dir.filePath(QStringLiteral("tape.avi")));

    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(20000));
    pipeline.stop();
    EXPECT_TRUE(stage.ok()) << stage.errorString().toStdString();

    const qint64 samples = qint64(sound.size() / 2);
    EXPECT_EQ(ProbeAudio(wav), Expected(s.rate, samples));
    const QByteArray bytes = ReadFile(wav);
    EXPECT_EQ(U32(bytes, 4), quint32(samples * 4 + 38));
    EXPECT_TRUE(bytes.mid(46) == Bytes(sound, sound.size())) << "the audio as the frames carry it";
}

TEST_P(DvExtraction, StopInTheMiddleLeavesAValidFile)
{
    const TDvSound s = GetParam();
    std::vector<qint16> sound;
    const std::vector<int> perFrame = WriteType1(dir.filePath(QStringLiteral("tape.avi")), s, sound);
    ASSERT_FALSE(perFrame.empty());
    build(dir.filePath(QStringLiteral("tape.avi")));

    // Pausing cues the first block in the writer; stopping then ends the extraction there.
    pipeline.pause();
    ASSERT_TRUE(pipeline.waitForState(TPipeline::TState::Paused, 10000));
    pipeline.stop();
    EXPECT_TRUE(stage.ok()) << stage.errorString().toStdString();

    EXPECT_EQ(ProbeAudio(wav), Expected(s.rate, perFrame[0]));
    const QByteArray bytes = ReadFile(wav);
    EXPECT_EQ(bytes.size(), 46 + perFrame[0] * 4);
    EXPECT_TRUE(bytes.mid(46) == Bytes(sound, size_t(2 * perFrame[0])));
}

INSTANTIATE_TEST_SUITE_P(Rates, DvExtraction, testing::Values(TDvSound{48000, 20}, TDvSound{32000, 20}),
                         [](const testing::TestParamInfo<TDvSound> &info) {
                             return std::to_string(info.param.rate);
                         });
