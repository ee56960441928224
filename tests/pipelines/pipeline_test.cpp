// The pipeline core on small DV AVI files: connections, pause, run, seeking,
// completion, stop hooks, and writing through the AVI mux.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/difframe.h"
#include "dv/dvcodes.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/queueelement.h"
#include "pipelines/renderer.h"
#include "pipelines/stagebase.h"
#include "pipelines/tee.h"
#include "support/ffprobe.h"
#include "support/riffbuilder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <mutex>
#include <thread>

namespace {

constexpr int kPcmBytesPerFrame = 1920 * 4; // 48 kHz stereo 16-bit at 25 fps

QByteArray DvFrame(int number)
{
    QByteArray frame = MakeBlankDifFrame(true);
    TCamcorderPacks packs;
    packs.timecode = {0, 0, quint8(number / 25), quint8(number % 25)};
    packs.datecode = TDatecodeFields{2005, 6, 7, 8, 9, quint8(10 + number / 25)};
    StampCamcorderPacks(reinterpret_cast<quint8 *>(frame.data()), dif::Sequences625, packs);
    return frame;
}

QByteArray Pcm(int number)
{
    QByteArray pcm(kPcmBytesPerFrame, '\0');
    for (int i = 0; i < pcm.size(); ++i)
        pcm[i] = char((number * 7 + i) & 0xFF);
    return pcm;
}

// A DV type 2 file: DV video and PCM audio, one audio chunk per frame.
bool WriteType2(const QString &path, int frames)
{
    const QByteArray first = DvFrame(0);
    const TWaveFormatEx wave = riff::DvWaveFormat(); // 48 kHz 16-bit stereo
    TAviWriter writer;
    if (!writer.open(path, TAviWriterConfig::dvType2(TAviDvSystem::Pal,
                                                    DvInfoFromFrame(reinterpret_cast<const quint8 *>(first.constData()), 12), wave)))
        return false;
    for (int i = 0; i < frames; ++i) {
        const QByteArray frame = DvFrame(i), pcm = Pcm(i);
        if (!writer.writeSample(0, frame.constData(), quint32(frame.size()))
            || !writer.writeSample(1, pcm.constData(), quint32(pcm.size())))
            return false;
    }
    return writer.close();
}

// Reads DV frames as the program's DV stages do, and records what it saw.
class TRecordingStage final : public TBCTransInPlaceFilter
{
public:
    TRecordingStage() : TBCTransInPlaceFilter(QStringLiteral("Recorder"), false) {}

    std::mutex lock;
    std::vector<qint64> mediaStarts;
    std::vector<qint64> timeStarts;
    std::vector<int> timecodeFrames;
    int starts = 0;
    int stops = 0;
    std::thread::id stopThread;

    std::vector<qint64> seen()
    {
        std::lock_guard guard(lock);
        return mediaStarts;
    }

protected:
    TResult CheckInputType(const TMediaType &type) override
    {
        const bool dv = type.majorType == media::Interleaved
                        || (type.majorType == media::Video && type.subtype == media::Dvsd);
        return dv ? TResult::Ok : TResult::TypeNotAccepted;
    }
    TResult Transform(TMediaSample &sample) override
    {
        std::lock_guard guard(lock);
        mediaStarts.push_back(sample.mediaStart);
        timeStarts.push_back(sample.timeStart);
        TTimecodeFields tc{};
        const int count = DifSequenceCount(sample.length());
        timecodeFrames.push_back(count && ReadTimecode(sample.bytes(), count, tc) ? tc.seconds * 25 + tc.frames : -1);
        return TResult::Ok;
    }
    void startStreaming() override { ++starts; }
    void stopStreaming() override
    {
        ++stops;
        stopThread = std::this_thread::get_id();
    }
};

class Pipeline : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath("in.avi");
        ASSERT_TRUE(WriteType2(file, kFrames));
        for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &stage, &renderer, &audioRenderer})
            ASSERT_EQ(pipeline.add(e), TResult::Ok);
        ASSERT_EQ(source.Load(file), TResult::Ok);
        ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
        ASSERT_EQ(splitter.outputCount(), 2);
    }

    // splitter video -> stage -> renderer
    void connectVideo()
    {
        ASSERT_EQ(pipeline.connect(splitter.output(0), stage.input(0)), TResult::Ok);
        ASSERT_EQ(pipeline.connect(stage.output(0), renderer.input(0)), TResult::Ok);
    }

    bool waitComplete(QSignalSpy &spy) { return spy.count() > 0 || spy.wait(10000); }

    static constexpr int kFrames = 30;
    QTemporaryDir dir;
    QString file;
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TRecordingStage stage;
    TNullRenderer renderer;
    TNullRenderer audioRenderer;
};

TEST_F(Pipeline, ConnectionsFailWithoutSideEffects)
{
    TFileSourceElement missing;
    EXPECT_EQ(missing.Load(dir.filePath("missing.avi")), TResult::CannotOpen);

    // The splitter offers DV video and PCM audio; the DV stage refuses the audio.
    EXPECT_EQ(splitter.output(0)->element()->outputType(0).subtype, media::Dvsd);
    EXPECT_EQ(splitter.outputType(1).majorType, media::Audio);
    EXPECT_EQ(pipeline.connect(splitter.output(1), stage.input(0)), TResult::TypeNotAccepted);
    EXPECT_FALSE(splitter.output(1)->isConnected());
    EXPECT_FALSE(stage.input(0)->isConnected());

    connectVideo();
    EXPECT_EQ(pipeline.connect(splitter.output(0), renderer.input(0)), TResult::AlreadyConnected);
    EXPECT_EQ(stage.input(0)->mediaType().videoInfo().avgTimePerFrame, 400000);

    // A source that is not an AVI file is refused by the splitter.
    TPipeline other;
    TFileSourceElement text;
    TAviSplitter splitter2;
    QFile f(dir.filePath("notes.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not an avi file");
    f.close();
    ASSERT_EQ(text.Load(f.fileName()), TResult::Ok);
    other.add(&text);
    other.add(&splitter2);
    EXPECT_EQ(other.connect(text.output(0), splitter2.input(0)), TResult::TypeNotAccepted);
    EXPECT_EQ(splitter2.outputCount(), 0);

    // Disconnecting one end frees both.
    EXPECT_EQ(pipeline.disconnect(stage.input(0)), TResult::Ok);
    EXPECT_FALSE(splitter.output(0)->isConnected());
}

TEST_F(Pipeline, PauseCuesTheFirstFrameAndRunCompletes)
{
    connectVideo();
    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);

    pipeline.pause();
    EXPECT_TRUE(pipeline.waitForState(TPipeline::TState::Paused, 1000));
    EXPECT_EQ(stage.seen(), std::vector<qint64>{0});
    EXPECT_EQ(stage.starts, 1);

    pipeline.run();
    ASSERT_TRUE(waitComplete(complete));
    pipeline.stop();
    EXPECT_EQ(complete.count(), 1);
    EXPECT_EQ(stage.stops, 1);
    EXPECT_EQ(stage.stopThread, std::this_thread::get_id()) << "the stop hook runs on the stopping thread";

    ASSERT_EQ(stage.mediaStarts.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        EXPECT_EQ(stage.mediaStarts[size_t(i)], i);
        EXPECT_EQ(stage.timeStarts[size_t(i)], qint64(i) * 400000);
        EXPECT_EQ(stage.timecodeFrames[size_t(i)], i);
    }
}

TEST_F(Pipeline, SeeksInFramesAndInMediaTime)
{
    connectVideo();
    pipeline.setUseClock(false);
    EXPECT_EQ(pipeline.duration(), qint64(kFrames) * 400000);
    pipeline.setTimeFormat(TPipeline::TTimeFormat::Frame);
    EXPECT_EQ(pipeline.duration(), kFrames);

    // Stopped: the next run starts there.
    pipeline.setPositions(20, 25);
    EXPECT_EQ(pipeline.currentPosition(), 20);
    EXPECT_EQ(pipeline.stopPosition(), 25);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(waitComplete(complete));
    pipeline.stop();
    EXPECT_EQ(stage.seen(), (std::vector<qint64>{20, 21, 22, 23, 24}));

    // Paused: a seek cues the new frame at once (frame stepping).
    stage.mediaStarts.clear();
    pipeline.setPositions(3);
    pipeline.pause();
    EXPECT_EQ(stage.seen(), std::vector<qint64>{3});
    pipeline.setPositions(7);
    EXPECT_EQ(stage.seen(), (std::vector<qint64>{3, 7}));
    EXPECT_EQ(pipeline.currentPosition(), 7);
    pipeline.setTimeFormat(TPipeline::TTimeFormat::MediaTime);
    EXPECT_EQ(pipeline.currentPosition(), 7 * 400000);
    pipeline.stop();
}

TEST_F(Pipeline, WithTheClockSamplesArriveAtTheirTimes)
{
    connectVideo();
    pipeline.setTimeFormat(TPipeline::TTimeFormat::Frame);
    pipeline.setPositions(0, 10);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    QElapsedTimer timer;
    pipeline.pause();
    timer.start();
    pipeline.run();
    ASSERT_TRUE(waitComplete(complete));
    // Ten PAL frames: the last one is due 0.36 s after the start.
    EXPECT_GE(timer.elapsed(), 300);
    pipeline.stop();
}

TEST_F(Pipeline, QueueAndTeeKeepEveryFrameInOrder)
{
    TQueueElement queue(3);
    TInfiniteTee tee;
    TNullRenderer second;
    for (TElement *e : std::initializer_list<TElement *>{&queue, &tee, &second})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), tee.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(tee.output(0), queue.input(0)), TResult::Ok);
    ASSERT_EQ(tee.outputCount(), 2);
    ASSERT_EQ(pipeline.connect(tee.output(1), second.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(queue.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), renderer.input(0)), TResult::Ok);
    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.pause();
    EXPECT_EQ(stage.seen().size(), 1u);
    pipeline.run();
    ASSERT_TRUE(waitComplete(complete));
    pipeline.stop();
    ASSERT_EQ(stage.mediaStarts.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(stage.mediaStarts[size_t(i)], i);
}

// Logs, in arrival order, the input and media start of every sample.
class TArrivalLog final : public TRendererElement
{
public:
    TArrivalLog() : TRendererElement(QStringLiteral("Arrivals"))
    {
        addInput(QStringLiteral("Video"));
        addInput(QStringLiteral("Audio"));
    }
    TResult checkInputType(int, const TMediaType &type) override
    {
        return type.isValid() ? TResult::Ok : TResult::TypeNotAccepted;
    }
    std::mutex lock;
    std::vector<std::pair<int, qint64>> arrivals;
    int ends = 0;

protected:
    void render(int input, TMediaSample &sample) override
    {
        std::lock_guard guard(lock);
        arrivals.emplace_back(input, sample.mediaStart);
    }
    void renderEnd() override { ++ends; }
};

TEST_F(Pipeline, QueueLanesKeepTheOrderAcrossStreams)
{
    // The same two streams straight into the log, then through one queue of
    // two lanes, waking its sides at once or by runs of 8 (the 60 samples
    // end with a shorter run): the log sees the same sequence every time.
    std::vector<std::vector<std::pair<int, qint64>>> runs;
    for (const int batch : {0, 1, 8}) {
        const bool queued = batch > 0;
        TQueueElement queue(batch == 8 ? 16 : 2, 2);
        queue.setWakeBatch(batch);
        TArrivalLog log;
        ASSERT_EQ(pipeline.add(&log), TResult::Ok);
        if (queued) {
            ASSERT_EQ(pipeline.add(&queue), TResult::Ok);
            for (int k = 0; k < 2; ++k) {
                ASSERT_EQ(pipeline.connect(splitter.output(k), queue.input(k)), TResult::Ok);
                ASSERT_EQ(pipeline.connect(queue.output(k), log.input(k)), TResult::Ok);
            }
            EXPECT_EQ(queue.output(1)->mediaType().majorType, media::Audio);
        } else {
            for (int k = 0; k < 2; ++k)
                ASSERT_EQ(pipeline.connect(splitter.output(k), log.input(k)), TResult::Ok);
        }
        pipeline.setUseClock(false);
        pipeline.setPositions(0);
        QSignalSpy complete(&pipeline, &TPipeline::complete);
        pipeline.run();
        ASSERT_TRUE(waitComplete(complete));
        pipeline.stop();
        EXPECT_EQ(log.ends, 1);
        EXPECT_EQ(log.arrivals.size(), size_t(2 * kFrames));
        runs.push_back(log.arrivals);
        pipeline.remove(&log);
        if (queued)
            pipeline.remove(&queue);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(runs[0], runs[2]);
}

TEST_F(Pipeline, MuxWritesEveryFrameAndSampleAndFinalisesOnStop)
{
    TAviMux mux;
    TFileWriterElement writer;
    ASSERT_EQ(pipeline.add(&mux), TResult::Ok);
    ASSERT_EQ(pipeline.add(&writer), TResult::Ok);
    connectVideo();
    pipeline.disconnect(renderer.input(0));
    ASSERT_EQ(pipeline.connect(stage.output(0), mux.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(1), mux.input(1)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(mux.output(0), writer.input(0)), TResult::Ok);
    const QString out = dir.filePath("copy.avi");
    writer.SetFileName(out);
    ASSERT_TRUE(mux.SetTextProperty("INFO/ISFT", "Tarvex"));
    pipeline.setUseClock(false);

    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(waitComplete(complete));
    pipeline.stop();
    EXPECT_TRUE(mux.errorString().isEmpty()) << mux.errorString().toStdString();

    TFileSource copy(out);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(copy));
    ASSERT_EQ(index.streams().size(), 2u);
    ASSERT_EQ(index.streams()[0].samples.size(), size_t(kFrames));
    ASSERT_EQ(index.streams()[1].samples.size(), size_t(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        const TAviSample &v = index.streams()[0].samples[size_t(i)];
        const TAviSample &a = index.streams()[1].samples[size_t(i)];
        QByteArray frame(int(v.size), '\0'), pcm(int(a.size), '\0');
        ASSERT_TRUE(copy.readExact(v.offset, frame.data(), v.size));
        ASSERT_TRUE(copy.readExact(a.offset, pcm.data(), a.size));
        EXPECT_EQ(frame, DvFrame(i)) << "frame " << i;
        EXPECT_EQ(pcm, Pcm(i)) << "audio " << i;
    }
    QString errors;
    const auto streams = Probe(out, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(streams.size(), 2u);

    // Stopped in the middle of a run paced by the clock: a valid, readable
    // file with the frames written so far.
    const QString cut = dir.filePath("cut.avi");
    writer.SetFileName(cut);
    pipeline.setPositions(0);
    pipeline.setUseClock(true);
    pipeline.run();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    pipeline.stop();
    TFileSource cutFile(cut);
    TAviSampleIndex cutIndex;
    ASSERT_TRUE(cutIndex.build(cutFile));
    EXPECT_TRUE(cutIndex.warning().isEmpty()) << cutIndex.warning().toStdString();
    EXPECT_GE(cutIndex.streams()[0].samples.size(), 1u);
    EXPECT_LT(cutIndex.streams()[0].samples.size(), size_t(kFrames));
    EXPECT_EQ(Probe(cut, &errors).size(), 2u);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();

    // The mux never writes over the file the pipeline reads, and says so
    // to whoever runs the pipeline.
    writer.SetFileName(file);
    QSignalSpy failures(&pipeline, &TPipeline::error);
    pipeline.pause();
    pipeline.stop();
    EXPECT_FALSE(mux.errorString().isEmpty());
    ASSERT_EQ(failures.count(), 1);
    EXPECT_EQ(failures[0][0].value<TError>().text(), mux.errorString());
    TFileSource original(file);
    TAviSampleIndex originalIndex;
    ASSERT_TRUE(originalIndex.build(original));
    EXPECT_EQ(originalIndex.streams()[0].samples.size(), size_t(kFrames));
}

} // namespace
