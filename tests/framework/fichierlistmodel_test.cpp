#include "framework/fichierlistmodel.h"

#include "filetree.h"
#include "framework/frameworktext.h"
#include "framework/playlist.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QSet>
#include <QSignalSpy>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

// A record whose key the test sets.
class TKeyed final : public TAbstractListFichier
{
public:
    TKeyed(const QString &path, const QString &key, int *destroyed = nullptr)
        : TAbstractListFichier(path), key(key), m_destroyed(destroyed)
    {
    }
    ~TKeyed() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    QString GetSortKey(const TSortIndex &) const override { return key; }
    QString key;

private:
    int *m_destroyed;
};

std::unique_ptr<TSRFichier> Sized(const QString &folder, const QString &name, quint64 size, int day = 1)
{
    TFileEntry entry;
    entry.sizeHigh = quint32(size >> 32);
    entry.sizeLow = quint32(size);
    entry.lastWriteTime = QDateTime(QDate(2005, 6, day), QTime(12, 0));
    return std::make_unique<TSRFichier>(folder, entry, name);
}

QStringList Paths(const TFichierListModel &list)
{
    return list.GetPaths();
}

QStringList SelectedPaths(const TFichierListModel &list)
{
    QStringList paths;
    for (int i = 0; i < list.count(); ++i)
        if (list.isSelected(i))
            paths.append(list.record(i)->fullPath());
    return paths;
}

QString ActivePath(const TFichierListModel &list)
{
    return list.activeRecord() ? list.activeRecord()->fullPath() : QStringLiteral("-");
}

bool WaitUntil(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool WaitForEnd(TFichierListModel &list)
{
    return WaitUntil([&] { return !list.isOpening(); });
}

// Everything the list says about itself agrees.
void ExpectConsistent(const TFichierListModel &list)
{
    int selected = 0;
    QSet<QString> paths;
    for (int i = 0; i < list.count(); ++i) {
        const TAbstractListFichier *r = list.record(i);
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(list.cache().owns(r));
        EXPECT_FALSE(paths.contains(r->fullPath())) << qPrintable(r->fullPath());
        paths.insert(r->fullPath());
        EXPECT_EQ(list.IndexOf(r), i);
        EXPECT_EQ(list.FindByPath(r->fullPath()), i);
        if (i > 0) {
            EXPECT_LE(CompareSortKeys(list.record(i - 1)->GetSortKey(list.sortIndex()), r->GetSortKey(list.sortIndex())), 0);
        }
        selected += list.isSelected(i) ? 1 : 0;
    }
    EXPECT_EQ(list.selectedCount(), selected);
    EXPECT_EQ(list.rowCount(), list.count());
    if (list.activeRecord()) {
        EXPECT_TRUE(list.isSelected(list.activeIndex()));
    }
    EXPECT_TRUE(list.hint().endsWith(QLatin1String(" among ") + QString::number(list.count()))) << qPrintable(list.hint());
}

// --- items, without the opener ---

struct TOrderCase
{
    const char *storedId;
    const char *sortId;
    QStringList order;
};

class SortOrderTest : public testing::TestWithParam<TOrderCase> {};

TEST_P(SortOrderTest, KeepsTheOrderOfTheStoredSortIndex)
{
    const TOrderCase &c = GetParam();
    TFichierListModel list;
    list.SetSortIndexId(QString::fromUtf8(c.storedId));
    EXPECT_EQ(list.sortIndex().id, QString::fromUtf8(c.sortId));
    list.AddFichier(Sized("/z", "B.avi", 3ull << 30, 3), false);
    list.AddFichier(Sized("/a", "b.avi", 1, 9), false);
    list.AddFichier(Sized("/y", "a.avi", 5ull << 30, 1), false);
    EXPECT_EQ(Paths(list), c.order);
    list.SetSortIndex(sortindex::Extension());
    list.SetSortIndexId(QString::fromUtf8(c.storedId));
    EXPECT_EQ(Paths(list), c.order);
    ExpectConsistent(list);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SortOrderTest,
    testing::Values(TOrderCase{"alpha", "alpha", {"/y/a.avi", "/a/b.avi", "/z/B.avi"}},
                    // "taille" is not a stored identifier: the size order is stored as "size".
                    TOrderCase{"taille", "alpha", {"/y/a.avi", "/a/b.avi", "/z/B.avi"}},
                    TOrderCase{"size", "taille", {"/a/b.avi", "/z/B.avi", "/y/a.avi"}},
                    TOrderCase{"modify", "modify", {"/y/a.avi", "/z/B.avi", "/a/b.avi"}},
                    TOrderCase{"nonsense", "alpha", {"/y/a.avi", "/a/b.avi", "/z/B.avi"}}));

TEST(FichierListTest, RelistingMovesTheOneItemToItsNewKey)
{
    TFichierListModel list;
    QSignalSpy active(&list, &TFichierListModel::OnActiveChange);
    for (const char *p : {"/v/1", "/v/2", "/v/3"})
        list.AddFichier(std::make_unique<TKeyed>(p, QString::fromUtf8(p).replace("/v/", "k")), false);
    ASSERT_EQ(active.size(), 1); // the first item became active
    TAbstractListFichier *third = list.record(2);
    list.setSelected(2, true);
    static_cast<TKeyed *>(third)->key = "a";
    EXPECT_EQ(list.AddRecord(third, false), 0);
    EXPECT_EQ(Paths(list), (QStringList{"/v/3", "/v/1", "/v/2"}));
    EXPECT_EQ(SelectedPaths(list), (QStringList{"/v/3", "/v/1"}));
    EXPECT_EQ(ActivePath(list), "/v/1");
    EXPECT_EQ(list.OpenPath("/v/3"), third);
    EXPECT_EQ(list.count(), 3);
    ExpectConsistent(list);
}

TEST(FichierListTest, SortingKeepsTheActiveFileAndTheSelection)
{
    TFichierListModel list;
    list.AddFichier(Sized("/v", "a.avi", 40), false);
    list.AddFichier(Sized("/v", "b.avi", 30), false);
    list.AddFichier(Sized("/v", "c.avi", 20), false);
    list.AddFichier(Sized("/v", "d.avi", 10), false);
    list.SetActive(2);
    list.setSelected(0, true);
    list.setSelected(1, false);
    QSignalSpy active(&list, &TFichierListModel::OnActiveChange);
    QSignalSpy counts(&list, &TFichierListModel::OnCountsChange);
    list.SetSortIndex(sortindex::Taille());
    EXPECT_EQ(Paths(list), (QStringList{"/v/d.avi", "/v/c.avi", "/v/b.avi", "/v/a.avi"}));
    EXPECT_EQ(ActivePath(list), "/v/c.avi");
    EXPECT_EQ(list.activeIndex(), 1);
    EXPECT_EQ(SelectedPaths(list), (QStringList{"/v/c.avi", "/v/a.avi"}));
    EXPECT_EQ(active.size(), 0);
    EXPECT_EQ(counts.size(), 1);
    ExpectConsistent(list);
}

struct TRemoveCase
{
    std::vector<int> selected;
    int active;
    QStringList remaining;
    const char *newActive;
};

class RemoveSelectedTest : public testing::TestWithParam<TRemoveCase> {};

TEST_P(RemoveSelectedTest, ActivatesTheItemBeforeTheFirstRemoved)
{
    const TRemoveCase &c = GetParam();
    TFichierListModel list;
    for (const char *name : {"a", "b", "c", "d"})
        list.AddFichier(std::make_unique<TAbstractListFichier>(QStringLiteral("/v/") + name), false);
    list.SetActive(c.active);
    list.SelectAll(false);
    for (int i : c.selected)
        list.setSelected(i, true);
    QSignalSpy active(&list, &TFichierListModel::OnActiveChange);
    list.RemoveSelected();
    QStringList names;
    for (const QString &p : Paths(list))
        names.append(p.mid(3));
    EXPECT_EQ(names, c.remaining);
    const QString expected = QString::fromUtf8(c.newActive);
    EXPECT_EQ(ActivePath(list), expected == "-" ? expected : "/v/" + expected);
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active.at(0).at(0).value<TAbstractListFichier *>(), list.activeRecord());
    ExpectConsistent(list);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, RemoveSelectedTest,
    testing::Values(TRemoveCase{{0}, 0, {"b", "c", "d"}, "b"}, TRemoveCase{{0, 2}, 2, {"b", "d"}, "b"},
                    TRemoveCase{{1, 3}, 3, {"a", "c"}, "a"}, TRemoveCase{{2}, 2, {"a", "b", "d"}, "b"},
                    TRemoveCase{{0, 1, 2, 3}, 1, {}, "-"}));

TEST(FichierListTest, HintCountsTheSelection)
{
    TFichierListModel list;
    EXPECT_EQ(list.hint(), "No file selected among 0");
    QSignalSpy counts(&list, &TFichierListModel::OnCountsChange);
    for (const char *name : {"/v/a", "/v/b", "/v/c"})
        list.AddFichier(std::make_unique<TAbstractListFichier>(name), false);
    EXPECT_EQ(list.hint(), "One file selected among 3");
    list.setSelected(2, true);
    EXPECT_EQ(list.hint(), "2 files selected among 3");
    EXPECT_EQ(counts.last(), (QVariantList{2, 3}));
    list.SelectAll(true);
    EXPECT_EQ(list.hint(), "3 files selected among 3");
    list.SelectAll(false);
    EXPECT_EQ(list.hint(), "One file selected among 3");
    list.SetActive(-1);
    list.SelectAll(false);
    EXPECT_EQ(list.hint(), "No file selected among 3");
    EXPECT_EQ(list.selectedCount(), 0);
}

TEST(FichierListTest, RecordsHandedOverReplaceTheListedOnes)
{
    TFichierListModel list;
    int destroyed = 0;
    list.AddFichier(std::make_unique<TKeyed>("/v/a", "a", &destroyed), false);
    list.AddFichier(std::make_unique<TKeyed>("/v/b", "b", &destroyed), false);
    list.SetActive(1);
    QSignalSpy active(&list, &TFichierListModel::OnActiveChange);

    // A reloaded record takes the place of its path's record, keeping its activity.
    TAbstractListFichier *fresh = list.AddFichier(std::make_unique<TKeyed>("/v/b", "0", &destroyed), false);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Paths(list), (QStringList{"/v/b", "/v/a"}));
    EXPECT_EQ(list.activeRecord(), fresh);
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active.at(0).at(0).value<TAbstractListFichier *>(), fresh);

    // A renamed file's record replaces the old one.
    list.ReplaceFichier(fresh, std::make_unique<TKeyed>("/v/c", "c", &destroyed));
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(Paths(list), (QStringList{"/v/a", "/v/c"}));
    EXPECT_EQ(ActivePath(list), "/v/c");
    EXPECT_EQ(list.cache().find("/v/b"), nullptr);

    list.RemoveFichier(list.activeRecord());
    EXPECT_EQ(destroyed, 3);
    EXPECT_EQ(ActivePath(list), "/v/a");
    // Removed items keep their records; dropped records are gone.
    list.Clear();
    EXPECT_EQ(ActivePath(list), "-");
    EXPECT_EQ(active.last().at(0).value<TAbstractListFichier *>(), nullptr);
    EXPECT_NE(list.OpenPath("/v/a"), nullptr);
    EXPECT_EQ(list.OpenPath("/v/c"), nullptr);
    ExpectConsistent(list);
}

// --- the opener ---

class FichierOpenerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_list.setOpenExtensions({".avi"});
        m_list.setRecordFactory([this](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
            ++m_built;
            if (QThread::currentThread() == qApp->thread())
                ++m_builtOnMainThread;
            if (m_delay.count() > 0)
                std::this_thread::sleep_for(m_delay);
            // Like the video record: a file that cannot be opened throws.
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || path.contains("broken"))
                throw std::runtime_error("cannot open the file");
            return std::make_unique<TSRFichier>(path);
        });
    }
    void TearDown() override { EXPECT_EQ(m_builtOnMainThread.load(), 0); }

    QStringList listed() const { return m_tree.relative(m_list.GetPaths()); }

    TFileTree m_tree;
    TFichierListModel m_list;
    std::atomic<int> m_built{0};
    std::atomic<int> m_builtOnMainThread{0};
    std::chrono::microseconds m_delay{0};
};

TEST_F(FichierOpenerTest, DroppingAFolderListsItsTreeAndAPlayListItsLines)
{
    m_tree.add("v/a.avi");
    m_tree.add("v/clip.mov");
    m_tree.add("v/sub/b.AVI");
    m_tree.add("v/sub/deep/c.avi");
    m_tree.add("w/d.avi");
    const QString playList = m_tree.path("list.txt");
    ASSERT_TRUE(WriteFrameworkTextFile(playList, {"# tapes", m_tree.path("w/d.avi"), "v/*.avi"}));

    QSignalSpy folders(&m_list, &TFichierListModel::OnOpenFolderFound);
    QSignalSpy files(&m_list, &TFichierListModel::OnOpenFileFound);
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(m_tree.path("v"))});
    m_list.setAcceptFiles(false);
    EXPECT_FALSE(m_list.dropMimeData(&dropped, Qt::CopyAction, -1, -1, {}));
    m_list.setAcceptFiles(true);
    EXPECT_FALSE(m_list.canDropMimeData(&dropped, Qt::MoveAction, -1, -1, {}));
    ASSERT_TRUE(m_list.dropMimeData(&dropped, Qt::CopyAction, -1, -1, {}));
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(listed(), (QStringList{"v/a.avi", "v/sub/b.AVI", "v/sub/deep/c.avi"}));
    EXPECT_EQ(m_tree.relative(QStringList{folders.at(0).at(0).toString(), folders.at(1).at(0).toString(),
                                          folders.at(2).at(0).toString()}),
              (QStringList{"v/", "v/sub/", "v/sub/deep/"}));
    EXPECT_EQ(files.size(), 3);
    // Dragged out, the items are the files' URLs.
    EXPECT_EQ(m_list.data(m_list.index(0), Qt::DisplayRole).toString(), "a.avi");
    const std::unique_ptr<QMimeData> dragged(m_list.mimeData({m_list.index(2), m_list.index(0)}));
    EXPECT_EQ(TFichierListModel::LocalPaths(dragged.get()), (QStringList{m_tree.path("v/a.avi"), m_tree.path("v/sub/deep/c.avi")}));

    m_list.Clear();
    m_list.OpenDropped({playList});
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(listed(), (QStringList{"v/a.avi", "w/d.avi"}));
    ExpectConsistent(m_list);
}

TEST_F(FichierOpenerTest, PlayListSkipsCommentsAndBlankLinesAndMatchesPatternsInOneFolder)
{
    m_tree.add("v/a.avi");
    m_tree.add("v/b.avi");
    m_tree.add("v/c.avi");
    m_tree.add("v/sub/d.avi");
    m_tree.add("e f.avi");
    const QString playList = m_tree.path("tapes.list");
    ASSERT_TRUE(WriteFrameworkTextFile(playList, {"#" + m_tree.path("v/c.avi"), "", "   ", "   " + m_tree.path("e f.avi") + "  ",
                                                  "  # " + m_tree.path("v/b.avi"), m_tree.path("v/?.avi"),
                                                  "missing.avi", "#-----"}));
    QSignalSpy ended(&m_list, &TFichierListModel::OnOpenEnd);
    m_list.OpenPlayList(playList);
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(listed(), (QStringList{"e f.avi", "v/a.avi", "v/b.avi", "v/c.avi"}));
    ASSERT_EQ(ended.size(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 4);
}

TEST_F(FichierOpenerTest, ASecondRequestStopsTheScanAndKeepsWhatWasFound)
{
    for (int i = 0; i < 60; ++i)
        m_tree.add(QStringLiteral("v/tape%1.avi").arg(i, 2, 10, QLatin1Char('0')));
    const QString other = m_tree.add("other.avi");
    m_delay = std::chrono::milliseconds(5);
    QSignalSpy started(&m_list, &TFichierListModel::OnOpenStart);
    QSignalSpy ended(&m_list, &TFichierListModel::OnOpenEnd);
    m_list.OpenFolder(m_tree.path("v"));
    ASSERT_TRUE(WaitUntil([&] { return m_list.count() >= 3; }));
    m_list.OpenPaths({other});
    ASSERT_EQ(ended.size(), 1); // the scan ended at once
    const int found = ended.at(0).at(0).toInt();
    EXPECT_GE(found, 3);
    EXPECT_LT(found, 60);
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(started.size(), 2);
    EXPECT_EQ(ended.size(), 2);
    EXPECT_EQ(m_list.count(), found + 1);
    EXPECT_GE(m_list.FindByPath(other), 0);
    // Nothing of the stopped scan arrives later.
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_list.count(), found + 1);
    ExpectConsistent(m_list);
}

TEST_F(FichierOpenerTest, PathsThatVanishAreSkippedAndFailuresReported)
{
    m_tree.add("v/broken.avi");
    for (const char *name : {"v/a.avi", "v/b.avi", "v/sub/c.avi", "v/sub/d.avi", "v/e.avi"})
        m_tree.add(name);
    // The first record built deletes every other file and folder of the tree.
    std::atomic<bool> deleted{false};
    m_list.setRecordFactory([&](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
        if (!deleted.exchange(true)) {
            for (const QFileInfo &entry : QDir(m_tree.path("v")).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
                if (entry.absoluteFilePath() != path)
                    entry.isDir() ? QDir(entry.absoluteFilePath()).removeRecursively() : QFile::remove(entry.absoluteFilePath());
            QDir(m_tree.path("v/sub")).removeRecursively();
            QFile::remove(m_tree.path("v/broken.avi"));
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot open the file");
        return std::make_unique<TSRFichier>(path);
    });
    QSignalSpy errors(&m_list, &TFichierListModel::OnOpenFileError);
    m_list.OpenFolder(m_tree.path("v"));
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(m_list.count(), 1);
    EXPECT_EQ(errors.size(), 0);

    // A file that is there but gives no record is reported with the reason.
    SetUp();
    m_tree.add("w/broken.avi");
    m_tree.add("w/good.avi");
    m_list.OpenFolder(m_tree.path("w"));
    ASSERT_TRUE(WaitForEnd(m_list));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(m_tree.relative({errors.at(0).at(0).toString()}), QStringList{"w/broken.avi"});
    EXPECT_EQ(errors.at(0).at(1).toString(), "cannot open the file");
    EXPECT_GE(m_list.FindByPath(m_tree.path("w/good.avi")), 0);
}

TEST_F(FichierOpenerTest, StoppingAtAnyMomentLeavesTheListConsistent)
{
    for (int i = 0; i < 120; ++i)
        m_tree.add(QStringLiteral("v/f%1/tape%2.avi").arg(i % 4).arg(i));
    m_delay = std::chrono::microseconds(200);
    std::mt19937 random(13);
    QSignalSpy started(&m_list, &TFichierListModel::OnOpenStart);
    QSignalSpy ended(&m_list, &TFichierListModel::OnOpenEnd);
    for (int round = 0; round < 40; ++round) {
        if (!m_list.isOpening())
            m_list.OpenFolder(m_tree.path("v"));
        const int wait = int(random() % 12);
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < wait)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        switch (random() % 6) {
        case 0: m_list.StopOpening(); break;
        case 1: m_list.OpenFolder(m_tree.path("v/f1")); break;
        case 2: m_list.ViderListe(); break;
        case 3: m_list.RemoveSelected(); break;
        case 4: m_list.SetSortIndex(random() % 2 ? sortindex::Path() : sortindex::Taille()); break;
        case 5: m_list.SetActive(m_list.count() ? int(random() % m_list.count()) : -1); break;
        }
        ExpectConsistent(m_list);
        // Each run ends once: started and ended pair up.
        EXPECT_EQ(started.size() - ended.size(), m_list.isOpening() ? 1 : 0);
    }
    m_list.OpenFolder(m_tree.path("v"));
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(m_list.count(), 120);
    EXPECT_EQ(m_list.cache().size(), 120); // every file met once has one record
    ExpectConsistent(m_list);
}

TEST_F(FichierOpenerTest, ReopenedFilesGetTheirRecordBackUnlessTheyChanged)
{
    m_tree.add("v/a.avi");
    m_tree.add("v/b.avi");
    m_list.OpenFolder(m_tree.path("v"));
    ASSERT_TRUE(WaitForEnd(m_list));
    ASSERT_EQ(m_built, 2);
    TAbstractListFichier *a = m_list.record(m_list.FindByPath(m_tree.path("v/a.avi")));
    TAbstractListFichier *b = m_list.record(m_list.FindByPath(m_tree.path("v/b.avi")));
    m_list.SetActive(m_list.IndexOf(b));
    m_list.Clear();
    m_tree.add("v/b.avi", "longer data"); // b changed
    m_list.OpenFolder(m_tree.path("v"));
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(m_built, 3);
    EXPECT_EQ(m_list.record(m_list.FindByPath(m_tree.path("v/a.avi"))), a);
    TAbstractListFichier *newB = m_list.record(m_list.FindByPath(m_tree.path("v/b.avi")));
    EXPECT_NE(newB, b);
    EXPECT_EQ(static_cast<TSRFichier *>(newB)->size(), 11u);
    EXPECT_EQ(b->fullPath(), newB->fullPath()); // the old record is still alive for whoever holds it
    EXPECT_EQ(m_list.count(), 2);
    ExpectConsistent(m_list);
}

TEST_F(FichierOpenerTest, TheSavedActiveFileBecomesActiveWhenTheOpenerListsIt)
{
    const QStringList files{m_tree.add("a.avi"), m_tree.add("b.avi"), m_tree.add("c.avi")};
    m_delay = std::chrono::milliseconds(2);
    m_list.OpenPaths(files);
    m_list.SetActivePath(files[2]);
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(ActivePath(m_list), files[2]);
    EXPECT_EQ(SelectedPaths(m_list), QStringList{files[2]});
}

TEST_F(FichierOpenerTest, PastedFoldersAreSearchedWithTheirSubFolders)
{
    m_tree.add("v/a.avi");
    m_tree.add("v/sub/b.avi");
    const QString notAPlayList = m_tree.add("v/list.txt", m_tree.path("v/a.avi").toUtf8());
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(m_tree.path("v")), QUrl::fromLocalFile(notAPlayList), QUrl("https://example.org/x.avi")});
    QGuiApplication::clipboard()->setMimeData(data);
    ASSERT_TRUE(TFichierListModel::CanPaste(QGuiApplication::clipboard()->mimeData()));
    ASSERT_TRUE(m_list.PasteFiles());
    ASSERT_TRUE(WaitForEnd(m_list));
    EXPECT_EQ(listed(), (QStringList{"v/a.avi", "v/sub/b.avi"}));
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(m_list.PasteFiles());
}

TEST_F(FichierOpenerTest, SavedPlayListsOpenAgain)
{
    const QStringList files{m_tree.add("a.avi"), m_tree.add("sub/b.avi")};
    m_list.OpenPaths(files);
    ASSERT_TRUE(WaitForEnd(m_list));
    ASSERT_TRUE(m_list.SavePlayList(m_tree.path("saved.m3u"), "Tarvex", "slogan"));
    m_list.setPreferredPlayList(PreferredPlayListPath(m_tree.root()));
    EXPECT_FALSE(m_list.OpenPreferredPlayList());
    ASSERT_TRUE(m_list.SavePreferredPlayList("Tarvex", "slogan"));
    for (const QString &playList : {m_tree.path("saved.txt"), QString()}) {
        m_list.ViderListe();
        if (playList.isEmpty())
            ASSERT_TRUE(m_list.OpenPreferredPlayList());
        else
            m_list.OpenPlayList(playList);
        ASSERT_TRUE(WaitForEnd(m_list));
        EXPECT_EQ(m_list.GetPaths(), files);
    }
}

} // namespace
