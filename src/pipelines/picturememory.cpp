#include "pipelines/picturememory.h"

#include "pipelines/bt601.h"

#include <cstring>

void TPictureMemory::remember(qint64 frame, TFourcc subtype, const QByteArray &yuv, const QByteArray &rgb)
{
    std::lock_guard guard(m_lock);
    for (TEntry &e : m_entries)
        if (e.frame == frame) {
            e = {frame, subtype, yuv, rgb};
            return;
        }
    m_entries.push_back({frame, subtype, yuv, rgb});
    while (int(m_entries.size()) > m_capacity)
        m_entries.pop_front();
}

bool TPictureMemory::take(qint64 frame, TFourcc subtype, QByteArray &yuv, QByteArray &rgb)
{
    std::lock_guard guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->frame == frame) {
            const bool match = it->subtype == subtype;
            if (match) {
                yuv = it->yuv;
                rgb = it->rgb;
            }
            m_entries.erase(it);
            return match;
        }
    return false;
}

void TPictureMemory::clear()
{
    std::lock_guard guard(m_lock);
    m_entries.clear();
}

namespace {

using bt601::ChromaU;
using bt601::ChromaV;
using bt601::Luma;

// Picture row y of a BGR24 layout.
inline const quint8 *Row(const quint8 *bits, const TBgr24Layout &layout, int y)
{
    const int stored = layout.rows == TRowOrder::TopDown ? y : layout.height - 1 - y;
    return bits + qsizetype(stored) * layout.stride;
}

} // namespace

int MergeChangedRows(const quint8 *rgb, const quint8 *before, const TBgr24Layout &layout, TFourcc subtype, quint8 *yuv)
{
    const int w = layout.width, h = layout.height;
    if (!rgb || !before || !yuv || !layout.isValid())
        return -1;
    const size_t rowBytes = size_t(w) * 3;
    quint8 *lumaPlane = yuv;
    int converted = 0;
    if (subtype == media::I420) {
        if (w % 2 || h % 2)
            return -1;
        quint8 *uPlane = lumaPlane + qsizetype(w) * h;
        quint8 *vPlane = uPlane + qsizetype(w / 2) * (h / 2);
        for (int y = 0; y < h; y += 2) {
            const quint8 *r0 = Row(rgb, layout, y), *r1 = Row(rgb, layout, y + 1);
            if (std::memcmp(r0, Row(before, layout, y), rowBytes) == 0 && std::memcmp(r1, Row(before, layout, y + 1), rowBytes) == 0)
                continue;
            converted += 2;
            quint8 *y0 = lumaPlane + qsizetype(y) * w, *y1 = y0 + w;
            quint8 *u = uPlane + qsizetype(y / 2) * (w / 2), *v = vPlane + qsizetype(y / 2) * (w / 2);
            for (int x = 0; x < w; x += 2) {
                const quint8 *a = r0 + 3 * x, *b = r1 + 3 * x;
                y0[x] = Luma(a[0], a[1], a[2]);
                y0[x + 1] = Luma(a[3], a[4], a[5]);
                y1[x] = Luma(b[0], b[1], b[2]);
                y1[x + 1] = Luma(b[3], b[4], b[5]);
                const int sb = (a[0] + a[3] + b[0] + b[3] + 2) >> 2;
                const int sg = (a[1] + a[4] + b[1] + b[4] + 2) >> 2;
                const int sr = (a[2] + a[5] + b[2] + b[5] + 2) >> 2;
                u[x / 2] = ChromaU(sb, sg, sr);
                v[x / 2] = ChromaV(sb, sg, sr);
            }
        }
        return converted;
    }
    if (subtype == media::Y41B) {
        if (w % 4)
            return -1;
        quint8 *uPlane = lumaPlane + qsizetype(w) * h;
        quint8 *vPlane = uPlane + qsizetype(w / 4) * h;
        for (int y = 0; y < h; ++y) {
            const quint8 *r0 = Row(rgb, layout, y);
            if (std::memcmp(r0, Row(before, layout, y), rowBytes) == 0)
                continue;
            ++converted;
            quint8 *yl = lumaPlane + qsizetype(y) * w;
            quint8 *u = uPlane + qsizetype(y) * (w / 4), *v = vPlane + qsizetype(y) * (w / 4);
            for (int x = 0; x < w; x += 4) {
                const quint8 *p = r0 + 3 * x;
                int sb = 0, sg = 0, sr = 0;
                for (int k = 0; k < 4; ++k) {
                    yl[x + k] = Luma(p[3 * k], p[3 * k + 1], p[3 * k + 2]);
                    sb += p[3 * k];
                    sg += p[3 * k + 1];
                    sr += p[3 * k + 2];
                }
                u[x / 4] = ChromaU((sb + 2) >> 2, (sg + 2) >> 2, (sr + 2) >> 2);
                v[x / 4] = ChromaV((sb + 2) >> 2, (sg + 2) >> 2, (sr + 2) >> 2);
            }
        }
        return converted;
    }
    return -1;
}
