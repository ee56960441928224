// The rows a picture stage leaves alone go back to YUV as they were decoded;
// the rows it changed are converted, close to what libswscale makes of them.

#include "pipelines/picturememory.h"
#include "pipelines/rawvideo.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A YUV picture with some detail in every plane.
QByteArray MakeYuv(TFourcc subtype, int w, int h)
{
    QByteArray yuv(qsizetype(RawPictureBytes(subtype, w, h)), Qt::Uninitialized);
    for (qsizetype i = 0; i < yuv.size(); ++i)
        yuv[i] = char(40 + (i * 7 + (i / w) * 3) % 170);
    return yuv;
}

TEST(PictureMemory, UnchangedRowsKeepTheDecodedPictureAndChangedRowsAreConverted)
{
    for (TFourcc subtype : {media::I420, media::Y41B}) {
        SCOPED_TRACE(subtype == media::I420 ? "I420" : "Y41B");
        const int w = 64, h = 48;
        const QByteArray yuv = MakeYuv(subtype, w, h);
        const TBgr24Layout layout = TBgr24Layout::make(w, h, TRowOrder::BottomUp);
        QByteArray rgb(qsizetype(layout.bytes()), '\0');
        TPictureConverter converter;
        ASSERT_TRUE(converter.convertPacked(reinterpret_cast<const uint8_t *>(yuv.constData()), RawPixelFormat(subtype),
                                            TBgr24Layout::make(w, h), reinterpret_cast<uint8_t *>(rgb.data()),
                                            RawPixelFormat(media::Rgb24), layout));

        // Nothing changed: the decoded picture as it was.
        QByteArray merged = yuv;
        EXPECT_EQ(MergeChangedRows(reinterpret_cast<const quint8 *>(rgb.constData()),
                                   reinterpret_cast<const quint8 *>(rgb.constData()), layout, subtype,
                                   reinterpret_cast<quint8 *>(merged.data())),
                  0);
        EXPECT_EQ(merged, yuv);

        // A white band over picture rows 10 to 13 (stored bottom-up).
        QByteArray stage = rgb;
        for (int y = 10; y < 14; ++y)
            for (int x = 8; x < 40; ++x)
                for (int c = 0; c < 3; ++c)
                    stage[qsizetype(h - 1 - y) * layout.stride + 3 * x + c] = char(235);
        merged = yuv;
        EXPECT_EQ(MergeChangedRows(reinterpret_cast<const quint8 *>(stage.constData()),
                                   reinterpret_cast<const quint8 *>(rgb.constData()), layout, subtype,
                                   reinterpret_cast<quint8 *>(merged.data())),
                  4);
        QByteArray reference(yuv.size(), '\0');
        ASSERT_TRUE(converter.convertPacked(reinterpret_cast<const uint8_t *>(stage.constData()), RawPixelFormat(media::Rgb24),
                                            layout, reinterpret_cast<uint8_t *>(reference.data()), RawPixelFormat(subtype),
                                            TBgr24Layout::make(w, h)));
        for (int y = 0; y < h; ++y) {
            SCOPED_TRACE(y);
            const bool changed = y >= 10 && y < 14;
            for (int x = 0; x < w; ++x) {
                const qsizetype i = qsizetype(y) * w + x;
                if (changed) {
                    EXPECT_LE(std::abs(int(quint8(merged[i])) - int(quint8(reference[i]))), 2) << "x " << x;
                } else {
                    EXPECT_EQ(merged[i], yuv[i]) << "x " << x;
                }
            }
        }
        // Chroma: untouched outside the changed rows, near the reference
        // inside the white band (its edges are averaged over the block).
        const bool i420 = subtype == media::I420;
        const int cw = i420 ? w / 2 : w / 4, ch = i420 ? h / 2 : h;
        for (int plane = 0; plane < 2; ++plane) {
            const qsizetype at = qsizetype(w) * h + qsizetype(plane) * cw * ch;
            for (int cy = 0; cy < ch; ++cy)
                for (int cx = 0; cx < cw; ++cx) {
                    const qsizetype i = at + qsizetype(cy) * cw + cx;
                    const int y = i420 ? 2 * cy : cy, x = i420 ? 2 * cx : 4 * cx;
                    if (y < 10 || y >= 14) {
                        EXPECT_EQ(merged[i], yuv[i]) << "chroma " << cx << "," << cy;
                    } else if (x >= 12 && x < 36) {
                        EXPECT_LE(std::abs(int(quint8(merged[i])) - int(quint8(reference[i]))), 2) << "chroma " << cx << "," << cy;
                    }
                }
        }
    }
}

TEST(PictureMemory, TakesEachFrameOnceAndForgetsTheOldest)
{
    TPictureMemory memory(2);
    const QByteArray a("a"), b("b"), c("c");
    memory.remember(1, media::I420, a, a);
    memory.remember(2, media::I420, b, b);
    memory.remember(3, media::I420, c, c);
    QByteArray yuv, rgb;
    EXPECT_FALSE(memory.take(1, media::I420, yuv, rgb)) << "forgotten";
    EXPECT_FALSE(memory.take(2, media::Y41B, yuv, rgb)) << "another format";
    EXPECT_FALSE(memory.take(2, media::I420, yuv, rgb)) << "taken out by the previous call";
    ASSERT_TRUE(memory.take(3, media::I420, yuv, rgb));
    EXPECT_EQ(yuv, c);
    EXPECT_FALSE(memory.take(3, media::I420, yuv, rgb));
}

} // namespace
