#include "codectestsupport.h"

#include "dv/difframe.h"
#include "dv/dvcodes.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/dvvideodecoder.h"
#include "pipelines/dvvideoencoder.h"
#include "pipelines/pipeline.h"
#include "support/handelements.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using namespace codectest;

namespace {

struct DvCase
{
    const char *name;
    TDvEncoderFormat format;
    int height;
    AVPixelFormat pixelFormat;
    int frameSize;
    const char *aspect; // as ffprobe states the display aspect
};

const DvCase kDvCases[] = {
    {"Pal4x3", {TDvStandard::Pal, false}, 576, AV_PIX_FMT_YUV420P, 144000, "4:3"},
    {"Pal16x9", {TDvStandard::Pal, true}, 576, AV_PIX_FMT_YUV420P, 144000, "16:9"},
    {"Ntsc4x3", {TDvStandard::Ntsc, false}, 480, AV_PIX_FMT_YUV411P, 120000, "4:3"},
    {"Ntsc16x9", {TDvStandard::Ntsc, true}, 480, AV_PIX_FMT_YUV411P, 120000, "16:9"},
};

// Colour bars in the encoder's own format.
TPicture BarsFor(const TDvVideoEncoder &encoder)
{
    const TBgr24Layout layout = TBgr24Layout::make(encoder.width(), encoder.height());
    const std::vector<uint8_t> bgr = MakeBarsBgr(layout);
    TPicture picture(encoder.width(), encoder.height(), encoder.pixelFormat());
    TPictureConverter converter;
    EXPECT_TRUE(converter.fromBgr24(bgr.data(), layout, picture)) << converter.errorString().toStdString();
    return picture;
}

QByteArray EncodedBars(TDvEncoderFormat format)
{
    TDvVideoEncoder encoder(format);
    const TPicture bars = BarsFor(encoder);
    if (!encoder.encode(bars))
        return {};
    return QByteArray(reinterpret_cast<const char *>(encoder.frame().data()), qsizetype(encoder.frame().size()));
}

bool Decodes(TDvVideoDecoder &decoder, const QByteArray &frame)
{
    return decoder.decode(reinterpret_cast<const uint8_t *>(frame.constData()), frame.size());
}

class DvCodec : public testing::TestWithParam<DvCase>
{
};

} // namespace

TEST_P(DvCodec, EncodeDecodeKeepsThePicture)
{
    const DvCase &c = GetParam();
    TDvVideoEncoder encoder(c.format);
    ASSERT_TRUE(encoder.isOpen()) << encoder.errorString().toStdString();
    EXPECT_EQ(encoder.height(), c.height);
    EXPECT_EQ(encoder.pixelFormat(), c.pixelFormat);
    const TPicture bars = BarsFor(encoder);

    TDvVideoDecoder decoder;
    ASSERT_TRUE(decoder.isOpen()) << decoder.errorString().toStdString();
    // Several frames through the same instances: nothing carries over badly.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(encoder.encode(bars)) << encoder.errorString().toStdString();
        ASSERT_EQ(qint64(encoder.frame().size()), c.frameSize);
        ASSERT_TRUE(decoder.decode(encoder.frame().data(), qint64(encoder.frame().size())))
            << decoder.errorString().toStdString();
        const TPicture &out = decoder.picture();
        ASSERT_EQ(out.width(), 720);
        ASSERT_EQ(out.height(), c.height);
        ASSERT_EQ(out.format(), c.pixelFormat);
        EXPECT_GT(Psnr(bars, out), 45.0);
        // The 4:3 / 16:9 flag the encoder wrote comes back as the pixel shape.
        const double displayAspect = av_q2d(out.sampleAspectRatio()) * 720 / c.height;
        EXPECT_NEAR(displayAspect, c.format.wide16x9 ? 16.0 / 9 : 4.0 / 3, 0.01);
    }
}

TEST_P(DvCodec, FfprobeReadsOurFrames)
{
    const QString ffprobe = Tool("ffprobe");
    if (ffprobe.isEmpty())
        GTEST_SKIP() << "ffprobe is not installed";
    const DvCase &c = GetParam();
    const QByteArray frame = EncodedBars(c.format);
    ASSERT_EQ(frame.size(), c.frameSize);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("bars.dv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 5; ++i)
        file.write(frame);
    file.close();

    const auto out = RunTool(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                   "stream=codec_name,width,height,display_aspect_ratio", "-of",
                                   "default=noprint_wrappers=1", path});
    ASSERT_TRUE(out.has_value());
    const QString text = QString::fromUtf8(*out);
    EXPECT_TRUE(text.contains(QStringLiteral("codec_name=dvvideo\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("width=720\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("height=%1\n").arg(c.height))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("display_aspect_ratio=%1\n").arg(QLatin1String(c.aspect))))
        << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, DvCodec, testing::ValuesIn(kDvCases),
                         [](const testing::TestParamInfo<DvCase> &info) { return info.param.name; });

TEST(DvVideoEncoder, FramesDependOnlyOnTheirPicture)
{
    // Frame buffers are reused from one frame to the next: nothing of an
    // earlier frame may stay in a later one.
    for (const TDvStandard standard : {TDvStandard::Pal, TDvStandard::Ntsc}) {
        TDvVideoEncoder encoder({standard, false});
        const TPicture bars = BarsFor(encoder);
        TPicture grey(encoder.width(), encoder.height(), encoder.pixelFormat());
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? encoder.height() / 2 : encoder.height()); ++y)
                std::memset(grey.plane(p) + qint64(y) * grey.stride(p), 100 + 20 * p, size_t(grey.stride(p)));

        ASSERT_TRUE(encoder.encode(bars));
        const std::vector<uint8_t> first(encoder.frame().begin(), encoder.frame().end());
        ASSERT_TRUE(encoder.encode(grey));
        EXPECT_FALSE(std::equal(first.begin(), first.end(), encoder.frame().begin()));
        ASSERT_TRUE(encoder.encode(bars));
        EXPECT_TRUE(std::equal(first.begin(), first.end(), encoder.frame().begin(), encoder.frame().end()));
    }
}

TEST(DvVideoEncoder, RefusesPicturesOfAnotherShape)
{
    TDvVideoEncoder encoder({TDvStandard::Pal, false});
    ASSERT_TRUE(encoder.isOpen());
    const TPicture ntscSized(720, 480, AV_PIX_FMT_YUV420P);
    const TPicture wrongFormat(720, 576, AV_PIX_FMT_YUV422P);
    const TPicture none;
    for (const TPicture *p : {&ntscSized, &wrongFormat, &none}) {
        EXPECT_FALSE(encoder.encode(*p));
        EXPECT_TRUE(encoder.frame().empty());
        EXPECT_FALSE(encoder.errorString().isEmpty());
    }
    EXPECT_TRUE(encoder.encode(BarsFor(encoder)));
    EXPECT_EQ(encoder.frame().size(), 144000u);
}

TEST(DvVideoDecoder, BadFramesFailAndTheNextGoodFrameDecodes)
{
    const QByteArray pal = EncodedBars({TDvStandard::Pal, false});
    const QByteArray ntsc = EncodedBars({TDvStandard::Ntsc, false});
    ASSERT_EQ(pal.size(), 144000);
    ASSERT_EQ(ntsc.size(), 120000);

    std::mt19937 random(7);
    QByteArray garbage(144000, Qt::Uninitialized);
    for (char &b : garbage)
        b = char(random());

    const struct
    {
        const char *name;
        QByteArray bytes;
    } bad[] = {
        {"empty", QByteArray()},
        {"truncated PAL", pal.left(143999)},
        {"half a PAL frame", pal.left(72000)},
        {"PAL frame with a byte too many", pal + QByteArray(1, 0)},
        {"NTSC frame cut to 100000 bytes", ntsc.left(100000)},
        {"garbage of PAL size", garbage},
        {"garbage of NTSC size", garbage.left(120000)},
        {"zeros of PAL size", QByteArray(144000, 0)},
    };

    TDvVideoDecoder decoder;
    ASSERT_TRUE(decoder.isOpen());
    for (const auto &b : bad) {
        SCOPED_TRACE(b.name);
        // A good frame before, so the decoder has a profile it could fall back on.
        ASSERT_TRUE(Decodes(decoder, pal));
        EXPECT_FALSE(Decodes(decoder, b.bytes));
        EXPECT_TRUE(decoder.picture().isNull());
        EXPECT_FALSE(decoder.errorString().isEmpty());
        ASSERT_TRUE(Decodes(decoder, ntsc)) << decoder.errorString().toStdString();
        EXPECT_EQ(decoder.picture().height(), 480);
        EXPECT_TRUE(decoder.errorString().isEmpty());
    }
    EXPECT_FALSE(decoder.decode(nullptr, 144000));
}

TEST(DvVideoDecoder, FrameWithDamagedVideoBlocksStillDecodes)
{
    // A tape dropout: the compressed data of some blocks is lost, their IDs stay.
    QByteArray frame = EncodedBars({TDvStandard::Pal, false});
    std::mt19937 random(11);
    for (int s = 3; s < 6; ++s)
        for (int b = 7; b < 150; b += 3)
            if ((b - 6) % 16 != 0)
                for (int i = 3; i < dif::BlockSize; ++i)
                    frame[dif::SequenceOffset(s) + b * dif::BlockSize + i] = char(random());

    TDvVideoDecoder decoder;
    ASSERT_TRUE(Decodes(decoder, frame)) << decoder.errorString().toStdString();
    EXPECT_EQ(decoder.picture().height(), 576);
}

TEST(DvVideoDecoder, DecodesTheBlankFramesOfOurFrameMaker)
{
    TDvVideoDecoder decoder;
    for (const bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        ASSERT_TRUE(Decodes(decoder, MakeBlankDifFrame(pal))) << decoder.errorString().toStdString();
        const TPicture &p = decoder.picture();
        EXPECT_EQ(p.width(), 720);
        EXPECT_EQ(p.height(), pal ? 576 : 480);
        // Mid grey: luma near the middle of its range, no colour.
        EXPECT_NEAR(p.plane(0)[p.stride(0) * (p.height() / 2) + 360], 128, 24);
        EXPECT_NEAR(p.plane(1)[p.stride(1) * 10 + 20], 128, 4);
        EXPECT_NEAR(p.plane(2)[p.stride(2) * 10 + 20], 128, 4);
    }
}

namespace {

// A frame that does not decode gives the last good frame's picture again
// (none before the first good frame), so the pictures stay in step with
// the frames.
TEST(DvVideoDecoderElement, ADamagedFrameRepeatsTheLastGoodPicture)
{
    TVideoInfoHeader info;
    info.bitmap.width = 720;
    info.bitmap.height = 576;
    info.bitmap.sizeImage = 144000;
    info.avgTimePerFrame = 400000;
    TPipeline pipeline;
    THandSource source(TMediaType::video(media::Dvsd, info));
    TDvVideoDecoderElement decoder;
    THandSink sink;
    for (TElement *e : std::initializer_list<TElement *>{&source, &decoder, &sink})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), decoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(decoder.output(0), sink.input(0)), TResult::Ok);
    decoder.startStreaming();

    const QByteArray bars = EncodedBars({TDvStandard::Pal, false}), blank = MakeBlankDifFrame(true);
    const QByteArray garbage(144000, 0);
    const QByteArray frames[] = {garbage, bars, garbage, blank, bars.left(1000)};
    for (qint64 i = 0; i < 5; ++i) {
        TMediaSample sample;
        sample.data = frames[i];
        sample.mediaStart = i;
        source.push(sample);
    }
    pipeline.removeAll();

    ASSERT_EQ(sink.samples.size(), 4u);
    EXPECT_EQ(sink.samples[0].mediaStart, 1);
    EXPECT_EQ(sink.samples[1].mediaStart, 2);
    EXPECT_EQ(sink.samples[0].length(), 720 * 576 * 3 / 2);
    EXPECT_TRUE(sink.samples[1].data == sink.samples[0].data);
    EXPECT_FALSE(sink.samples[2].data == sink.samples[0].data);
    EXPECT_TRUE(sink.samples[3].data == sink.samples[2].data);
}

} // namespace
