// DV splitter and DV muxer in whole pipelines: type 2 to type 1 and back keeps
// every frame byte for byte, the audio per frame follows the DV pattern, and
// the splitter's sound equals what ffmpeg extracts from the same file.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/difframe.h"
#include "dv/dvaudio.h"
#include "dv/dvcodes.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/dvmuxer.h"
#include "pipelines/dvsplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "support/ffprobe.h"
#include "support/riffbuilder.h"
#include "support/mediainfo.h"

#include "support/testsound.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <mutex>

namespace {

struct TSource
{
    bool pal;
    qint32 rate;
};


// A DV type 2 file whose frames carry the same sound as its PCM stream.
// Returns the frames and the sound it wrote.
bool WriteType2(const QString &path, TSource s, int frames, std::vector<QByteArray> &written, std::vector<qint16> &sound)
{
    qint64 total = 0;
    for (int i = 0; i < frames; ++i)
        total += DvAudioSamplesPerFrame(s.pal, s.rate, quint32(i));
    sound = TestSound(total);
    TWaveFormatEx wave;
    wave.channels = 2;
    wave.samplesPerSec = quint32(s.rate);
    wave.bitsPerSample = 16;
    wave.blockAlign = 4;
    wave.avgBytesPerSec = quint32(s.rate) * 4;
    TAviWriter writer;
    qint64 at = 0;
    for (int i = 0; i < frames; ++i) {
        QByteArray frame = MakeBlankDifFrame(s.pal);
        auto *bytes = reinterpret_cast<quint8 *>(frame.data());
        const int count = DifSequenceCount(frame.size());
        TCamcorderPacks packs;
        packs.timecode = {0, 0, quint8(i / 25), quint8(i % 25)};
        packs.datecode = TDatecodeFields{2006, 1, 2, 3, 4, 5};
        packs.audioRate = s.rate;
        StampCamcorderPacks(bytes, count, packs);
        const int n = DvAudioSamplesPerFrame(s.pal, s.rate, quint32(i));
        TDvAudioEncoding encoding;
        encoding.rate = s.rate;
        encoding.samples = n;
        encoding.locked = !s.pal && s.rate == 48000;
        const std::span<const qint16> pcm(sound.data() + 2 * at, size_t(2 * n));
        if (!EncodeDvAudio(std::span<quint8>(bytes, size_t(frame.size())), encoding, pcm))
            return false;
        if (i == 0 && !writer.open(path, TAviWriterConfig::dvType2(s.pal ? TAviDvSystem::Pal : TAviDvSystem::Ntsc,
                                                                  DvInfoFromFrame(bytes, count), wave)))
            return false;
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size()))
            || !writer.writeSample(1, pcm.data(), quint32(pcm.size() * 2)))
            return false;
        written.push_back(frame);
        at += n;
    }
    return writer.close();
}

// Keeps the PCM it is given.
class TPcmCapture final : public TRendererElement
{
public:
    TPcmCapture() : TRendererElement(QStringLiteral("PCM capture")) { addInput(QStringLiteral("In")); }
    TResult checkInputType(int, const TMediaType &type) override
    {
        return type.majorType == media::Audio ? TResult::Ok : TResult::TypeNotAccepted;
    }
    QByteArray pcm;

protected:
    void render(int, TMediaSample &sample) override { pcm += sample.data; }
};

bool RunToEnd(TPipeline &pipeline)
{
    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    const bool done = complete.count() > 0 || complete.wait(20000);
    pipeline.stop();
    return done;
}

std::vector<QByteArray> Frames(const QString &path, int stream, std::vector<QByteArray> *others = nullptr)
{
    TFileSource file(path);
    TAviSampleIndex index;
    std::vector<QByteArray> out;
    if (!index.build(file))
        return out;
    for (size_t s = 0; s < index.streams().size(); ++s)
        for (const TAviSample &sample : index.streams()[s].samples) {
            QByteArray bytes(qsizetype(sample.size), '\0');
            file.readExact(sample.offset, bytes.data(), sample.size);
            if (int(s) == stream)
                out.push_back(bytes);
            else if (others)
                others->push_back(bytes);
        }
    return out;
}

// type 2 -> type 1 through the DV muxer
bool ToType1(const QString &in, const QString &out)
{
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TDvMuxerElement dvmux;
    TAviMux mux;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &dvmux, &mux, &writer})
        pipeline.add(e);
    writer.SetFileName(out);
    return source.Load(in) == TResult::Ok && pipeline.connect(source.output(0), splitter.input(0)) == TResult::Ok
           && pipeline.connect(splitter.output(0), dvmux.input(0)) == TResult::Ok
           && pipeline.connect(splitter.output(1), dvmux.input(1)) == TResult::Ok
           && pipeline.connect(dvmux.output(0), mux.input(0)) == TResult::Ok
           && pipeline.connect(mux.output(0), writer.input(0)) == TResult::Ok && RunToEnd(pipeline)
           && mux.errorString().isEmpty();
}

// type 1 -> type 2 through the DV splitter
bool ToType2(const QString &in, const QString &out)
{
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TDvSplitterElement dvsplit;
    TAviMux mux;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &dvsplit, &mux, &writer})
        pipeline.add(e);
    writer.SetFileName(out);
    return source.Load(in) == TResult::Ok && pipeline.connect(source.output(0), splitter.input(0)) == TResult::Ok
           && pipeline.connect(splitter.output(0), dvsplit.input(0)) == TResult::Ok && dvsplit.outputCount() == 2
           && pipeline.connect(dvsplit.output(0), mux.input(0)) == TResult::Ok
           && pipeline.connect(dvsplit.output(1), mux.input(1)) == TResult::Ok
           && pipeline.connect(mux.output(0), writer.input(0)) == TResult::Ok && RunToEnd(pipeline)
           && mux.errorString().isEmpty();
}

TEST(DvConversion, Type2ToType1AndBackKeepsEveryFrameAndSample)
{
    const TSource sources[] = {{true, 48000}, {false, 48000}, {false, 32000}, {true, 44100}};
    for (const TSource &s : sources) {
        SCOPED_TRACE(std::string(s.pal ? "PAL " : "NTSC ") + std::to_string(s.rate));
        QTemporaryDir dir;
        std::vector<QByteArray> frames;
        std::vector<qint16> sound;
        const QString type2 = dir.filePath("in.avi"), type1 = dir.filePath("type1.avi"), back = dir.filePath("back.avi");
        ASSERT_TRUE(WriteType2(type2, s, 12, frames, sound));

        ASSERT_TRUE(ToType1(type2, type1));
        EXPECT_EQ(Frames(type1, 0), frames);
        QString errors;
        const auto probed = Probe(type1, &errors);
        EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
        ASSERT_EQ(probed.size(), 2u) << "ffmpeg reads the sound of an interleaved stream as a stream of its own";
        EXPECT_EQ(probed[0].packets, 12);
        if (HaveMediainfo()) {
            const QJsonArray tracks = MediainfoTracks(type1);
            const QJsonObject video = MediainfoTrack(tracks, "Video");
            EXPECT_EQ(video["Format"].toString(), "DV");
            EXPECT_EQ(video["FrameCount"].toString(), "12");
            EXPECT_EQ(video["Height"].toString(), s.pal ? "576" : "480");
            EXPECT_EQ(MediainfoTrack(tracks, "Audio")["SamplingRate"].toString(), QString::number(s.rate));
        }

        ASSERT_TRUE(ToType2(type1, back));
        std::vector<QByteArray> audio;
        EXPECT_EQ(Frames(back, 0, &audio), frames);
        QByteArray pcm;
        for (const QByteArray &chunk : audio)
            pcm += chunk;
        EXPECT_EQ(pcm, QByteArray(reinterpret_cast<const char *>(sound.data()), qsizetype(sound.size() * 2)));
        if (HaveMediainfo()) {
            const QJsonArray tracks = MediainfoTracks(back);
            EXPECT_EQ(MediainfoTrack(tracks, "Video")["FrameCount"].toString(), "12");
            // Twelve frames: 0.480 s in PAL, 0.400 s (12 x 1001 / 30000) in NTSC.
            EXPECT_EQ(MediainfoTrack(tracks, "Video")["Duration"].toString(), s.pal ? "0.480" : "0.400");
            EXPECT_EQ(MediainfoTrack(tracks, "Audio")["Format"].toString(), "PCM");
        }
    }
}

TEST(DvConversion, SplitterSoundEqualsFfmpegExtraction)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is needed";
    QTemporaryDir dir;
    const QString dv = dir.filePath("in.dv"), avi = dir.filePath("in.avi");
    QProcess make;
    make.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x576:rate=25", "-f", "lavfi", "-i",
                          "sine=frequency=440:sample_rate=48000", "-t", "1", "-c:v", "dvvideo",
                          "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-ac", "2", "-f", "dv", dv});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().constData();

    // Wrap the raw DV frames in an AVI file of type 1.
    QFile raw(dv);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    const auto *first = reinterpret_cast<const quint8 *>(bytes.constData());
    TAviWriter aviWriter;
    ASSERT_TRUE(aviWriter.open(avi, TAviWriterConfig::dvType1(TAviDvSystem::Pal, DvInfoFromFrame(first, 12))));
    for (qsizetype at = 0; at + dif::FrameSize625 <= bytes.size(); at += dif::FrameSize625)
        ASSERT_TRUE(aviWriter.writeSample(0, bytes.constData() + at, dif::FrameSize625));
    ASSERT_TRUE(aviWriter.close());

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TDvSplitterElement dvsplit;
    TNullRenderer video;
    TPcmCapture capture;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &dvsplit, &video, &capture})
        pipeline.add(e);
    ASSERT_EQ(source.Load(avi), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), dvsplit.input(0)), TResult::Ok);
    ASSERT_EQ(dvsplit.outputCount(), 2);
    EXPECT_EQ(dvsplit.outputType(1).waveFormat().samplesPerSec, 48000u);
    ASSERT_EQ(pipeline.connect(dvsplit.output(0), video.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(dvsplit.output(1), capture.input(0)), TResult::Ok);
    ASSERT_TRUE(RunToEnd(pipeline));

    QProcess extract;
    extract.start("ffmpeg", {"-v", "error", "-i", dv, "-f", "s16le", "-ac", "2", "-"});
    ASSERT_TRUE(extract.waitForFinished(60000));
    const QByteArray expected = extract.readAllStandardOutput();
    ASSERT_EQ(capture.pcm.size(), 25 * 1920 * 4);
    ASSERT_EQ(expected.size(), capture.pcm.size());
    EXPECT_TRUE(capture.pcm == expected);
}

} // namespace

namespace {

// A type 1 file with a short garbage sample in the middle: the conversion to
// type 2 goes on, the garbage passes as it came and its sound is silence of
// a frame's length, so the sound stays in step.
TEST(DvConversion, DamagedSamplesPassAndTheSoundStaysInStep)
{
    QTemporaryDir dir;
    std::vector<QByteArray> frames;
    std::vector<qint16> sound;
    const QString type2 = dir.filePath("in.avi"), type1 = dir.filePath("type1.avi"), back = dir.filePath("back.avi");
    ASSERT_TRUE(WriteType2(type2, {true, 48000}, 4, frames, sound));
    {
        TAviWriter writer;
        const auto *first = reinterpret_cast<const quint8 *>(frames[0].constData());
        ASSERT_TRUE(writer.open(type1, TAviWriterConfig::dvType1(TAviDvSystem::Pal, DvInfoFromFrame(first, 12))));
        ASSERT_TRUE(writer.writeSample(0, frames[0].constData(), quint32(frames[0].size())));
        ASSERT_TRUE(writer.writeSample(0, "garbage", 7));
        ASSERT_TRUE(writer.writeSample(0, frames[2].constData(), quint32(frames[2].size())));
        ASSERT_TRUE(writer.close());
    }
    ASSERT_TRUE(ToType2(type1, back));
    std::vector<QByteArray> audio;
    const std::vector<QByteArray> video = Frames(back, 0, &audio);
    ASSERT_EQ(video.size(), 3u);
    EXPECT_EQ(video[0], frames[0]);
    EXPECT_EQ(video[1], QByteArray("garbage"));
    EXPECT_EQ(video[2], frames[2]);
    ASSERT_EQ(audio.size(), 3u);
    EXPECT_EQ(audio[1], QByteArray(1920 * 4, '\0'));
    EXPECT_EQ(audio[2], QByteArray(reinterpret_cast<const char *>(sound.data() + 2 * 2 * 1920), 1920 * 4));
}

// Past 1 GB the output continues in OpenDML parts that ffprobe reads through.
TEST(DvConversion, OutputOverOneGigabyteIsOpenDml)
{
    QTemporaryDir dir;
    const QString type2 = dir.filePath("big.avi"), type1 = dir.filePath("big1.avi");
    const int frames = 7600; // 144000 bytes each: about 1.09 GB
    {
        // The input's payloads are holes (zeros): the muxers do not look at the pictures.
        const TWaveFormatEx wave = riff::DvWaveFormat(); // 48 kHz 16-bit stereo
        TAviWriter writer;
        ASSERT_TRUE(writer.open(type2, TAviWriterConfig::dvType2(TAviDvSystem::Pal, TDvInfo{}, wave)));
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(writer.writeHole(0, dif::FrameSize625));
            ASSERT_TRUE(writer.writeHole(1, 1920 * 4));
        }
        ASSERT_TRUE(writer.close());
    }
    ASSERT_TRUE(ToType1(type2, type1));
    EXPECT_GT(QFileInfo(type1).size(), qint64(1) << 30);
    TFileSource file(type1);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    EXPECT_EQ(index.source(), TIndexSource::OpenDml);
    ASSERT_EQ(index.streams().size(), 1u);
    EXPECT_EQ(index.streams()[0].samples.size(), size_t(frames));
    QString errors;
    const auto probed = Probe(type1, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_FALSE(probed.empty());
    EXPECT_EQ(probed[0].packets, frames);
}

} // namespace
