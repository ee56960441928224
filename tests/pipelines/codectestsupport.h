#pragma once

// Fixtures for the codec tests: synthetic pictures, picture comparison, and
// running the ffmpeg tools.

#include "pipelines/picture.h"
#include "pipelines/pictureconverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace codectest {

struct Bgr
{
    uint8_t b, g, r;
};

// The eight 75% colour bars, left to right.
inline const Bgr kBars[8] = {
    {191, 191, 191}, {0, 191, 191}, {191, 191, 0}, {0, 191, 0},
    {191, 0, 191},   {0, 0, 191},   {191, 0, 0},   {0, 0, 0},
};

// A packed BGR24 picture of vertical colour bars.
inline std::vector<uint8_t> MakeBarsBgr(const TBgr24Layout &layout)
{
    std::vector<uint8_t> bits(size_t(layout.bytes()), 0);
    for (int y = 0; y < layout.height; ++y) {
        uint8_t *row = bits.data() + qint64(y) * layout.stride;
        for (int x = 0; x < layout.width; ++x) {
            const Bgr &c = kBars[x * 8 / layout.width];
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return bits;
}

// Pixel (x, y), y counted from the top of the picture, of a BGR24 picture.
inline Bgr PixelAt(const uint8_t *bits, const TBgr24Layout &layout, int x, int y)
{
    const int row = layout.rows == TRowOrder::TopDown ? y : layout.height - 1 - y;
    const uint8_t *p = bits + qint64(row) * layout.stride + 3 * x;
    return {p[0], p[1], p[2]};
}

inline bool Near(const Bgr &a, const Bgr &b, int tolerance)
{
    return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.r - b.r) <= tolerance;
}

// Peak signal-to-noise ratio in dB over all planes of two pictures of the
// same size and planar 8-bit format; 99 for identical pictures.
inline double Psnr(const TPicture &a, const TPicture &b)
{
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(a.format());
    double sum = 0;
    qint64 count = 0;
    for (int p = 0; p < d->nb_components; ++p) {
        const int w = p == 0 ? a.width() : AV_CEIL_RSHIFT(a.width(), d->log2_chroma_w);
        const int h = p == 0 ? a.height() : AV_CEIL_RSHIFT(a.height(), d->log2_chroma_h);
        for (int y = 0; y < h; ++y) {
            const uint8_t *ra = a.plane(p) + qint64(y) * a.stride(p);
            const uint8_t *rb = b.plane(p) + qint64(y) * b.stride(p);
            for (int x = 0; x < w; ++x) {
                const double e = double(ra[x]) - double(rb[x]);
                sum += e * e;
            }
        }
        count += qint64(w) * h;
    }
    if (sum == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / double(count)));
}

// Path of an ffmpeg tool, empty when it is not installed.
inline QString Tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Runs a program; its standard output when it exits with 0.
inline std::optional<QByteArray> RunTool(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

} // namespace codectest
