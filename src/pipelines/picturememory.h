#pragma once

// Pictures a colour converter turned from YUV into RGB, remembered by frame,
// so that the conversion back after a picture stage takes the rows the stage
// left alone straight from the original YUV picture: exact (no round trip
// through RGB) and much cheaper, as stages such as the inlay change only a
// band of the picture. Shared by the two converters around a stage, which
// run on different threads.

#include "pipelines/mediatype.h"
#include "pipelines/pictureconverter.h"

#include <QByteArray>

#include <deque>
#include <mutex>

class TPictureMemory
{
public:
    explicit TPictureMemory(int capacity = 48) : m_capacity(capacity) {}

    // Remembers frame's YUV picture (packed planes of subtype) and the RGB
    // picture made from it. The bytes are shared, not copied.
    void remember(qint64 frame, TFourcc subtype, const QByteArray &yuv, const QByteArray &rgb);
    // Takes out the entry of frame when it holds a picture of that subtype.
    bool take(qint64 frame, TFourcc subtype, QByteArray &yuv, QByteArray &rgb);
    void clear();

private:
    struct TEntry
    {
        qint64 frame = -1;
        TFourcc subtype = 0;
        QByteArray yuv;
        QByteArray rgb;
    };
    const int m_capacity;
    std::mutex m_lock;
    std::deque<TEntry> m_entries;
};

// The YUV picture (I420 or Y41B, packed planes, width x height) of rgb,
// given the RGB picture `before` that the same YUV picture `yuv` was
// converted into: the rows (pairs of rows for I420) where rgb equals before
// are left as yuv has them; the others are converted from rgb (BT.601,
// limited range). Returns the number of picture rows converted, -1 when the
// format or layout is not one it handles.
int MergeChangedRows(const quint8 *rgb, const quint8 *before, const TBgr24Layout &layout, TFourcc subtype, quint8 *yuv);
