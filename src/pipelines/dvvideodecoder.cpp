#include "pipelines/dvvideodecoder.h"

#include "dv/dvcodes.h"

#include <cstring>

namespace {

// Section type (top three bits of a block's first ID byte) that block b of a
// DIF sequence carries: header, two subcode, three VAUX, then nine groups of
// one audio and fifteen video blocks.
int ExpectedSectionType(int b)
{
    if (b == 0)
        return 0;
    if (b < 3)
        return 1;
    if (b < 6)
        return 2;
    return (b - 6) % 16 == 0 ? 3 : 4;
}

// A DV frame has a DIF block ID in front of every 80-byte block: its section
// type and its sequence number. Tape dropouts damage some of them, garbage
// nearly all, so a frame whose IDs are at least half in place is taken for a
// DV frame and left to the decoder.
bool HasDifBlockIds(const uint8_t *frame, int sequences)
{
    const int blocks = sequences * dif::BlocksPerSequence;
    int matching = 0;
    for (int s = 0; s < sequences; ++s) {
        const uint8_t *seq = frame + dif::SequenceOffset(s);
        for (int b = 0; b < dif::BlocksPerSequence; ++b) {
            const uint8_t *id = seq + b * dif::BlockSize;
            if ((id[0] >> 5) == ExpectedSectionType(b) && (id[1] >> 4) == s)
                ++matching;
        }
    }
    return 2 * matching >= blocks;
}

} // namespace

TDvVideoDecoder::TDvVideoDecoder(int threads) : m_packet(av::Codec().packetAlloc())
{
    const AVCodec *codec = av::Codec().findDecoder(AV_CODEC_ID_DVVIDEO);
    if (!codec || !m_packet) {
        m_error = QStringLiteral("No DV video decoder");
        return;
    }
    av::CodecContextPtr context(av::Codec().allocContext(codec));
    if (!context) {
        m_error = QStringLiteral("Out of memory");
        return;
    }
    context->thread_count = threads < 0 ? 0 : threads;
    context->thread_type = FF_THREAD_SLICE;
    const int rc = av::Codec().open(context.get(), codec, nullptr);
    if (rc < 0) {
        m_error = av::ErrorText(rc);
        return;
    }
    m_context = std::move(context);
}

TDvVideoDecoder::~TDvVideoDecoder() = default;

bool TDvVideoDecoder::fail(const QString &error)
{
    m_picture.clear();
    m_error = error;
    return false;
}

bool TDvVideoDecoder::decode(const uint8_t *frame, qint64 size)
{
    if (!m_context)
        return fail(m_error);
    if (!frame || (size != dif::FrameSize525 && size != dif::FrameSize625))
        return fail(QStringLiteral("Not a DV frame: %1 bytes").arg(size));
    if (!HasDifBlockIds(frame, size == dif::FrameSize625 ? dif::Sequences625 : dif::Sequences525))
        return fail(QStringLiteral("Not a DV frame: no DIF block IDs"));

    // libavcodec wants zeroed padding after the data and a reference-counted
    // buffer it may keep; the buffer is reused once it has let go of it.
    const int capacity = dif::MaxFrameSize + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!m_input || !av_buffer_is_writable(m_input.get())) {
        m_input.reset(av_buffer_allocz(capacity));
        if (!m_input)
            return fail(QStringLiteral("Out of memory"));
    }
    std::memcpy(m_input->data, frame, size_t(size));
    std::memset(m_input->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);

    av::Codec().packetUnref(m_packet.get());
    m_packet->buf = av_buffer_ref(m_input.get());
    if (!m_packet->buf)
        return fail(QStringLiteral("Out of memory"));
    m_packet->data = m_input->data;
    m_packet->size = int(size);

    m_picture.clear();
    int rc = av::Codec().sendPacket(m_context.get(), m_packet.get());
    av::Codec().packetUnref(m_packet.get());
    if (rc >= 0)
        rc = av::Codec().receiveFrame(m_context.get(), m_picture.avFrame());
    if (rc < 0)
        return fail(av::ErrorText(rc));
    m_error.clear();
    return true;
}
