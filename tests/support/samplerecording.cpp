#include "support/samplerecording.h"

#include <QProcess>

QString MakeSampleRecording(const QTemporaryDir &dir, const QString &name, const QStringList &options)
{
    const QString path = dir.filePath(name);
    QProcess p;
    p.start(QStringLiteral(TARVEX_BIN_DIR "/tarvex-sample"), options + QStringList{path});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return path;
}
