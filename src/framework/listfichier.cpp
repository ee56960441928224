#include "framework/listfichier.h"

#include <QFileInfo>

namespace sortindex {

TSortIndex Alpha() { return {QStringLiteral("alpha"), QStringLiteral("in alphabetical order"), QStringLiteral("Sort alphabetically")}; }
TSortIndex Taille() { return {QStringLiteral("taille"), QStringLiteral("by size of file"), QStringLiteral("sorted by size of file")}; }
TSortIndex Modify() { return {QStringLiteral("modify"), QStringLiteral("by date of file"), QStringLiteral("sorted by date of file")}; }
TSortIndex Extension() { return {QStringLiteral("extension"), QStringLiteral("by extension"), QStringLiteral("sorted by extension")}; }
TSortIndex Path() { return {QStringLiteral("path"), QStringLiteral("by path"), QStringLiteral("sorted by path")}; }
TSortIndex Datecode() { return {QStringLiteral("datecode"), QStringLiteral("by datecode"), QStringLiteral("sorted by datecode")}; }
TSortIndex Timecode() { return {QStringLiteral("timecode"), QStringLiteral("by timecode"), QStringLiteral("Sort by timecode")}; }
TSortIndex Duration() { return {QStringLiteral("duration"), QStringLiteral("by duration"), QStringLiteral("sorted by duration")}; }

const std::vector<TSortIndex> &All()
{
    static const std::vector<TSortIndex> all{Alpha(), Taille(), Modify(), Extension(),
                                             Path(), Datecode(), Timecode(), Duration()};
    return all;
}

TSortIndex FromStoredId(const QString &stored)
{
    if (stored == QLatin1String("modify"))
        return Modify();
    if (stored == QLatin1String("size"))
        return Taille();
    if (stored == QLatin1String("datecode"))
        return Datecode();
    if (stored == QLatin1String("timecode"))
        return Timecode();
    if (stored == QLatin1String("duration"))
        return Duration();
    return Alpha();
}

QString StoredId(const TSortIndex &index)
{
    if (index.id == Taille().id)
        return QStringLiteral("size");
    return FromStoredId(index.id).id == index.id ? index.id : Alpha().id;
}

} // namespace sortindex

int CompareSortKeys(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

TAbstractListFichier::TAbstractListFichier(const QString &fullPath) : m_fullPath(fullPath)
{
    const qsizetype slash = fullPath.lastIndexOf(QLatin1Char('/'));
    m_folder = fullPath.left(slash + 1);
    m_fileName = fullPath.mid(slash + 1);
    const qsizetype dot = m_fileName.lastIndexOf(QLatin1Char('.'));
    m_extension = dot >= 0 ? m_fileName.mid(dot).toLower() : QString();
    m_shortName = dot >= 0 ? m_fileName.left(dot) : m_fileName;
}

QString TAbstractListFichier::GetSortKey(const TSortIndex &index) const
{
    const QString path = m_fullPath.toLower();
    if (index.id == sortindex::Alpha().id)
        return m_fileName.toLower() + path;
    if (index.id == sortindex::Extension().id)
        return m_extension + path;
    if (index.id == sortindex::Path().id)
        return path;
    return {};
}

std::optional<TFileEntry> LookupFileEntry(const QString &path)
{
    const QFileInfo info(path);
    // Read-only is the owner's write permission, whoever runs the program.
    if (path.isEmpty() || !info.exists())
        return std::nullopt;
    TFileEntry entry;
    const quint64 size = info.isFile() ? quint64(info.size()) : 0;
    entry.sizeHigh = quint32(size >> 32);
    entry.sizeLow = quint32(size & 0xFFFFFFFFu);
    entry.lastWriteTime = info.lastModified();
    entry.lastAccessTime = info.lastRead();
    entry.creationTime = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    if (!(info.permissions() & QFileDevice::WriteOwner))
        entry.attributes |= TFileEntry::ReadOnly;
    if (info.isHidden())
        entry.attributes |= TFileEntry::Hidden;
    if (info.isDir())
        entry.attributes |= TFileEntry::Directory;
    return entry;
}

TSRFichier::TSRFichier(const QString &fullPath) : TAbstractListFichier(fullPath)
{
    if (const auto entry = LookupFileEntry(fullPath)) {
        m_entry = *entry;
        m_found = true;
    }
}

namespace {
QString JoinFolder(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}
} // namespace

TSRFichier::TSRFichier(const QString &folder, const TFileEntry &entry, const QString &name)
    : TAbstractListFichier(JoinFolder(folder, name)), m_entry(entry), m_found(true)
{
}

QString TSRFichier::GetSortKey(const TSortIndex &index) const
{
    const QString path = fullPath().toLower();
    if (index.id == sortindex::Taille().id)
        return QStringLiteral("%1%2").arg(m_entry.sizeHigh, 16, 16, QLatin1Char('0'))
                   .arg(m_entry.sizeLow, 16, 16, QLatin1Char('0')).toUpper()
               + path;
    if (index.id == sortindex::Modify().id)
        return m_entry.lastWriteTime.toString(QStringLiteral("yyyyMMddhhmmss")) + path;
    return TAbstractListFichier::GetSortKey(index);
}
