// The file-list manager: its actions drive the list, and the list is kept
// between runs through the preferences store.

#include "framework/fichierlistmodel.h"
#include "framework/listfichier.h"
#include "framework/listfichierman.h"
#include "framework/playlist.h"

#include "actionstore.h"
#include "filetree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

bool WaitForEnd(TFichierListModel &list)
{
    QElapsedTimer timer;
    timer.start();
    while (list.isOpening() || timer.elapsed() < 20) {
        if (timer.elapsed() > 20000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    list.DeliverFound();
    return true;
}

QString ActivePath(const TFichierListModel &list)
{
    return list.activeRecord() ? list.activeRecord()->fullPath() : QStringLiteral("-");
}

class ListFichierManTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        a = tree.add("tapes/a.avi");
        b = tree.add("tapes/b.avi");
        c = tree.add("tapes/sub/c.avi");
        tree.add("tapes/notes.txt");
    }
    // A list and its manager as the window makes them.
    struct TPair
    {
        TFichierListModel list;
        TListFichierMan man;
        TPair()
        {
            list.setOpenExtensions({QStringLiteral(".avi")});
            man.setFichierListBox(&list);
        }
        void run(const char *name) { man.findByName(QString::fromLatin1(name))->Execute(); }
    };
    TFileTree tree;
    TTempStore store;
    QString a, b, c;
};

TEST_F(ListFichierManTest, TheListAndItsActiveFileComeBackAtTheNextStart)
{
    {
        TPair first;
        auto gp = store.open(); // the first start: nothing stored
        ASSERT_TRUE(first.man.LoadAllFromPrefs(*gp));
        first.list.OpenPaths({a, b, c});
        ASSERT_TRUE(WaitForEnd(first.list));
        ASSERT_EQ(first.list.count(), 3);
        first.list.SetActive(first.list.FindByPath(b));
        gp->SetMode(TSavePreferences::spRegistre);
        ASSERT_TRUE(gp->OpenKey(QStringLiteral("UIForm")));
        ASSERT_TRUE(first.man.SaveAllToPrefs(*gp)) << qPrintable(first.man.errorStrings().join('\n'));
    }
    {
        TPair second;
        auto gp = store.open();
        ASSERT_TRUE(second.man.LoadAllFromPrefs(*gp));
        ASSERT_TRUE(WaitForEnd(second.list));
        EXPECT_EQ(second.list.GetPaths().join('|').toStdString(), QStringList({a, b, c}).join('|').toStdString());
        EXPECT_EQ(ActivePath(second.list).toStdString(), b.toStdString());
        // Reopening switched off: the next start lists nothing.
        second.man.find<TBooleanAction>(QStringLiteral("baOpenlastFiles"))->SetValue(false);
        ASSERT_TRUE(second.man.SaveAllToPrefs(*gp));
    }
    {
        TPair third;
        auto gp = store.open();
        ASSERT_TRUE(third.man.LoadAllFromPrefs(*gp));
        ASSERT_TRUE(WaitForEnd(third.list));
        EXPECT_EQ(third.list.count(), 0);
        EXPECT_TRUE(third.man.find<TWStringsAction>(QStringLiteral("saFileNames"))->value().isEmpty());
    }
}

TEST_F(ListFichierManTest, ActionsDriveTheList)
{
    TPair p;
    QStringList asked;
    TListFichierDialogs dialogs;
    std::optional<QString> folderAnswer;
    dialogs.chooseFolder = [&](const QString &title, const QString &) {
        asked << title;
        return folderAnswer;
    };
    const QString saved = tree.path("saved.txt");
    dialogs.savePlayList = [&] { return std::optional<QString>(saved); };
    QString shown;
    dialogs.showInFileManager = [&](const QString &path) { shown = path; };
    p.man.setDialogs(dialogs);
    p.man.setTitre(QStringLiteral("Tarvex"));

    p.run("waOpenFolder"); // the dialog is cancelled: nothing opens
    ASSERT_TRUE(WaitForEnd(p.list));
    EXPECT_EQ(p.list.count(), 0);
    folderAnswer = tree.path("tapes");
    p.run("waOpenFolder");
    ASSERT_TRUE(WaitForEnd(p.list));
    EXPECT_EQ(p.list.GetPaths().join('|').toStdString(), QStringList({a, b, c}).join('|').toStdString())
        << "the folder and its sub-folders, .avi files only";
    EXPECT_EQ(asked, (QStringList{"Select a folder", "Select a folder"}));

    p.run("naParentFolder");
    EXPECT_EQ(shown.toStdString(), ActivePath(p.list).toStdString());
    p.run("waSavePlayList");
    EXPECT_TRUE(p.man.errorString().isEmpty()) << qPrintable(p.man.errorString());
    const TPlayListRead read = ReadPlayList(saved);
    EXPECT_EQ(read.entries.join('|').toStdString(), QStringList({a, b, c}).join('|').toStdString());

    p.list.SelectAll(true);
    p.list.setSelected(p.list.FindByPath(c), false);
    p.run("naClearSelected");
    EXPECT_EQ(p.list.GetPaths(), QStringList{c});
    p.run("naVider");
    EXPECT_EQ(p.list.count(), 0);
    // Actions whose dialog is missing do nothing.
    p.run("saOpenFiles");
    p.run("waOpenPlayList");
    ASSERT_TRUE(WaitForEnd(p.list));
    EXPECT_EQ(p.list.count(), 0);
}

} // namespace
