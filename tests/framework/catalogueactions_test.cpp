#include "actionstore.h"

#include "framework/actioncatalogue.h"
#include "framework/catalogueactions.h"
#include "framework/qvactionlist.h"
#include "framework/qvswitch.h"
#include "framework/settingscatalogue.h"

#include <QFile>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using actioncatalogue::TOwner;

// Calls done after the action's apply chain, whatever its class.
void OnApplied(TCustomAbstractAction *action, std::function<void()> done)
{
    if (auto *a = dynamic_cast<TNopeAction *>(action))
        a->setOnAfterApply(done);
    else if (auto *a = dynamic_cast<TCheckAction *>(action)) {
        a->setOnAfterTrueApply(done);
        a->setOnAfterFalseApply(done);
    } else if (auto *a = dynamic_cast<TWidestringAction *>(action))
        a->setOnAfterApply([done](const QString &) { done(); });
    else if (auto *a = dynamic_cast<TWStringsAction *>(action))
        a->setOnAfterApply([done](const QStringList &) { done(); });
    else if (auto *a = dynamic_cast<TFontAction *>(action))
        a->setOnAfterApply([done](const TFontValue &) { done(); });
    else if (auto *a = dynamic_cast<TIntegerAction *>(action))
        a->setOnAfterApply([done](qint32) { done(); });
    else if (auto *a = dynamic_cast<TDoubleAction *>(action))
        a->setOnAfterApply([done](double) { done(); });
    else if (auto *a = dynamic_cast<TBooleanAction *>(action))
        a->setOnAfterApply([done](bool) { done(); });
    else if (auto *a = dynamic_cast<TRectAction *>(action))
        a->setOnAfterApply([done](const TRectValue &) { done(); });
}

// The kind prefix each setting type takes.
QString PrefixOf(settings::TType type)
{
    switch (type) {
    case settings::TType::Check: return QStringLiteral("ca");
    case settings::TType::Boolean: return QStringLiteral("ba");
    case settings::TType::Integer: return QStringLiteral("ia");
    case settings::TType::Double: return QStringLiteral("da");
    case settings::TType::WideString: return QStringLiteral("wa");
    case settings::TType::WStrings: return QStringLiteral("sa");
    case settings::TType::Font: return QStringLiteral("fa");
    case settings::TType::Rect: return QStringLiteral("ra");
    }
    return {};
}

// The window's three lists, made from the catalogues.
struct TWindowLists
{
    explicit TWindowLists(const TMachineDefaults &machine = {})
    {
        CreateCatalogueActions(al, TOwner::Main, machine);
        CreateCatalogueActions(am, TOwner::AppliMan, machine);
        CreateCatalogueActions(ficman, TOwner::FileList, machine);
    }
    QList<TCustomAbstractAction *> all() const { return al.customActions() + am.customActions() + ficman.customActions(); }
    TCustomAbstractAction *find(const QString &name) const
    {
        for (const TCustomQvActionList *list : {&al, &am, &ficman})
            if (TCustomAbstractAction *action = list->findByName(name))
                return action;
        return nullptr;
    }
    // Loads as the window does: its own list, the manager's, the file list's.
    bool load(TBrontelPreferences &gp) { return al.LoadAllFromPrefs(gp) & am.LoadAllFromPrefs(gp) & ficman.LoadAllFromPrefs(gp); }

    TQvActionList al;
    TQvActionList am;
    TQvActionList ficman;
};

TMachineDefaults TestMachine()
{
    return {[] { return QSize(1000, 800); }, [] { return QStringLiteral("/opt/snapvue/snapvue"); }};
}

// ---------------------------------------------------------------- the catalogues agree

TEST(ActionCatalogue, EverySettingIsOneActionUnderItsKeyWithItsType)
{
    TWindowLists lists(TestMachine());
    for (const settings::TSetting &setting : settings::Catalogue()) {
        if (setting.action.isEmpty())
            continue;
        const QString name = setting.action.toString();
        SCOPED_TRACE(qPrintable(name));
        TCustomAbstractAction *action = lists.find(name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->scriptName(), setting.key.toString());
        EXPECT_EQ(action->includePrefs(), setting.stored);
        EXPECT_EQ(action->applyWhenLoad(), setting.appliedAtLoad);
        // The batch commands that keep a last parameter take any kind; the others say theirs.
        if (!name.startsWith(QLatin1String("cc"))) {
            EXPECT_EQ(name.left(2), PrefixOf(setting.type));
        }
        if (const actioncatalogue::TActionEntry *entry = actioncatalogue::Find(setting.action)) {
            EXPECT_EQ(actioncatalogue::ScriptName(*entry), setting.key) << "the catalogue names another key";
        }
    }
}

TEST(ActionCatalogue, NamesSwitchesAndKeysAreUniqueAndEveryPlaceNamesAnAction)
{
    TWindowLists lists;
    QSet<QString> names;
    QSet<QString> scriptNames;
    QSet<QString> switches;
    for (TCustomAbstractAction *action : lists.all()) {
        SCOPED_TRACE(qPrintable(action->name()));
        EXPECT_FALSE(names.contains(action->name()));
        names.insert(action->name());
        const QString script = action->scriptName().toLower();
        EXPECT_FALSE(script.isEmpty());
        EXPECT_FALSE(scriptNames.contains(script)) << "two actions answer to the script name " << qPrintable(script);
        scriptNames.insert(script);
        const QString switchName = action->switchName().toLower();
        if (!switchName.isEmpty()) {
            EXPECT_FALSE(switches.contains(switchName)) << "two actions answer to the switch " << qPrintable(switchName);
            EXPECT_FALSE(switchName.contains(QLatin1Char('/')) || switchName.contains(QLatin1Char('=')));
            switches.insert(switchName);
        }
    }
    for (const actioncatalogue::TActionEntry &entry : actioncatalogue::Actions()) {
        SCOPED_TRACE(qPrintable(entry.name.toString()));
        EXPECT_TRUE(names.contains(entry.name.toString()));
        for (const QStringView key : entry.shortcuts) {
            if (!key.isEmpty()) {
                EXPECT_FALSE(QKeySequence::fromString(key.toString(), QKeySequence::PortableText).isEmpty()) << qPrintable(key.toString());
            }
        }
        if (entry.name.startsWith(u"cc")) {
            EXPECT_EQ(entry.command, entry.name.mid(2));
        }
    }
    const auto placed = [&](QStringView action) {
        EXPECT_TRUE(names.contains(action.toString())) << qPrintable(action.toString()) << " is placed but is no action";
    };
    for (const auto menus : {actioncatalogue::MainMenu(), actioncatalogue::ContextMenus()})
        for (const actioncatalogue::TMenu &menu : menus)
            for (const actioncatalogue::TMenuItem &item : menu.items) {
                if (item.kind == actioncatalogue::TItemKind::Action)
                    placed(item.action);
                for (const QStringView sub : item.items)
                    placed(sub);
            }
    for (const actioncatalogue::TToolbarGroup &group : actioncatalogue::Toolbar())
        for (const QStringView action : group.actions)
            placed(action);
}

TEST(ActionCatalogue, ActionsShowTheirCatalogueTexts)
{
    TWindowLists lists;
    auto *left = lists.al.find<TCheckAction>(QStringLiteral("caListeGauche"));
    ASSERT_TRUE(left);
    left->SetValue(false);
    EXPECT_EQ(left->caption(), QStringLiteral("Put the List at left"));
    left->SetValue(true);
    EXPECT_EQ(left->caption(), QStringLiteral("Put the List at Right"));
    EXPECT_EQ(left->SwitchSyntax(), QStringLiteral("/ww +ww -ww"));
    EXPECT_EQ(left->ScriptDeclaration(), QStringLiteral("procedure setmirror(const fisTrue:Boolean);\r\nprocedure mirror;"));

    auto *fullscreen = lists.al.find<TCheckAction>(QStringLiteral("caFullscreen"));
    EXPECT_EQ(fullscreen->shortcuts(), QList<QKeySequence>({QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_F11)}));
    EXPECT_EQ(lists.al.find<TNopeAction>(QStringLiteral("ccConvertirDV1"))->shortCut(),
              QKeySequence::fromString(QStringLiteral("Ctrl+Num+1"), QKeySequence::PortableText));
    EXPECT_FALSE(lists.al.findByName(QStringLiteral("naCopierImageDansPP"))->isEnabled());
    auto *timeDifference = lists.al.find<TDoubleAction>(QStringLiteral("ccDecalageHoraire"));
    ASSERT_TRUE(timeDifference);
    EXPECT_EQ(timeDifference->hint(), QStringLiteral("Click to add a time difference to the selected video."));
    EXPECT_EQ(timeDifference->SwitchSyntax(), QStringLiteral("/td=aDouble"));
    auto *volume = lists.al.find<TIntegerAction>(QStringLiteral("iaVolume"));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->caption(), QStringLiteral("Volume"));
    EXPECT_FALSE(volume->comments().isEmpty());
    EXPECT_TRUE(lists.am.find<TRectAction>(QStringLiteral("raFormSave")));
    EXPECT_TRUE(lists.ficman.find<TWStringsAction>(QStringLiteral("saOpenFiles")));
}

TEST(ActionCatalogue, TheCtrlShortcutModeSwitchesThePlainKeys)
{
    TWindowLists lists;
    auto *mode = lists.al.find<TCheckAction>(QStringLiteral("caCTRLShortcuts"));
    ASSERT_TRUE(mode);
    EXPECT_FALSE(mode->includePrefs());
    TCustomAbstractAction *play = lists.al.findByName(QStringLiteral("caPlayPause"));
    TCustomAbstractAction *remove = lists.al.findByName(QStringLiteral("naOterSelection"));
    EXPECT_EQ(play->shortCut(), QKeySequence(Qt::Key_Space));
    mode->SetValue(true);
    EXPECT_EQ(play->shortCut(), QKeySequence(Qt::CTRL | Qt::Key_Space));
    EXPECT_EQ(remove->shortCut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mode->SetValue(false);
    EXPECT_EQ(play->shortCut(), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(remove->shortCut(), QKeySequence(Qt::Key_Delete));
}

// ---------------------------------------------------------------- loading at start

TEST(WindowSettings, AFirstStartAppliesEveryDefaultMarkedAppliedAtLoad)
{
    TTempStore store;
    auto gp = store.open();
    ASSERT_EQ(gp->mode(), TSavePreferences::spNone);
    TWindowLists lists(TestMachine());
    QStringList applied;
    for (TCustomAbstractAction *action : lists.all())
        OnApplied(action, [&applied, action] { applied << action->name(); });

    EXPECT_TRUE(lists.load(*gp));
    QStringList expected;
    for (TOwner owner : {TOwner::Main, TOwner::AppliMan, TOwner::FileList})
        for (const settings::TSetting &setting : settings::Catalogue())
            if (!setting.action.isEmpty() && setting.stored && setting.appliedAtLoad && SettingOwner(setting) == owner)
                expected << setting.action.toString();
    EXPECT_EQ(applied, expected);

    const auto integer = [&](const char *name) { return lists.al.find<TIntegerAction>(QString::fromLatin1(name))->value(); };
    EXPECT_TRUE(lists.al.find<TCheckAction>(QStringLiteral("caListeGauche"))->isChecked());
    EXPECT_EQ(integer("iaVolume"), 5000);
    EXPECT_EQ(integer("iaIncrustX"), 920);
    EXPECT_EQ(integer("iaIncrustY"), 920);
    EXPECT_EQ(integer("iaBorderSize"), 2);
    EXPECT_EQ(integer("iaIntervalle"), 20);
    EXPECT_EQ(integer("iaFrequenceDV"), 2);
    EXPECT_EQ(integer("iaStandardDV"), 0);
    EXPECT_EQ(integer("iaVue"), 0);
    EXPECT_EQ(integer("iaRatioDV"), 0); // loaded, not applied
    EXPECT_FALSE(applied.contains(QStringLiteral("iaRatioDV")));
    // Defaults the machine gives.
    EXPECT_EQ(lists.am.find<TRectAction>(QStringLiteral("raFormSave"))->value(), (TRectValue{19, 24, 981, 775}));
    EXPECT_EQ(lists.al.find<TWidestringAction>(QStringLiteral("waFichierSnapvue"))->value(), QStringLiteral("/opt/snapvue/snapvue"));
    const TFontValue font = lists.al.find<TFontAction>(QStringLiteral("faIncrustFont"))->value();
    EXPECT_EQ(font.name, QStringLiteral("Arial"));
    EXPECT_EQ(font.size, 16);
    EXPECT_EQ(font.color, 0xFFFFFF);
}

TEST(WindowSettings, AStoredValueOfASettingNotAppliedAtLoadIsOnlyHeld)
{
    TTempStore store;
    {
        auto gp = store.openPortable();
        TWindowLists lists;
        lists.al.find<TIntegerAction>(QStringLiteral("iaRatioDV"))->Assign(1);
        lists.al.find<TCheckAction>(QStringLiteral("caVideoSeule"))->setCheckState(true);
        lists.al.find<TIntegerAction>(QStringLiteral("iaVolume"))->Assign(2500);
        EXPECT_TRUE(lists.al.SaveAllToPrefs(*gp));
        // Each value is stored under its key.
        EXPECT_EQ(gp->ReadInteger(QStringLiteral("RatioDV"), -1), 1);
        EXPECT_TRUE(gp->ReadBool(QStringLiteral("videoonly"), false));
        EXPECT_EQ(gp->FindInteger(QStringLiteral("iaVolume")), std::nullopt);
    }
    auto gp = store.open();
    TWindowLists lists;
    QStringList applied;
    for (TCustomAbstractAction *action : lists.al.customActions())
        OnApplied(action, [&applied, action] { applied << action->name(); });
    EXPECT_TRUE(lists.al.LoadAllFromPrefs(*gp));
    auto *ratio = lists.al.find<TIntegerAction>(QStringLiteral("iaRatioDV"));
    auto *videoOnly = lists.al.find<TCheckAction>(QStringLiteral("caVideoSeule"));
    EXPECT_EQ(ratio->value(), 1);
    EXPECT_TRUE(videoOnly->isChecked());
    EXPECT_EQ(videoOnly->caption(), QStringLiteral("Complete Display")); // the state shows at once
    EXPECT_FALSE(applied.contains(QStringLiteral("iaRatioDV")));
    EXPECT_FALSE(applied.contains(QStringLiteral("caVideoSeule")));
    EXPECT_TRUE(applied.contains(QStringLiteral("iaVolume")));
    EXPECT_EQ(lists.al.find<TIntegerAction>(QStringLiteral("iaVolume"))->value(), 2500);
    // Set again by the user, it applies.
    ratio->SetValue(1);
    EXPECT_TRUE(applied.contains(QStringLiteral("iaRatioDV")));
}

TEST(WindowSettings, MachineDefaults)
{
    EXPECT_EQ(CentredWindow(QSize(1920, 1080)), (TRectValue{479, 164, 1441, 915}));
    EXPECT_EQ(CentredWindow(QSize(900, 700)), (TRectValue{-31, -25, 931, 726})); // a window larger than the screen

    QTemporaryDir dir;
    const QString sibling = dir.filePath(QStringLiteral("Snapvue.conf"));
    EXPECT_EQ(SiblingProgramPath(sibling), QString()); // no store: nothing, and none made
    EXPECT_FALSE(QFile::exists(sibling));
    {
        QSettings store(sibling, QSettings::IniFormat);
        store.setValue(QStringLiteral("ExeName"), QStringLiteral("/usr/bin/snapvue"));
    }
    EXPECT_EQ(SiblingProgramPath(sibling), QStringLiteral("/usr/bin/snapvue"));

    // The folders are the user's, as the machine has them when the value is loaded.
    QStandardPaths::setTestModeEnabled(true);
    TTempStore prefs;
    auto gp = prefs.open();
    TWindowLists lists(TestMachine());
    lists.al.LoadAllFromPrefs(*gp);
    EXPECT_EQ(lists.al.find<TWidestringAction>(QStringLiteral("waDossierSave"))->value(), settings::DefaultString(u"DossierSave"));
    EXPECT_FALSE(lists.al.find<TWidestringAction>(QStringLiteral("waDossierFavori"))->value().isEmpty());
    QStandardPaths::setTestModeEnabled(false);
}

TEST(WindowSettings, SwitchesOfTheWindowsActionsSetThem)
{
    TWindowLists lists;
    TQvSwitch processor;
    processor.setPumpMessages([] {});
    processor.setCloseMainWindow([] {});
    lists.al.setSwitchProcessor(&processor);
    processor.setArguments({"-ww", "+so", "/td=0.5", "/fs", "/nothing"});
    processor.RunCommandLine();
    EXPECT_FALSE(lists.al.find<TCheckAction>(QStringLiteral("caListeGauche"))->isChecked());
    EXPECT_TRUE(lists.al.find<TCheckAction>(QStringLiteral("caSelectionnerOuverts"))->isChecked());
    EXPECT_TRUE(lists.al.find<TCheckAction>(QStringLiteral("caFullscreen"))->isChecked());
    EXPECT_DOUBLE_EQ(lists.al.find<TDoubleAction>(QStringLiteral("ccDecalageHoraire"))->value(), 0.5);
}

} // namespace
