#include "scenes/subtitlewriter.h"

#include "scenes/derivedpath.h"
#include "scenes/roundeven.h"

#include <cmath>

namespace {

bool ValidRate(double fps)
{
    return std::isfinite(fps) && fps > 0;
}

} // namespace

QString SrtTimeText(quint32 frame, double fps)
{
    qint64 ms = 0;
    if (ValidRate(fps))
        ms = qint64(RoundHalfEven(static_cast<long double>(frame) * 1000.0L / static_cast<long double>(fps)));
    const qint64 s = ms / 1000;
    return QString::asprintf("%.2lld:%.2lld:%.2lld,%.3lld", s / 3600, (s / 60) % 60, s % 60, ms % 1000);
}

TWriteSrt::TWriteSrt(const QString &videoPath, double framesPerSecond)
    : m_fps(framesPerSecond)
{
    if (ValidRate(framesPerSecond))
        open(DerivedFilePath(videoPath, QStringLiteral(".srt")));
    else
        fail(QStringLiteral("The frame rate of the video is not valid"));
}

void TWriteSrt::AddSubtitle(quint32 frame, const QString &line1, const QString &line2)
{
    if (m_pending) {
        ++m_counter;
        WriteLine(QString::number(m_counter));
        WriteLine(SrtTimeText(m_pendingStart, m_fps) + QStringLiteral(" --> ") + SrtTimeText(frame, m_fps));
        WriteLine(m_pendingLine1);
        WriteLine(m_pendingLine2);
        WriteLine(QString());
    }
    m_pending = !line1.isEmpty() || !line2.isEmpty();
    if (m_pending) {
        m_pendingStart = frame;
        m_pendingLine1 = line1.isEmpty() ? QStringLiteral(" ") : line1;
        m_pendingLine2 = line2.isEmpty() ? QStringLiteral(" ") : line2;
    }
}

TTextCallback TWriteSrt::textCallback()
{
    return [this](const TFrameInfo &frame, const QString &line1, const QString &line2) {
        AddSubtitle(frame.frameIndex, line1, line2);
    };
}

TEndCallback TWriteSrt::endCallback()
{
    return [this]() { close(); };
}
