// The deinterlacers: the comb measure and its threshold, the neighbour rule,
// the repair, the rows that never change; both forms against a plain model
// on random pictures; the second form from two threads at once; and the
// deinterlace stage on decoded DV pictures in a pipeline.

#include "pipelines/avisplitter.h"
#include "pipelines/pipeline.h"
#include "pipelines/renderer.h"
#include "stages/deinter.h"
#include "stages/deinter2.h"
#include "stages/dv_deinter.h"
#include "support/handelements.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// A type with a major type and subtype and no format block.
TMediaType BareType(TFourcc major, TFourcc subtype)
{
    TMediaType type;
    type.majorType = major;
    type.subtype = subtype;
    return type;
}

struct Rgb
{
    int r, g, b;
};

void SetPixel(QImage &image, int x, int y, Rgb c)
{
    quint8 *p = image.scanLine(y) + 3 * x;
    p[0] = quint8(c.b);
    p[1] = quint8(c.g);
    p[2] = quint8(c.r);
}

QImage Picture(int width, int height, Rgb fill = {0, 0, 0})
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y, fill);
    return image;
}

Rgb PixelAt(const QImage &image, int x, int y)
{
    const quint8 *p = image.constScanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

QImage Mask(const QImage &picture)
{
    QImage mask(picture.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    return mask;
}

QImage Deinterlaced(const QImage &source)
{
    QImage destination, comb = Mask(source), kept = Mask(source);
    EXPECT_TRUE(DeinterlacePicture(source, destination, comb, kept));
    return destination;
}

QImage Deinterlaced2(const QImage &source)
{
    QImage destination;
    EXPECT_TRUE(DeinterlacePicture2(source, destination));
    return destination;
}

// The repair done the long way, pass after pass over the whole picture.
QImage Model(const QImage &source)
{
    const int w = source.width(), h = source.height();
    std::vector<int> comb(size_t(w * h)), kept(size_t(w * h));
    auto at = [&](int x, int y, int c) { return int(source.constScanLine(y)[3 * x + c]); };
    for (int y = 1; y < h - 1; y += 2)
        for (int x = 0; x < w; ++x) {
            int m = 0;
            const int weight[3] = {1, 6, 3}; // B, G, R
            for (int c = 0; c < 3; ++c)
                m += weight[c] * (at(x, y - 1, c) - at(x, y, c)) * (at(x, y + 1, c) - at(x, y, c));
            comb[size_t(y * w + x)] = m > 3000;
        }
    for (int y = 1; y < h - 1; y += 2)
        for (int x = 0; x < w; ++x) {
            const int sides = (x > 0 ? comb[size_t(y * w + x - 1)] : 0) + (x < w - 1 ? comb[size_t(y * w + x + 1)] : 0);
            kept[size_t(y * w + x)] = comb[size_t(y * w + x)] && sides > 0;
        }
    QImage out = source.copy();
    for (int y = 1; y < h - 1; y += 2)
        for (int x = 0; x < w; ++x)
            if (kept[size_t(y * w + x)])
                for (int c = 0; c < 3; ++c)
                    out.scanLine(y)[3 * x + c] = quint8((at(x, y - 1, c) + at(x, y + 1, c)) / 2);
    return out;
}

// Noise, with runs of equal pixels so that lone and paired comb pixels both occur.
QImage RandomPicture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        quint8 *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (x > 0 && random() % 3 == 0)
                std::memcpy(row + 3 * x, row + 3 * x - 3, 3);
            else
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = quint8(random());
        }
    }
    return image;
}

bool Same(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

// Copies a bottom-up RGB24 sample into a top-down image.
QImage FromDib(const QByteArray &bytes, int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    const qsizetype stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + (height - 1 - y) * stride, size_t(width) * 3);
    return image;
}

} // namespace

// A 3 x 3 picture whose middle row differs from the rows above and below.
TEST(Deinterlace, CombMeasureThresholdAndAverage)
{
    struct Case
    {
        const char *what;
        Rgb above, centre, below;
        int measure;
    };
    const Case cases[] = {
        {"all channels 20 darker than both neighbours", {120, 120, 120}, {100, 100, 100}, {120, 120, 120}, 4000},
        {"18 brighter than both", {100, 100, 100}, {118, 118, 118}, {100, 100, 100}, 3240},
        {"17 brighter than both", {100, 100, 100}, {117, 117, 117}, {100, 100, 100}, 2890},
        {"brighter than above, darker than below", {80, 80, 80}, {120, 120, 120}, {160, 160, 160}, -16000},
        {"red weighs 3", {32, 0, 0}, {0, 0, 0}, {32, 0, 0}, 3072},
        {"green weighs 6", {0, 0, 0}, {0, 23, 0}, {0, 0, 0}, 3174},
        {"blue weighs 1", {0, 0, 54}, {0, 0, 0}, {0, 0, 54}, 2916},
        {"3001 is a comb", {0, 10, 49}, {0, 0, 0}, {0, 10, 49}, 3001},
        {"3000 is not", {31, 0, 9}, {0, 0, 0}, {31, 0, 13}, 3000},
        {"averages round down: 255 and 0 give 127", {101, 200, 255}, {255, 0, 0}, {100, 200, 0}, 311610},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QImage source = Picture(3, 3, c.above);
        for (int x = 0; x < 3; ++x) {
            SetPixel(source, x, 1, c.centre);
            SetPixel(source, x, 2, c.below);
        }
        EXPECT_EQ(CombMeasure(source.constScanLine(0) + 3, source.constScanLine(1) + 3, source.constScanLine(2) + 3),
                  c.measure);

        QImage destination, comb = Mask(source), kept = Mask(source);
        ASSERT_TRUE(DeinterlacePicture(source, destination, comb, kept));
        const bool isComb = c.measure >= 3001;
        EXPECT_EQ(comb.constScanLine(1)[1], isComb ? 1 : 0);
        EXPECT_EQ(kept.constScanLine(1)[1], isComb ? 1 : 0);
        const Rgb got = PixelAt(destination, 1, 1);
        const Rgb want = isComb ? Rgb{(c.above.r + c.below.r) / 2, (c.above.g + c.below.g) / 2, (c.above.b + c.below.b) / 2}
                                : c.centre;
        EXPECT_EQ(std::tie(got.r, got.g, got.b), std::tie(want.r, want.g, want.b));
        for (int y : {0, 2})
            EXPECT_EQ(std::memcmp(destination.constScanLine(y), source.constScanLine(y), 9), 0) << "row " << y;
    }
}

// The comb pixels of row 1 of a picture 3 rows high ('#' in the pattern)
// against the pixels repaired.
TEST(Deinterlace, OnlyCombPixelsWithACombNeighbourAreRepaired)
{
    const std::pair<std::string, std::string> cases[] = {
        {"..#...", "......"}, {".##...", ".##..."}, {"#.....", "......"}, {"##....", "##...."},
        {"....##", "....##"}, {".....#", "......"}, {"#.#.#.", "......"}, {"###.##", "###.##"},
        {"#", "."}, {"##", "##"},
    };
    for (const auto &[combs, repaired] : cases) {
        SCOPED_TRACE(combs);
        const int width = int(combs.size());
        QImage source = Picture(width, 3, {100, 100, 100});
        for (int x = 0; x < width; ++x)
            if (combs[size_t(x)] == '#')
                SetPixel(source, x, 1, {0, 0, 0});
        QImage destination, comb = Mask(source), kept = Mask(source);
        ASSERT_TRUE(DeinterlacePicture(source, destination, comb, kept));
        std::string combSeen, keptSeen, repairedSeen;
        for (int x = 0; x < width; ++x) {
            combSeen += comb.constScanLine(1)[x] ? '#' : '.';
            keptSeen += kept.constScanLine(1)[x] ? '#' : '.';
            repairedSeen += PixelAt(destination, x, 1).r == 100 && combs[size_t(x)] == '#' ? '#' : '.';
        }
        EXPECT_EQ(combSeen, combs);
        EXPECT_EQ(keptSeen, repaired);
        EXPECT_EQ(repairedSeen, repaired);
    }
}

// Every odd row is a comb: the even rows and the last row stay as they are,
// the other odd rows take the average of their neighbours.
TEST(Deinterlace, EvenRowsAndTheLastRowNeverChange)
{
    for (const int height : {1, 2, 6, 7, 576}) {
        SCOPED_TRACE(height);
        QImage source = Picture(4, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 4; ++x)
                SetPixel(source, x, y, y % 2 ? Rgb{250, 250, 250} : Rgb{(y * 7) % 200, (y * 3) % 200, y % 200});
        const QImage out = Deinterlaced(source);
        for (int y = 0; y < height; ++y) {
            const bool repaired = y % 2 == 1 && y < height - 1;
            for (int x = 0; x < 4; ++x) {
                const Rgb got = PixelAt(out, x, y);
                const Rgb want = repaired ? Rgb{(PixelAt(source, x, y - 1).r + PixelAt(source, x, y + 1).r) / 2,
                                                (PixelAt(source, x, y - 1).g + PixelAt(source, x, y + 1).g) / 2,
                                                (PixelAt(source, x, y - 1).b + PixelAt(source, x, y + 1).b) / 2}
                                          : PixelAt(source, x, y);
                ASSERT_EQ(std::tie(got.r, got.g, got.b), std::tie(want.r, want.g, want.b)) << x << "," << y;
            }
        }
    }
    // A picture without vertical change (every row alike) is left as it is.
    QImage flat = RandomPicture(64, 1, 7).scaled(64, 16);
    EXPECT_TRUE(Same(Deinterlaced(flat), flat));
}

// Both forms, out of place, in place and on bottom-up rows, against the
// whole-picture model, on random pictures of many shapes.
TEST(Deinterlace, BothFormsMatchTheModelOnRandomPictures)
{
    unsigned seed = 1;
    for (const auto &[width, height] : {std::pair{1, 1}, {1, 5}, {2, 2}, {7, 3}, {33, 8}, {64, 17}, {720, 576}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const QImage source = RandomPicture(width, height, seed++);
        const QImage model = Model(source);
        EXPECT_TRUE(Same(Deinterlaced(source), model));
        EXPECT_TRUE(Same(Deinterlaced2(source), model));

        QImage inPlace = source.copy(), comb = Mask(source), kept = Mask(source);
        ASSERT_TRUE(DeinterlacePicture(inPlace, inPlace, comb, kept));
        EXPECT_TRUE(Same(inPlace, model));
        QImage inPlace2 = source.copy();
        ASSERT_TRUE(DeinterlacePicture2(inPlace2, inPlace2));
        EXPECT_TRUE(Same(inPlace2, model));

        // The same picture stored bottom-up, as an RGB24 sample holds it.
        const qsizetype stride = (width * 3 + 3) & ~3;
        QByteArray dib(stride * height, '\0');
        for (int y = 0; y < height; ++y)
            std::memcpy(dib.data() + (height - 1 - y) * stride, source.constScanLine(y), size_t(width) * 3);
        QByteArray out(dib.size(), '\0');
        const TPictureRows rows = DibRows(reinterpret_cast<quint8 *>(dib.data()), width, height);
        const TPictureRows outRows = DibRows(reinterpret_cast<quint8 *>(out.data()), width, height);
        std::vector<quint8> combBytes(size_t(width * height)), keptBytes(combBytes.size());
        ASSERT_TRUE(DeinterlacePicture(rows, outRows, {combBytes.data(), width, width, height},
                                       {keptBytes.data(), width, width, height}));
        EXPECT_TRUE(Same(FromDib(out, width, height), model));
        ASSERT_TRUE(DeinterlacePicture2(rows, rows));
        EXPECT_TRUE(Same(FromDib(dib, width, height), model));
    }
}

TEST(Deinterlace, RefusesPicturesAndMasksThatDoNotFit)
{
    const QImage source = RandomPicture(8, 6, 3);
    const QImage sentinel = Picture(2, 2, {1, 2, 3});
    struct Case
    {
        const char *what;
        QImage source, comb, kept;
    };
    const Case cases[] = {
        {"null source", QImage(), Mask(source), Mask(source)},
        {"32-bit source", source.convertToFormat(QImage::Format_RGB32), Mask(source), Mask(source)},
        {"comb mask too small", source, Mask(source).copy(0, 0, 8, 5), Mask(source)},
        {"kept mask too narrow", source, Mask(source), Mask(source).copy(0, 0, 7, 6)},
        {"mask of another format", source, Mask(source).convertToFormat(QImage::Format_RGB32), Mask(source)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QImage destination = sentinel, comb = c.comb, kept = c.kept;
        EXPECT_FALSE(DeinterlacePicture(c.source, destination, comb, kept));
        EXPECT_TRUE(Same(destination, sentinel));
    }
    QImage destination = sentinel;
    EXPECT_FALSE(DeinterlacePicture2(QImage(), destination));
    EXPECT_FALSE(DeinterlacePicture2(source.convertToFormat(QImage::Format_RGB888), destination));
    EXPECT_TRUE(Same(destination, sentinel));
    // Views of different sizes.
    QImage small = Picture(4, 4);
    EXPECT_FALSE(DeinterlacePicture2(ConstPictureRows(source), PictureRows(small)));
}

// Two threads deinterlace pictures of two sizes at once with the second
// form: each gets what it gets alone.
TEST(Deinterlace, SecondFormFromTwoThreadsAtOnce)
{
    const QImage pictures[2] = {RandomPicture(720, 576, 11), RandomPicture(352, 289, 12)};
    const QImage alone[2] = {Deinterlaced2(pictures[0]), Deinterlaced2(pictures[1])};
    ASSERT_TRUE(Same(alone[0], Model(pictures[0])));
    int mismatches[2] = {0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            QImage destination;
            for (int i = 0; i < 40; ++i) {
                if (!DeinterlacePicture2(pictures[t], destination) || !Same(destination, alone[t]))
                    ++mismatches[t];
            }
        });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(mismatches[0], 0);
    EXPECT_EQ(mismatches[1], 0);
}

namespace {

// Shifts the odd rows of every picture sideways, as a second field taken
// while the camera pans, and keeps the pictures it passes on.
class TFieldShifter final : public TBCTransInPlaceFilter
{
public:
    TFieldShifter() : TBCTransInPlaceFilter(QStringLiteral("Field shifter"), true) {}
    std::vector<TMediaSample> pictures;

protected:
    TResult CheckInputType(const TMediaType &type) override
    {
        return type.majorType == media::Video && type.subtype == media::Rgb24 ? TResult::Ok : TResult::TypeNotAccepted;
    }
    TResult Transform(TMediaSample &sample) override
    {
        const TBitmapInfoHeader bitmap = input(0)->mediaType().videoInfo().bitmap;
        const TPictureRows rows = DibRows(sample.writableBytes(), bitmap.width, bitmap.height);
        const int shift = 6 * 3 * int(sample.mediaStart % 4 + 1);
        for (int y = 1; y < rows.height; y += 2)
            std::memmove(rows.row(y) + shift, rows.row(y), size_t(rows.width) * 3 - size_t(shift));
        pictures.push_back(sample);
        pictures.back().data.detach();
        return TResult::Ok;
    }
};

} // namespace

TEST(DvDeinter, AcceptsRgb24VideoOnly)
{
    TVideoInfoHeader dv;
    dv.bitmap.width = 720;
    dv.bitmap.height = 576;
    const std::pair<TMediaType, TResult> cases[] = {
        {TMediaType::rgb24(720, 576, 400000), TResult::Ok},
        {TMediaType::video(media::Rgb24, TVideoInfoHeader{}), TResult::Ok},
        {BareType(media::Video, media::Rgb24), TResult::Ok},
        {TMediaType::video(media::Dvsd, dv), TResult::TypeNotAccepted},
        {TMediaType::video(media::I420, dv), TResult::TypeNotAccepted},
        {TMediaType::audio(TWaveFormatEx{}), TResult::TypeNotAccepted},
        {BareType(media::Interleaved, media::Rgb24), TResult::TypeNotAccepted},
    };
    for (const auto &[type, result] : cases) {
        Tdv_deinter stage;
        EXPECT_EQ(stage.checkInputType(0, type), result);
    }
    EXPECT_EQ(Tdv_deinter().name(), QStringLiteral("Orin Brontel dv_deinter"));
    EXPECT_TRUE(Tdv_deinter().modifiesData()) << "it repairs the picture in its sample";
}

// Samples fed by hand: the picture is repaired in its buffer, in the row
// order of the bitmap header; a sample too short for the picture is dropped;
// without a picture size samples pass untouched.
TEST(DvDeinter, RepairsSamplesInTheirRowOrder)
{
    const int width = 10, height = 8;
    const QImage picture = RandomPicture(width, height, 21);
    const QImage model = Model(picture);
    ASSERT_FALSE(Same(model, picture));
    const qsizetype stride = (width * 3 + 3) & ~3;

    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        TVideoInfoHeader info = TMediaType::rgb24(width, height, 400000).videoInfo();
        info.bitmap.height = topDown ? -height : height;
        TPipeline pipeline;
        THandSource source(TMediaType::video(media::Rgb24, info));
        Tdv_deinter stage;
        THandSink sink;
        for (TElement *e : std::initializer_list<TElement *>{&source, &stage, &sink})
            ASSERT_EQ(pipeline.add(e), TResult::Ok);
        ASSERT_EQ(pipeline.connect(source.output(0), stage.input(0)), TResult::Ok);
        ASSERT_EQ(pipeline.connect(stage.output(0), sink.input(0)), TResult::Ok);
        stage.startStreaming();
        EXPECT_EQ(stage.pictureWidth(), width);
        EXPECT_EQ(stage.pictureHeight(), height);

        TMediaSample sample;
        sample.data = QByteArray(stride * height, '\0');
        const TPictureRows rows = DibRows(sample.writableBytes(), width, height, topDown);
        for (int y = 0; y < height; ++y)
            std::memcpy(rows.row(y), picture.constScanLine(y), size_t(width) * 3);
        sample.mediaStart = 5;
        sample.mediaStop = 6;
        stage.receive(0, sample);
        ASSERT_EQ(sink.samples.size(), 1u);
        const TMediaSample &out = sink.samples[0];
        EXPECT_EQ(out.mediaStart, 5);
        EXPECT_EQ(out.mediaStop, 6);
        QImage got(width, height, QImage::Format_BGR888);
        const TPictureRows outRows = DibRows(const_cast<quint8 *>(out.bytes()), width, height, topDown);
        for (int y = 0; y < height; ++y)
            std::memcpy(got.scanLine(y), outRows.row(y), size_t(width) * 3);
        EXPECT_TRUE(Same(got, model));

        TMediaSample shortSample;
        shortSample.data = QByteArray(stride * height - 1, '\x40');
        stage.receive(0, shortSample);
        EXPECT_EQ(sink.samples.size(), 1u) << "a sample too short for the picture is dropped";
    }

    // An input whose format block gives no picture size.
    TPipeline pipeline;
    THandSource source(BareType(media::Video, media::Rgb24));
    Tdv_deinter stage;
    THandSink sink;
    for (TElement *e : std::initializer_list<TElement *>{&source, &stage, &sink})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), sink.input(0)), TResult::Ok);
    stage.startStreaming();
    TMediaSample sample;
    sample.data = QByteArray("\x01\x02\x03", 3);
    stage.receive(0, sample);
    ASSERT_EQ(sink.samples.size(), 1u);
    EXPECT_EQ(sink.samples[0].data, QByteArray("\x01\x02\x03", 3));
}

// Decoded DV pictures of a recording, their second field shifted as in a pan,
// through the stage in a pipeline: every picture comes out as both
// deinterlacers make it, with its comb repaired.
TEST(DvDeinter, DeinterlacesDecodedPicturesInAPipeline)
{
    QTemporaryDir dir;
    const QString file = MakeSampleRecording(dir, "pan.avi", {"--frames", "6", "--type", "2"});
    ASSERT_FALSE(file.isEmpty());

    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    TFieldShifter shifter;
    Tdv_deinter stage;
    THandRenderer sink;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &shifter, &stage, &sink})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(source.Load(file), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.renderTowards(splitter.output(0), &shifter), TResult::Ok); // DV decoder, colour converter
    ASSERT_EQ(pipeline.connect(shifter.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), sink.input(0)), TResult::Ok);
    EXPECT_EQ(stage.output(0)->mediaType(), stage.input(0)->mediaType()) << "RGB24 in, RGB24 out";

    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(30000));
    pipeline.stop();

    ASSERT_EQ(shifter.pictures.size(), 6u);
    ASSERT_EQ(sink.samples.size(), 6u);
    for (size_t i = 0; i < sink.samples.size(); ++i) {
        SCOPED_TRACE(i);
        const QImage before = FromDib(shifter.pictures[i].data, 720, 576);
        const QImage after = FromDib(sink.samples[i].data, 720, 576);
        EXPECT_EQ(sink.samples[i].mediaStart, qint64(i));
        EXPECT_FALSE(Same(after, before)) << "the comb was repaired";
        EXPECT_TRUE(Same(after, Deinterlaced(before)));
        EXPECT_TRUE(Same(after, Deinterlaced2(before)));
    }
}
