#include "framework/fichiersearch.h"

#include "filetree.h"

#include <gtest/gtest.h>

#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TCollect final : TFileSearchSink
{
    QStringList files;
    QStringList folders;
    int stopAfter = -1; // files

    bool stopped() const override { return stopAfter >= 0 && files.size() >= stopAfter; }
    void folderFound(const QString &folder) override { folders.append(folder); }
    void fileFound(const QString &path, const TFileStamp &stamp) override
    {
        EXPECT_TRUE(stamp.valid()) << qPrintable(path);
        files.append(path);
    }
};

// Predicates on two texts: a name and a mask, a device and a file system type.
struct TTextPairCase
{
    bool (*predicate)(const QString &, const QString &);
    const char *first;
    const char *second;
    bool holds;
};

class TextPairTest : public testing::TestWithParam<TTextPairCase> {};

TEST_P(TextPairTest, Holds)
{
    const TTextPairCase &c = GetParam();
    EXPECT_EQ(c.predicate(QString::fromUtf8(c.first), QString::fromUtf8(c.second)), c.holds) << c.first << " " << c.second;
}

// Masks of stars and question marks, matched with case.
INSTANTIATE_TEST_SUITE_P(
    Masks, TextPairTest,
    testing::Values(TTextPairCase{MatchesMask, "tape.avi", "*.avi", true}, TTextPairCase{MatchesMask, "tape.avi.txt", "*.avi", false},
                    TTextPairCase{MatchesMask, "noext", "*.*", true}, TTextPairCase{MatchesMask, "tape1.avi", "tape?.avi", true},
                    TTextPairCase{MatchesMask, "tape12.avi", "tape?.avi", false}, TTextPairCase{MatchesMask, "TAPE.AVI", "*.avi", false},
                    TTextPairCase{MatchesMask, "a-b-c.avi", "a*c*.avi", true}, TTextPairCase{MatchesMask, "été 2005.avi", "été*", true},
                    TTextPairCase{MatchesMask, "x", "*x*", true}, TTextPairCase{MatchesMask, "", "?", false}));

// Only local disks are searched by "All".
INSTANTIATE_TEST_SUITE_P(
    Volumes, TextPairTest,
    testing::Values(TTextPairCase{IsLocalDiskVolume, "/dev/sda1", "ext4", true},
                    TTextPairCase{IsLocalDiskVolume, "/dev/nvme0n1p2", "btrfs", true},
                    TTextPairCase{IsLocalDiskVolume, "/dev/sdb1", "fuseblk", true},
                    TTextPairCase{IsLocalDiskVolume, "/dev/sdc1", "vfat", true},
                    TTextPairCase{IsLocalDiskVolume, "tank/videos", "zfs", true},
                    TTextPairCase{IsLocalDiskVolume, "proc", "proc", false},
                    TTextPairCase{IsLocalDiskVolume, "sysfs", "sysfs", false},
                    TTextPairCase{IsLocalDiskVolume, "udev", "devtmpfs", false},
                    TTextPairCase{IsLocalDiskVolume, "tmpfs", "tmpfs", false},
                    TTextPairCase{IsLocalDiskVolume, "/dev/loop3", "squashfs", false},
                    TTextPairCase{IsLocalDiskVolume, "/dev/sr0", "iso9660", false},
                    TTextPairCase{IsLocalDiskVolume, "server:/videos", "nfs4", false},
                    TTextPairCase{IsLocalDiskVolume, "//nas/videos", "cifs", false},
                    TTextPairCase{IsLocalDiskVolume, "overlay", "overlay", false},
                    TTextPairCase{IsLocalDiskVolume, "ext4-without-device", "ext4", false}));

TEST(ExtensionFilterTest, TakesListedExtensionsInAnyCase)
{
    const TExtensionFilter avi(QStringList{"AVI", ".Dv", " "});
    EXPECT_EQ(avi.extensions(), (QStringList{".avi", ".dv"}));
    EXPECT_TRUE(avi.accepts("Tape.AVI"));
    EXPECT_TRUE(avi.accepts("clip.dv"));
    EXPECT_FALSE(avi.accepts("tape.avi.txt"));
    EXPECT_FALSE(avi.accepts("avi"));
    EXPECT_TRUE(TExtensionFilter().accepts("anything"));
}

TEST(LocalDiskRootsTest, NeverNamesThePseudoFileSystems)
{
    for (const QString &root : LocalDiskRoots()) {
        EXPECT_FALSE(root.startsWith("/proc") || root.startsWith("/sys") || root.startsWith("/dev")) << qPrintable(root);
        EXPECT_TRUE(QFileInfo(root).isDir()) << qPrintable(root);
    }
}

TEST(FolderSearchTest, WalksTheTreeOnceWithoutFollowingFolderLinks)
{
    TFileTree tree;
    tree.add("a.avi");
    tree.add("notes.txt");
    tree.add("sub/b.AVI");
    tree.add("sub/deeper/c.avi");
    const QString outside = tree.add("elsewhere/outside.avi");
    ASSERT_TRUE(tree.link(tree.root(), "sub/loop"));               // a link back to the root
    ASSERT_TRUE(tree.link(tree.path("elsewhere"), "sub/shortcut")); // a link to a folder
    ASSERT_TRUE(tree.link(tree.path("sub/b.AVI"), "again.avi"));    // a link to a listed file
    ASSERT_TRUE(tree.link(outside, "outside-link.avi"));            // a link to a file of another folder
    ASSERT_TRUE(tree.link(tree.path("gone.avi"), "dangling.avi"));
    ASSERT_EQ(mkfifo(QFile::encodeName(tree.path("pipe.avi")).constData(), 0600), 0);

    TCollect found;
    SearchPath(tree.path("sub"), true, TExtensionFilter({".avi"}), found);
    EXPECT_EQ(tree.relative(found.files), (QStringList{"sub/b.AVI", "sub/deeper/c.avi"}));
    EXPECT_EQ(tree.relative(found.folders), (QStringList{"sub/", "sub/deeper/"}));

    TCollect all;
    SearchPath(tree.root(), true, TExtensionFilter({".avi"}), all);
    // Links to files are taken as the files they name; pipes never.
    EXPECT_EQ(tree.relative(all.files),
              (QStringList{"a.avi", "elsewhere/outside.avi", "elsewhere/outside.avi", "sub/b.AVI", "sub/b.AVI", "sub/deeper/c.avi"}));
}

TEST(FolderSearchTest, NamedPathsAndPatternsWithoutRecursion)
{
    TFileTree tree;
    const QString one = tree.add("v/one.avi");
    tree.add("v/two.avi");
    tree.add("v/two.mov");
    tree.add("v/sub/three.avi");
    TCollect found;
    TOpenRequest request{TOpenMode::omPaths, {one, tree.path("v/t*.*"), tree.path("v/sub"), tree.path("v/missing.avi")}, {}};
    SearchRequest(request, found);
    EXPECT_EQ(tree.relative(found.files), (QStringList{"v/one.avi", "v/two.avi", "v/two.mov"}));
    EXPECT_TRUE(found.folders.isEmpty());

    TCollect stopped;
    stopped.stopAfter = 1;
    request.mode = TOpenMode::omDrop; // recursive
    SearchRequest(request, stopped);
    EXPECT_EQ(stopped.files.size(), 1);
}

TEST(FolderSearchTest, SkipsAFolderThatCannotBeRead)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    TFileTree tree;
    tree.add("open/a.avi");
    tree.add("closed/b.avi");
    ASSERT_EQ(chmod(QFile::encodeName(tree.path("closed")).constData(), 0), 0);
    TCollect found;
    SearchPath(tree.root(), true, {}, found);
    chmod(QFile::encodeName(tree.path("closed")).constData(), 0700);
    EXPECT_EQ(tree.relative(found.files), (QStringList{"open/a.avi"}));
}

} // namespace
