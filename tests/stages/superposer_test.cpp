// The inlay stage on small synthetic pictures: where the text lands for each
// alignment, when it shows in each mode, the outline, the bottom-up rows of
// the samples, still pictures, and settings written while pictures pass.

#include "inlaylines.h"

#include "pipelines/avisplitter.h"
#include "pipelines/colorconverterelement.h"
#include "pipelines/dvdecoderelement.h"
#include "pipelines/pipeline.h"
#include "pipelines/picturememory.h"
#include "pipelines/queueelement.h"
#include "pipelines/rawvideo.h"
#include "pipelines/renderer.h"
#include "stages/dv_scenedetect.h"
#include "stages/dv_superposer.h"
#include "stages/incrusttemplates.h"
#include "support/handelements.h"
#include "support/samplerecording.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QRect>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr qint64 kPalFrame = 400000;

int Stride(int width)
{
    return (width * 3 + 3) & ~3;
}

TMediaSample BlackPicture(int width, int height)
{
    TMediaSample sample;
    sample.data = QByteArray(Stride(width) * height, '\0');
    return sample;
}

// The sample's picture, top row first.
QImage TopDown(const TMediaSample &sample, int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int row = 0; row < height; ++row)
        std::memcpy(image.scanLine(row), sample.bytes() + (height - 1 - row) * Stride(width), size_t(Stride(width)));
    return image;
}

// Bounding box of the pixels in rows [top, bottom) that pass the test.
template <typename Test>
QRect InkBox(const QImage &image, int top, int bottom, Test test)
{
    QRect box;
    for (int y = std::max(0, top); y < std::min(bottom, image.height()); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool NotBlack(QRgb p)
{
    return (p & 0xFFFFFF) != 0;
}

struct TInlayRig
{
    int width = 720;
    int height = 576;
    TDatecodeTextSettingsStore store;
    std::vector<TFrameInfo> frames; // the frame record of each picture; none when empty
    size_t next = 0;
    Tdv_Superposer stage{&store};
    TMediaSample in, out;

    TInlayRig(int w = 720, int h = 576) : width(w), height(h)
    {
        stage.SetIncrustFont({QStringLiteral("Arial"), 16, Qt::white, false, false, false});
        stage.prepareStream(width, height, kPalFrame);
        in = BlackPicture(width, height);
        out = BlackPicture(width, height);
    }
    QImage run()
    {
        // Each picture carries its frame's record, as the scene-detect stage gives it.
        in.frameData.reset();
        if (next < frames.size()) {
            auto data = std::make_shared<TDvFrameData>();
            data->info = frames[next];
            in.frameData = data;
        }
        EXPECT_EQ(stage.inlayPicture(in, out), TResult::Ok);
        ++next;
        return TopDown(out, width, height);
    }
};

TFrameInfo Dated(TDateTime datecode)
{
    TFrameInfo frame;
    frame.datecodePresent = true;
    frame.datecode = datecode;
    return frame;
}

TEST(SuperposerTest, PlacesBothLinesForEachAlignment)
{
    struct TCase
    {
        int align;
        QString line1, line2;
    };
    // Both lines start with H and end with H so that their ink edges line up
    // exactly where their pen positions do.
    const TCase cases[] = {
        {Tdv_Superposer::AlignLeft, QStringLiteral("HHHHHHHHHH"), QStringLiteral("HHHH")},
        {Tdv_Superposer::AlignCentre, QStringLiteral("HHHHHHHHHH"), QStringLiteral("HHHH")},
        {Tdv_Superposer::AlignRight, QStringLiteral("HHHHHHHHHH"), QStringLiteral("HHHH")},
        {Tdv_Superposer::AlignSubtitle, QStringLiteral("HHHH"), QStringLiteral("HHHHHHHHHH")},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.align);
        TInlayRig rig;
        rig.store.setTemplates(c.line1, c.line2);
        rig.stage.SetX(400);
        rig.stage.SetY(800);
        rig.stage.SetAlign(c.align);
        const QImage picture = rig.run();
        const int bx = 720 * 400 / 1000, by = 576 * 800 / 1000, h = IncrustLineHeight(16);
        ASSERT_EQ(h, 21);
        const QRect ink1 = InkBox(picture, by - 2 * h, by - h, NotBlack);
        const QRect ink2 = InkBox(picture, by - h, by, NotBlack);
        ASSERT_FALSE(ink1.isEmpty());
        ASSERT_FALSE(ink2.isEmpty());
        // Nothing outside the two line cells.
        EXPECT_EQ(InkBox(picture, 0, by - 2 * h, NotBlack), QRect());
        EXPECT_EQ(InkBox(picture, by, 576, NotBlack), QRect());
        // Capitals stand on the baseline, inside the cell of their line.
        EXPECT_GT(ink1.bottom(), by - 2 * h + h / 2);
        EXPECT_GT(ink2.bottom(), by - h + h / 2);
        const double centre1 = (ink1.left() + ink1.right()) / 2.0, centre2 = (ink2.left() + ink2.right()) / 2.0;
        switch (c.align) {
        case Tdv_Superposer::AlignLeft:
            EXPECT_EQ(ink1.left(), ink2.left());
            EXPECT_GT(ink1.right(), ink2.right());
            EXPECT_NEAR(centre2, bx, 2);
            break;
        case Tdv_Superposer::AlignCentre:
            EXPECT_NEAR(centre1, bx, 2);
            EXPECT_NEAR(centre2, bx, 2);
            break;
        case Tdv_Superposer::AlignRight:
            // Halves of odd widths are cut toward zero: the ends may differ by one pixel.
            EXPECT_NEAR(ink1.right(), ink2.right(), 1);
            EXPECT_LT(ink1.left(), ink2.left());
            EXPECT_NEAR(centre2, bx, 2);
            break;
        default:
            EXPECT_NEAR(centre1, 360, 2);
            EXPECT_NEAR(centre2, 360, 2);
        }
    }
}

TEST(SuperposerTest, TimecodeTemplatesDrawOnlyTheSecondLine)
{
    TInlayRig rig;
    const TIncrustTemplates templates = IncrustTemplates(1, DefaultIncrustPerso1, DefaultIncrustPerso2, nullptr);
    rig.store.setTemplates(templates.line1, templates.line2);
    TFrameInfo frame;
    frame.timecodePresent = true;
    frame.timecode = {1, 2, 3, 4};
    rig.frames = {frame};
    const QImage picture = rig.run();
    EXPECT_EQ(rig.stage.line1(), QString());
    EXPECT_EQ(rig.stage.line2(), QStringLiteral("1:02:03:04"));
    const int by = 576 * 900 / 1000, h = 21;
    EXPECT_EQ(InkBox(picture, 0, by - h, NotBlack), QRect());
    EXPECT_FALSE(InkBox(picture, by - h, by, NotBlack).isEmpty());
}

TEST(SuperposerTest, TextAtTheTopLandsInTheLastRowsOfTheSample)
{
    TInlayRig rig;
    rig.store.setTemplates(QStringLiteral("HHHH"), QStringLiteral("HHHH"));
    rig.stage.SetY(100); // text block ends at row 57
    rig.run();
    const int stride = Stride(rig.width);
    const auto rowHasInk = [&](int sampleRow) {
        const quint8 *row = rig.out.bytes() + sampleRow * stride;
        return std::any_of(row, row + stride, [](quint8 b) { return b != 0; });
    };
    bool inkInLastRows = false;
    for (int row = 576 - 57; row < 576; ++row)
        inkInLastRows = inkInLastRows || rowHasInk(row);
    EXPECT_TRUE(inkInLastRows);
    for (int row = 0; row < 576 - 57; ++row)
        ASSERT_FALSE(rowHasInk(row)) << row;
}

TEST(SuperposerTest, OutlineWidensTheTextByTheBorderOnEverySide)
{
    QRect plain;
    for (int border : {0, 1, 2, 5}) {
        SCOPED_TRACE(border);
        TInlayRig rig;
        rig.store.setTemplates(QString(), QStringLiteral("Hello 12:34"));
        rig.stage.SetBorderColor(Qt::red);
        rig.stage.SetBorderSize(border);
        const QImage picture = rig.run();
        const QRect ink = InkBox(picture, 0, 576, NotBlack);
        if (border == 0) {
            plain = ink;
            continue;
        }
        EXPECT_EQ(ink, plain.adjusted(-border, -border, border, border));
        // The text itself stays in the font colour; its outline is in the border colour.
        const QRect white = InkBox(picture, 0, 576, [](QRgb p) { return p == qRgb(255, 255, 255); });
        EXPECT_FALSE(white.isEmpty());
        EXPECT_FALSE(InkBox(picture, 0, 576, [](QRgb p) { return p == qRgb(255, 0, 0); }).isEmpty());
    }
    EXPECT_FALSE(plain.isEmpty());
}

// A line that would cross an edge of the picture is moved inside it, in the
// RGB pictures of playback and in the YUV pictures of a conversion alike; a
// line that fits stays where the alignment puts it.
TEST(SuperposerTest, LinesThatWouldCrossAnEdgeAreMovedInside)
{
    struct TCase
    {
        int x, y, align, border;
    };
    const TCase cases[] = {
        {920, 920, Tdv_Superposer::AlignLeft, 0}, // the conversion's defaults: the date ran off the right edge
        {1000, 500, Tdv_Superposer::AlignCentre, 2},
        {0, 500, Tdv_Superposer::AlignRight, 0},
        {500, 0, Tdv_Superposer::AlignLeft, 2},
        {500, 1000, Tdv_Superposer::AlignSubtitle, 1},
    };
    const QString line1 = QStringLiteral("31 Dec 2007"), line2 = QStringLiteral("23:59:50");
    const QFontMetrics metrics(IncrustQFont({QStringLiteral("Arial"), 16, Qt::white, false, false, false}));
    for (const TCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "X " << c.x << " Y " << c.y << " align " << c.align);
        const auto configure = [&](Tdv_Superposer &stage) {
            stage.SetIncrustFont({QStringLiteral("Arial"), 16, Qt::white, false, false, false});
            stage.SetBorderSize(c.border);
            stage.SetAlign(c.align);
            stage.SetX(c.x);
            stage.SetY(c.y);
        };
        // Playback: RGB pictures.
        TInlayRig rig;
        rig.store.setTemplates(line1, line2);
        configure(rig.stage);
        const QRect rgb = InkBox(rig.run(), 0, 576, NotBlack);

        // Conversion: the DV decoder's I420 pictures, black (Y 16).
        TPipeline pipeline;
        THandSource source(RawVideoType(media::I420, 720, 576, kPalFrame));
        Tdv_Superposer stage(&rig.store);
        stage.SetKeepPicture(false);
        configure(stage);
        THandSink sink;
        ASSERT_TRUE(JoinByHand(pipeline, {&source, &stage, &sink}));
        stage.startStreaming();
        TMediaSample black;
        black.data = QByteArray(qsizetype(RawPictureBytes(media::I420, 720, 576)), char(128));
        std::memset(black.data.data(), 16, 720 * 576);
        source.push(black);
        pipeline.removeAll();
        ASSERT_EQ(sink.samples.size(), 1u);
        QRect yuv;
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x)
                if (quint8(sink.samples[0].data[y * 720 + x]) > 40)
                    yuv |= QRect(x, y, 1, 1);

        for (const QRect &ink : {rgb, yuv}) {
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_GE(ink.left(), 0);
            EXPECT_LT(ink.right(), 720 - 1) << "the text does not reach the edge";
            EXPECT_GT(ink.top(), 0);
            EXPECT_LT(ink.bottom(), 576 - 1);
        }
        EXPECT_NEAR(yuv.left(), rgb.left(), 1);
        EXPECT_NEAR(yuv.right(), rgb.right(), 1);
    }

    // With the defaults only the longer first line is moved: the time stays
    // centred at X, where the left alignment puts it.
    TInlayRig rig;
    rig.store.setTemplates(line1, line2);
    rig.stage.SetX(920);
    rig.stage.SetY(920);
    rig.stage.SetAlign(Tdv_Superposer::AlignLeft);
    const QImage picture = rig.run();
    const int by = 576 * 920 / 1000, h = IncrustLineHeight(16), bx = 720 * 920 / 1000;
    const QRect time = InkBox(picture, by - h, by, NotBlack);
    EXPECT_NEAR((time.left() + time.right()) / 2.0, bx, 2);
    const QRect date = InkBox(picture, by - 2 * h, by - h, NotBlack);
    EXPECT_LT(date.left(), time.left()) << "moved left, inside the picture";
    EXPECT_GE(date.left(), 720 - metrics.horizontalAdvance(line1) - 1);
}

TEST(SuperposerTest, ModesShowTheTextForTheirCountdowns)
{
    const TDateTime s = OneSecond;
    struct TCase
    {
        int when;
        std::vector<TDateTime> datecodes;
        std::vector<std::pair<int, int>> shown; // ranges [first, last) of pictures with text
    };
    std::vector<TCase> cases;
    {
        std::vector<TDateTime> d(40, EncodeDateTime(2005, 6, 7, 10, 0, 0));
        cases.push_back({Tdv_Superposer::Permanently, d, {{0, 40}}});
        cases.push_back({Tdv_Superposer::Once, d, {{0, 23}}}); // display frames 25
    }
    {
        // Steps of one second, a step of 5 at picture 30, a step back at 60.
        std::vector<TDateTime> d;
        for (int i = 0; i < 100; ++i)
            d.push_back(EncodeDateTime(2005, 6, 7, 10, 0, 0) + (i + (i >= 30 ? 4 : 0) - (i >= 60 ? 10 : 0)) * s);
        cases.push_back({Tdv_Superposer::EachNewScene, d, {{0, 25}, {30, 55}, {60, 85}}});
    }
    {
        // Midnight between the 3rd and the 4th at picture 40, then the same day one month later at 70.
        std::vector<TDateTime> d;
        for (int i = 0; i < 70; ++i)
            d.push_back(EncodeDateTime(2005, 1, 3, 23, 59, 20) + i * s);
        for (int i = 0; i < 30; ++i)
            d.push_back(EncodeDateTime(2005, 2, 4, 0, 0, 30 + i));
        cases.push_back({Tdv_Superposer::EachNewDay, d, {{0, 25}, {40, 65}, {70, 95}}});
    }
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.when);
        TInlayRig rig(160, 120);
        rig.stage.SetY(1000);
        rig.stage.SetWhen(c.when);
        rig.stage.SetDuration(1); // 25 pictures at 25 per second
        ASSERT_EQ(rig.stage.displayFrames(), 25);
        for (TDateTime d : c.datecodes)
            rig.frames.push_back(Dated(d));
        rig.stage.prepareStream(160, 120, kPalFrame);
        for (size_t i = 0; i < c.datecodes.size(); ++i) {
            bool expected = false;
            for (auto [first, last] : c.shown)
                expected = expected || (int(i) >= first && int(i) < last);
            const QImage picture = rig.run();
            ASSERT_EQ(!InkBox(picture, 0, 120, NotBlack).isEmpty(), expected) << "picture " << i;
        }
    }
}

TEST(SuperposerTest, SettersFollowTheirRules)
{
    Tdv_Superposer stage;
    EXPECT_EQ(stage.align(), Tdv_Superposer::AlignRight);
    stage.SetAlign(Tdv_Superposer::AlignSubtitle);
    stage.SetX(1500);
    EXPECT_EQ(stage.align(), Tdv_Superposer::AlignCentre);
    EXPECT_EQ(stage.x(), 1000);
    stage.SetY(-3);
    EXPECT_EQ(stage.y(), 0);
    stage.SetBorderSize(6);
    EXPECT_EQ(stage.borderSize(), 0);

    // Display time in pictures, halves to even; set before the frame time is known it still counts.
    stage.SetDuration(5);
    EXPECT_EQ(stage.displayFrames(), 125);
    stage.prepareStream(720, 480, 333667);
    EXPECT_EQ(stage.displayFrames(), 150);
    EXPECT_EQ(stage.countdown(), 149);
    stage.prepareStream(720, 576, kPalFrame);
    stage.SetDuration(300); // more than a 32-bit product allows
    EXPECT_EQ(stage.displayFrames(), 7500);

    // Automatic font size follows the picture width.
    stage.SetIncrustFont({QStringLiteral("Arial"), -1, Qt::white, false, false, false});
    EXPECT_TRUE(stage.autoFontSize());
    stage.prepareStream(720, 576, kPalFrame);
    EXPECT_EQ(stage.incrustFont().size, -21);
    EXPECT_EQ(IncrustLineHeight(-21), 28);
}

TEST(SuperposerTest, FontSizesGiveTheirPixelHeights)
{
    // Size 16: characters 21 pixels high; size -21: a cell 28 pixels high.
    EXPECT_EQ(IncrustQFont({QStringLiteral("Arial"), 16, Qt::white, false, false, false}).pixelSize(), 21);
    EXPECT_EQ(QFontInfo(IncrustQFont({QStringLiteral("Arial"), 16, {}, false, false, false})).family(),
              QStringLiteral("Liberation Sans"));
    EXPECT_EQ(QFontInfo(IncrustQFont({QStringLiteral("Courier New"), 16, {}, false, false, false})).family(),
              QStringLiteral("Liberation Mono"));
    const QFontMetrics cell(IncrustQFont({QStringLiteral("Arial"), -21, Qt::white, false, false, false}));
    EXPECT_NEAR(cell.ascent() + cell.descent(), 28, 1);
}

TEST(SuperposerTest, StillPictureIsStoredWhenAskedFor)
{
    TInlayRig rig;
    rig.store.setTemplates(QStringLiteral("HHHH"), QStringLiteral("HHHH"));
    int stillCalls = 0;
    rig.stage.setDeinterlacers({}, [&](const QImage &source, QImage &destination) {
        ++stillCalls;
        destination = source.copy();
    });
    Tdv_Superposer::stillPictureFlag() = false;
    rig.run();
    EXPECT_TRUE(Tdv_Superposer::stillPictureFlag());
    EXPECT_EQ(stillCalls, 1);
    rig.run(); // nobody asked
    EXPECT_EQ(stillCalls, 1);

    QImage thumbnail(180, 144, QImage::Format_RGB32);
    thumbnail.fill(Qt::black);
    ASSERT_TRUE(rig.stage.GetPicture(thumbnail));
    // Stretched to a quarter: the text sits near the bottom right.
    const QRect ink = InkBox(thumbnail, 0, 144, NotBlack);
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.top(), 144 / 2);

    QImage copy(720, 576, QImage::Format_RGB32);
    ASSERT_TRUE(rig.stage.GetDeinterlacedPicture(copy));
    EXPECT_EQ(stillCalls, 2);
    EXPECT_EQ(copy.convertToFormat(QImage::Format_BGR888), rig.run());
}

TEST(SuperposerTest, DeinterlaceHookMakesTheOutputPicture)
{
    TInlayRig rig(64, 48);
    rig.store.setTemplates(QString(), QString());
    rig.stage.SetDeinterlace(true);
    rig.stage.setDeinterlacers(
        [](const QImage &source, QImage &destination, QImage &comb, QImage &kept) {
            EXPECT_EQ(comb.size(), source.size());
            EXPECT_EQ(kept.size(), source.size());
            destination.fill(Qt::blue);
        },
        {});
    const QImage picture = rig.run();
    EXPECT_EQ(picture.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(SuperposerTest, RefusesOtherTypesAndShortSamples)
{
    TInlayRig rig(64, 48);
    EXPECT_EQ(rig.stage.checkInputType(0, TMediaType::rgb24(720, 576, kPalFrame)), TResult::Ok);
    TMediaType rgb32 = TMediaType::rgb24(720, 576, kPalFrame);
    TVideoInfoHeader info = rgb32.videoInfo();
    info.bitmap.bitCount = 32;
    rgb32 = TMediaType::video(media::Rgb24, info);
    EXPECT_EQ(rig.stage.checkInputType(0, rgb32), TResult::TypeNotAccepted);
    TMediaType dv = TMediaType::rgb24(720, 576, kPalFrame);
    dv.subtype = media::Dvsd;
    EXPECT_EQ(rig.stage.checkInputType(0, dv), TResult::TypeNotAccepted);
    TMediaType truncated = TMediaType::rgb24(720, 576, kPalFrame);
    truncated.format.truncate(20);
    EXPECT_EQ(rig.stage.checkInputType(0, truncated), TResult::TypeNotAccepted);

    TMediaSample shortIn;
    shortIn.data = QByteArray(100, '\0');
    EXPECT_EQ(rig.stage.inlayPicture(shortIn, rig.out), TResult::Fail);
    TMediaSample shortOut;
    shortOut.data = QByteArray(10, '\0');
    EXPECT_EQ(rig.stage.inlayPicture(rig.in, shortOut), TResult::Fail);
    rig.stage.prepareStream(0, -5, 0);
    EXPECT_EQ(rig.stage.inlayPicture(rig.in, rig.out), TResult::Fail);
}

TEST(SuperposerTest, SettingsWrittenWhilePicturesPass)
{
    TInlayRig rig(320, 240);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; !done; ++i) {
            rig.stage.SetIncrustFont({i % 2 ? QStringLiteral("Courier New") : QStringLiteral("Arial"), 8 + i % 20 - (i % 3 ? 0 : 30),
                                      QColor(i % 256, 200, 10), bool(i & 1), bool(i & 2), bool(i & 4)});
            rig.stage.SetX(i % 1001);
            rig.stage.SetY((i * 7) % 1001);
            rig.stage.SetAlign(i % 4);
            rig.stage.SetBorderSize(i % 6);
            rig.stage.SetWhen(i % 4);
            rig.stage.SetDuration(i % 3);
            rig.stage.SetVisible(i % 5 != 0);
            rig.stage.SetDeinterlace(i % 7 == 0);
            rig.store.setTemplates(QStringLiteral("%D1 %T line %1").arg(i), QStringLiteral("%D2"));
            rig.store.setFormat1(i % 2 ? QStringLiteral("dddddd") : QStringLiteral("yyyy"));
        }
    });
    for (int i = 0; i < 300; ++i) {
        TFrameInfo frame = Dated(EncodeDateTime(2005, 6, 7, 10, 0, 0) + i * 3 * OneSecond);
        frame.timecodePresent = true;
        rig.frames.push_back(frame);
        rig.run();
        if (i % 50 == 0)
            rig.stage.prepareStream(320, 240, kPalFrame);
    }
    done = true;
    writer.join();
}

TEST(IncrustTemplatesTest, TemplatesForEachChoice)
{
    struct TVideo final : TTemplateSource
    {
        QString templateFullPath() const override { return QStringLiteral("/films/Holiday.avi"); }
        QString templateCodec() const override { return QStringLiteral("dvsd"); }
        QString templateVideoText() const override { return QStringLiteral("720 x 576 (Pal"); }
        QString templateAspectText() const override { return QStringLiteral(" 4x3)"); }
        QString templateAudioText() const override { return QStringLiteral("48 kHz"); }
        QString templateDurationText() const override { return QStringLiteral("0:01:00"); }
        TDateTime templateFirstDatecode() const override { return 0; }
        TDateTime templateDisplayShift() const override { return 0; }
        QString templateTimecodeText() const override { return QStringLiteral("N/A"); }
    } video;
    struct TCase
    {
        int what;
        const TTemplateSource *shown;
        QString perso1, perso2, line1, line2;
    };
    const TCase cases[] = {
        {0, &video, "x", "y", "%D1", "%D2"},
        {1, &video, "x", "y", "", "%T"},
        {2, nullptr, "%D %d", "%F", "%D %d", "%F"},
        {2, &video, "%D %d", "%D %F%E %I %t", "%D1 %D1", "%D2 Holiday.avi 720 x 576 (Pal 4x3) %T"},
    };
    for (const TCase &c : cases) {
        const TIncrustTemplates t = IncrustTemplates(c.what, c.perso1, c.perso2, c.shown);
        EXPECT_EQ(t.line1, c.line1) << c.what;
        EXPECT_EQ(t.line2, c.line2) << c.what;
    }
}

} // namespace

namespace {

// A 90x60 picture source (rows padded to 272 bytes) -> the stage -> a sink.
struct TPipelineRig
{
    explicit TPipelineRig(const TDatecodeTextSettingsStore &store) : stage(&store)
    {
        for (TElement *e : std::initializer_list<TElement *>{&source, &stage, &sink})
            connected = connected && pipeline.add(e) == TResult::Ok;
        connected = connected && pipeline.connect(source.output(0), stage.input(0)) == TResult::Ok
                    && pipeline.connect(stage.output(0), sink.input(0)) == TResult::Ok;
    }
    TPipeline pipeline;
    THandSource source{TMediaType::rgb24(90, 60, kPalFrame)};
    Tdv_Superposer stage;
    THandSink sink;
    bool connected = true;
};

TEST(SuperposerTest, PassesPicturesWithTheirTimesThroughAPipeline)
{
    TDatecodeTextSettingsStore store;
    store.setTemplates(QStringLiteral("HHHH"), QStringLiteral("HHHH"));
    TPipelineRig rig(store);
    ASSERT_TRUE(rig.connected);
    auto &[pipeline, source, stage, sink, connected] = rig;
    EXPECT_EQ(stage.output(0)->mediaType().sampleSize, 272u * 60);

    stage.SetIncrustFont({QStringLiteral("Arial"), 8, Qt::white, false, false, false});
    stage.startStreaming();
    TMediaSample untimed;
    untimed.data = QByteArray(272 * 60, '\0');
    source.push(untimed);
    TMediaSample timed = untimed;
    timed.mediaStart = 40;
    timed.mediaStop = 41;
    timed.timeStart = 16000000;
    source.push(timed);
    pipeline.removeAll();

    ASSERT_EQ(sink.samples.size(), 2u);
    EXPECT_EQ(sink.samples[0].mediaStart, 0);
    EXPECT_EQ(sink.samples[0].mediaStop, 1);
    EXPECT_EQ(sink.samples[1].mediaStart, 40);
    EXPECT_EQ(sink.samples[1].timeStart, 16000000);
    EXPECT_FALSE(InkBox(TopDown(sink.samples[1], 90, 60), 0, 60, NotBlack).isEmpty());
}

// A stage that keeps no picture draws straight into the output picture: the
// same picture as the stage that keeps one.
TEST(SuperposerTest, DrawingWithoutKeepingThePictureGivesTheSamePicture)
{
    TDatecodeTextSettingsStore store;
    store.setTemplates(QStringLiteral("Line one"), QStringLiteral("Line two 12:34"));
    std::vector<QByteArray> outputs;
    for (bool keep : {true, false}) {
        TPipelineRig rig(store);
        ASSERT_TRUE(rig.connected);
        auto &[pipeline, source, stage, sink, connected] = rig;
        stage.SetKeepPicture(keep);
        stage.SetIncrustFont({QStringLiteral("Arial"), 8, Qt::white, false, false, false});
        stage.SetBorderSize(1);
        stage.SetX(500);
        stage.SetY(900);
        stage.startStreaming();
        TMediaSample picture;
        picture.data = QByteArray(272 * 60, '\0');
        for (qsizetype i = 0; i < picture.data.size(); ++i)
            picture.data[i] = char(i * 13 % 200);
        picture.mediaStart = 0;
        source.push(picture);
        pipeline.removeAll();
        ASSERT_EQ(sink.samples.size(), 1u);
        outputs.push_back(sink.samples[0].data);
        EXPECT_FALSE(InkBox(TopDown(sink.samples[0], 90, 60), 0, 60, [](QRgb p) { return qRed(p) > 240 && qGreen(p) > 240; }).isEmpty());
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
}

// A stage that keeps no picture takes the decoder's planar pictures and
// draws into them: the same picture, within rounding, as the trip through
// RGB (convert, draw, convert back the changed rows), and the rows without
// text untouched.
TEST(SuperposerTest, PlanarPicturesGetTheLinesOfTheRgbTrip)
{
    constexpr int w = 96, h = 64;
    TDatecodeTextSettingsStore store;
    store.setTemplates(QStringLiteral("Line one"), QStringLiteral("Line two 12:34"));
    for (const TFourcc subtype : {media::I420, media::Y41B}) {
        SCOPED_TRACE(subtype == media::I420 ? "I420" : "Y41B");
        const TMediaType type = RawVideoType(subtype, w, h, kPalFrame);
        TMediaSample picture;
        picture.data = QByteArray(qsizetype(RawPictureBytes(subtype, w, h)), Qt::Uninitialized);
        for (qsizetype i = 0; i < picture.data.size(); ++i)
            picture.data[i] = char(i < w * h ? 40 + (i * 7) % 160 : 118 + (i * 5) % 21); // colours within RGB
        picture.mediaStart = 0;

        std::vector<QByteArray> outputs;
        for (const bool planar : {true, false}) {
            TPipeline pipeline;
            THandSource source{type};
            Tdv_Superposer stage(&store);
            stage.SetKeepPicture(!planar);
            TColorConverterElement toRgb(media::Rgb24), toYuv(subtype);
            const auto memory = std::make_shared<TPictureMemory>();
            toRgb.setMemory(memory);
            toYuv.setMemory(memory);
            THandSink sink;
            for (TElement *e : std::initializer_list<TElement *>{&source, &stage, &sink, &toRgb, &toYuv})
                ASSERT_EQ(pipeline.add(e), TResult::Ok);
            if (planar) {
                ASSERT_EQ(pipeline.connect(source.output(0), stage.input(0)), TResult::Ok);
                ASSERT_EQ(pipeline.connect(stage.output(0), sink.input(0)), TResult::Ok);
            } else {
                // A stage that keeps its pictures needs RGB.
                ASSERT_EQ(pipeline.connect(source.output(0), stage.input(0)), TResult::TypeNotAccepted);
                ASSERT_EQ(pipeline.connect(source.output(0), toRgb.input(0)), TResult::Ok);
                ASSERT_EQ(pipeline.connect(toRgb.output(0), stage.input(0)), TResult::Ok);
                ASSERT_EQ(pipeline.connect(stage.output(0), toYuv.input(0)), TResult::Ok);
                ASSERT_EQ(pipeline.connect(toYuv.output(0), sink.input(0)), TResult::Ok);
            }
            stage.SetIncrustFont({QStringLiteral("Arial"), 8, Qt::white, false, false, false});
            stage.SetBorderSize(1);
            stage.SetX(500);
            stage.SetY(900);
            for (TElement *e : std::initializer_list<TElement *>{&toRgb, &stage, &toYuv})
                e->startStreaming();
            source.push(picture);
            pipeline.removeAll();
            ASSERT_EQ(sink.samples.size(), 1u);
            outputs.push_back(sink.samples[0].data);
        }
        ASSERT_EQ(outputs[0].size(), picture.data.size());
        ASSERT_EQ(outputs[1].size(), picture.data.size());
        int changed = 0, worst = 0;
        for (qsizetype i = 0; i < picture.data.size(); ++i) {
            changed += outputs[0][i] != picture.data[i] ? 1 : 0;
            worst = std::max(worst, std::abs(int(quint8(outputs[0][i])) - int(quint8(outputs[1][i]))));
        }
        EXPECT_GT(changed, 200); // the text is there
        EXPECT_LE(worst, 3);
        // The rows above the text are as they came.
        EXPECT_EQ(outputs[0].left(w * h / 3), picture.data.left(w * h / 3));
    }
}

// With threads between the scene-detect stage and the inlay, the scene-detect
// stage runs frames ahead: each picture still gets its own frame's datecode.
TEST(SuperposerTest, EachPictureShowsItsOwnFramesDatecodeBehindAQueue)
{
    QTemporaryDir dir;
    const QString file = MakeSampleRecording(dir, "tape.avi", {"--frames", "40", "--type", "2", "--jump-at", "20"});
    ASSERT_FALSE(file.isEmpty());
    TDatecodeTextSettingsStore store;
    store.setFormat1(QStringLiteral("yyyy-mm-dd"));
    store.setTemplates(QStringLiteral("%D1"), QStringLiteral("%D2"));
    TPipeline pipeline;
    TFileSourceElement source;
    TAviSplitter splitter;
    Tdv_sceneDetect detect(&store);
    TQueueElement queue(8);
    TDvVideoDecoderElement decoder;
    TColorConverterElement toRgb(media::Rgb24);
    Tdv_Superposer stage(&store);
    TInlayLineRecorder recorder(stage);
    TNullRenderer end;
    for (TElement *e : std::initializer_list<TElement *>{&source, &splitter, &detect, &queue, &decoder, &toRgb, &stage, &recorder, &end})
        ASSERT_EQ(pipeline.add(e), TResult::Ok);
    ASSERT_EQ(source.Load(file), TResult::Ok);
    ASSERT_EQ(pipeline.connect(source.output(0), splitter.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(splitter.output(0), detect.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(detect.output(0), queue.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(queue.output(0), decoder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(decoder.output(0), toRgb.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(toRgb.output(0), stage.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(stage.output(0), recorder.input(0)), TResult::Ok);
    ASSERT_EQ(pipeline.connect(recorder.output(0), end.input(0)), TResult::Ok);
    stage.SetVisible(true);

    pipeline.setUseClock(false);
    QSignalSpy complete(&pipeline, &TPipeline::complete);
    pipeline.run();
    ASSERT_TRUE(complete.count() > 0 || complete.wait(60000));
    pipeline.stop();

    ASSERT_EQ(recorder.lines.size(), 40u);
    for (const TInlayLineRecorder::TLines &picture : recorder.lines)
        EXPECT_EQ(picture.line1, picture.mediaStart < 20 ? "2007-12-31" : "2008-01-02") << "picture " << picture.mediaStart;
}

} // namespace
