#pragma once

// The deinterlacer. A DV picture holds two fields a fiftieth (sixtieth) of a
// second apart, so moving edges show a comb in the odd rows. Only the comb
// is repaired: a pixel of an odd row (never the last row) is a comb pixel
// when it differs from the pixels above and below it in the same direction:
//
//     3·(Ra−R)·(Rb−R) + 6·(Ga−G)·(Gb−G) + 1·(Ba−B)·(Bb−B) ≥ 3001
//
// A comb pixel is kept only when its left or right neighbour is a comb pixel
// too, and each kept pixel becomes the average (rounded down) of the pixels
// above and below it. Even rows, the last row and every other pixel keep
// their values, so still parts of the picture keep their full resolution.
// The measure and the averages always read the source picture.
//
// Pictures are 24-bit, each pixel stored as blue, green, red bytes, and are
// addressed from their top row: a bottom-up bitmap is described by its last
// stored row and a negative stride. The masks are one byte per pixel (0 or 1)
// of the picture's size; only their odd rows are written.

#include <QImage>
#include <QtGlobal>

// The rows of a 24-bit BGR picture. stride: bytes from a row to the row below
// it (negative for a bottom-up bitmap); top: the first byte of the top row.
struct TPictureRows
{
    quint8 *top = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;

    quint8 *row(int y) const { return top + y * stride; }
};

// The same, read only.
struct TConstPictureRows
{
    const quint8 *top = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;

    TConstPictureRows() = default;
    TConstPictureRows(const quint8 *top, qsizetype stride, int width, int height)
        : top(top), stride(stride), width(width), height(height) {}
    // Implicit: a writable picture can always be read.
    TConstPictureRows(const TPictureRows &rows)
        : top(rows.top), stride(rows.stride), width(rows.width), height(rows.height) {}

    const quint8 *row(int y) const { return top + y * stride; }
};

// The rows of a mask: one byte per pixel.
struct TMaskRows
{
    quint8 *top = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;

    quint8 *row(int y) const { return top + y * stride; }
};

// Views of pictures held elsewhere. The QImage views detach a shared image
// (writable views) and are empty for other formats than Format_BGR888
// (pictures) and Format_Grayscale8 (masks).
TPictureRows PictureRows(QImage &image);
TConstPictureRows ConstPictureRows(const QImage &image);
// Makes destination a BGR888 picture of source's size unless it is one (or
// is source itself); false when memory runs out.
bool MatchDestination(const QImage &source, QImage &destination);
TMaskRows MaskRows(QImage &mask);
// A device-independent bitmap's 24-bit rows, padded to 4 bytes: bottom-up
// (the top row stored last) unless topDown.
TPictureRows DibRows(quint8 *bits, int width, int height, bool topDown = false);

// The comb measure of the pixel `centre` between `above` and `below` (each
// three bytes B, G, R).
inline int CombMeasure(const quint8 *above, const quint8 *centre, const quint8 *below)
{
    return 1 * (above[0] - centre[0]) * (below[0] - centre[0])
         + 6 * (above[1] - centre[1]) * (below[1] - centre[1])
         + 3 * (above[2] - centre[2]) * (below[2] - centre[2]);
}
constexpr int CombThreshold = 3001;

// Deinterlaces source into destination with the caller's masks. The masks and
// the destination must have the source's size; the destination may be the
// source itself (the picture is then repaired in place). False, and nothing
// written, when the sizes differ or a picture is empty.
bool DeinterlacePicture(const TConstPictureRows &source, const TPictureRows &destination,
                        const TMaskRows &combMask, const TMaskRows &keptMask);

// The same on images: source in Format_BGR888; destination is made a
// Format_BGR888 image of the source's size when it is not one already (the
// only allocation); the masks must be Format_Grayscale8 images of the
// source's size. False, and destination untouched, when source or masks do
// not fit.
bool DeinterlacePicture(const QImage &source, QImage &destination, QImage &combMask, QImage &keptMask);
