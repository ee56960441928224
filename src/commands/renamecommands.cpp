#include "commands/renamecommands.h"

#include "framework/settingscatalogue.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <array>
#include <cmath>

namespace {

// Index of the first character of the file name in path.
qsizetype FileNameStart(const QString &path)
{
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

QString TailOf(const QString &text, qsizetype underscore)
{
    return text.mid(underscore + 1).toLower().trimmed();
}

// Whether the tail has a letter a-z before its last character.
bool HasLetterBeforeLast(const QString &tail)
{
    for (qsizetype i = 0; i + 1 < tail.size(); ++i)
        if (tail[i] >= QLatin1Char('a') && tail[i] <= QLatin1Char('z'))
            return true;
    return false;
}

} // namespace

TRenameSettings DefaultRenameSettings()
{
    using namespace settings;
    return {DefaultString(u"FormatAjouterDatecode"), DefaultBool(u"DatecodeAvant"), DefaultBool(u"TimecodeAvant"),
            DefaultString(u"TemplateRenommer"), DefaultString(u"FormatRenommer")};
}

bool IsRemovableNameTail(const QString &text)
{
    static constexpr std::array<QStringView, 10> words = {u"type2", u"type1", u"in", u"ntsc", u"pal",
                                                          u"16x9",  u"4x3",   u"am", u"pm",   u"dvtype2"};
    const QString tail = text.toLower().trimmed();
    for (QStringView word : words)
        if (tail == word)
            return true;
    return tail.startsWith(QLatin1Char('(')) && tail.endsWith(QLatin1Char(')'));
}

bool ShortenNameEnabled(const QString &fullPath)
{
    const QString base = fullPath.left(qMax<qsizetype>(0, fullPath.size() - 4));
    const qsizetype underscore = base.lastIndexOf(QLatin1Char('_'));
    if (underscore <= FileNameStart(base))
        return false;
    const QString tail = TailOf(base, underscore);
    if (IsRemovableNameTail(tail))
        return true;
    for (qsizetype i = 0; i < tail.size(); ++i)
        if (tail[i] >= QLatin1Char('a') && tail[i] <= QLatin1Char('z'))
            return i == tail.size() - 1;
    return false;
}

QString ShortenedBase(const QString &fullPath)
{
    QString base = fullPath.left(qMax<qsizetype>(0, fullPath.size() - 4));
    const qsizetype nameStart = FileNameStart(base);
    for (;;) {
        const qsizetype underscore = base.lastIndexOf(QLatin1Char('_'));
        // A name is never cut down to nothing, and folders are never cut.
        if (underscore <= nameStart)
            break;
        const QString tail = TailOf(base, underscore);
        if (!IsRemovableNameTail(tail) && HasLetterBeforeLast(tail))
            break;
        base.truncate(underscore);
    }
    return base;
}

QString FreeShortenedPath(const QString &base)
{
    QString candidate = base;
    for (int n = 1; QFileInfo::exists(candidate + QStringLiteral(".avi")); ++n)
        candidate = base + QLatin1Char('_') + QString::number(n);
    return candidate + QStringLiteral(".avi");
}

QString FreeNumberedPath(const QString &path)
{
    if (!QFileInfo::exists(path))
        return path;
    const qsizetype nameStart = FileNameStart(path);
    qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < nameStart)
        dot = path.size();
    const QString stem = path.left(dot);
    const QString extension = path.mid(dot);
    for (int n = 1;; ++n) {
        const QString candidate = stem + QLatin1Char('_') + QString::number(n) + extension;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

bool IsUsableFileName(const QString &path)
{
    const QString name = path.mid(FileNameStart(path));
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..");
}

bool RenameWithCompanions(const QString &fullPath, const QString &destination)
{
    if (!IsUsableFileName(destination) || QFileInfo::exists(destination))
        return false;
    // QFile::rename never replaces an existing file.
    if (!QFile::rename(fullPath, destination))
        return false;
    const auto withExtension = [](const QString &path, const QString &extension) {
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        return (dot >= FileNameStart(path) ? path.left(dot) : path) + extension;
    };
    for (const char *extension : {".scn", ".srt"}) {
        const QString companion = withExtension(fullPath, QLatin1String(extension));
        if (QFileInfo::exists(companion))
            QFile::rename(companion, withExtension(destination, QLatin1String(extension)));
    }
    return true;
}

bool SetFileDates(const QString &path, const QDateTime &when)
{
    if (!when.isValid())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    // Linux gives programs no way to set a file's creation (birth) time:
    // the modification time is the file's date.
    return file.setFileTime(when, QFileDevice::FileModificationTime);
}

std::optional<QString> CodecParameter(const QString &text)
{
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return std::nullopt;
    return text.leftJustified(4, QLatin1Char(' '));
}

std::optional<double> FrameRateParameter(const QString &text)
{
    bool ok = false;
    double fps = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        fps = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(fps) || fps <= 0)
        return std::nullopt;
    const double scale = std::round(1000000.0 / fps);
    if (scale < 1 || scale > 4294967295.0)
        return std::nullopt;
    return fps;
}
