#include "codectestsupport.h"

#include "pipelines/pictureconverter.h"

#include <gtest/gtest.h>

#include <climits>

using namespace codectest;

namespace {

struct Yuv
{
    uint8_t y, u, v;
};

// Video-range BT.601 values of four colours, and what they are in BGR.
const Yuv kRedYuv{81, 90, 240}, kGreenYuv{145, 54, 34}, kBlueYuv{41, 240, 110}, kWhiteYuv{235, 128, 128};
const Bgr kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0}, kWhite{255, 255, 255};

// A planar YUV picture with red top left, green top right, blue bottom left
// and white bottom right.
TPicture Quadrants(int width, int height, AVPixelFormat format)
{
    TPicture p(width, height, format);
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(format);
    for (int plane = 0; plane < 3; ++plane) {
        const int sx = plane ? d->log2_chroma_w : 0, sy = plane ? d->log2_chroma_h : 0;
        const int w = AV_CEIL_RSHIFT(width, sx), h = AV_CEIL_RSHIFT(height, sy);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool top = (y << sy) < height / 2, left = (x << sx) < width / 2;
                const Yuv &c = top ? (left ? kRedYuv : kGreenYuv) : (left ? kBlueYuv : kWhiteYuv);
                p.plane(plane)[qint64(y) * p.stride(plane) + x] = plane == 0 ? c.y : plane == 1 ? c.u : c.v;
            }
    }
    return p;
}

// The four quadrant colours sit where they belong in a BGR picture.
void ExpectQuadrants(const std::vector<uint8_t> &bits, const TBgr24Layout &l)
{
    const int x1 = l.width / 4, x2 = 3 * l.width / 4, y1 = l.height / 4, y2 = 3 * l.height / 4;
    constexpr int tolerance = 6;
    EXPECT_TRUE(Near(PixelAt(bits.data(), l, x1, y1), kRed, tolerance));
    EXPECT_TRUE(Near(PixelAt(bits.data(), l, x2, y1), kGreen, tolerance));
    EXPECT_TRUE(Near(PixelAt(bits.data(), l, x1, y2), kBlue, tolerance));
    EXPECT_TRUE(Near(PixelAt(bits.data(), l, x2, y2), kWhite, tolerance));
}

} // namespace

TEST(PictureConverter, ColoursLandInPlaceInBothRowOrders)
{
    TPictureConverter converter;
    for (const AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
        const TPicture picture = Quadrants(720, 576, format);
        for (const TRowOrder rows : {TRowOrder::TopDown, TRowOrder::BottomUp}) {
            SCOPED_TRACE(testing::Message() << av_get_pix_fmt_name(format)
                                            << (rows == TRowOrder::TopDown ? " top-down" : " bottom-up"));
            const TBgr24Layout layout = TBgr24Layout::make(720, 576, rows);
            std::vector<uint8_t> bits(size_t(layout.bytes()));
            ASSERT_TRUE(converter.toBgr24(picture, bits.data(), layout)) << converter.errorString().toStdString();
            ExpectQuadrants(bits, layout);
            // The first stored row is the top row (red) or the bottom row (blue), B, G, R per pixel.
            const Bgr first{bits[0], bits[1], bits[2]};
            EXPECT_TRUE(Near(first, rows == TRowOrder::TopDown ? kRed : kBlue, 6));
        }
    }
}

TEST(PictureConverter, RowsArePaddedToFourBytes)
{
    const TBgr24Layout layout = TBgr24Layout::make(5, 4, TRowOrder::BottomUp);
    EXPECT_EQ(layout.stride, 16);
    EXPECT_EQ(layout.bytes(), 64);

    // From a bitmap header: the sign of the height gives the row order.
    TBitmapInfoHeader h;
    h.width = 5;
    h.height = 4;
    const TBgr24Layout dib = TBgr24Layout::fromBitmapHeader(h);
    EXPECT_EQ(dib.stride, 16);
    EXPECT_EQ(dib.height, 4);
    EXPECT_EQ(dib.rows, TRowOrder::BottomUp);
    h.height = -4;
    EXPECT_EQ(TBgr24Layout::fromBitmapHeader(h).rows, TRowOrder::TopDown);
    EXPECT_EQ(TBgr24Layout::fromBitmapHeader(h).height, 4);
    h.height = INT_MIN;
    EXPECT_FALSE(TBgr24Layout::fromBitmapHeader(h).isValid());

    // Padding bytes are left alone.
    std::vector<uint8_t> bits(size_t(layout.bytes()), 0xAB);
    TPictureConverter converter;
    ASSERT_TRUE(converter.toBgr24(Quadrants(6, 4, AV_PIX_FMT_YUV444P), bits.data(), layout));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(bits[size_t(row * 16 + 15)], 0xAB);
}

TEST(PictureConverter, PalToNtscScalesTo720x480)
{
    TPictureConverter converter;
    const TPicture pal = Quadrants(720, 576, AV_PIX_FMT_YUV420P);

    // Picture to picture, into the NTSC encoder's format.
    TPicture ntsc(720, 480, AV_PIX_FMT_YUV411P);
    ASSERT_TRUE(converter.convert(pal, ntsc)) << converter.errorString().toStdString();
    EXPECT_EQ(ntsc.width(), 720);
    EXPECT_EQ(ntsc.height(), 480);
    const TBgr24Layout layout = TBgr24Layout::make(720, 480);
    std::vector<uint8_t> bits(size_t(layout.bytes()));
    ASSERT_TRUE(converter.toBgr24(ntsc, bits.data(), layout));
    ExpectQuadrants(bits, layout);

    // Straight from the PAL picture into a 720x480 BGR picture, and back up to PAL.
    ASSERT_TRUE(converter.toBgr24(pal, bits.data(), layout));
    ExpectQuadrants(bits, layout);
    TPicture back(720, 576, AV_PIX_FMT_YUV420P);
    ASSERT_TRUE(converter.fromBgr24(bits.data(), layout, back));
    const TBgr24Layout palLayout = TBgr24Layout::make(720, 576, TRowOrder::BottomUp);
    std::vector<uint8_t> palBits(size_t(palLayout.bytes()));
    ASSERT_TRUE(converter.toBgr24(back, palBits.data(), palLayout));
    ExpectQuadrants(palBits, palLayout);
}

TEST(PictureConverter, BarsSurviveTheTripThroughTheEncoderFormats)
{
    TPictureConverter converter;
    for (const TRowOrder rows : {TRowOrder::TopDown, TRowOrder::BottomUp}) {
        const TBgr24Layout layout = TBgr24Layout::make(720, 480, rows);
        const std::vector<uint8_t> bars = MakeBarsBgr(layout);
        for (const AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
            SCOPED_TRACE(av_get_pix_fmt_name(format));
            TPicture yuv(720, 480, format);
            ASSERT_TRUE(converter.fromBgr24(bars.data(), layout, yuv));
            std::vector<uint8_t> out(size_t(layout.bytes()));
            ASSERT_TRUE(converter.toBgr24(yuv, out.data(), layout));
            for (int bar = 0; bar < 8; ++bar)
                for (const int y : {0, 240, 479})
                    EXPECT_TRUE(Near(PixelAt(out.data(), layout, bar * 90 + 45, y), kBars[bar], 4))
                        << "bar " << bar << " row " << y;
        }
    }
}

TEST(PictureConverter, RefusesMissingOrInvalidPictures)
{
    TPictureConverter converter;
    const TPicture none;
    TPicture noTarget;
    TPicture target(720, 576, AV_PIX_FMT_YUV420P);
    std::vector<uint8_t> bits(720 * 576 * 3);
    const TBgr24Layout good = TBgr24Layout::make(720, 576);
    TBgr24Layout narrowStride = good;
    narrowStride.stride = 100;

    EXPECT_FALSE(converter.toBgr24(none, bits.data(), good));
    EXPECT_FALSE(converter.toBgr24(target, nullptr, good));
    EXPECT_FALSE(converter.toBgr24(target, bits.data(), narrowStride));
    EXPECT_FALSE(converter.toBgr24(target, bits.data(), TBgr24Layout::make(0, 576)));
    EXPECT_FALSE(converter.fromBgr24(bits.data(), good, noTarget));
    EXPECT_FALSE(converter.convert(none, target));
    EXPECT_FALSE(converter.errorString().isEmpty());
    // Still works afterwards.
    EXPECT_TRUE(converter.toBgr24(target, bits.data(), good));
}

TEST(Picture, AllocateKeepsPlanesOfTheSameGeometry)
{
    TPicture p;
    EXPECT_TRUE(p.isNull());
    ASSERT_TRUE(p.allocate(720, 576, AV_PIX_FMT_YUV420P));
    const uint8_t *planes = p.plane(0);
    ASSERT_TRUE(p.allocate(720, 576, AV_PIX_FMT_YUV420P));
    EXPECT_EQ(p.plane(0), planes);
    ASSERT_TRUE(p.allocate(720, 480, AV_PIX_FMT_YUV411P));
    EXPECT_EQ(p.height(), 480);
    EXPECT_EQ(p.format(), AV_PIX_FMT_YUV411P);
    EXPECT_FALSE(p.allocate(0, 480, AV_PIX_FMT_YUV411P));
    EXPECT_TRUE(p.isNull());
    EXPECT_FALSE(p.allocate(720, 480, AV_PIX_FMT_NONE));
    EXPECT_FALSE(p.allocate(1 << 20, 1 << 20, AV_PIX_FMT_BGR24));
}
