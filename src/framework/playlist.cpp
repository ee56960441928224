#include "framework/playlist.h"

#include "dv/datecode.h"
#include "framework/frameworktext.h"

#include <QFileInfo>

namespace {

QString RuleLine()
{
    return QLatin1Char('#') + QString(61, QLatin1Char('-'));
}

QString CountLine(qsizetype count, const TSortIndex &sortIndex)
{
    QString text;
    if (count >= 2)
        text = QString::number(count) + QLatin1String(" files sorted ");
    else if (count == 1)
        text = QStringLiteral("One file - sorted ");
    else
        text = QStringLiteral("No file - sorted ");
    return QLatin1String("# ") + text + sortIndex.byText;
}

} // namespace

QString PreferredPlayListPath(const QString &folder)
{
    const QString base = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return base + QLatin1String(kPreferredPlayListName);
}

QString PlayListSaveName(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const QString folder = fileName.left(fileName.size() - name.size());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return folder + (dot >= 0 ? name.left(dot) : name) + QLatin1String(".txt");
}

QStringList PlayListLines(const QStringList &paths, const TPlayListHeader &header, qsizetype *leftOut)
{
    const QString rule = RuleLine();
    const QString hash = QStringLiteral("#");
    QStringList lines{rule, hash, QLatin1String("#   ") + header.titre, hash, rule,
                      hash, QLatin1String("#   ") + header.slogan, hash, rule, QString()};
    qsizetype written = 0;
    qsizetype skipped = 0;
    for (const QString &path : paths) {
        if (path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r'))) {
            ++skipped;
            continue;
        }
        lines.append(QLatin1String("     ") + path);
        ++written;
    }
    lines << QString() << rule << CountLine(written, header.sortIndex)
          << QLatin1String("# Done on ") + FormatDateTime(QStringLiteral("dddddd tt"), QDateTimeToDateTime(header.doneOn));
    if (leftOut)
        *leftOut = skipped;
    return lines;
}

bool WritePlayList(const QString &fileName, const QStringList &paths, const TPlayListHeader &header,
                   QString *errorString, qsizetype *leftOut)
{
    return WriteFrameworkTextFile(fileName, PlayListLines(paths, header, leftOut), errorString);
}

QStringList PlayListEntries(const QStringList &lines)
{
    QStringList entries;
    for (const QString &line : lines) {
        const QString entry = line.trimmed();
        if (!entry.isEmpty() && !entry.startsWith(QLatin1Char('#')))
            entries.append(entry);
    }
    return entries;
}

TPlayListRead ReadPlayList(const QString &fileName)
{
    const TFrameworkTextRead text = ReadFrameworkTextFile(fileName);
    TPlayListRead read;
    read.ok = text.ok;
    read.truncated = text.truncated;
    read.errorString = text.errorString;
    read.entries = PlayListEntries(text.lines);
    return read;
}
