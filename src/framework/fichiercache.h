#pragma once

// TFichierList: the records a file list has met, by full path, kept for the
// life of the list, so that a file removed from the list and opened again gets
// its record back without reading the file again.
//
// Each record is kept with the stamp (size, modification time) of the file it
// was made from. The opener asks holds() from its own thread to learn whether
// a found file needs a new record; everything else is done on the list's
// thread, which alone changes the cache.
//
// A record replaced because its file changed is retired, not destroyed: a
// running command or the window may still hold it. Records dropped or
// replaced on a command's behalf (drop, replace) are destroyed, since the
// command engine hands those over knowingly.

#include "framework/fichiersearch.h"
#include "framework/listfichier.h"

#include <QHash>
#include <QString>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

class TFichierList
{
public:
    TFichierList() = default;
    TFichierList(const TFichierList &) = delete;
    TFichierList &operator=(const TFichierList &) = delete;

    // The record of a path, or null.
    TAbstractListFichier *find(const QString &fullPath) const;
    // Whether this very record is cached.
    bool owns(const TAbstractListFichier *record) const;
    // Whether a record of the path is cached and was made from a file with
    // this stamp. Any thread.
    bool holds(const QString &fullPath, const TFileStamp &stamp) const;
    qsizetype size() const;

    // Takes a record made from a file with the stamp. The record cached for
    // its path before, if any, is retired and returned (null when there was
    // none), so that the caller can put the new record in its place.
    TAbstractListFichier *insert(std::unique_ptr<TAbstractListFichier> record, const TFileStamp &stamp);
    // Takes a record in place of the one cached for its path, which is
    // destroyed (after the caller stopped showing it).
    void replace(std::unique_ptr<TAbstractListFichier> record, const TFileStamp &stamp);
    // Destroys a cached record.
    void drop(const TAbstractListFichier *record);

private:
    struct TEntry
    {
        std::unique_ptr<TAbstractListFichier> record;
        TFileStamp stamp;
    };

    mutable std::mutex m_lock; // taken by this thread's writers and by holds()
    struct THash
    {
        size_t operator()(const QString &s) const { return qHash(s); }
    };

    std::unordered_map<QString, TEntry, THash> m_entries;
    std::vector<std::unique_ptr<TAbstractListFichier>> m_retired;
};
