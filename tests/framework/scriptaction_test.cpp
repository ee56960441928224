#include "actionstore.h"

#include "framework/qvactionlist.h"
#include "framework/qvswitch.h"
#include "framework/scriptaction.h"

#include <QHash>
#include <QLocale>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// The value of an action as text, whatever its class.
QString ValueOf(TCustomAbstractAction *action)
{
    if (auto *a = dynamic_cast<TWidestringAction *>(action))
        return a->value();
    if (auto *a = dynamic_cast<TWStringsAction *>(action))
        return a->value().join(QLatin1Char('|'));
    if (auto *a = dynamic_cast<TIntegerAction *>(action))
        return QString::number(a->value());
    if (auto *a = dynamic_cast<TDoubleAction *>(action))
        return QString::number(a->value());
    if (auto *a = dynamic_cast<TBooleanAction *>(action))
        return a->value() ? QStringLiteral("true") : QStringLiteral("false");
    if (auto *a = dynamic_cast<TCheckAction *>(action))
        return a->value() ? QStringLiteral("true") : QStringLiteral("false");
    if (auto *a = dynamic_cast<TRectAction *>(action)) {
        const TRectValue r = a->value();
        return QStringLiteral("%1 %2 %3 %4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
    }
    if (auto *a = dynamic_cast<TFontAction *>(action))
        return QStringLiteral("%1 %2").arg(a->value().name).arg(a->value().size);
    return QStringLiteral("(none)");
}

// A script engine that keeps what was registered and calls it by declaration.
class TFakeEngine : public TScriptEngine
{
public:
    bool RegisterProcedure(const QString &declaration, TScriptCall call) override
    {
        if (refused.contains(declaration))
            return false;
        declarations << declaration;
        calls.insert(declaration, std::move(call));
        return true;
    }
    void Compile()
    {
        declarations.clear();
        calls.clear();
        RunCompileHandler();
    }
    void Call(const QString &declaration, const QVariantList &args)
    {
        ASSERT_TRUE(calls.contains(declaration)) << qPrintable(declaration);
        calls[declaration](args);
    }

    QStringList declarations;
    QHash<QString, TScriptCall> calls;
    QStringList refused;
};

// Every class once, as the main window has them.
struct TEveryClass
{
    TQvActionList list;
    TNopeAction *nope = new TNopeAction(QStringLiteral("naSelectionnerTout"), &list);
    TWidestringAction *text = new TWidestringAction(QStringLiteral("waFormatRenommer"), &list);
    TWStringsAction *strings = new TWStringsAction(QStringLiteral("saFileNames"), &list);
    TFontAction *font = new TFontAction(QStringLiteral("faIncrustFont"), &list);
    TIntegerAction *integer = new TIntegerAction(QStringLiteral("iaVolume"), &list);
    TDoubleAction *real = new TDoubleAction(QStringLiteral("daDecalageDisplay"), &list);
    TBooleanAction *boolean = new TBooleanAction(QStringLiteral("baDatecodeAvant"), &list);
    TRectAction *rect = new TRectAction(QStringLiteral("raFormSave"), &list);
    TCheckAction *check = new TCheckAction(QStringLiteral("caListeGauche"), &list);

    TEveryClass()
    {
        nope->setScriptName(QStringLiteral("SelectAll"));
        check->setScriptName(QStringLiteral("mirror"));
    }
};

// ---------------------------------------------------------------- the value paths

TEST(Actions, ScriptNameAndCaptionAreTheNameWithoutItsPrefix)
{
    TIntegerAction volume(QStringLiteral("iaVolume"));
    EXPECT_EQ(volume.scriptName(), QStringLiteral("Volume"));
    EXPECT_EQ(volume.caption(), QStringLiteral("Volume"));
    EXPECT_EQ(volume.imageIndex(), -1);
    EXPECT_TRUE(volume.includePrefs());
    TNopeAction plain(QStringLiteral("Parent"));
    EXPECT_EQ(plain.scriptName(), QStringLiteral("Parent"));
}

TEST(Actions, EveryClassRecordsItsLineAndAppliesInHandlerOrder)
{
    TRecording recording;
    TEveryClass a;
    QStringList order;
    a.integer->setOnBeforeApply([&](qint32 v) { order << QStringLiteral("before %1").arg(v); });
    a.integer->setInternalApply([&](qint32 v) { order << QStringLiteral("internal %1").arg(v); });
    a.integer->setOnAfterApply([&](qint32 v) { order << QStringLiteral("after %1").arg(v); });

    a.nope->Apply();
    a.text->SetValue(QStringLiteral("it's %D"));
    a.strings->SetValue({QStringLiteral("/v/a.avi"), QStringLiteral("/v/b c.avi")});
    a.strings->SetValue({});
    a.font->SetValue(TFontValue{QStringLiteral("Arial"), 16, 0xFF, 1, 0, 96, true, false, false, true});
    a.integer->SetValue(-12);
    a.real->SetValue(0.5);
    a.boolean->SetValue(true);
    a.rect->SetValue(TRectValue{1, 2, 3, 4});
    a.check->SetValue(true);
    // The script window's own toggle is never recorded.
    TCheckAction script(QStringLiteral("caScript"));
    script.SetValue(true);

    EXPECT_EQ(recording.lines, QStringList({
                                   "    SelectAll;",
                                   "    FormatRenommer('it''s %D');",
                                   "    FileNames(['/v/a.avi', '/v/b c.avi']);",
                                   "    FileNames([]);",
                                   "    IncrustFont('Arial', 16, $0000FF, True, False, False, True);",
                                   "    Volume(-12);",
                                   "    DecalageDisplay(0.5);",
                                   "    DatecodeAvant(True);",
                                   "    FormSave(1,2,3,4);",
                                   "    setmirror(True);",
                               }));
    EXPECT_EQ(order, QStringList({"before -12", "internal -12", "after -12"}));
}

TEST(Actions, NumbersAreRecordedAsScriptLiteralsInAnyLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    TRecording recording;
    TDoubleAction shift(QStringLiteral("daDecalageDisplay"));
    shift.SetValue(-0.041666666666666664);
    shift.SetValueFromText(QStringLiteral("0,25")); // the user's format
    shift.SetValueFromText(QStringLiteral("0.5"));  // and the C locale's
    QLocale::setDefault(before);
    EXPECT_EQ(recording.lines, QStringList({"    DecalageDisplay(-0.0416666666666667);", "    DecalageDisplay(0.25);",
                                            "    DecalageDisplay(0.5);"}));
}

TEST(Actions, ABooleanSetToItsValueDoesNothingACheckActionAlwaysApplies)
{
    TRecording recording;
    TBooleanAction boolean(QStringLiteral("baDatecodeAvant"));
    TCheckAction check(QStringLiteral("caMute"));
    int booleanApplied = 0;
    int checkApplied = 0;
    boolean.setOnAfterApply([&](bool) { ++booleanApplied; });
    check.setOnAfterFalseApply([&] { ++checkApplied; });

    boolean.SetValue(false); // its value already
    check.SetValue(false);   // its state already
    EXPECT_EQ(booleanApplied, 0);
    EXPECT_EQ(checkApplied, 1);
    EXPECT_EQ(recording.lines, QStringList({"    setMute(False);"}));
    boolean.SetValue(true);
    boolean.SetValueFromText(QStringLiteral("vrai"));
    EXPECT_EQ(booleanApplied, 1);
}

TEST(Actions, ANestedApplyRecordsOneLine)
{
    TRecording recording;
    TIntegerAction view(QStringLiteral("iaVue"));
    TNopeAction layout(QStringLiteral("naLayout"));
    TBooleanAction flag(QStringLiteral("baFlag"));
    TCheckAction fullscreen(QStringLiteral("caFullscreen"));
    // The view's handler runs a command and sets two more actions.
    view.setOnAfterApply([&](qint32) {
        layout.Apply();
        flag.SetValue(true);
        fullscreen.SetValue(false);
    });
    view.SetValue(2);
    EXPECT_EQ(recording.lines, QStringList({"    Vue(2);"}));
    EXPECT_TRUE(flag.value());
    EXPECT_FALSE(TMacroRecorder::Instance().Busy());

    // A handler that throws leaves the recorder as it found it.
    view.setOnAfterApply([](qint32) { throw std::runtime_error("no screen"); });
    EXPECT_THROW(view.SetValue(3), std::runtime_error);
    EXPECT_FALSE(TMacroRecorder::Instance().Busy());
    flag.SetValue(false);
    EXPECT_EQ(recording.lines.last(), QStringLiteral("    Flag(False);"));
}

TEST(Actions, APrepareThatSaysNoChangesNothing)
{
    TRecording recording;
    TEveryClass a;
    a.integer->SetValue(7);
    a.check->SetValue(true);
    recording.lines.clear();
    int applied = 0;
    a.nope->setOnAfterApply([&] { ++applied; });
    a.integer->setOnAfterApply([&](qint32) { ++applied; });
    a.check->setOnAfterFalseApply([&] { ++applied; });

    // Without a prepare handler a value action ignores its menu item.
    a.integer->trigger();
    EXPECT_EQ(a.integer->value(), 7);

    // The published handler agrees and fills the value; the internal one refuses.
    a.nope->setInternalPrepare([] { return false; });
    a.integer->setOnPrepare([](qint32 &v) {
        v = 99;
        return true;
    });
    a.integer->setInternalPrepare([](qint32 &) { return false; });
    a.check->setOnPrepare([] { return false; });
    for (TCustomAbstractAction *action : {static_cast<TCustomAbstractAction *>(a.nope), static_cast<TCustomAbstractAction *>(a.integer),
                                          static_cast<TCustomAbstractAction *>(a.check)})
        action->trigger();
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(a.integer->value(), 7);
    EXPECT_TRUE(a.check->isChecked()); // the menu's own toggle is undone too
    EXPECT_TRUE(recording.lines.isEmpty());

    // Both agree: the prepared value is set.
    a.integer->setInternalPrepare([](qint32 &v) { return v == 99; });
    a.check->setOnPrepare(nullptr);
    a.integer->trigger();
    a.check->trigger();
    EXPECT_EQ(a.integer->value(), 99);
    EXPECT_FALSE(a.check->isChecked());
    EXPECT_EQ(recording.lines, QStringList({"    Volume(99);", "    setmirror(False);"}));
}

TEST(Actions, ACheckActionShowsTheTextsOfItsState)
{
    TQvActionList list;
    list.setImages({QIcon(), QIcon()});
    TCheckAction left(QStringLiteral("caListeGauche"), &list);
    QList<int> images;
    left.setOnImageChanged([&](const TImageList &imglist, int index) {
        EXPECT_EQ(imglist.size(), 2);
        images << index;
    });
    left.setFalseCaption(QStringLiteral("Put the List at left"));
    left.setTrueCaption(QStringLiteral("Put the List at Right"));
    left.setFalseHint(QStringLiteral("left hint"));
    left.setTrueImageIndex(1);
    EXPECT_EQ(left.caption(), QStringLiteral("Put the List at left"));
    EXPECT_EQ(left.hint(), QStringLiteral("left hint"));
    left.SetValue(true);
    EXPECT_EQ(left.caption(), QStringLiteral("Put the List at Right"));
    EXPECT_EQ(left.hint(), QString());
    EXPECT_EQ(left.imageIndex(), 1);
    left.setTrueCaption(QStringLiteral("Right")); // shown at once while checked
    EXPECT_EQ(left.caption(), QStringLiteral("Right"));
    left.setDefaultValue(false); // also the state, without running anything
    EXPECT_EQ(left.caption(), QStringLiteral("Put the List at left"));
    EXPECT_EQ(images, QList<int>({1, -1}));
}

// ---------------------------------------------------------------- text

struct TTextCase
{
    const char *action;
    const char *text;
    const char *value; // the value afterwards
    bool applied;
};

class ActionText : public testing::TestWithParam<TTextCase> {};

TEST_P(ActionText, SetsTheValueByTheClassRule)
{
    const TTextCase &c = GetParam();
    TEveryClass a;
    a.rect->Assign(TRectValue{9, 9, 9, 9});
    a.font->Assign(TFontValue{QStringLiteral("Arial"), 16});
    a.check->setDefaultValue(true);
    TCustomAbstractAction *action = a.list.findByName(QString::fromLatin1(c.action));
    ASSERT_TRUE(action);
    int applied = 0;
    a.text->setOnAfterApply([&](const QString &) { ++applied; });
    a.strings->setOnAfterApply([&](const QStringList &) { ++applied; });
    a.font->setOnAfterApply([&](const TFontValue &) { ++applied; });
    a.integer->setOnAfterApply([&](qint32) { ++applied; });
    a.real->setOnAfterApply([&](double) { ++applied; });
    a.boolean->setOnAfterApply([&](bool) { ++applied; });
    a.rect->setOnAfterApply([&](const TRectValue &) { ++applied; });
    a.check->setOnAfterTrueApply([&] { ++applied; });
    a.check->setOnAfterFalseApply([&] { ++applied; });
    action->SetValueFromText(QString::fromUtf8(c.text));
    EXPECT_EQ(ValueOf(action), QString::fromUtf8(c.value));
    EXPECT_EQ(applied, c.applied ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ActionText,
    testing::Values(TTextCase{"waFormatRenommer", " as it is, ", " as it is, ", true},
                    TTextCase{"iaVolume", "12", "12", true}, TTextCase{"iaVolume", "twelve", "-1", true},
                    TTextCase{"iaVolume", "1.5", "-1", true}, TTextCase{"daDecalageDisplay", "-0.25", "-0.25", true},
                    TTextCase{"daDecalageDisplay", "half", "0", true}, TTextCase{"daDecalageDisplay", "inf", "0", true},
                    TTextCase{"baDatecodeAvant", " VRAI ", "true", true}, TTextCase{"baDatecodeAvant", "T", "true", true},
                    TTextCase{"baDatecodeAvant", "-3", "true", true}, TTextCase{"baDatecodeAvant", "0", "false", false},
                    TTextCase{"baDatecodeAvant", "yes", "false", false},
                    TTextCase{"caListeGauche", "true", "true", true}, // its state already: applied all the same
                    TTextCase{"caListeGauche", "faux", "false", true},
                    TTextCase{"saFileNames", "a, \"b c\",,\"say \"\"hi\"\"\" d,", "a|b c||say \"hi\"|d|", true},
                    TTextCase{"saFileNames", "", "", true},
                    TTextCase{"raFormSave", "(10, 20, 300, 400)", "10 20 300 400", true},
                    TTextCase{"raFormSave", " (10,20,300,400) ", "10 20 300 400", true},
                    TTextCase{"raFormSave", "(10, x, 300, 400)", "10 0 300 400", true},
                    TTextCase{"raFormSave", "(10, 20, 300)", "9 9 9 9", false},
                    TTextCase{"raFormSave", "10, 20, 300, 400", "9 9 9 9", false},
                    TTextCase{"faIncrustFont", "Courier,12", "Arial 16", false}));

// ---------------------------------------------------------------- scripts

TEST(ActionScripts, DeclarationsAndSwitchSyntax)
{
    TEveryClass a;
    struct TCase
    {
        TCustomAbstractAction *action;
        const char *declaration;
        const char *syntax;
    };
    const TCase cases[] = {
        {a.nope, "procedure SelectAll;", "/a"},
        {a.text, "procedure FormatRenommer(const aWidestring:widestring);", "/fr=aWidestring"},
        {a.strings, "procedure FileNames(ws:array of widestring);", "/fn=aWStrings"},
        {a.font,
         "procedure IncrustFont(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;isItalic:Boolean;"
         "isUnderline:Boolean;isStrikeOut:Boolean);",
         "/if=aFont"},
        {a.integer, "procedure Volume(const aInteger:integer);", "/vol=aInteger"},
        {a.real, "procedure DecalageDisplay(const aDouble:Double);", "/dd=aDouble"},
        {a.boolean, "procedure DatecodeAvant(const aBoolean:Boolean);", "/da=aBoolean"},
        {a.rect, "procedure FormSave(const left,top,right,bottom:integer);", "/fs=aRect"},
        {a.check, "procedure setmirror(const fisTrue:Boolean);\r\nprocedure mirror;", "/ww +ww -ww"},
    };
    const char *switches[] = {"a", "fr", "fn", "if", "vol", "dd", "da", "fs", "ww"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        cases[i].action->setSwitchName(QString::fromLatin1(switches[i]));
        EXPECT_EQ(cases[i].action->ScriptDeclaration(), QString::fromLatin1(cases[i].declaration));
        EXPECT_EQ(cases[i].action->SwitchSyntax(), QString::fromLatin1(cases[i].syntax));
    }
    // The class's parameter name is kept once used; a rectangle keeps none, as
    // its two texts name the value differently.
    EXPECT_EQ(a.integer->variables(), QStringLiteral("aInteger"));
    EXPECT_EQ(a.rect->variables(), QString());
    a.integer->setVariables(QStringLiteral("volume"));
    EXPECT_EQ(a.integer->ScriptDeclaration(), QStringLiteral("procedure Volume(const volume:integer);"));
    EXPECT_EQ(a.integer->SwitchSyntax(), QStringLiteral("/vol=volume"));
}

TEST(ActionScripts, EachCompileRegistersTheListAfterTheEnginesOwnHandler)
{
    TRecording recording;
    TFakeEngine engine;
    QStringList seen;
    engine.setCompileHandler([&](TScriptEngine &) { seen << QStringLiteral("engine's own"); });
    auto a = std::make_unique<TEveryClass>();
    a->list.setScriptEngine(&engine);
    engine.Compile();
    EXPECT_EQ(seen, QStringList({"engine's own"}));
    EXPECT_EQ(engine.declarations, QStringList({
                                       "procedure SelectAll;",
                                       "procedure FormatRenommer(const aWidestring:widestring);",
                                       "procedure FileNames(ws:array of widestring);",
                                       a->font->ScriptDeclaration(),
                                       "procedure Volume(const aInteger:integer);",
                                       "procedure DecalageDisplay(const aDouble:Double);",
                                       "procedure DatecodeAvant(const aBoolean:Boolean);",
                                       "procedure FormSave(const left,top,right,bottom:integer);",
                                       "procedure setmirror(const aBoolean:Boolean);",
                                       "procedure mirror;",
                                   }));

    // The procedures set the values as a user would, each recording its line.
    int selected = 0;
    a->nope->setOnAfterApply([&] { ++selected; });
    engine.Call(QStringLiteral("procedure SelectAll;"), {});
    engine.Call(QStringLiteral("procedure FileNames(ws:array of widestring);"), {QStringList{QStringLiteral("one")}});
    engine.Call(a->font->ScriptDeclaration(), {QStringLiteral("Courier New"), 12, 0x102030, false, true, false, false});
    engine.Call(QStringLiteral("procedure Volume(const aInteger:integer);"), {2500});
    engine.Call(QStringLiteral("procedure FormSave(const left,top,right,bottom:integer);"), {10, 20, 30, 40});
    engine.Call(QStringLiteral("procedure setmirror(const aBoolean:Boolean);"), {true});
    engine.Call(QStringLiteral("procedure mirror;"), {});
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(a->strings->value(), QStringList({"one"}));
    EXPECT_EQ(a->font->value().name, QStringLiteral("Courier New"));
    EXPECT_TRUE(a->font->value().italic);
    EXPECT_EQ(a->integer->value(), 2500);
    EXPECT_EQ(a->rect->value(), (TRectValue{10, 20, 30, 40}));
    EXPECT_FALSE(a->check->isChecked());
    // A recorded rectangle replays as the same rectangle.
    EXPECT_EQ(recording.lines.mid(4), QStringList({"    FormSave(10,20,30,40);", "    setmirror(True);", "    setmirror(False);"}));

    // A check action registers only when both its procedures do.
    engine.refused << QStringLiteral("procedure mirror;");
    EXPECT_FALSE(a->check->RegisterInScript(engine));
    EXPECT_FALSE(a->list.RegisterAllInScript(engine));

    // Once the list is gone the engine compiles as before.
    a.reset();
    engine.Compile();
    EXPECT_EQ(seen.size(), 2);
    EXPECT_TRUE(engine.declarations.isEmpty());
}

TEST(ActionScripts, ListsShareAnEngineAndLetGoInAnyOrder)
{
    TFakeEngine engine;
    TQvActionList first;
    TQvActionList second;
    new TNopeAction(QStringLiteral("naFirst"), &first);
    new TNopeAction(QStringLiteral("naSecond"), &second);
    first.setScriptEngine(&engine);
    second.setScriptEngine(&engine);
    engine.Compile();
    EXPECT_EQ(engine.declarations, QStringList({"procedure First;", "procedure Second;"}));
    first.setScriptEngine(nullptr);
    engine.Compile();
    EXPECT_EQ(engine.declarations, QStringList({"procedure Second;"}));
    first.setScriptEngine(&engine); // once, not twice
    engine.Compile();
    EXPECT_EQ(engine.declarations, QStringList({"procedure Second;", "procedure First;"}));
    {
        TFakeEngine gone;
        second.setScriptEngine(&gone);
    }
    EXPECT_EQ(second.scriptEngine(), nullptr);
}

// ---------------------------------------------------------------- preferences

TEST(ActionPrefs, ModeNoneLoadsTheDefaultsAndAppliesThoseMarkedApplyWhenLoad)
{
    TTempStore store;
    auto gp = store.open();
    ASSERT_EQ(gp->mode(), TSavePreferences::spNone);
    TRecording recording;
    TEveryClass a;
    QStringList applied;
    a.integer->setDefaultValue(5);
    a.integer->setOnDefault([](qint32 &def) { // the published default is replaced
        def = 0;
        return true;
    });
    a.integer->setInternalDefault([](qint32 &def) {
        def += 1; // runs after the published one
        return true;
    });
    a.integer->setApplyWhenLoad(true);
    a.integer->setOnAfterApply([&](qint32 v) { applied << QStringLiteral("Volume %1").arg(v); });
    a.check->setDefaultValue(true);
    a.check->setApplyWhenLoad(true);
    a.check->setOnAfterTrueApply([&] { applied << QStringLiteral("mirror"); });
    a.text->setDefaultValue(QStringLiteral("ClipDV%D%E"));
    a.text->setOnAfterApply([&](const QString &) { applied << QStringLiteral("not applied at load"); });
    a.nope->setApplyWhenLoad(true);
    a.nope->setOnAfterApply([&] { applied << QStringLiteral("SelectAll"); });
    a.boolean->setIncludePrefs(false);
    a.boolean->setDefaultValue(true);

    EXPECT_TRUE(a.list.LoadAllFromPrefs(*gp));
    EXPECT_EQ(applied, QStringList({"SelectAll", "Volume 1", "mirror"}));
    EXPECT_EQ(a.integer->value(), 1);
    EXPECT_EQ(a.text->value(), QStringLiteral("ClipDV%D%E"));
    EXPECT_FALSE(a.boolean->value()); // not loaded at all
    EXPECT_TRUE(recording.lines.isEmpty());
    // Nothing can be saved in mode "none".
    EXPECT_FALSE(a.list.SaveAllToPrefs(*gp));
}

TEST(ActionPrefs, EveryClassComesBackFromTheStore)
{
    TTempStore store;
    {
        auto gp = store.openPortable();
        TEveryClass a;
        a.text->Assign(QStringLiteral("é %D"));
        a.strings->Assign({QStringLiteral("/v/b.avi"), QStringLiteral("/v/a.avi")});
        a.font->Assign(TFontValue{QStringLiteral("Courier New"), 12, 0x00FF00, 1, 2, 96, true, false, true, false});
        a.integer->Assign(-7);
        a.real->Assign(-1.0 / 24);
        a.boolean->Assign(true);
        a.check->setDefaultValue(true);
        // Before-save may replace the value: the replacement is also the value now.
        a.rect->setInternalBeforeSave([](TRectValue &r) {
            r = TRectValue{5, 6, 700, 800};
            return true;
        });
        // A check action's before-save gets a copy of its state.
        a.check->setBeforeSave([](bool &v) {
            v = false;
            return true;
        });
        int saved = 0;
        a.nope->setBeforeSave([&] { return ++saved > 0; });
        EXPECT_TRUE(a.list.SaveAllToPrefs(*gp));
        EXPECT_EQ(saved, 1);
        EXPECT_EQ(a.rect->value(), (TRectValue{5, 6, 700, 800}));
        EXPECT_TRUE(a.check->isChecked());
    }
    auto gp = store.open();
    ASSERT_EQ(gp->mode(), TSavePreferences::spPortable);
    TEveryClass b;
    b.check->setDefaultValue(true);
    EXPECT_TRUE(b.list.LoadAllFromPrefs(*gp));
    EXPECT_EQ(b.text->value(), QStringLiteral("é %D"));
    EXPECT_EQ(b.strings->value(), QStringList({"/v/b.avi", "/v/a.avi"}));
    EXPECT_EQ(b.font->value(), (TFontValue{QStringLiteral("Courier New"), 12, 0x00FF00, 1, 2, 96, true, false, true, false}));
    EXPECT_EQ(b.integer->value(), -7);
    EXPECT_DOUBLE_EQ(b.real->value(), -1.0 / 24);
    EXPECT_TRUE(b.boolean->value());
    EXPECT_EQ(b.rect->value(), (TRectValue{5, 6, 700, 800}));
    EXPECT_FALSE(b.check->isChecked());
    EXPECT_EQ(b.check->caption(), QStringLiteral("ListeGauche"));
}

TEST(ActionPrefs, AFailingActionFailsTheListAndTheOthersStillLoad)
{
    TTempStore store;
    auto gp = store.open();
    TEveryClass a;
    a.integer->setDefaultValue(5000);
    a.text->setDefaultValue(QStringLiteral("kept"));
    a.nope->setApplyWhenLoad(true);
    a.nope->setOnAfterApply([] { throw std::runtime_error("no list yet"); });
    bool listHandler = false;
    a.list.setOnLoadFromPrefs([&](TBrontelPreferences &) { return listHandler = true; });
    EXPECT_FALSE(a.list.LoadAllFromPrefs(*gp));
    EXPECT_TRUE(listHandler);
    EXPECT_EQ(a.integer->value(), 5000);
    EXPECT_EQ(a.text->value(), QStringLiteral("kept"));
    EXPECT_EQ(a.list.errorStrings(), QStringList({"naSelectionnerTout: no list yet"}));

    a.nope->setOnAfterApply(nullptr);
    a.list.setOnLoadFromPrefs([](TBrontelPreferences &) { return false; });
    EXPECT_FALSE(a.list.LoadAllFromPrefs(*gp));
    a.list.setOnLoadFromPrefs(nullptr);
    EXPECT_TRUE(a.list.LoadAllFromPrefs(*gp));
}

TEST(ActionLists, FindByInternalIdAndName)
{
    TQvActionComponent component;
    auto *quit = component.createAction<TNopeAction>(QStringLiteral("naQuit"));
    component.addAction(new QAction(QStringLiteral("plain")));
    EXPECT_EQ(component.FindByInternalId(QStringLiteral("naQuit")), quit);
    EXPECT_EQ(component.FindByInternalId(QStringLiteral("naquit")), nullptr);
    EXPECT_EQ(quit->category(), QStringLiteral("internal"));
    EXPECT_EQ(component.find<TNopeAction>(QStringLiteral("naQuit")), quit);
    EXPECT_EQ(component.find<TCheckAction>(QStringLiteral("naQuit")), nullptr);
    EXPECT_EQ(component.actions().size(), 2);
    EXPECT_EQ(component.customActions().size(), 1);
    delete quit;
    EXPECT_EQ(component.actions().size(), 1);
}

// ---------------------------------------------------------------- the command line

class CommandLine : public testing::Test
{
protected:
    CommandLine()
    {
        left->setSwitchName(QStringLiteral("ww"));
        volume->setSwitchName(QStringLiteral("iv"));
        select->setSwitchName(QStringLiteral("a"));
        select->setOnAfterApply([this] { ran << QStringLiteral("select"); });
        volume->setOnAfterApply([this](qint32 v) { ran << QStringLiteral("volume %1").arg(v); });
        left->setOnAfterTrueApply([this] { ran << QStringLiteral("left on"); });
        left->setOnAfterFalseApply([this] { ran << QStringLiteral("left off"); });
        list.setSwitchProcessor(&processor);
        processor.setPumpMessages([this] { ++pumped; });
        processor.setCloseMainWindow([this] { ran << QStringLiteral("closed"); });
    }
    QStringList run(const QStringList &arguments)
    {
        ran.clear();
        processor.setArguments(arguments);
        processor.RunCommandLine();
        return ran;
    }

    TQvSwitch processor;
    TQvActionList list;
    TCheckAction *left = new TCheckAction(QStringLiteral("caListeGauche"), &list);
    TIntegerAction *volume = new TIntegerAction(QStringLiteral("iaVolume"), &list);
    TNopeAction *select = new TNopeAction(QStringLiteral("naSelectionnerTout"), &list);
    QStringList ran;
    int pumped = 0;
};

TEST_F(CommandLine, SwitchesSetTheirActions)
{
    struct TCase
    {
        QStringList arguments;
        QStringList ran;
    };
    const TCase cases[] = {
        {{"+ww"}, {"left on"}},
        {{"-ww"}, {"left off"}},
        {{"/ww", "/WW"}, {"left on", "left off"}},
        {{"+ww=false"}, {"left on"}}, // a check action follows its sign
        {{"/iv=12"}, {"volume 12"}},
        {{"-IV=twelve"}, {"volume -1"}},
        {{"/iv"}, {"volume -1"}},
        {{"/a=ignored", "+a"}, {"select", "select"}},
        {{"video.avi", "/nothing", "+", "/=3"}, {}}, // no DefaultAction: dropped
        {{"/quit", "/iv=3"}, {"volume 3", "closed"}},
        {{"/QUIT"}, {"closed"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(qPrintable(c.arguments.join(QLatin1Char(' '))));
        EXPECT_EQ(run(c.arguments), c.ran);
        EXPECT_FALSE(processor.Executing());
        EXPECT_TRUE(processor.entries().empty());
    }
}

TEST_F(CommandLine, PlainArgumentsAndUnknownSwitchesGoToTheDefaultAction)
{
    TWStringsAction open(QStringLiteral("saOpenFiles"));
    QStringList opened;
    open.setOnAfterApply([&](const QStringList &paths) { opened << paths; });
    processor.setDefaultAction(&open);
    processor.setArguments({"/v/a b.avi", "/unknown=x", "+", "/=c.avi", "/ww"});
    processor.ReadCommandLine();
    ASSERT_EQ(processor.entries().size(), 5u);
    EXPECT_EQ(processor.entries()[0].mode, TSwitchMode::Argument);
    EXPECT_EQ(processor.entries()[1].mode, TSwitchMode::ToggleOrText);
    EXPECT_EQ(processor.entries()[2].mode, TSwitchMode::SetTrue);
    EXPECT_EQ(processor.entries()[4].action.data(), left);
    run({"/v/a b.avi", "/unknown=x", "/=c.avi"});
    // The comma-delimited rule applies: a blank splits a path not in quotes.
    EXPECT_EQ(opened, QStringList({"/v/a", "b.avi", "x", "c.avi"}));
}

TEST_F(CommandLine, EntriesRunInOrderUntilAStopAndSkipDisabledActions)
{
    volume->setEnabled(false);
    EXPECT_EQ(run({"+ww", "/iv=5", "/a"}), QStringList({"left on", "select"}));
    EXPECT_GE(pumped, 4); // before and after each entry run
    volume->setEnabled(true);

    // An entry that asks to stop ends the run; "/quit" still closes the window.
    select->setOnBeforeApply([this] { processor.RequestStop(); });
    EXPECT_EQ(run({"/a", "/iv=5", "/quit"}), QStringList({"select", "closed"}));

    // Without any entry the processor says so.
    QSignalSpy none(&processor, &TQvSwitch::noCommandLine);
    run({"file.avi"});
    EXPECT_EQ(none.count(), 1);
}

TEST_F(CommandLine, AfterAnEntryTheRunWaitsWhileWorkGoesOn)
{
    int busyFor = 3;
    processor.setBusyCheck([&] { return busyFor-- > 0; });
    QStringList seenWhenVolumeRan;
    volume->setOnBeforeApply([&](qint32) { seenWhenVolumeRan << QString::number(busyFor); });
    run({"/a", "/iv=1", "/quit"});
    EXPECT_EQ(seenWhenVolumeRan, QStringList({"-1"})); // the first entry's work had ended
    EXPECT_EQ(ran.last(), QStringLiteral("closed"));
}

TEST_F(CommandLine, TheListRegistersItsActionsAsTheyComeAndLetsGo)
{
    auto *later = new TIntegerAction(QStringLiteral("iaLater"), &list);
    later->setSwitchName(QStringLiteral("l"));
    EXPECT_EQ(processor.registered().size(), 4);
    EXPECT_EQ(run({"/l=8"}), QStringList());
    EXPECT_EQ(later->value(), 8);
    list.setSwitchProcessor(nullptr);
    EXPECT_TRUE(processor.registered().isEmpty());
    processor.setArguments({"+ww"});
    processor.ReadCommandLine();
    EXPECT_TRUE(processor.entries().empty());
}

} // namespace
