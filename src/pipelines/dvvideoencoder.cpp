#include "pipelines/dvvideoencoder.h"

#include "dv/dvcodes.h"

#include <cstring>

namespace {

bool IsPal(const TDvEncoderFormat &f) { return f.standard == TDvStandard::Pal; }

// Hands libavcodec the frame buffers from the encoder's pool, so a stream of
// frames reuses the same few buffers.
int GetFrameBuffer(AVCodecContext *c, AVPacket *packet, int flags)
{
    AVBufferPool *pool = static_cast<AVBufferPool *>(c->opaque);
    if (!pool || packet->size < 0 || packet->size > dif::MaxFrameSize)
        return av::Codec().defaultGetEncodeBuffer(c, packet, flags);
    packet->buf = av_buffer_pool_get(pool);
    if (!packet->buf)
        return AVERROR(ENOMEM);
    packet->data = packet->buf->data;
    std::memset(packet->data + packet->size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    return 0;
}

} // namespace

TDvVideoEncoder::TDvVideoEncoder(TDvEncoderFormat format, int threads)
    : m_format(format), m_packet(av::Codec().packetAlloc()), m_input(av_frame_alloc()),
      m_pool(av_buffer_pool_init(dif::MaxFrameSize + AV_INPUT_BUFFER_PADDING_SIZE, nullptr))
{
    const AVCodec *codec = av::Codec().findEncoder(AV_CODEC_ID_DVVIDEO);
    if (!codec || !m_packet || !m_input || !m_pool) {
        m_error = QStringLiteral("No DV video encoder");
        return;
    }
    av::CodecContextPtr context(av::Codec().allocContext(codec));
    if (!context) {
        m_error = QStringLiteral("Out of memory");
        return;
    }
    context->width = width();
    context->height = height();
    context->pix_fmt = pixelFormat();
    context->sample_aspect_ratio = sampleAspectRatio();
    context->time_base = IsPal(format) ? AVRational{1, 25} : AVRational{1001, 30000};
    context->framerate = av_inv_q(context->time_base);
    // DV pictures are interlaced, bottom field first.
    context->field_order = AV_FIELD_BB;
    context->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    context->thread_count = threads < 0 ? 0 : threads;
    context->thread_type = FF_THREAD_SLICE;
    if (codec->capabilities & AV_CODEC_CAP_DR1) {
        context->opaque = m_pool;
        context->get_encode_buffer = GetFrameBuffer;
    }
    const int rc = av::Codec().open(context.get(), codec, nullptr);
    if (rc < 0) {
        m_error = av::ErrorText(rc);
        return;
    }
    m_context = std::move(context);
}

TDvVideoEncoder::~TDvVideoEncoder()
{
    // The pool goes once the last frame taken from it is released.
    m_packet.reset();
    m_context.reset();
    av_buffer_pool_uninit(&m_pool);
}

int TDvVideoEncoder::width() const
{
    return 720;
}

int TDvVideoEncoder::height() const
{
    return IsPal(m_format) ? 576 : 480;
}

AVPixelFormat TDvVideoEncoder::pixelFormat() const
{
    return IsPal(m_format) ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
}

int TDvVideoEncoder::frameSize() const
{
    return IsPal(m_format) ? dif::FrameSize625 : dif::FrameSize525;
}

AVRational TDvVideoEncoder::sampleAspectRatio() const
{
    // Pixel shapes for which 720 x height pixels show exactly 4:3 or 16:9.
    if (IsPal(m_format))
        return m_format.wide16x9 ? AVRational{64, 45} : AVRational{16, 15};
    return m_format.wide16x9 ? AVRational{32, 27} : AVRational{8, 9};
}

bool TDvVideoEncoder::fail(const QString &error)
{
    av::Codec().packetUnref(m_packet.get());
    m_error = error;
    return false;
}

bool TDvVideoEncoder::encode(const TPicture &picture)
{
    if (!m_context)
        return fail(m_error);
    if (picture.isNull() || picture.width() != width() || picture.height() != height()
        || picture.format() != pixelFormat())
        return fail(QStringLiteral("The DV encoder takes %1x%2 pictures in its own pixel format")
                        .arg(width())
                        .arg(height()));

    av::Codec().packetUnref(m_packet.get());
    int rc = av_frame_ref(m_input.get(), picture.avFrame());
    if (rc < 0)
        return fail(av::ErrorText(rc));
    m_input->pts = m_pts++;
    m_input->sample_aspect_ratio = sampleAspectRatio();
    m_input->interlaced_frame = 1;
    m_input->top_field_first = 0;
    rc = av::Codec().sendFrame(m_context.get(), m_input.get());
    av_frame_unref(m_input.get());
    if (rc >= 0)
        rc = av::Codec().receivePacket(m_context.get(), m_packet.get());
    if (rc < 0)
        return fail(av::ErrorText(rc));
    if (m_packet->size != frameSize())
        return fail(QStringLiteral("The DV encoder delivered %1 bytes").arg(m_packet->size));
    m_error.clear();
    return true;
}

std::span<const uint8_t> TDvVideoEncoder::frame() const
{
    return {m_packet->data, size_t(m_packet->size)};
}
