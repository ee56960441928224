#include "ui/sendto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

bool Fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The program as the one word of an Exec key: quoted, with the characters the
// quoting reserves escaped, "%" doubled (field codes), then the value's own
// escapes (a backslash is written twice).
QString ExecProgram(const QString &program)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(QStringLiteral("%"), QStringLiteral("%%"));
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return quoted;
}

// A value on one line: line breaks of a file name written as escapes.
QString EntryValue(QString text)
{
    text.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    text.replace(QStringLiteral("\r"), QStringLiteral("\\r"));
    return text;
}

} // namespace

QString SendToEntryPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation))
        .filePath(QStringLiteral("tarvex-sendto.desktop"));
}

bool SetSendTo(bool on, const QString &programPath, QString *error)
{
    const QString entry = SendToEntryPath();
    if (!on) {
        if (!QFileInfo::exists(entry) || QFile::remove(entry))
            return true;
        return Fail(error, QStringLiteral("%1 could not be deleted").arg(entry));
    }
    const QFileInfo program(programPath);
    if (programPath.isEmpty() || !program.isFile())
        return Fail(error, QStringLiteral("no program file at \"%1\"").arg(programPath));
    if (!QDir().mkpath(QFileInfo(entry).absolutePath()))
        return Fail(error, QStringLiteral("the folder of %1 could not be made").arg(entry));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tarvex\n"
                                        "Comment=%1\n"
                                        "Exec=%2 %F\n"
                                        "Path=%3\n"
                                        "MimeType=video/x-msvideo;video/avi;\n"
                                        "NoDisplay=true\n"
                                        "Terminal=false\n")
                             .arg(EntryValue(program.completeBaseName()), ExecProgram(program.absoluteFilePath()),
                                  EntryValue(QDir::homePath()));
    QSaveFile file(entry);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(error, QStringLiteral("%1: %2").arg(entry, file.errorString()));
    file.write(text.toUtf8());
    if (!file.commit())
        return Fail(error, QStringLiteral("%1: %2").arg(entry, file.errorString()));
    return true;
}

bool SendToActive()
{
    return QFileInfo::exists(SendToEntryPath());
}
