#pragma once

// Running the programs of the build as a user does, for the tests of tests/app.

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

struct TRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList rows() const { return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

inline TRun run(const QString &program, const QStringList &args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

inline TRun cli(const QStringList &args)
{
    return run(QStringLiteral(TARVEX_BIN_DIR "/tarvex-cli"), args);
}

inline TRun sample(const QStringList &args)
{
    return run(QStringLiteral(TARVEX_BIN_DIR "/tarvex-sample"), args);
}

inline bool haveTool(const char *name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}
