#pragma once

// A picture in any libav pixel format: its size, its format, and its planes
// with their strides (rows run top to bottom). It owns one reference-counted
// AVFrame, so decoders can hand out their pictures without copying them and
// encoders can take them the same way.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include "pipelines/avhandles.h"

#include <cstdint>

class TPicture
{
public:
    TPicture();
    // Allocates a picture of that size and format (see allocate()).
    TPicture(int width, int height, AVPixelFormat format);

    // A moved-from picture may only be assigned to or destroyed.
    TPicture(TPicture &&) noexcept = default;
    TPicture &operator=(TPicture &&) noexcept = default;
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;

    // Makes the picture width x height in format, with writable planes. The
    // planes are kept when they already have that geometry and nobody else
    // holds a reference to them, so calling this for every picture of a
    // stream allocates only once. Their content is left undefined. False when
    // the size or format is invalid or memory runs out; the picture is then
    // null.
    bool allocate(int width, int height, AVPixelFormat format);
    // Drops the planes; the picture becomes null.
    void clear();

    bool isNull() const;
    int width() const { return m_frame->width; }
    int height() const { return m_frame->height; }
    AVPixelFormat format() const { return AVPixelFormat(m_frame->format); }

    // Plane i (0 to 3; null past the format's planes) and its stride in bytes.
    uint8_t *plane(int i) { return m_frame->data[i]; }
    const uint8_t *plane(int i) const { return m_frame->data[i]; }
    int stride(int i) const { return m_frame->linesize[i]; }

    // Shape of one pixel (0/1 when unknown).
    AVRational sampleAspectRatio() const { return m_frame->sample_aspect_ratio; }
    void setSampleAspectRatio(AVRational sar) { m_frame->sample_aspect_ratio = sar; }

    // The underlying frame, for the codec classes.
    AVFrame *avFrame() { return m_frame.get(); }
    const AVFrame *avFrame() const { return m_frame.get(); }

private:
    av::FramePtr m_frame;
};
