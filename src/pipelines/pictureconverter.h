#pragma once

// Converts and scales pictures with libswscale: decoded pictures to packed
// 24-bit BGR (the Windows RGB24 layout: bytes B, G, R per pixel, rows padded
// to 4 bytes), packed BGR back to any picture format (the DV encoder's
// yuv420p / yuv411p), and pictures to pictures (for example PAL 720x576
// yuv420p straight to NTSC 720x480 yuv411p).
//
// The destination sets the target: its size (the source is scaled to it) and
// its format. BGR pictures may store their rows top-down (row 0 is the top of
// the picture, as QImage::Format_BGR888 and the picture stages address them;
// a bitmap header with a negative height) or bottom-up (as a
// device-independent bitmap with a positive height stores them).
//
// The libswscale context is kept and reused while the sizes and formats stay
// the same, so a stream of pictures allocates nothing per picture. Use each
// instance from one thread at a time.

#include "pipelines/picture.h"

#include "avi/avilayout.h"

#include <QString>

#include <cstdint>

struct SwsContext;

enum class TRowOrder { TopDown, BottomUp };

// Where a packed BGR24 picture lies in memory.
struct TBgr24Layout
{
    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one stored row to the next (positive)
    TRowOrder rows = TRowOrder::TopDown;

    // Rows of width x 3 bytes padded to a multiple of 4.
    static TBgr24Layout make(int width, int height, TRowOrder rows = TRowOrder::TopDown);
    // The rows a 24-bit bitmap header describes: bottom-up for a positive
    // height, top-down for a negative one.
    static TBgr24Layout fromBitmapHeader(const TBitmapInfoHeader &header);
    // Bytes the picture takes: stride x height.
    qint64 bytes() const { return qint64(stride) * height; }
    bool isValid() const;
};

// Scaling filters, from the fastest to the sharpest.
enum class TScaleFilter { FastBilinear, Bilinear, Bicubic, Lanczos };

class TPictureConverter
{
public:
    explicit TPictureConverter(TScaleFilter filter = TScaleFilter::Bicubic);
    ~TPictureConverter();
    TPictureConverter(const TPictureConverter &) = delete;
    TPictureConverter &operator=(const TPictureConverter &) = delete;

    // src, in any format, into the BGR24 picture at dst laid out as layout.
    bool toBgr24(const TPicture &src, uint8_t *dst, const TBgr24Layout &layout);
    // The BGR24 picture at src laid out as layout into dst, which the caller
    // has allocated with the target size and format.
    bool fromBgr24(const uint8_t *src, const TBgr24Layout &layout, TPicture &dst);
    // src into dst, which the caller has allocated with the target size and format.
    bool convert(const TPicture &src, TPicture &dst);
    // Between pictures held in plain buffers, packed as the raw video
    // samples hold them: a YUV format's planes one after another without
    // padding, or BGR24 laid out as its layout says.
    bool convertPacked(const uint8_t *src, AVPixelFormat srcFormat, const TBgr24Layout &srcLayout, uint8_t *dst,
                       AVPixelFormat dstFormat, const TBgr24Layout &dstLayout);

    QString errorString() const { return m_error; }

private:
    bool scale(int srcW, int srcH, AVPixelFormat srcFormat, const uint8_t *const srcPlanes[4],
               const int srcStrides[4], bool srcFullRange, int dstW, int dstH, AVPixelFormat dstFormat,
               uint8_t *const dstPlanes[4], const int dstStrides[4]);
    bool fail(const QString &error);

    int m_flags;
    SwsContext *m_context = nullptr;
    QString m_error;
};
