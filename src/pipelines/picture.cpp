#include "pipelines/picture.h"

#include <new>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

TPicture::TPicture() : m_frame(av_frame_alloc())
{
    if (!m_frame)
        throw std::bad_alloc();
}

TPicture::TPicture(int width, int height, AVPixelFormat format) : TPicture()
{
    allocate(width, height, format);
}

bool TPicture::allocate(int width, int height, AVPixelFormat format)
{
    AVFrame *f = m_frame.get();
    if (f->data[0] && f->width == width && f->height == height && f->format == format
        && av_frame_is_writable(f))
        return true;

    av_frame_unref(f);
    if (width <= 0 || height <= 0 || !av_pix_fmt_desc_get(format)
        || av_image_check_size(unsigned(width), unsigned(height), 0, nullptr) < 0)
        return false;
    f->width = width;
    f->height = height;
    f->format = format;
    if (av_frame_get_buffer(f, 0) < 0) {
        av_frame_unref(f);
        return false;
    }
    return true;
}

void TPicture::clear()
{
    if (m_frame)
        av_frame_unref(m_frame.get());
}

bool TPicture::isNull() const
{
    return !m_frame || m_frame->data[0] == nullptr;
}
