#include "pipelines/audioconverter.h"

#include "pipelines/avhandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace {

// Largest piece handed to libswresample at once.
constexpr int MaxChunkFrames = 1 << 16;
// Most channels of the output (the PCM consumers take up to 8).
constexpr int MaxOutputChannels = 8;

} // namespace

bool TAudioFormat::isValid() const
{
    return rate >= 1000 && rate <= 768000 && channels >= 1 && channels <= 64 && av_get_bytes_per_sample(sampleFormat) > 0;
}

TAudioConverter::TAudioConverter(TAudioFormat input, TAudioFormat output) : m_in(input), m_out(output)
{
    if (!m_in.isValid() || !m_out.isValid() || m_out.sampleFormat != AV_SAMPLE_FMT_S16
        || m_out.channels > MaxOutputChannels) {
        m_error = QStringLiteral("Unsupported audio format");
        return;
    }
    if (!passThrough()) {
        AVChannelLayout inLayout, outLayout;
        av_channel_layout_default(&inLayout, m_in.channels);
        av_channel_layout_default(&outLayout, m_out.channels);
        int rc = swr_alloc_set_opts2(&m_swr, &outLayout, AV_SAMPLE_FMT_S16, m_out.rate, &inLayout,
                                     m_in.sampleFormat, m_in.rate, 0, nullptr);
        if (rc >= 0)
            rc = swr_init(m_swr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        if (rc < 0) {
            m_error = av::ErrorText(rc);
            return;
        }
    }
    m_open = true;
}

TAudioConverter::~TAudioConverter()
{
    swr_free(&m_swr);
}

bool TAudioConverter::fail(const QString &error)
{
    m_outputSamples = 0;
    m_error = error;
    return false;
}

void TAudioConverter::reserveFrames(qint64 frames)
{
    const size_t needed = m_outputSamples + size_t(frames) * size_t(m_out.channels);
    if (m_buffer.size() < needed)
        m_buffer.resize(needed);
}

bool TAudioConverter::run(const quint8 *const *in, int inFrames, qint64 *produced)
{
    const int room = swr_get_out_samples(m_swr, inFrames);
    if (room < 0)
        return fail(av::ErrorText(room));
    reserveFrames(room);
    uint8_t *out = reinterpret_cast<uint8_t *>(m_buffer.data() + m_outputSamples);
    const int n = swr_convert(m_swr, &out, room, const_cast<const uint8_t **>(in), in ? inFrames : 0);
    if (n < 0)
        return fail(av::ErrorText(n));
    m_outputSamples += size_t(n) * size_t(m_out.channels);
    *produced = n;
    return true;
}

bool TAudioConverter::convert(const qint16 *samples, qint64 frames)
{
    if (m_open && m_in.sampleFormat != AV_SAMPLE_FMT_S16)
        return fail(QStringLiteral("The input is not 16-bit samples"));
    const quint8 *plane = reinterpret_cast<const quint8 *>(samples);
    return convertPlanes(samples ? &plane : nullptr, frames);
}

bool TAudioConverter::convertPlanes(const quint8 *const *planes, qint64 frames)
{
    m_outputSamples = 0;
    if (!m_open)
        return fail(m_error);
    if (frames < 0 || (frames > 0 && (!planes || !planes[0])))
        return fail(QStringLiteral("Invalid audio samples"));
    if (m_ended)
        reset();

    if (passThrough()) {
        reserveFrames(frames);
        if (frames > 0)
            std::memcpy(m_buffer.data(), planes[0], size_t(frames) * size_t(m_in.channels) * sizeof(qint16));
        m_outputSamples = size_t(frames) * size_t(m_in.channels);
    } else {
        const bool planar = av_sample_fmt_is_planar(m_in.sampleFormat);
        const int planeCount = planar ? m_in.channels : 1;
        const int stride = av_get_bytes_per_sample(m_in.sampleFormat) * (planar ? 1 : m_in.channels);
        std::vector<const quint8 *> piecePlanes(static_cast<size_t>(planeCount));
        for (qint64 done = 0; done < frames;) {
            const int piece = int(std::min<qint64>(frames - done, MaxChunkFrames));
            for (int p = 0; p < planeCount; ++p)
                piecePlanes[size_t(p)] = planes[p] + done * stride;
            qint64 produced = 0;
            if (!run(piecePlanes.data(), piece, &produced))
                return false;
            done += piece;
        }
    }
    m_totalIn += frames;
    m_totalOut += outputFrames();
    m_error.clear();
    return true;
}

bool TAudioConverter::flush()
{
    m_outputSamples = 0;
    if (!m_open)
        return fail(m_error);
    if (m_ended)
        return true;
    if (!passThrough()) {
        qint64 produced = 0;
        do {
            if (!run(nullptr, 0, &produced))
                return false;
        } while (produced > 0);
    }

    // Even out the last samples so that the totals follow the ratio exactly.
    const qint64 target = av_rescale_rnd(m_totalIn, m_out.rate, m_in.rate, AV_ROUND_NEAR_INF);
    qint64 frames = outputFrames();
    const qint64 wanted = std::max<qint64>(0, target - m_totalOut);
    if (frames > wanted) {
        frames = wanted;
    } else if (frames < wanted) {
        // Repeat the last frame delivered (silence when there is none).
        reserveFrames(wanted - frames);
        const int ch = m_out.channels;
        std::vector<qint16> last(size_t(ch), 0);
        if (frames > 0)
            std::copy_n(m_buffer.begin() + (frames - 1) * ch, ch, last.begin());
        for (qint64 f = frames; f < wanted; ++f)
            std::copy_n(last.begin(), ch, m_buffer.begin() + f * ch);
        frames = wanted;
    }
    m_outputSamples = size_t(frames) * size_t(m_out.channels);
    m_totalOut += frames;

    m_ended = true;
    m_error.clear();
    return true;
}

void TAudioConverter::reset()
{
    m_ended = false;
    m_outputSamples = 0;
    m_totalIn = 0;
    m_totalOut = 0;
    if (m_swr) {
        // Re-initialising drops the resampler's history and delay.
        swr_close(m_swr);
        if (swr_init(m_swr) < 0) {
            m_open = false;
            m_error = QStringLiteral("Cannot restart the audio resampler");
        }
    }
}
