#include "stages/deinter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// A function built twice, for AVX2 and for any x86-64 processor; the loader
// picks the one the processor runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TARVEX_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
#else
#define TARVEX_AVX2_CLONE
#endif

namespace {

bool SameSize(const TConstPictureRows &a, int width, int height)
{
    return a.width == width && a.height == height;
}

// Comb pixels of one odd row: CombMeasure per pixel, computed a run of
// pixels at a time as per-byte products first (a loop the compiler turns
// into vector code), then summed per pixel. Built for AVX2 as well, which
// the program uses where the processor has it.
TARVEX_AVX2_CLONE void DetectRow(const quint8 *above, const quint8 *centre, const quint8 *below, quint8 *comb, int width)
{
    constexpr int kRun = 256;
    std::int32_t products[3 * kRun];
    for (int x0 = 0; x0 < width; x0 += kRun) {
        const int n = std::min(kRun, width - x0);
        const quint8 *a = above + 3 * x0, *c = centre + 3 * x0, *b = below + 3 * x0;
        for (int i = 0; i < 3 * n; ++i)
            products[i] = (std::int32_t(a[i]) - c[i]) * (std::int32_t(b[i]) - c[i]);
        for (int x = 0; x < n; ++x) {
            const std::int32_t measure = products[3 * x] + 6 * products[3 * x + 1] + 3 * products[3 * x + 2];
            comb[x0 + x] = measure >= CombThreshold ? 1 : 0;
        }
    }
}

// Comb pixels with a comb pixel on their left or right.
void KeepRow(const quint8 *comb, quint8 *kept, int width)
{
    if (width == 1) {
        kept[0] = 0;
        return;
    }
    kept[0] = comb[0] & comb[1];
    for (int x = 1; x < width - 1; ++x)
        kept[x] = comb[x] & (comb[x - 1] | comb[x + 1]);
    kept[width - 1] = comb[width - 1] & comb[width - 2];
}

// Kept pixels become the average of the pixels above and below.
void RepairRow(const quint8 *above, const quint8 *below, const quint8 *kept, quint8 *out, int width)
{
    for (int x = 0; x < width; ++x) {
        if (!kept[x])
            continue;
        const int i = 3 * x;
        out[i] = quint8((above[i] + below[i]) >> 1);
        out[i + 1] = quint8((above[i + 1] + below[i + 1]) >> 1);
        out[i + 2] = quint8((above[i + 2] + below[i + 2]) >> 1);
    }
}

} // namespace

TPictureRows PictureRows(QImage &image)
{
    if (image.isNull() || image.format() != QImage::Format_BGR888)
        return {};
    quint8 *bits = image.bits();
    return {bits, image.bytesPerLine(), image.width(), image.height()};
}

TConstPictureRows ConstPictureRows(const QImage &image)
{
    if (image.isNull() || image.format() != QImage::Format_BGR888)
        return {};
    return {image.constBits(), image.bytesPerLine(), image.width(), image.height()};
}

bool MatchDestination(const QImage &source, QImage &destination)
{
    if (&destination == &source
        || (destination.size() == source.size() && destination.format() == QImage::Format_BGR888))
        return true;
    destination = QImage(source.size(), QImage::Format_BGR888);
    return !destination.isNull();
}

TMaskRows MaskRows(QImage &mask)
{
    if (mask.isNull() || mask.format() != QImage::Format_Grayscale8)
        return {};
    quint8 *bits = mask.bits();
    return {bits, mask.bytesPerLine(), mask.width(), mask.height()};
}

TPictureRows DibRows(quint8 *bits, int width, int height, bool topDown)
{
    if (!bits || width <= 0 || height <= 0)
        return {};
    const qsizetype stride = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    if (topDown)
        return {bits, stride, width, height};
    return {bits + (height - 1) * stride, -stride, width, height};
}

bool DeinterlacePicture(const TConstPictureRows &source, const TPictureRows &destination,
                        const TMaskRows &combMask, const TMaskRows &keptMask)
{
    const int width = source.width, height = source.height;
    if (!source.top || width <= 0 || height <= 0 || !destination.top || !combMask.top || !keptMask.top
        || !SameSize(destination, width, height) || combMask.width != width || combMask.height != height
        || keptMask.width != width || keptMask.height != height)
        return false;

    const size_t rowBytes = size_t(width) * 3;
    const bool inPlace = destination.top == source.top && destination.stride == source.stride;
    if (!inPlace) {
        for (int y = 0; y < height; ++y)
            std::memcpy(destination.row(y), source.row(y), rowBytes);
    }

    // Row by row: a row's measure reads only that row and its even
    // neighbours, which are never rewritten, so repairing each row as soon as
    // it is measured gives the same picture as measuring the whole picture
    // first, and keeps the in-place case right.
    for (int y = 1; y < height - 1; y += 2) {
        const quint8 *above = source.row(y - 1);
        const quint8 *below = source.row(y + 1);
        quint8 *comb = combMask.row(y);
        quint8 *kept = keptMask.row(y);
        DetectRow(above, source.row(y), below, comb, width);
        KeepRow(comb, kept, width);
        RepairRow(above, below, kept, destination.row(y), width);
    }
    return true;
}

bool DeinterlacePicture(const QImage &source, QImage &destination, QImage &combMask, QImage &keptMask)
{
    const TConstPictureRows src = ConstPictureRows(source);
    if (!src.top || combMask.size() != source.size() || keptMask.size() != source.size()
        || combMask.format() != QImage::Format_Grayscale8 || keptMask.format() != QImage::Format_Grayscale8
        || !MatchDestination(source, destination))
        return false;
    // Writable views last: they may detach a mask or a destination that
    // shares its bytes, after which the source view must still be valid.
    const TPictureRows dst = PictureRows(destination);
    const TMaskRows comb = MaskRows(combMask);
    const TMaskRows kept = MaskRows(keptMask);
    return DeinterlacePicture(&destination == &source ? TConstPictureRows(dst) : src, dst, comb, kept);
}
