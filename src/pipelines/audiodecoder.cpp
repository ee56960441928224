#include "pipelines/audiodecoder.h"

#include "pipelines/rifftags.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <climits>
#include <cstring>

namespace {

constexpr int MaxOutputChannels = 8;

} // namespace

void TAudioDecoder::ParserDeleter::operator()(AVCodecParserContext *p) const
{
    av::Codec().parserClose(p);
}

TAudioDecoder::TAudioDecoder(const TWaveFormatEx &wave, const QByteArray &extra)
    : m_packet(av::Codec().packetAlloc()), m_frame(av_frame_alloc())
{
    m_codecId = AudioCodecFromWave(wave, extra);
    const AVCodec *codec = m_codecId == AV_CODEC_ID_NONE ? nullptr : av::Codec().findDecoder(m_codecId);
    if (!codec || !m_packet || !m_frame) {
        m_error = QStringLiteral("No decoder for the sound format %1").arg(wave.formatTag);
        return;
    }
    if (wave.channels == 0 || wave.samplesPerSec < 1000) {
        m_error = QStringLiteral("The sound format gives no channels or rate");
        return;
    }
    av::CodecContextPtr context(av::Codec().allocContext(codec));
    if (!context || !av::SetExtradata(context.get(), extra.left(wave.cbSize))) {
        m_error = QStringLiteral("Out of memory");
        return;
    }
    context->sample_rate = int(wave.samplesPerSec);
    av_channel_layout_default(&context->ch_layout, wave.channels);
    context->block_align = wave.blockAlign;
    context->bits_per_coded_sample = wave.bitsPerSample;
    context->bit_rate = qint64(wave.avgBytesPerSec) * 8;
    context->codec_tag = wave.formatTag;
    const int rc = av::Codec().open(context.get(), codec, nullptr);
    if (rc < 0) {
        m_error = av::ErrorText(rc);
        return;
    }
    m_context = std::move(context);
    m_parser.reset(av::Codec().parserInit(m_codecId));
    m_out = TAudioFormat{int(wave.samplesPerSec), qMin<int>(wave.channels, MaxOutputChannels)};
}

TAudioDecoder::~TAudioDecoder() = default;

void TAudioDecoder::takeConverted()
{
    const auto out = m_converter->output();
    m_pcm.insert(m_pcm.end(), out.begin(), out.end());
}

void TAudioDecoder::receiveFrames()
{
    for (;;) {
        const int rc = av::Codec().receiveFrame(m_context.get(), m_frame.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return;
        if (rc < 0) {
            m_error = av::ErrorText(rc);
            return;
        }
        const AVFrame &f = *m_frame;
        const TAudioFormat in{f.sample_rate, f.ch_layout.nb_channels, AVSampleFormat(f.format)};
        if (!m_converter || m_converter->inputFormat() != in) {
            // A stream whose frames change their format: what the former
            // conversion still holds comes first.
            if (m_converter && m_converter->flush())
                takeConverted();
            m_converter = std::make_unique<TAudioConverter>(in, m_out);
        }
        if (m_converter->convertPlanes(f.extended_data, f.nb_samples))
            takeConverted();
        else
            m_error = m_converter->errorString();
        av_frame_unref(m_frame.get());
    }
}

bool TAudioDecoder::sendPacket(const quint8 *data, int size)
{
    av::Codec().packetUnref(m_packet.get());
    m_packet->data = const_cast<quint8 *>(data);
    m_packet->size = size;
    const int rc = av::Codec().sendPacket(m_context.get(), data ? m_packet.get() : nullptr);
    m_packet->data = nullptr;
    m_packet->size = 0;
    receiveFrames();
    if (rc < 0 && rc != AVERROR_EOF) {
        m_error = av::ErrorText(rc);
        return false;
    }
    return true;
}

bool TAudioDecoder::decode(const quint8 *data, qint64 size)
{
    m_pcm.clear();
    m_error.clear();
    if (m_context && size > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        m_error = QStringLiteral("Sample too large");
    if (!m_context || !m_error.isEmpty())
        return false;
    if (!data || size <= 0)
        return true;
    m_input.resize(qsizetype(size) + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(m_input.data(), data, size_t(size));
    std::memset(m_input.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    const auto *bytes = reinterpret_cast<const quint8 *>(m_input.constData());
    if (!m_parser)
        return sendPacket(bytes, int(size)) && m_error.isEmpty();
    bool ok = true;
    for (int at = 0; at < int(size);) {
        uint8_t *frame = nullptr;
        int frameSize = 0;
        const int used = av::Codec().parserParse(m_parser.get(), m_context.get(), &frame, &frameSize, bytes + at,
                                                 int(size) - at, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0) {
            m_error = av::ErrorText(used);
            return false;
        }
        at += used;
        if (frameSize > 0)
            ok = sendPacket(frame, frameSize) && ok;
        if (used == 0 && frameSize == 0)
            break;
    }
    return ok && m_error.isEmpty();
}

bool TAudioDecoder::finish()
{
    m_pcm.clear();
    m_error.clear();
    if (!m_context)
        return false;
    if (m_parser) {
        // The parser's last frame.
        uint8_t *frame = nullptr;
        int frameSize = 0;
        av::Codec().parserParse(m_parser.get(), m_context.get(), &frame, &frameSize, nullptr, 0, AV_NOPTS_VALUE,
                                AV_NOPTS_VALUE, 0);
        if (frameSize > 0)
            sendPacket(frame, frameSize);
    }
    sendPacket(nullptr, 0);
    if (m_converter && m_converter->flush())
        takeConverted();
    m_converter.reset();
    // Ready for another stream.
    av::Codec().flushBuffers(m_context.get());
    m_parser.reset(av::Codec().parserInit(m_codecId));
    return true;
}

void TAudioDecoder::reset()
{
    m_pcm.clear();
    if (!m_context)
        return;
    av::Codec().flushBuffers(m_context.get());
    m_parser.reset(av::Codec().parserInit(m_codecId));
    m_converter.reset();
}
