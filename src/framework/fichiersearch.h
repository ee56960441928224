#pragma once

// Finding the files that an opening request names: named files and patterns,
// folders with their sub-folders, play lists, dropped or pasted path lists,
// and every mounted local disk. Only reads the file system; runs on the
// opener's thread and reports what it finds to a sink, in the order found.
//
// Walks never follow a symbolic link to a folder (a folder named by the
// request itself may be one), never enter a folder twice (bind mounts), never
// enter the kernel's pseudo file systems (/proc, /sys, /dev, ...), and skip
// what cannot be read or vanished meanwhile: a folder that cannot be opened is
// left out, a file whose entry cannot be read is not reported. A symbolic
// link to a file is reported as the file it names. The sink's stopped() is
// asked before every entry and every path; once it answers true the search
// returns at once.

#include <QString>
#include <QStringList>

#include <cstdint>

enum class TOpenMode {
    omPaths,    // each path names a file or a pattern (wildcards * and ? in its last part); no recursion
    omFolder,   // one folder and all its sub-folders
    omPlayList, // the paths and patterns of one play list, without recursion
    omAllDisks, // every mounted local disk from its root, each walk staying on its disk
    omPaste,    // pasted paths: files, folders with their sub-folders, patterns
    omDrop,     // dropped paths, as pasted ones, except that a ".txt" file is read as a play list
};

// Dropped and pasted paths longer than this are skipped.
inline constexpr qsizetype kMaxDroppedPathLength = 65530;

// What the file system said about a file when it was found: enough to tell
// whether a record made earlier still describes it.
struct TFileStamp
{
    std::int64_t size = -1;
    std::int64_t modified = 0; // nanoseconds since the epoch

    bool valid() const { return size >= 0; }
    bool operator==(const TFileStamp &) const = default;
};

// The stamp of a file (following links); not valid when there is none.
TFileStamp FileStampOf(const QString &path);

// Which files a search takes, by extension. Extensions are lower case with
// their dot (".avi"); an empty list takes every file.
class TExtensionFilter
{
public:
    TExtensionFilter() = default;
    // Extensions are given with or without their dot, in any case.
    explicit TExtensionFilter(const QStringList &extensions);

    const QStringList &extensions() const { return m_extensions; }
    // The lower-case extension of a file name: from its last ".", with the dot; empty without one.
    static QString ExtensionOf(const QString &fileName);
    bool accepts(const QString &fileName) const;

private:
    QStringList m_extensions;
};

struct TOpenRequest
{
    TOpenMode mode = TOpenMode::omPaths;
    QStringList paths;      // absolute paths; omFolder and omPlayList use the first only
    TExtensionFilter filter;
};

class TFileSearchSink
{
public:
    virtual ~TFileSearchSink() = default;
    virtual bool stopped() const = 0;
    // A search with recursion enters a folder (with its trailing "/").
    virtual void folderFound(const QString &folder) = 0;
    // A file the filter takes: its absolute path and its stamp.
    virtual void fileFound(const QString &path, const TFileStamp &stamp) = 0;
};

void SearchRequest(const TOpenRequest &request, TFileSearchSink &sink);

// One path: a file is taken, a folder is searched with its sub-folders when
// recursive is set (else nothing), a pattern is matched in its folder (and,
// recursive, in the sub-folders); a path that does not exist gives nothing.
void SearchPath(const QString &path, bool recursive, const TExtensionFilter &filter, TFileSearchSink &sink);

// The paths and patterns of a play list, each searched without recursion;
// relative lines are taken from the play list's folder. A list that cannot be
// read gives what was read.
void SearchPlayList(const QString &playList, const TExtensionFilter &filter, TFileSearchSink &sink);

// Whether a file name matches a mask of * (any run) and ? (one character),
// case-sensitively; "*" and "*.*" match every name.
bool MatchesMask(const QString &name, const QString &mask);

// Whether a mounted volume is a local disk for "All": a block device (or a
// pool of one) holding a disk file system; not optical media, images of
// packages, network shares or the kernel's pseudo file systems.
bool IsLocalDiskVolume(const QString &device, const QString &fileSystemType);

// The roots of the mounted local disks, one per device (the shortest root
// where a device is mounted twice).
QStringList LocalDiskRoots();
