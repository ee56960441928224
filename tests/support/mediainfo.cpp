#include "support/mediainfo.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

bool HaveMediainfo()
{
    return !QStandardPaths::findExecutable(QStringLiteral("mediainfo")).isEmpty();
}

QJsonArray MediainfoTracks(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("mediainfo"), {QStringLiteral("--Output=JSON"), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput())[QLatin1String("media")][QLatin1String("track")].toArray();
}

QJsonObject MediainfoTrack(const QJsonArray &tracks, const QString &type)
{
    for (const QJsonValue &track : tracks)
        if (track[QLatin1String("@type")].toString() == type)
            return track.toObject();
    return {};
}
