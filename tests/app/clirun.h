#pragma once

// Running the programs of the build as a user does, for the tests of tests/app.

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

struct TRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList rows() const { return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// The programs run with a configuration folder of their own, so that the
// settings a user stored on this machine never reach a test; a test that
// wants stored settings gives the folder that holds them.
inline QString TestConfigFolder()
{
    static const QTemporaryDir folder;
    return folder.path();
}

inline TRun run(const QString &program, const QStringList &args, int timeoutMs = 120000,
                const QString &configFolder = TestConfigFolder())
{
    QProcess p;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    p.setProcessEnvironment(environment);
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

// One row of `tarvex-cli frames`: frame, datecode, timecode, aspect, system, audio.
struct TFrameRow
{
    QString datecode, timecode, aspect, system, audio;
};

inline std::vector<TFrameRow> FrameRows(const QString &file)
{
    std::vector<TFrameRow> rows;
    const TRun r = cli({"frames", file});
    const QStringList lines = r.rows();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList c = lines[i].split(QLatin1Char('\t'));
        rows.push_back({c.value(1), c.value(2), c.value(3), c.value(4), c.value(5)});
    }
    return rows;
}

inline bool haveTool(const char *name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}
