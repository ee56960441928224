#include "framework/fichiersearch.h"

#include "framework/playlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_set>
#include <vector>

namespace {

TFileStamp StampOf(const struct stat &st)
{
    return {std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString WithSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool HasWildcard(const QString &name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// The kernel's own file systems, and automounters (entering one mounts a share).
bool IsPseudoFileSystem(const QByteArray &type)
{
    static const char *const kPseudo[] = {
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs",
        "pstore", "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "autofs", "binfmt_misc", "efivarfs",
        "rpc_pipefs", "nsfs", "selinuxfs", "ramfs"};
    return std::any_of(std::begin(kPseudo), std::end(kPseudo), [&](const char *p) { return type == p; });
}

struct TDirId
{
    dev_t dev;
    ino_t ino;
    bool operator==(const TDirId &) const = default;
};

struct TDirIdHash
{
    size_t operator()(const TDirId &id) const
    {
        return std::hash<std::uint64_t>()((std::uint64_t(id.dev) * 0x9E3779B97F4A7C15ull) ^ std::uint64_t(id.ino));
    }
};

class TWalker
{
public:
    TWalker(const TExtensionFilter &filter, TFileSearchSink &sink) : m_filter(filter), m_sink(sink) {}

    // A path named by the request: a file (or a link to one) is taken, a
    // folder (or a link to one) is searched when recursive.
    void takePath(const QString &path, bool recursive)
    {
        struct stat st, own;
        const QByteArray encoded = QFile::encodeName(path);
        if (stat(encoded.constData(), &st) != 0 || lstat(encoded.constData(), &own) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            if (recursive)
                walk(path, QString(), true, false);
        } else if (S_ISREG(st.st_mode)) {
            takeFile(path, st, S_ISLNK(own.st_mode));
        }
    }

    // Searches a folder for the files matching mask (empty: every file), and
    // its sub-folders when recursive; with stayOnDevice no other file system
    // is entered.
    void walk(const QString &folder, const QString &mask, bool recursive, bool stayOnDevice)
    {
        struct stat st;
        const QString root = WithSlash(folder);
        if (stat(QFile::encodeName(root).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return;
        std::unordered_set<TDirId, TDirIdHash> visited{{st.st_dev, st.st_ino}};
        std::vector<TFolder> pending{{root, st.st_dev}};
        std::vector<TFolder> subFolders;
        while (!pending.empty() && !m_sink.stopped()) {
            const TFolder current = std::move(pending.back());
            pending.pop_back();
            if (recursive)
                m_sink.folderFound(current.path);
            subFolders.clear();
            list(current, mask, recursive ? &subFolders : nullptr);
            for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it) {
                if (!visited.insert({it->dev, it->ino}).second)
                    continue;
                if (it->dev != current.dev && (stayOnDevice || IsPseudoFileSystem(QStorageInfo(it->path).fileSystemType())))
                    continue;
                pending.push_back({std::move(it->path), it->dev});
            }
        }
    }

private:
    struct TFolder
    {
        QString path; // with its trailing "/"
        dev_t dev;
        ino_t ino = 0;
    };

    // The entries of one folder: files are reported, sub-folders collected
    // (symbolic links to folders are not).
    void list(const TFolder &folder, const QString &mask, std::vector<TFolder> *subFolders)
    {
        DIR *dir = opendir(QFile::encodeName(folder.path).constData());
        if (!dir)
            return; // cannot be read, or vanished
        const int fd = dirfd(dir);
        while (!m_sink.stopped()) {
            const dirent *entry = readdir(dir);
            if (!entry)
                break;
            const char *raw = entry->d_name;
            if (std::strcmp(raw, ".") == 0 || std::strcmp(raw, "..") == 0)
                continue;
            unsigned char type = entry->d_type;
            struct stat st;
            bool known = false;
            if (type == DT_UNKNOWN) {
                if (fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_UNKNOWN;
                known = true;
            }
            if (type == DT_DIR) {
                if (!subFolders || (!known && fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) || !S_ISDIR(st.st_mode))
                    continue;
                subFolders->push_back({folder.path + QFile::decodeName(raw) + QLatin1Char('/'), st.st_dev, st.st_ino});
                continue;
            }
            if (type != DT_REG && type != DT_LNK)
                continue; // devices, pipes and sockets are never files to open
            const QString name = QFile::decodeName(raw);
            if (!MatchesMask(name, mask))
                continue;
            // The entry is looked at again through the link, if it is one.
            if (fstatat(fd, raw, &st, 0) != 0 || !S_ISREG(st.st_mode))
                continue;
            takeFile(folder.path + name, st, type == DT_LNK);
        }
        closedir(dir);
    }

    // A regular file found at path (st: what stat says through the link, if
    // path is one); a link is taken as the file it names.
    void takeFile(const QString &path, const struct stat &st, bool isLink)
    {
        QString file = path;
        if (isLink) {
            char *target = realpath(QFile::encodeName(path).constData(), nullptr);
            if (!target)
                return;
            file = QFile::decodeName(target);
            std::free(target);
        }
        if (m_filter.accepts(file.mid(file.lastIndexOf(QLatin1Char('/')) + 1)))
            m_sink.fileFound(file, StampOf(st));
    }

    const TExtensionFilter &m_filter;
    TFileSearchSink &m_sink;
};

QString AbsoluteClean(const QString &path, const QString &base = QString())
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : (base.isEmpty() ? QDir::currentPath() : base) + QLatin1Char('/') + path;
    return QDir::cleanPath(absolute);
}

void SearchFrom(const QString &path, const QString &base, bool recursive, const TExtensionFilter &filter, TFileSearchSink &sink)
{
    if (path.isEmpty())
        return;
    const QString clean = AbsoluteClean(path, base);
    TWalker walker(filter, sink);
    if (QFileInfo::exists(clean) || QFileInfo(clean).isSymLink()) {
        walker.takePath(clean, recursive);
        return;
    }
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    const QString mask = clean.mid(slash + 1);
    if (HasWildcard(mask) && !HasWildcard(clean.left(slash)))
        walker.walk(slash > 0 ? clean.left(slash) : QStringLiteral("/"), mask, recursive, false);
}

} // namespace

TFileStamp FileStampOf(const QString &path)
{
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return StampOf(st);
}

TExtensionFilter::TExtensionFilter(const QStringList &extensions)
{
    for (const QString &e : extensions) {
        const QString trimmed = e.trimmed().toLower();
        if (trimmed.isEmpty())
            continue;
        const QString dotted = trimmed.startsWith(QLatin1Char('.')) ? trimmed : QLatin1Char('.') + trimmed;
        if (!m_extensions.contains(dotted))
            m_extensions.append(dotted);
    }
}

QString TExtensionFilter::ExtensionOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? fileName.mid(dot).toLower() : QString();
}

bool TExtensionFilter::accepts(const QString &fileName) const
{
    return m_extensions.isEmpty() || m_extensions.contains(ExtensionOf(fileName));
}

bool MatchesMask(const QString &name, const QString &mask)
{
    if (mask.isEmpty() || mask == QLatin1String("*") || mask == QLatin1String("*.*"))
        return true;
    // Greedy match with one backtrack point: the last "*" seen.
    qsizetype n = 0, m = 0, starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == QLatin1Char('?') || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == QLatin1Char('*')) {
            starMask = m++;
            starName = n;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == QLatin1Char('*'))
        ++m;
    return m == mask.size();
}

void SearchPath(const QString &path, bool recursive, const TExtensionFilter &filter, TFileSearchSink &sink)
{
    SearchFrom(path, QString(), recursive, filter, sink);
}

void SearchPlayList(const QString &playList, const TExtensionFilter &filter, TFileSearchSink &sink)
{
    const TPlayListRead read = ReadPlayList(playList);
    const QString base = QFileInfo(AbsoluteClean(playList)).path();
    for (const QString &entry : read.entries) {
        if (sink.stopped())
            return;
        SearchFrom(entry, base, false, filter, sink);
    }
}

bool IsLocalDiskVolume(const QString &device, const QString &fileSystemType)
{
    static const char *const kDisk[] = {"ext2", "ext3", "ext4", "btrfs", "xfs", "jfs", "reiserfs", "f2fs",
                                        "bcachefs", "nilfs2", "vfat", "msdos", "exfat", "ntfs", "ntfs3",
                                        "fuseblk", "hfsplus", "apfs", "zfs"};
    const QString type = fileSystemType.toLower();
    if (!std::any_of(std::begin(kDisk), std::end(kDisk), [&](const char *d) { return type == QLatin1String(d); }))
        return false;
    // A ZFS dataset is named after its pool; every other disk is a block device.
    return type == QLatin1String("zfs") || device.startsWith(QLatin1String("/dev/"));
}

QStringList LocalDiskRoots()
{
    std::map<QByteArray, QString> byDevice;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()
            || !IsLocalDiskVolume(QString::fromLocal8Bit(volume.device()), QString::fromLatin1(volume.fileSystemType())))
            continue;
        const QString root = volume.rootPath();
        auto [it, added] = byDevice.emplace(volume.device(), root);
        if (!added && root.size() < it->second.size())
            it->second = root;
    }
    QStringList roots;
    for (const auto &[device, root] : byDevice)
        roots.append(root);
    roots.sort();
    return roots;
}

void SearchRequest(const TOpenRequest &request, TFileSearchSink &sink)
{
    const TExtensionFilter &filter = request.filter;
    switch (request.mode) {
    case TOpenMode::omPaths:
        for (const QString &path : request.paths) {
            if (sink.stopped())
                return;
            SearchPath(path, false, filter, sink);
        }
        break;
    case TOpenMode::omFolder:
        if (!request.paths.isEmpty() && !request.paths.first().isEmpty())
            SearchPath(request.paths.first(), true, filter, sink);
        break;
    case TOpenMode::omPlayList:
        if (!request.paths.isEmpty() && !request.paths.first().isEmpty())
            SearchPlayList(request.paths.first(), filter, sink);
        break;
    case TOpenMode::omAllDisks:
        for (const QString &root : LocalDiskRoots()) {
            if (sink.stopped())
                return;
            TWalker(filter, sink).walk(root, QString(), true, true);
        }
        break;
    case TOpenMode::omPaste:
    case TOpenMode::omDrop:
        for (const QString &path : request.paths) {
            if (sink.stopped())
                return;
            if (path.size() > kMaxDroppedPathLength)
                continue;
            if (request.mode == TOpenMode::omDrop && path.endsWith(QLatin1String(".txt")))
                SearchPlayList(path, filter, sink);
            else
                SearchPath(path, true, filter, sink);
        }
        break;
    }
}
