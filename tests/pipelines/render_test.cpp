// Rendering: converters put in between an output and an element that does not
// take its type, and the re-encoding chain PAL to NTSC with its sound.

#include "avi/aviwriter.h"
#include "avi/dvinfo.h"
#include "dv/dvcodes.h"
#include "pipelines/avimux.h"
#include "pipelines/avisplitter.h"
#include "pipelines/dvencoderelement.h"
#include "pipelines/dvmuxer.h"
#include "pipelines/pipeline.h"
#include "pipelines/queueelement.h"
#include "pipelines/rawvideo.h"
#include "pipelines/renderer.h"
#include "pipelines/renderers/audiorenderer.h"
#include "pipelines/renderers/videorenderer.h"
#include "support/ffprobe.h"

#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Takes bottom-up RGB24 pictures and keeps them.
class TPictureCapture final : public TRendererElement
{
public:
    TPictureCapture() : TRendererElement(QStringLiteral("Picture capture")) { addInput(QStringLiteral("In")); }
    TResult checkInputType(int, const TMediaType &type) override
    {
        return type.majorType == media::Video && type.subtype == media::Rgb24 ? TResult::Ok : TResult::TypeNotAccepted;
    }
    std::vector<QByteArray> pictures;

protected:
    void render(int, TMediaSample &sample) override { pictures.push_back(sample.data); }
};

bool RunToEnd(TPipeline &pipeline)
{
    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    const bool done = complete.count() > 0 || complete.wait(30000);
    pipeline.stop();
    return done;
}

TEST(Render, InsertsTheDecodersAPictureStageNeeds)
{
    QTemporaryDir dir;
    const QString type1 = MakeSampleRecording(dir, "type1.avi", {"--frames", "10", "--type", "1"});
    ASSERT_FALSE(type1.isEmpty());

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TPictureCapture capture;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &capture})
        pipeline.add(e);
    ASSERT_EQ(source.Load(type1), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), capture.input(0)), TResult::TypeNotAccepted);
    ASSERT_EQ(pipeline.renderTowards(splitter.output(0), &capture), TResult::Ok);
    // DV splitter, DV decoder, colour converter.
    EXPECT_EQ(pipeline.elements().size(), 6u);
    EXPECT_EQ(capture.input(0)->mediaType().videoInfo().bitmap.width, 720);
    ASSERT_TRUE(RunToEnd(pipeline));
    ASSERT_EQ(capture.pictures.size(), 10u);
    EXPECT_EQ(capture.pictures[0].size(), 720 * 576 * 3);

    // No chain leads from the picture stage's type to an audio renderer: nothing stays inserted.
    TPipeline other;
    TFileSourceElement source2;
    TAviSplitter splitter2;
    TPictureCapture capture2;
    for (TElement *e : std::initializer_list<TElement *>{&source2, &splitter2, &capture2})
        other.add(e);
    const QString type2 = MakeSampleRecording(dir, "type2.avi", {"--frames", "3", "--type", "2"});
    ASSERT_EQ(source2.Load(type2), TResult::Ok);
    ASSERT_EQ(other.connect(source2.output(0), splitter2.input(0)), TResult::Ok);
    EXPECT_EQ(other.renderTowards(splitter2.output(1), &capture2), TResult::NoPath);
    EXPECT_EQ(other.elements().size(), 3u);
    EXPECT_FALSE(splitter2.output(1)->isConnected());
}

TEST(Render, DecodesMotionJpeg)
{
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        GTEST_SKIP() << "ffmpeg is needed";
    QTemporaryDir dir;
    const QString avi = dir.filePath("mjpeg.avi");
    QProcess make;
    make.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "color=c=red:size=64x48:rate=25", "-frames:v", "5",
                          "-c:v", "mjpeg", "-f", "avi", avi});
    ASSERT_TRUE(make.waitForFinished(60000));
    ASSERT_EQ(make.exitCode(), 0);

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TPictureCapture capture;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &capture})
        pipeline.add(e);
    ASSERT_EQ(source.Load(avi), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.renderTowards(splitter.output(0), &capture), TResult::Ok);
    ASSERT_TRUE(RunToEnd(pipeline));
    ASSERT_EQ(capture.pictures.size(), 5u);
    const auto *bgr = reinterpret_cast<const quint8 *>(capture.pictures[0].constData());
    EXPECT_GT(bgr[2], 200); // red
    EXPECT_LT(bgr[1], 60);
    EXPECT_LT(bgr[0], 60);
}

// Every picture decoded, scaled to 720x480 and encoded as NTSC DV, the sound
// muxed back into the frames; decoding and encoding on different threads.
TEST(Render, ReencodesPalToNtscWithItsSound)
{
    QTemporaryDir dir;
    const QString in = MakeSampleRecording(dir, "pal.avi", {"--frames", "20", "--type", "2"});
    ASSERT_FALSE(in.isEmpty());
    const QString out = dir.filePath("ntsc.avi");

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TQueueElement queue;
    TDvVideoEncoderElement encoder;
    TDvMuxerElement dvmux;
    TAviMux mux;
    TFileWriterElement writer;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &queue, &encoder, &dvmux, &mux, &writer})
        pipeline.add(e);
    encoder.SetFormat(TDvVideoEncoderElement::FormatNtsc);
    writer.SetFileName(out);
    ASSERT_EQ(source.Load(in), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.renderTowards(splitter.output(0), &queue), TResult::Ok);
    ASSERT_EQ(pipeline.connectThrough(queue.output(0), encoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(encoder.output(0), dvmux.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(1), dvmux.input(1)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(dvmux.output(0), mux.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(mux.output(0), writer.input(0)), TResult::Ok);
    ASSERT_TRUE(RunToEnd(pipeline));
    EXPECT_TRUE(mux.errorString().isEmpty());

    TFileSource file(out);
    TAviSampleIndex index;
    ASSERT_TRUE(index.build(file));
    ASSERT_EQ(index.streams().size(), 1u);
    ASSERT_EQ(index.streams()[0].samples.size(), 20u);
    for (const TAviSample &s : index.streams()[0].samples)
        EXPECT_EQ(s.size, 120000u);
    QString errors;
    const auto probed = Probe(out, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    ASSERT_EQ(probed.size(), 2u);
    EXPECT_EQ(probed[0].codec, "dvvideo");
    EXPECT_EQ(probed[0].packets, 20);
    EXPECT_EQ(probed[1].codec, "pcm_s16le");

    // The datecode packs come from the encoder, not the source: only the picture went through.
    bool ntsc = false;
    QByteArray frame(120000, '\0');
    ASSERT_TRUE(file.readExact(index.streams()[0].samples[0].offset, frame.data(), 120000));
    ASSERT_TRUE(ReadSystem(reinterpret_cast<const quint8 *>(frame.constData()), ntsc));
    EXPECT_TRUE(ntsc);
}

// Playback's renderers: pictures reach the attached window, the sound plays
// (silently on a machine without a sound device), the volume is kept.
TEST(Render, PlaysIntoAVideoWindowAndTheSoundDevice)
{
    QTemporaryDir dir;
    const QString type1 = MakeSampleRecording(dir, "play.avi", {"--frames", "5", "--type", "1"});
    ASSERT_FALSE(type1.isEmpty());
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TVideoRendererElement video;
    TAudioRendererElement audio;
    TVideoWindow window;
    window.resize(360, 288);
    video.attachWindow(&window);
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &video, &audio})
        pipeline.add(e);
    ASSERT_EQ(source.Load(type1), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.renderTowards(splitter.output(0), &video), TResult::Ok);
    TElement *dvsplit = splitter.output(0)->peer()->element();
    ASSERT_EQ(dvsplit->outputCount(), 2);
    ASSERT_EQ(pipeline.renderTowards(dvsplit->output(1), &audio), TResult::Ok);

    audio.SetVolume(-10000);
    EXPECT_EQ(audio.volume(), -10000);
    audio.SetVolume(250);
    EXPECT_EQ(audio.volume(), 0);

    QSignalSpy shown(&window, &TVideoWindow::pictureShown);
    ASSERT_TRUE(RunToEnd(pipeline));
    EXPECT_TRUE(shown.count() > 0 || shown.wait(5000));
    const QImage picture = window.picture();
    ASSERT_EQ(picture.size(), QSize(720, 576));
    EXPECT_EQ(picture, video.currentPicture());
    // The sample's bars: the top-left and bottom-left pixels show the same bar.
    EXPECT_EQ(picture.pixel(4, 4), picture.pixel(4, 570));
}

} // namespace
