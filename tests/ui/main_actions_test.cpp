// The main window's actions: which show with an empty list and with files,
// the Ctrl-shortcut mode, the volume rule, the check actions' captions and
// the display actions' refusals.

#include "main_fixture.h"

#include "ui/afficherfichier.h"
#include "ui/uvueframe.h"

#include <QListView>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

const char *const kFileMenus[] = {"Display", "Video", "Rename", "Convert", "Inlay", "Scenes"};

TEST_F(TMainWindowTest, EmptyListShowsOnlyFilesAndHelpMenus)
{
    form->RefreshActions();
    for (QAction *a : form->al().actions())
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    for (const char *menu : kFileMenus)
        EXPECT_FALSE(form->mainMenu(QString::fromLatin1(menu))->menuAction()->isVisible()) << menu;
    EXPECT_TRUE(form->mainMenu(QStringLiteral("Files"))->menuAction()->isVisible());
    EXPECT_TRUE(form->mainMenu(QStringLiteral("?"))->menuAction()->isVisible());
    // The file-list manager's actions stay: a list can be opened.
    EXPECT_TRUE(act("saOpenFiles")->isVisible());
    EXPECT_EQ(form->vue(), 1);
    EXPECT_TRUE(form->toolbarGroup(QStringLiteral("files"))->isVisibleTo(form.get()));
    EXPECT_FALSE(form->toolbarGroup(QStringLiteral("file"))->isVisibleTo(form.get()));
}

TEST_F(TMainWindowTest, FilesShowTheMenusAndEnableByTheCommandsTests)
{
    listSamples({QStringLiteral("a.avi")});
    for (const char *menu : kFileMenus)
        EXPECT_TRUE(form->mainMenu(QString::fromLatin1(menu))->menuAction()->isVisible()) << menu;
    EXPECT_EQ(form->vue(), 0);
    EXPECT_TRUE(form->welcomePanel()->isHidden());
    EXPECT_TRUE(act("ccCreerSrt")->isVisible());
    EXPECT_TRUE(act("ccCreerSrt")->isEnabled());
    // No subtitle file yet: nothing to delete.
    EXPECT_FALSE(act("ccSupprimerSrt")->isEnabled());
    EXPECT_TRUE(act("naCopierImageDansPP")->isEnabled());
    EXPECT_TRUE(form->toolbarGroup(QStringLiteral("file"))->isVisibleTo(form.get()));

    form->fileList().ViderListe();
    EXPECT_EQ(form->vue(), 1);
    for (const char *menu : kFileMenus)
        EXPECT_FALSE(form->mainMenu(QString::fromLatin1(menu))->menuAction()->isVisible()) << menu;
}

TEST_F(TMainWindowTest, CountsLabelFollowsTheList)
{
    EXPECT_EQ(form->countsText(), QStringLiteral("0 file on 0 - Sort alphabetically"));
    listSamples({QStringLiteral("a.avi"), QStringLiteral("b.avi")});
    EXPECT_EQ(form->countsText(), QStringLiteral("1 file on 2 - Sort alphabetically"));
    act<TNopeAction>("naSelectionnerTout")->Execute();
    EXPECT_EQ(form->countsText(), QStringLiteral("2 files on 2 - Sort alphabetically"));
    act<TNopeAction>("naTriDatecode")->Execute();
    EXPECT_EQ(form->countsText(), QStringLiteral("2 files on 2 - sorted by datecode"));
    EXPECT_EQ(act<TWidestringAction>("waSortIndexId")->value(), sortindex::StoredId(sortindex::Datecode()));
}

TEST(MainWindowTexts, CountsText)
{
    struct Case
    {
        int selected, total;
        TSortIndex index;
        const char *text;
    };
    const Case cases[] = {
        {3, 12, sortindex::Datecode(), "3 files on 12 - sorted by datecode"},
        {1, 1, sortindex::Alpha(), "1 file on 1 - Sort alphabetically"},
        {0, 0, sortindex::Taille(), "0 file on 0 - sorted by size of file"},
        {2, 1000, sortindex::Duration(), "2 files on 1000 - sorted by duration"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(uiform::CountsText(c.selected, c.total, c.index), QString::fromLatin1(c.text));
}

TEST(MainWindowTexts, ViewForTheList)
{
    EXPECT_EQ(uiform::ViewFor(0, true, true), 1);
    EXPECT_EQ(uiform::ViewFor(3, true, true), 2);
    EXPECT_EQ(uiform::ViewFor(3, false, true), 3);
    EXPECT_EQ(uiform::ViewFor(3, false, false), 0);
}

TEST(MainWindowTexts, TotalDuration)
{
    const qint64 second = 10'000'000;
    EXPECT_EQ(uiform::TotalDurationText(3723 * second + 40'000, 5 * second),
              QStringLiteral("Duration of selected videos  = 1h 02mn 03s 004ms\n\n"
                             "Total duration of all videos listed = 5s 000ms"));
}

TEST_F(TMainWindowTest, CtrlShortcutModeSwitchesThePlainKeys)
{
    struct Case
    {
        const char *action, *plain, *ctrl;
    };
    const Case cases[] = {
        {"caPlayPause", "Space", "Ctrl+Space"},
        {"naIncVolume", "Num++", "Ctrl+Num++"},
        {"naDecVolume", "Num+-", "Ctrl+Num+-"},
        {"naOterSelection", "Del", "Ctrl+Del"},
    };
    const auto keyText = [this](const char *name) {
        QStringList keys;
        for (const QKeySequence &k : act(name)->shortcuts())
            keys << k.toString(QKeySequence::PortableText);
        return keys;
    };
    auto *mode = act<TCheckAction>("caCTRLShortcuts");
    EXPECT_FALSE(mode->value());
    for (const Case &c : cases)
        EXPECT_EQ(keyText(c.action).value(0), QString::fromLatin1(c.plain)) << c.action;
    mode->SetValue(true);
    for (const Case &c : cases)
        EXPECT_EQ(keyText(c.action).value(0), QString::fromLatin1(c.ctrl)) << c.action;
    mode->SetValue(false);
    for (const Case &c : cases)
        EXPECT_EQ(keyText(c.action).value(0), QString::fromLatin1(c.plain)) << c.action;
}

TEST_F(TMainWindowTest, NoKeyReachesTwoActions)
{
    QHash<QString, QString> holder;
    for (TCustomQvActionList *list : {static_cast<TCustomQvActionList *>(&form->al()),
                                      static_cast<TCustomQvActionList *>(&form->ficman()),
                                      static_cast<TCustomQvActionList *>(&form->am())})
        for (QAction *a : list->actions())
            for (const QKeySequence &key : a->shortcuts()) {
                const QString text = key.toString(QKeySequence::PortableText);
                EXPECT_FALSE(holder.contains(text))
                    << text.toStdString() << ": " << holder.value(text).toStdString() << " and " << a->objectName().toStdString();
                holder.insert(text, a->objectName());
            }
    // The main list keeps a shared key; the file-list manager's action keeps its menu.
    EXPECT_EQ(holder.value(QStringLiteral("Ctrl+X")), QStringLiteral("ccExporterScenesTexte"));
    EXPECT_EQ(holder.value(QStringLiteral("Esc")), QStringLiteral("naInterrompreTous"));
}

TEST_F(TMainWindowTest, VolumeKeepsTheValueSetAndPlaysItWithinRange)
{
    auto *volume = act<TIntegerAction>("iaVolume");
    volume->SetValue(10000);
    act<TNopeAction>("naIncVolume")->Execute();
    EXPECT_EQ(volume->value(), 11000);
    EXPECT_EQ(form->playedVolume(), 10000);
    EXPECT_EQ(playback.volume(), 10000);
    EXPECT_EQ(form->baseFrame().volumeGauge(), 100);
    act<TNopeAction>("naDecVolume")->Execute();
    EXPECT_EQ(volume->value(), 10000);
    EXPECT_EQ(form->playedVolume(), 10000);
    volume->SetValue(-3000);
    EXPECT_EQ(form->playedVolume(), 0);

    volume->SetValue(5000);
    act<TCheckAction>("caMute")->SetValue(true);
    EXPECT_EQ(playback.volume(), 0);
    volume->SetValue(7000);
    EXPECT_EQ(playback.volume(), 0);
    EXPECT_EQ(form->baseFrame().volumeGauge(), 70);
    act<TCheckAction>("caMute")->SetValue(false);
    EXPECT_EQ(playback.volume(), 7000);
}

TEST_F(TMainWindowTest, CheckActionsShowTheCaptionOfTheirState)
{
    listSamples({QStringLiteral("a.avi")});
    auto *mirror = act<TCheckAction>("caListeGauche");
    QToolBar *bar = form->toolbarGroup(QStringLiteral("file"));
    auto *full = act<TCheckAction>("caFullscreen");
    auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(full));
    ASSERT_NE(button, nullptr);
    mirror->SetValue(false);
    EXPECT_EQ(mirror->text(), QStringLiteral("Put the List at left"));
    mirror->SetValue(true);
    EXPECT_EQ(mirror->text(), QStringLiteral("Put the List at Right"));
    EXPECT_EQ(button->defaultAction()->text(), QStringLiteral("Fullscreen"));
    auto *mute = act<TCheckAction>("caMute");
    mute->SetValue(true);
    EXPECT_EQ(qobject_cast<QToolButton *>(bar->widgetForAction(mute))->text(), QStringLiteral("Turn sound on"));
    mute->SetValue(false);
    EXPECT_EQ(qobject_cast<QToolButton *>(bar->widgetForAction(mute))->text(), QStringLiteral("Turn sound off"));
}

TEST_F(TMainWindowTest, ViewChangesAndTheirRefusals)
{
    auto *mirror = act<TCheckAction>("caListeGauche");
    auto *videoOnly = act<TCheckAction>("caVideoSeule");
    auto *reduced = act<TCheckAction>("caVueReduite");
    // With an empty list: the list side and the views do not change.
    const bool side = mirror->value();
    mirror->Execute();
    EXPECT_EQ(mirror->value(), side);
    videoOnly->Execute();
    EXPECT_FALSE(videoOnly->value());
    EXPECT_EQ(form->vue(), 1);

    listSamples({QStringLiteral("a.avi")});
    form->resize(962, 751);
    EXPECT_EQ(form->vue(), 0);
    mirror->SetValue(true);
    form->Relayout();
    EXPECT_EQ(form->vueFrame().x(), uiform::kSideWidth);
    EXPECT_EQ(form->baseFrame().x(), 0);
    mirror->Execute();
    EXPECT_FALSE(mirror->value());
    EXPECT_EQ(form->vueFrame().x(), 0);
    EXPECT_EQ(form->baseFrame().x() + uiform::kSideWidth, form->centralWidget()->width());

    videoOnly->Execute();
    EXPECT_EQ(form->vue(), 2);
    EXPECT_EQ(form->vueFrame().geometry(), form->centralWidget()->rect());
    EXPECT_TRUE(form->listView()->isHidden() || !form->listView()->isVisibleTo(form.get()));
    // Outside view 0 the list side does not change.
    mirror->Execute();
    EXPECT_FALSE(mirror->value());
    videoOnly->Execute();
    EXPECT_EQ(form->vue(), 0);

    reduced->Execute();
    EXPECT_EQ(form->vue(), 3);
    EXPECT_EQ(form->minimumSize(), uiform::MinimumSize(3));
    EXPECT_EQ(form->baseFrame().pos(), QPoint(0, 0));
    EXPECT_EQ(form->vueFrame().y(), form->baseFrame().height());
    reduced->Execute();
    EXPECT_EQ(form->vue(), 0);
    EXPECT_EQ(form->minimumSize(), uiform::MinimumSize(0));
}

TEST_F(TMainWindowTest, AbortLeavesFullScreenOnly)
{
    listSamples({QStringLiteral("a.avi")});
    auto *full = act<TCheckAction>("caFullscreen");
    full->Execute();
    ASSERT_TRUE(full->value());
    act<TNopeAction>("naInterrompre")->Execute();
    EXPECT_FALSE(full->value());
    EXPECT_FALSE(form->ce().AbortedAll());
}

} // namespace
