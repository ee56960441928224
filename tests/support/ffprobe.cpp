#include "support/ffprobe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

std::vector<TProbedStream> Probe(const QString &path, QString *errors)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
             QStringLiteral("-show_entries"), QStringLiteral("stream=codec_type,codec_name,nb_read_packets"),
             QStringLiteral("-of"), QStringLiteral("json"), path});
    const bool finished = p.waitForFinished(120000);
    if (!finished)
        p.kill();
    if (errors) {
        *errors = QString::fromUtf8(p.readAllStandardError());
        if (!finished || p.exitStatus() != QProcess::NormalExit)
            *errors += QStringLiteral("ffprobe did not run to its end: ") + p.errorString();
        else if (p.exitCode() != 0 && errors->isEmpty())
            *errors = QStringLiteral("ffprobe exited with code %1").arg(p.exitCode());
    }
    std::vector<TProbedStream> out;
    if (!finished)
        return out;
    const QJsonArray streams =
        QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QStringLiteral("streams")).toArray();
    for (const QJsonValue &v : streams) {
        const QJsonObject o = v.toObject();
        out.push_back({o.value(QStringLiteral("codec_type")).toString(), o.value(QStringLiteral("codec_name")).toString(),
                       o.value(QStringLiteral("nb_read_packets")).toString().toLongLong()});
    }
    return out;
}
