#include "pipelines/framerateconverter.h"

#include "pipelines/rawvideo.h"

TFrameRateConverter::TFrameRateConverter() : TElement(QStringLiteral("Frame Rate Converter"))
{
    addInput(QStringLiteral("Input"));
    addOutput(QStringLiteral("Output"));
}

void TFrameRateConverter::SetFrameDuration(qint64 numerator, qint64 denominator)
{
    m_outNum = numerator > 0 && denominator > 0 ? numerator : 0;
    m_outDen = numerator > 0 && denominator > 0 ? denominator : 0;
}

void TFrameRateConverter::FrameDurationOf(qint64 avgTimePerFrame, qint64 &numerator, qint64 &denominator)
{
    if (avgTimePerFrame == 333666 || avgTimePerFrame == 333667) {
        numerator = 1001;
        denominator = 30000;
    } else {
        numerator = qMax<qint64>(0, avgTimePerFrame);
        denominator = 10000000;
    }
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
    if (m_outNum > 0) {
        TVideoInfoHeader info = type.videoInfo();
        info.avgTimePerFrame = (m_outNum * 10000000 + m_outDen / 2) / m_outDen;
        type = RawVideoType(type.subtype, info.bitmap.width, qAbs(info.bitmap.height), info.avgTimePerFrame);
    }
    return type;
}

void TFrameRateConverter::startStreaming()
{
    FrameDurationOf(input(0)->isConnected() ? input(0)->mediaType().videoInfo().avgTimePerFrame : 0, m_inNum, m_inDen);
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
    if (m_outNum <= 0 || m_inNum <= 0) {
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
    const Wide end = Wide(i + 1) * m_inNum * m_outDen;
    while (Wide(m_sent) * m_outNum * m_inDen < end) {
        TMediaSample out = sample;
        out.timeStart = m_base + qint64(Wide(m_sent) * m_outNum * 10000000 / m_outDen);
        out.timeStop = m_base + qint64(Wide(m_sent + 1) * m_outNum * 10000000 / m_outDen);
        ++m_sent;
        deliver(0, out);
        if (flushing())
            return;
    }
}
