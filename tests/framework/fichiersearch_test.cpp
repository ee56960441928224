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

struct TMaskCase
{
    const char *name;
    const char *mask;
    bool matches;
};

class MaskTest : public testing::TestWithParam<TMaskCase> {};

TEST_P(MaskTest, MatchesStarsAndQuestionMarks)
{
    EXPECT_EQ(MatchesMask(QString::fromUtf8(GetParam().name), QString::fromUtf8(GetParam().mask)), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskTest,
    testing::Values(TMaskCase{"tape.avi", "*.avi", true}, TMaskCase{"tape.avi.txt", "*.avi", false},
                    TMaskCase{"noext", "*.*", true}, TMaskCase{"tape1.avi", "tape?.avi", true},
                    TMaskCase{"tape12.avi", "tape?.avi", false}, TMaskCase{"TAPE.AVI", "*.avi", false},
                    TMaskCase{"a-b-c.avi", "a*c*.avi", true}, TMaskCase{"été 2005.avi", "été*", true},
                    TMaskCase{"x", "*x*", true}, TMaskCase{"", "?", false}));

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

struct TVolumeCase
{
    const char *device;
    const char *type;
    bool disk;
};

class VolumeTest : public testing::TestWithParam<TVolumeCase> {};

TEST_P(VolumeTest, OnlyLocalDisksAreSearchedByAll)
{
    EXPECT_EQ(IsLocalDiskVolume(QString::fromUtf8(GetParam().device), QString::fromUtf8(GetParam().type)), GetParam().disk);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, VolumeTest,
    testing::Values(TVolumeCase{"/dev/sda1", "ext4", true}, TVolumeCase{"/dev/nvme0n1p2", "btrfs", true},
                    TVolumeCase{"/dev/sdb1", "fuseblk", true}, TVolumeCase{"/dev/sdc1", "vfat", true},
                    TVolumeCase{"tank/videos", "zfs", true}, TVolumeCase{"proc", "proc", false},
                    TVolumeCase{"sysfs", "sysfs", false}, TVolumeCase{"udev", "devtmpfs", false},
                    TVolumeCase{"tmpfs", "tmpfs", false}, TVolumeCase{"/dev/loop3", "squashfs", false},
                    TVolumeCase{"/dev/sr0", "iso9660", false}, TVolumeCase{"server:/videos", "nfs4", false},
                    TVolumeCase{"//nas/videos", "cifs", false}, TVolumeCase{"overlay", "overlay", false},
                    TVolumeCase{"ext4-without-device", "ext4", false}));

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
