#pragma once

// File records: what the file system says about one listed file, and the keys
// by which lists sort it. TAbstractListFichier holds the name fields,
// TSRFichier adds size, dates and attributes; the video record derives from
// TSRFichier and answers its own sort orders.

#include <QDateTime>
#include <QString>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

// A named sort order: the identifier each record looks up, and the two texts
// a list shows for it ("by" in menus, "sorted" in hints).
struct TSortIndex
{
    QString id;
    QString byText;
    QString sortedText;

    bool operator==(const TSortIndex &other) const = default;
};

namespace sortindex {
TSortIndex Alpha();
TSortIndex Taille();
TSortIndex Modify();
TSortIndex Extension();
TSortIndex Path();
TSortIndex Datecode();
TSortIndex Timecode();
TSortIndex Duration();

// Every sort order a list offers, in menu order.
const std::vector<TSortIndex> &All();

// The sort order for an identifier as stored in the setting "SortIndexId":
// "size" selects "taille"; anything unknown selects "alpha".
TSortIndex FromStoredId(const QString &stored);
// The identifier to store for a sort order (the inverse of FromStoredId).
QString StoredId(const TSortIndex &index);
} // namespace sortindex

// Ascending order of sort keys, ignoring case.
int CompareSortKeys(const QString &a, const QString &b);

class TAbstractListFichier
{
public:
    explicit TAbstractListFichier(const QString &fullPath);
    virtual ~TAbstractListFichier() = default;

    TAbstractListFichier(const TAbstractListFichier &) = delete;
    TAbstractListFichier &operator=(const TAbstractListFichier &) = delete;

    const QString &fullPath() const { return m_fullPath; }
    const QString &fileName() const { return m_fileName; }
    const QString &extension() const { return m_extension; } // lower case, with its dot
    const QString &folder() const { return m_folder; }       // with a trailing separator
    const QString &shortName() const { return m_shortName; } // file name without extension

    // The key of this record for a sort order; empty for an order the record
    // does not know. Derived records answer their own orders and pass the
    // others on to their base.
    virtual QString GetSortKey(const TSortIndex &index) const;

private:
    QString m_fullPath;
    QString m_fileName;
    QString m_extension;
    QString m_folder;
    QString m_shortName;
};

// What a directory entry says about a file.
struct TFileEntry
{
    quint32 sizeHigh = 0;
    quint32 sizeLow = 0;
    QDateTime creationTime;   // local time
    QDateTime lastWriteTime;
    QDateTime lastAccessTime;
    quint32 attributes = 0;

    static constexpr quint32 ReadOnly = 0x01;
    static constexpr quint32 Hidden = 0x02;
    static constexpr quint32 Directory = 0x10;

    quint64 size() const { return (quint64(sizeHigh) << 32) | sizeLow; }
};

// Looks a path up in the file system (files and folders alike); nothing when
// it does not exist.
std::optional<TFileEntry> LookupFileEntry(const QString &path);

class TSRFichier : public TAbstractListFichier
{
public:
    // Looks the path up; when that fails only the name fields are set.
    explicit TSRFichier(const QString &fullPath);
    // From a folder (with or without its trailing separator), its directory
    // entry for the file, and the file's name.
    TSRFichier(const QString &folder, const TFileEntry &entry, const QString &name);

    bool exists() const { return m_found; }
    quint64 size() const { return m_entry.size(); }
    quint32 sizeHigh() const { return m_entry.sizeHigh; }
    quint32 sizeLow() const { return m_entry.sizeLow; }
    const QDateTime &creationTime() const { return m_entry.creationTime; }
    const QDateTime &lastWriteTime() const { return m_entry.lastWriteTime; }
    const QDateTime &lastAccessTime() const { return m_entry.lastAccessTime; }
    quint32 attributes() const { return m_entry.attributes; }
    bool readOnly() const { return (m_entry.attributes & TFileEntry::ReadOnly) != 0; }

    QString GetSortKey(const TSortIndex &index) const override;

private:
    TFileEntry m_entry;
    bool m_found = false;
};

// Sorts records in place, ascending by their keys for the order (stable).
template <typename Record>
void SortFichiers(std::vector<Record *> &records, const TSortIndex &index)
{
    std::vector<std::pair<QString, Record *>> keyed;
    keyed.reserve(records.size());
    for (Record *r : records)
        keyed.emplace_back(r->GetSortKey(index), r);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return CompareSortKeys(a.first, b.first) < 0;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        records[i] = keyed[i].second;
}
