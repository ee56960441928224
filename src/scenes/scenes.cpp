#include "scenes/scenes.h"

#include "scenes/roundeven.h"

#include <cmath>

namespace {

bool ValidRate(double fps)
{
    return std::isfinite(fps) && fps > 0;
}

} // namespace

TSceneClass::TSceneClass(quint32 startFrame, quint32 endFrame, const TSceneVideo *video)
    : StartFrame(startFrame), EndFrame(endFrame)
{
    if (!video)
        return;
    DurationText = FormatSceneDuration(endFrame - startFrame, video->framesPerSecond, video->formatDuree);
    Thumbnail = QImage(ThumbnailSize(video->width, video->displayHeight), QImage::Format_BGR888);
    Thumbnail.fill(Qt::black);
}

QString TSceneClass::ListText() const
{
    return QStringLiteral("Scene ") + QString::number(Number) + QStringLiteral(": ") + Caption;
}

QSize ThumbnailSize(int width, int displayHeight)
{
    if (width <= 0 || displayHeight <= 0)
        return QSize(320, 240);
    const qint64 w = width;
    const qint64 h = displayHeight;
    if (h * 320 < 240 * w)
        return QSize(320, int(h * 320 / w));
    if (h * 320 > 240 * w)
        return QSize(int(240 * w / h), 240);
    return QSize(320, 240);
}

QString FormatRunningTime(quint32 frame, double fps)
{
    if (!ValidRate(fps))
        return QStringLiteral("??");
    const double s = std::trunc(frame / fps);
    const qint64 ff = qint64(std::trunc(frame - s * fps));
    const qint64 secs = qint64(s);
    return QString::asprintf("%lld:%.2lld:%.2lld:%.2lld", secs / 3600, (secs / 60) % 60, secs % 60, ff);
}

QString FormatSceneDuration(quint32 frames, double fps, int formatDuree)
{
    if (!ValidRate(fps))
        return QStringLiteral("??");
    const double sReal = std::trunc(frames / fps);
    const qint64 ff = qint64(RoundHalfEven(frames - sReal * fps));
    const qint64 s = qint64(sReal);
    const qint64 h = s / 3600;
    const qint64 m = (s / 60) % 60;
    const qint64 sec = s % 60;

    switch (formatDuree) {
    case 1:
        if (h > 0)
            return QString::asprintf("%lld:%.2lld:%.2lld:%.2lld", h, m, sec, ff);
        if (m > 0)
            return QString::asprintf("%.2lld:%.2lld:%.2lld", m, sec, ff);
        return QString::asprintf("%.2lld:%.2lld", sec, ff);
    case 2:
        if (h > 0)
            return QString::asprintf("%lldh %.2lldmn %.2llds %.2lldfr", h, m, sec, ff);
        if (m > 0)
            return QString::asprintf("%lldmn %.2llds %.2lldfr", m, sec, ff);
        if (sec > 0)
            return QString::asprintf("%llds %.2lldfr", sec, ff);
        return QString::number(ff) + QStringLiteral("en");
    default:
        if (h > 0)
            return QString::asprintf("%lld:%.2lld:%.2lld.%.2lld", h, m, sec, ff);
        if (m > 0)
            return QString::asprintf("%.2lld:%.2lld.%.2lld", m, sec, ff);
        return QString::asprintf("%.2lld.%.2lld", sec, ff);
    }
}
