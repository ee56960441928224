#include "pipelines/framerateconverter.h"

#include "pipelines/rawvideo.h"

TFrameRateConverter::TFrameRateConverter() : TElement(QStringLiteral("Frame Rate Converter"))
{
    addInput(QStringLiteral("Input"));
    addOutput(QStringLiteral("Output"));
}

void TFrameRateConverter::SetFrameDuration(qint64 numerator, qint64 denominator)
{
    m_out = numerator > 0 && denominator > 0 ? TFrameDuration{numerator, denominator} : TFrameDuration{};
}

TResult TFrameRateConverter::checkInputType(int, const TMediaType &type)
{
    return IsRawVideo(type) ? TResult::Ok : TResult::TypeNotAccepted;
}

TMediaType TFrameRateConverter::outputType(int) const
{
    if (!input(0)->isConnected())
        return {};
    TMediaType type = input(0)->mediaType();
    if (m_out.isValid()) {
        const TVideoInfoHeader info = type.videoInfo();
        type = RawVideoType(type.subtype, info.bitmap.width, qAbs(info.bitmap.height),
                            (m_out.num * 10000000 + m_out.den / 2) / m_out.den, m_out);
    }
    return type;
}

void TFrameRateConverter::startStreaming()
{
    m_in = input(0)->isConnected() ? input(0)->mediaType().exactFrameDuration() : TFrameDuration{};
    m_received = 0;
    m_sent = 0;
}

void TFrameRateConverter::flushed()
{
    m_received = 0;
    m_sent = 0;
}

void TFrameRateConverter::receive(int, TMediaSample &sample)
{
    if (!m_out.isValid() || !m_in.isValid()) {
        deliver(0, sample);
        return;
    }
    // Source picture i covers [i, i + 1) source frame durations from the
    // start of the run; output picture k starts at k output durations. Every
    // output picture that starts within this source picture shows it.
    if (m_received == 0)
        m_base = qMax<qint64>(0, sample.timeStart);
    const qint64 i = m_received++;
    __extension__ typedef __int128 Wide;
    const Wide end = Wide(i + 1) * m_in.num * m_out.den;
    while (Wide(m_sent) * m_out.num * m_in.den < end) {
        TMediaSample out = sample;
        out.timeStart = m_base + qint64(Wide(m_sent) * m_out.num * 10000000 / m_out.den);
        out.timeStop = m_base + qint64(Wide(m_sent + 1) * m_out.num * 10000000 / m_out.den);
        ++m_sent;
        deliver(0, out);
        if (flushing())
            return;
    }
}
