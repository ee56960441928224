#include "codectestsupport.h"

#include "pipelines/pictureconverter.h"
#include "pipelines/videodecoder.h"
#include "pipelines/videodecoderelement.h"

#include "avi/avisampleindex.h"
#include "dv/dvframedata.h"
#include "support/handelements.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <map>
#include <random>

using namespace codectest;

namespace {

constexpr TFourcc BiRgb = 0;

TVideoStreamFormat StreamFormat(TFourcc compression, int width, int height, int bits = 24)
{
    TVideoStreamFormat f;
    f.header.width = width;
    f.header.height = height;
    f.header.bitCount = quint16(bits);
    f.header.compression = compression;
    return f;
}

bool Send(TVideoDecoder &decoder, const QByteArray &sample)
{
    return decoder.sendSample(reinterpret_cast<const uint8_t *>(sample.constData()), sample.size());
}

// The decoder's current picture as top-down BGR24.
std::vector<uint8_t> AsBgr(const TVideoDecoder &decoder, TBgr24Layout &layout)
{
    layout = TBgr24Layout::make(decoder.picture().width(), decoder.picture().height());
    std::vector<uint8_t> bits(size_t(layout.bytes()));
    TPictureConverter converter;
    EXPECT_TRUE(converter.toBgr24(decoder.picture(), bits.data(), layout)) << converter.errorString().toStdString();
    return bits;
}

// One JPEG picture of a single colour, made by ffmpeg; empty without ffmpeg.
QByteArray FfmpegJpeg(const char *colour, int width, int height)
{
    const QString ffmpeg = Tool("ffmpeg");
    if (ffmpeg.isEmpty())
        return {};
    const auto out = RunTool(ffmpeg, {"-v", "error", "-f", "lavfi", "-i",
                                      QStringLiteral("color=c=%1:size=%2x%3").arg(QLatin1String(colour)).arg(width).arg(height),
                                      "-frames:v", "1", "-c:v", "mjpeg", "-f", "rawvideo", "-"});
    return out.value_or(QByteArray());
}

} // namespace

TEST(VideoDecoder, DecodesMotionJpegMadeByFfmpeg)
{
    const QByteArray jpeg = FfmpegJpeg("red", 64, 48);
    if (jpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";

    TVideoDecoder decoder(StreamFormat(MakeFourcc("MJPG"), 64, 48));
    ASSERT_TRUE(decoder.isOpen()) << decoder.errorString().toStdString();
    EXPECT_EQ(decoder.codecId(), AV_CODEC_ID_MJPEG);

    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Send(decoder, jpeg)) << decoder.errorString().toStdString();
        ASSERT_TRUE(decoder.receivePicture()) << decoder.errorString().toStdString();
        EXPECT_EQ(decoder.picture().width(), 64);
        EXPECT_EQ(decoder.picture().height(), 48);
        TBgr24Layout layout;
        const std::vector<uint8_t> bgr = AsBgr(decoder, layout);
        for (const auto &[x, y] : {std::pair{0, 0}, {63, 0}, {32, 24}, {0, 47}})
            EXPECT_TRUE(Near(PixelAt(bgr.data(), layout, x, y), Bgr{0, 0, 255}, 8)) << x << "," << y;
        EXPECT_FALSE(decoder.receivePicture());
    }
}

TEST(VideoDecoder, GarbageSampleGivesNoPictureAndTheNextSampleDecodes)
{
    const QByteArray jpeg = FfmpegJpeg("blue", 64, 48);
    if (jpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    std::mt19937 random(3);
    QByteArray garbage(5000, Qt::Uninitialized);
    for (char &b : garbage)
        b = char(random());

    TVideoDecoder decoder(StreamFormat(MakeFourcc("mjpg"), 64, 48));
    ASSERT_TRUE(decoder.isOpen());
    for (const QByteArray &bad : {garbage, jpeg.left(2), QByteArray(1, 0)}) {
        Send(decoder, bad);
        EXPECT_FALSE(decoder.receivePicture());
        EXPECT_TRUE(decoder.picture().isNull());
        ASSERT_TRUE(Send(decoder, jpeg));
        ASSERT_TRUE(decoder.receivePicture()) << decoder.errorString().toStdString();
        EXPECT_EQ(decoder.picture().width(), 64);
    }
}

TEST(VideoDecoder, EmptySamplesAndTheEndOfTheStream)
{
    const QByteArray jpeg = FfmpegJpeg("green", 32, 16);
    if (jpeg.isEmpty())
        GTEST_SKIP() << "ffmpeg is not installed";
    TVideoDecoder decoder(StreamFormat(MakeFourcc("MJPG"), 32, 16));
    ASSERT_TRUE(decoder.isOpen());

    // A dropped frame (empty sample) produces nothing and ends nothing.
    EXPECT_TRUE(decoder.sendSample(nullptr, 0));
    EXPECT_FALSE(decoder.receivePicture());
    ASSERT_TRUE(Send(decoder, jpeg));
    int pictures = 0;
    while (decoder.receivePicture())
        ++pictures;
    decoder.sendEnd();
    while (decoder.receivePicture())
        ++pictures;
    EXPECT_EQ(pictures, 1);
    EXPECT_TRUE(decoder.errorString().isEmpty());

    // After the end a new stream can start.
    ASSERT_TRUE(Send(decoder, jpeg));
    EXPECT_TRUE(decoder.receivePicture());
}

namespace {

struct TChunks
{
    TVideoStreamFormat format;
    std::vector<QByteArray> samples;
    // The chunk each picture is decoded from, in presentation order, as
    // ffprobe reads the file; empty without ffprobe.
    std::vector<int> shown;
};

// The video chunks of an AVI file that ffmpeg writes from a lavfi graph.
bool FfmpegAviChunks(const QString &graph, const QStringList &codec, TChunks &out)
{
    const QString ffmpeg = Tool("ffmpeg");
    QTemporaryDir dir;
    const QString path = dir.filePath("v.avi");
    if (ffmpeg.isEmpty()
        || !RunTool(ffmpeg, QStringList{"-v", "error", "-y", "-f", "lavfi", "-i", graph} + codec + QStringList{"-f", "avi", path}))
        return false;
    TFileSource file(path);
    TAviSampleIndex index;
    if (!index.build(file) || index.videoStream() < 0)
        return false;
    const TAviIndexedStream &stream = index.streams()[size_t(index.videoStream())];
    if (!TVideoStreamFormat::fromStrf(reinterpret_cast<const uint8_t *>(stream.format.constData()), stream.format.size(),
                                      stream.handler, out.format))
        return false;
    std::map<qint64, int> chunkAt; // ffprobe gives the position of each picture's packet data
    for (const TAviSample &s : stream.samples) {
        QByteArray bytes(qsizetype(s.size), Qt::Uninitialized);
        if (!file.readExact(s.offset, bytes.data(), s.size))
            return false;
        chunkAt[qint64(s.offset)] = int(out.samples.size());
        out.samples.push_back(bytes);
    }
    const QString ffprobe = Tool("ffprobe");
    const std::optional<QByteArray> frames =
        ffprobe.isEmpty() ? std::nullopt
                          : RunTool(ffprobe, {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pkt_pos",
                                              "-of", "csv=p=0", path});
    for (const QByteArray &line : frames ? frames->split('\n') : QList<QByteArray>()) {
        if (line.trimmed().isEmpty())
            continue;
        const auto it = chunkAt.find(line.trimmed().toLongLong());
        out.shown.push_back(it == chunkAt.end() ? -1 : it->second);
    }
    return true;
}

// 21 pictures of a test pattern, then red ones: the first red picture is number 21.
const QString kRedFrom21 = "testsrc=size=64x48:rate=25:duration=0.84[a];color=c=red:size=64x48:rate=25:duration=0.76[b];"
                           "[a][b]concat=n=2:v=1";

struct TCodecCase
{
    const char *name;
    QStringList codec;
    std::vector<int> lost; // samples replaced by garbage (-1 - n: emptied)
};

const std::vector<TCodecCase> &CodecCases()
{
    static const std::vector<TCodecCase> cases = {
        {"MPEG-4 with B-frames", {"-c:v", "mpeg4", "-bf", "2", "-g", "300"}, {}},
        {"Motion JPEG with a damaged and a dropped sample", {"-c:v", "mjpeg"}, {5, -1 - 8}},
    };
    return cases;
}

// The chunks of a case's file, with the samples it loses damaged or emptied;
// kept: the samples that still decode. False without ffmpeg.
bool CaseChunks(const TCodecCase &c, TChunks &chunks, std::vector<qint64> &kept)
{
    if (!FfmpegAviChunks(kRedFrom21, c.codec, chunks))
        return false;
    EXPECT_EQ(chunks.samples.size(), 40u);
    for (int i = 0; i < int(chunks.samples.size()); ++i) {
        if (std::find(c.lost.begin(), c.lost.end(), i) != c.lost.end())
            chunks.samples[size_t(i)] = QByteArray(3000, char(0x5A));
        else if (std::find(c.lost.begin(), c.lost.end(), -1 - i) != c.lost.end())
            chunks.samples[size_t(i)].clear();
        else
            kept.push_back(i);
    }
    return true;
}

} // namespace

// An AVI stream's times count its samples in presentation order: however the
// codec reorders, the n-th picture out has the n-th time, and a sample that
// gives no picture leaves no time behind.
TEST(VideoDecoder, PicturesComeOutWithTheTimesOfTheirPlace)
{
    for (const TCodecCase &c : CodecCases()) {
        SCOPED_TRACE(c.name);
        TChunks chunks;
        std::vector<qint64> expected;
        if (!CaseChunks(c, chunks, expected))
            GTEST_SKIP() << "ffmpeg is not installed";

        TVideoDecoder decoder(chunks.format, 1);
        ASSERT_TRUE(decoder.isOpen()) << decoder.errorString().toStdString();
        std::vector<qint64> starts;
        qint64 firstRed = -1;
        const auto take = [&] {
            while (decoder.receivePicture()) {
                const TSampleTimes &t = decoder.pictureTimes();
                EXPECT_EQ(t.mediaStop, t.mediaStart + 1);
                EXPECT_EQ(t.timeStart, t.mediaStart * 400000);
                starts.push_back(t.mediaStart);
                TBgr24Layout layout;
                const Bgr centre = PixelAt(AsBgr(decoder, layout).data(), layout, 32, 24);
                if (firstRed < 0 && Near(centre, Bgr{0, 0, 255}, 40))
                    firstRed = t.mediaStart;
            }
        };
        for (qint64 i = 0; i < 40; ++i) {
            const QByteArray &sample = chunks.samples[size_t(i)];
            decoder.sendSample(reinterpret_cast<const uint8_t *>(sample.constData()), sample.size(),
                               TSampleTimes{i, i + 1, i * 400000, (i + 1) * 400000});
            take();
        }
        decoder.sendEnd();
        take();
        EXPECT_EQ(starts, expected);
        EXPECT_EQ(firstRed, 21);
    }
}

// What belongs to a coded picture (the frame data its sample carries) comes
// out with that picture, wherever the codec's reordering puts it; the times
// stay those of the picture's place.
TEST(VideoDecoderElement, EachPictureCarriesTheFrameDataOfItsOwnSample)
{
    for (const TCodecCase &c : CodecCases()) {
        SCOPED_TRACE(c.name);
        TChunks chunks;
        std::vector<qint64> kept;
        if (!CaseChunks(c, chunks, kept) || chunks.shown.empty())
            GTEST_SKIP() << "ffmpeg or ffprobe is not installed";
        std::vector<int> expected; // ffprobe's chunk of each picture that still decodes
        for (int chunk : chunks.shown)
            if (std::find(kept.begin(), kept.end(), chunk) != kept.end())
                expected.push_back(chunk);

        TVideoInfoHeader info;
        info.bitmap = chunks.format.header;
        info.avgTimePerFrame = 400000;
        TPipeline pipeline;
        THandSource source(TMediaType::video(chunks.format.header.compression, info, chunks.format.extradata));
        TVideoDecoderElement decoder;
        THandSink sink;
        ASSERT_TRUE(JoinByHand(pipeline, {&source, &decoder, &sink}));
        for (int i = 0; i < int(chunks.samples.size()); ++i) {
            TMediaSample sample;
            sample.data = chunks.samples[size_t(i)];
            sample.mediaStart = i;
            sample.mediaStop = i + 1;
            auto data = std::make_shared<TDvFrameData>();
            data->info.frameIndex = quint32(i);
            sample.frameData = data;
            source.push(sample);
        }
        decoder.endOfStream(0);

        std::vector<int> carried;
        std::vector<qint64> starts;
        for (const TMediaSample &picture : sink.samples) {
            carried.push_back(picture.frameData ? int(picture.frameData->info.frameIndex) : -1);
            starts.push_back(picture.mediaStart);
        }
        EXPECT_EQ(carried, expected);
        EXPECT_EQ(starts, kept);
    }
}

TEST(VideoDecoder, DecodesUncompressedRgbInEitherRowOrder)
{
    // Four rows, top to bottom: red, green, white, blue; 5 pixels wide so
    // that 24-bit rows carry padding.
    const Bgr rowColours[4] = {{0, 0, 255}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}};
    const struct
    {
        const char *name;
        int bits;
        bool bottomUp;
    } cases[] = {{"24 bits bottom-up", 24, true}, {"24 bits top-down", 24, false}, {"32 bits bottom-up", 32, true}};

    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int width = 5, height = 4, bytesPerPixel = c.bits / 8;
        const int stride = (width * bytesPerPixel + 3) & ~3;
        QByteArray sample(stride * height, char(0x55));
        for (int y = 0; y < height; ++y) {
            const int stored = c.bottomUp ? height - 1 - y : y;
            for (int x = 0; x < width; ++x) {
                char *p = sample.data() + stored * stride + x * bytesPerPixel;
                p[0] = char(rowColours[y].b);
                p[1] = char(rowColours[y].g);
                p[2] = char(rowColours[y].r);
                if (bytesPerPixel == 4)
                    p[3] = 0;
            }
        }

        TVideoDecoder decoder(StreamFormat(BiRgb, width, c.bottomUp ? height : -height, c.bits));
        ASSERT_TRUE(decoder.isOpen()) << decoder.errorString().toStdString();
        EXPECT_EQ(decoder.codecId(), AV_CODEC_ID_RAWVIDEO);
        ASSERT_TRUE(Send(decoder, sample)) << decoder.errorString().toStdString();
        ASSERT_TRUE(decoder.receivePicture()) << decoder.errorString().toStdString();
        ASSERT_EQ(decoder.picture().width(), width);
        ASSERT_EQ(decoder.picture().height(), height);
        TBgr24Layout layout;
        const std::vector<uint8_t> bgr = AsBgr(decoder, layout);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_TRUE(Near(PixelAt(bgr.data(), layout, x, y), rowColours[y], 0)) << x << "," << y;
    }
}

TEST(VideoDecoder, RefusesStreamsItCannotDecode)
{
    const struct
    {
        const char *name;
        TVideoStreamFormat format;
    } cases[] = {
        {"unknown codec", StreamFormat(MakeFourcc("QQQ9"), 64, 48)},
        {"zero width", StreamFormat(MakeFourcc("MJPG"), 0, 48)},
        {"negative width", StreamFormat(MakeFourcc("MJPG"), -64, 48)},
        {"most negative height", StreamFormat(MakeFourcc("MJPG"), 64, INT_MIN)},
        {"absurd size", StreamFormat(MakeFourcc("MJPG"), 1 << 20, 1 << 20)},
        {"8-bit palette picture", StreamFormat(BiRgb, 64, 48, 8)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TVideoDecoder decoder(c.format);
        EXPECT_FALSE(decoder.isOpen());
        EXPECT_FALSE(decoder.errorString().isEmpty());
        const char sample[16] = {};
        EXPECT_FALSE(decoder.sendSample(reinterpret_cast<const uint8_t *>(sample), sizeof sample));
        decoder.sendEnd();
        EXPECT_FALSE(decoder.receivePicture());
    }
}

TEST(VideoStreamFormat, ReadsTheHeaderAndTheBytesAfterIt)
{
    TBitmapInfoHeader h;
    h.width = 320;
    h.height = 240;
    h.compression = MakeFourcc("MJPG");
    QByteArray strf(TBitmapInfoHeader::kSize, 0);
    h.write(reinterpret_cast<quint8 *>(strf.data()));
    strf += QByteArray("extra");

    TVideoStreamFormat f;
    ASSERT_TRUE(TVideoStreamFormat::fromStrf(reinterpret_cast<const uint8_t *>(strf.constData()), strf.size(),
                                             MakeFourcc("mjpg"), f));
    EXPECT_EQ(f.header.width, 320);
    EXPECT_EQ(f.header.height, 240);
    EXPECT_EQ(f.header.compression, MakeFourcc("MJPG"));
    EXPECT_EQ(f.handler, MakeFourcc("mjpg"));
    EXPECT_EQ(f.extradata, QByteArray("extra"));
    EXPECT_FALSE(TVideoStreamFormat::fromStrf(reinterpret_cast<const uint8_t *>(strf.constData()), 39, 0, f));
    EXPECT_FALSE(TVideoStreamFormat::fromStrf(nullptr, 100, 0, f));
}
