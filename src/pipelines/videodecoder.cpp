#include "pipelines/videodecoder.h"

#include "pipelines/rifftags.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr TFourcc BiRgb = 0;

} // namespace

bool TVideoStreamFormat::fromStrf(const uint8_t *strf, qint64 size, TFourcc handler, TVideoStreamFormat &out)
{
    if (!strf || size < TBitmapInfoHeader::kSize)
        return false;
    out.handler = handler;
    out.header = TBitmapInfoHeader::read(strf);
    out.extradata = QByteArray(reinterpret_cast<const char *>(strf) + TBitmapInfoHeader::kSize,
                               qsizetype(size - TBitmapInfoHeader::kSize));
    return true;
}

TVideoDecoder::TVideoDecoder(const TVideoStreamFormat &format, int threads) : m_packet(av::Codec().packetAlloc())
{
    const TBitmapInfoHeader &h = format.header;
    const qint64 width = h.width;
    const qint64 height = std::llabs(qint64(h.height));
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX
        || av_image_check_size(unsigned(width), unsigned(height), 0, nullptr) < 0) {
        m_error = QStringLiteral("Invalid picture size %1x%2").arg(h.width).arg(h.height);
        return;
    }

    QByteArray extradata = format.extradata;
    if (h.compression == BiRgb) {
        if (h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) {
            m_error = QStringLiteral("Uncompressed video with %1 bits per pixel is not supported").arg(h.bitCount);
            return;
        }
        m_codecId = AV_CODEC_ID_RAWVIDEO;
        // libavcodec's raw video decoder turns rows around when the extra
        // bytes end in this marker; positive heights store the bottom row first.
        extradata.clear();
        if (h.height > 0)
            extradata = QByteArray("BottomUp", 9);
    } else {
        m_codecId = VideoCodecFromFourcc(h.compression);
        if (m_codecId == AV_CODEC_ID_NONE && format.handler != 0)
            m_codecId = VideoCodecFromFourcc(format.handler);
    }

    const AVCodec *codec = m_codecId == AV_CODEC_ID_NONE ? nullptr : av::Codec().findDecoder(m_codecId);
    if (!codec || !m_packet) {
        m_error = QStringLiteral("No decoder for the codec %1").arg(FourccText(h.compression));
        m_codecId = AV_CODEC_ID_NONE;
        return;
    }
    av::CodecContextPtr context(av::Codec().allocContext(codec));
    if (!context || !av::SetExtradata(context.get(), extradata)) {
        m_error = QStringLiteral("Out of memory");
        return;
    }
    context->width = context->coded_width = int(width);
    context->height = context->coded_height = int(height);
    context->bits_per_coded_sample = h.bitCount;
    context->codec_tag = h.compression;
    context->thread_count = threads < 0 ? 0 : threads;
    context->thread_type = FF_THREAD_SLICE;
    const int rc = av::Codec().open(context.get(), codec, nullptr);
    if (rc < 0) {
        m_error = av::ErrorText(rc);
        return;
    }
    m_context = std::move(context);
}

TVideoDecoder::~TVideoDecoder() = default;

namespace {

bool Earlier(const TSampleTimes &a, const TSampleTimes &b)
{
    return a.timeStart != b.timeStart ? a.timeStart < b.timeStart : a.mediaStart < b.mediaStart;
}

} // namespace

bool TVideoDecoder::sendSample(const uint8_t *data, qint64 size, const TSampleTimes &times, qint64 tag)
{
    if (!m_context) {
        return false;
    }
    if (!data || size <= 0)
        return true;
    if (size > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) {
        m_error = QStringLiteral("Sample too large");
        return false;
    }
    if (m_ending) {
        av::Codec().flushBuffers(m_context.get());
        m_ending = false;
        m_pending.clear();
    }

    // libavcodec wants zeroed padding after the data and a reference-counted
    // buffer it may keep; the buffer is reused once it has let go of it.
    const size_t capacity = size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!m_input || m_input->size < capacity || !av_buffer_is_writable(m_input.get())) {
        m_input.reset(av_buffer_alloc(std::max(capacity, m_input ? m_input->size : size_t(0))));
        if (!m_input) {
            m_error = QStringLiteral("Out of memory");
            return false;
        }
    }
    std::memcpy(m_input->data, data, size_t(size));
    std::memset(m_input->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);

    av::Codec().packetUnref(m_packet.get());
    int rc = AVERROR(ENOMEM);
    m_packet->buf = av_buffer_ref(m_input.get());
    if (m_packet->buf) {
        m_packet->data = m_input->data;
        m_packet->size = int(size);
        // libavcodec hands each packet's time to the picture decoded from it.
        m_packet->pts = tag >= 0 ? tag : AV_NOPTS_VALUE;
        rc = av::Codec().sendPacket(m_context.get(), m_packet.get());
        av::Codec().packetUnref(m_packet.get());
    }
    if (rc < 0) {
        m_error = av::ErrorText(rc);
        return false;
    }
    m_error.clear();
    // Every picture has come out before this sample went in: beyond the
    // codec's reordering delay, what is still held gave no picture.
    const size_t held = size_t(std::max(0, m_context->has_b_frames));
    if (m_pending.size() > held)
        m_pending.erase(m_pending.begin(), m_pending.end() - qsizetype(held));
    m_pending.insert(std::upper_bound(m_pending.begin(), m_pending.end(), times, Earlier), times);
    return true;
}

void TVideoDecoder::sendEnd()
{
    if (m_context && !m_ending) {
        av::Codec().sendPacket(m_context.get(), nullptr);
        m_ending = true;
    }
}

bool TVideoDecoder::receivePicture()
{
    m_picture.clear();
    m_pictureTag = -1;
    if (!m_context)
        return false;
    const int rc = av::Codec().receiveFrame(m_context.get(), m_picture.avFrame());
    if (rc == 0) {
        const int64_t tag = m_picture.avFrame()->pts;
        m_pictureTag = tag == AV_NOPTS_VALUE || tag < 0 ? -1 : tag;
        m_pictureTimes = {};
        if (!m_pending.empty()) {
            m_pictureTimes = m_pending.front();
            m_pending.erase(m_pending.begin());
        }
        return true;
    }
    if (rc == AVERROR_EOF) {
        // Drained: ready for the next stream.
        av::Codec().flushBuffers(m_context.get());
        m_ending = false;
        m_pending.clear();
    } else if (rc != AVERROR(EAGAIN)) {
        m_error = av::ErrorText(rc);
    }
    return false;
}

void TVideoDecoder::reset()
{
    m_picture.clear();
    m_pending.clear();
    if (m_context)
        av::Codec().flushBuffers(m_context.get());
    m_ending = false;
}
