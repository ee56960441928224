#pragma once

// Actions: every command and every setting of the program. An action is a
// QAction (caption, hint, shortcuts, enabled and visible state, the check mark)
// that also carries a typed value, a default, the key under which the value is
// stored between runs (its ScriptName, which is also its procedure name in
// scripts), a command-line switch, and chains of handlers:
//
//   prepare      asked before a menu, button or shortcut changes the value; it
//                may fill the value (from a dialog) and say no
//   default      may change the default before the value is loaded
//   before-save  may replace the value before it is stored
//   apply        runs whenever the value is set: pushes it where it is used
//
// Each chain has a published handler (the window's) and an internal one (the
// component that owns the action); the internal one runs right after the
// published one, and the internal apply between the two published applies.
//
// The paths that change a value:
//
//   Execute()          a menu, button or shortcut: the prepare handlers, then SetValue
//   SetValue(v)        scripts, the options panel: store, record one macro line, Apply
//   SetValueFromText   the command line: parse by the class's text rule, SetValue
//   LoadFromPrefs      at start: default handlers, read the store, Apply when
//                      ApplyWhenLoad (no macro line, no equality rule)
//
// While an action applies with the macro recorder on, the recorder is Busy,
// so the actions its handlers set in turn record nothing. A Boolean action set
// to the value it holds does nothing at all; a check action always applies.
//
// Load and save catch what their handlers throw and answer false with
// errorString(); nothing is shown. Main thread only.

#include "framework/settingvalues.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

class TBrontelPreferences;
class TCustomQvActionList;
class TScriptEngine;

using TImageList = QList<QIcon>;

// Handler types. A prepare handler gets a value to fill and answers whether
// to go on; default and before-save handlers use the same type and may change
// the value they are given.
using TPrepareNopeEvent = std::function<bool()>;
template <typename T>
using TPrepareEvent = std::function<bool(T &value)>;
using TApplyNopeEvent = std::function<void()>;
template <typename T>
using TApplyEvent = std::function<void(const T &value)>;
using TImageChangedEvent = std::function<void(const TImageList &imglist, int imageindex)>;

using TPrepareIntegerEvent = TPrepareEvent<qint32>;
using TPrepareDoubleEvent = TPrepareEvent<double>;
using TPrepareBooleanEvent = TPrepareEvent<bool>;
using TPrepareRectEvent = TPrepareEvent<TRectValue>;
using TPrepareWideStringEvent = TPrepareEvent<QString>;
using TPrepareWStringsEvent = TPrepareEvent<QStringList>;
using TPrepareFontEvent = TPrepareEvent<TFontValue>;
using TApplyIntegerEvent = TApplyEvent<qint32>;
using TApplyDoubleEvent = TApplyEvent<double>;
using TApplyBooleanEvent = TApplyEvent<bool>;
using TApplyRectEvent = TApplyEvent<TRectValue>;
using TApplyWideStringEvent = TApplyEvent<QString>;
using TApplyWStringsEvent = TApplyEvent<QStringList>;
using TApplyFontEvent = TApplyEvent<TFontValue>;

// The text rules of the command line and of recorded lines.
namespace actiontext {
// Comma-delimited text: items end at a comma or a blank; double quotes group
// an item that holds either ("" inside quotes is one quote); "a," ends with an
// empty item.
QStringList ParseCommaText(const QString &text);
// True for "true", "vrai", "t", "v" (trimmed, any case) or a non-zero integer.
bool BooleanFromText(const QString &text);
// "(left, top, right, bottom)": each field trimmed, a field that is not an
// integer is 0; nothing without the parentheses or with fewer than three commas.
std::optional<TRectValue> RectFromText(const QString &text);
// A Pascal string literal: the text in single quotes, each quote doubled.
QString PascalQuoted(const QString &text);
// A number as a script literal: up to 15 significant digits, "." as the
// decimal separator whatever the locale (a "," would split the argument).
QString PascalNumber(double value);
} // namespace actiontext

class TCustomAbstractAction : public QAction
{
    Q_OBJECT

public:
    ~TCustomAbstractAction() override;

    // Registers the action's script procedure(s); true when the engine took them all.
    virtual bool RegisterInScript(TScriptEngine &engine) = 0;
    // A menu, button or shortcut chose the action.
    virtual void Execute() = 0;
    // The procedure header(s) and the command-line form, as the help shows them.
    virtual QString ScriptDeclaration() = 0;
    virtual QString SwitchSyntax() = 0;
    // Clears Category, ScriptName, the shortcuts and every handler.
    virtual void ClearAction();
    virtual void SetValueFromText(const QString &text) = 0;
    // Runs the apply chain for the current value.
    virtual void Apply() = 0;
    virtual bool LoadFromPrefs(TBrontelPreferences &gp) = 0;
    virtual bool SaveToPrefs(TBrontelPreferences &gp) = 0;

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }
    // The tooltip and status-bar text.
    const QString &hint() const { return m_hint; }
    void setHint(const QString &hint);
    // The primary shortcut, and the further ones by their key names ("Space", "Ctrl+F11").
    const QKeySequence &shortCut() const { return m_shortCut; }
    void setShortCut(const QKeySequence &shortCut);
    const QStringList &secondaryShortcuts() const { return m_secondaryShortcuts; }
    void setSecondaryShortcuts(const QStringList &keyNames);
    // With AutoCheck a click toggles the check mark before Execute; without it
    // the check mark shows only what the action's value says.
    bool autoCheck() const { return m_autoCheck; }
    void setAutoCheck(bool autoCheck);
    // The check mark (the value of a check action). Setting it runs nothing.
    void setCheckState(bool checked);
    int imageIndex() const { return m_imageIndex; }
    // Shows the image of the list's image list and raises the image handler.
    void setImageIndex(int index);
    void setOnImageChanged(TImageChangedEvent handler) { m_onImageChanged = std::move(handler); }
    // The identifier ("iaVolume").
    QString name() const { return objectName(); }

    const QString &scriptName() const { return m_scriptName; }
    void setScriptName(const QString &name) { m_scriptName = name; }
    // The command-line switch, without its leading "+", "-" or "/".
    const QString &switchName() const { return m_switch; }
    void setSwitchName(const QString &name) { m_switch = name; }
    bool applyWhenLoad() const { return m_applyWhenLoad; }
    void setApplyWhenLoad(bool apply) { m_applyWhenLoad = apply; }
    // The help window's documentation.
    const QStringList &comments() const { return m_comments; }
    void setComments(const QStringList &comments) { m_comments = comments; }
    // The parameter name of the declaration and the switch syntax; empty: the
    // class's own, written here the first time one of those texts is made.
    const QString &variables() const { return m_variables; }
    void setVariables(const QString &variables) { m_variables = variables; }
    // The identifier by which an owning component finds the action.
    const QString &internalId() const { return m_internalId; }
    void setInternalId(const QString &id) { m_internalId = id; }
    // Whether the list loads and saves the value with the preferences.
    bool includePrefs() const { return m_includePrefs; }
    void setIncludePrefs(bool include) { m_includePrefs = include; }
    const QString &category() const { return m_category; }
    void setCategory(const QString &category) { m_category = category; }

    TCustomQvActionList *actionList() const;
    // Why the last load, save or run from a menu failed; empty when it did not.
    const QString &errorString() const { return m_error; }

protected:
    // Named name; ScriptName and caption are the name without its two-letter
    // kind prefix. Joins list (which owns it) when one is given.
    TCustomAbstractAction(const QString &name, TCustomQvActionList *list);

    // The parameter name: Variables, or the class default (kept in Variables
    // when keep is set).
    QString parameterName(const QString &classDefault, bool keep = true);
    // Runs f; an exception is kept in errorString() and answers false.
    template <typename F>
    bool guarded(F &&f)
    {
        try {
            f();
            m_error.clear();
            return true;
        } catch (const std::exception &e) {
            m_error = QStringLiteral("%1: %2").arg(name(), QString::fromLocal8Bit(e.what()));
            return false;
        }
    }
    // Registers one procedure, bound to call.
    bool registerProcedure(TScriptEngine &engine, const QString &declaration, std::function<void(const QVariantList &)> call);
    // The macro line of a change, when the recorder records and is not Busy.
    static void Record(const QString &line);

private:
    friend class TCustomQvActionList;
    void updateShortcuts();

    QString m_hint;
    QKeySequence m_shortCut;
    QStringList m_secondaryShortcuts;
    bool m_autoCheck = false;
    int m_imageIndex = -1;
    TImageChangedEvent m_onImageChanged;
    QString m_scriptName;
    QString m_switch;
    bool m_applyWhenLoad = false;
    QStringList m_comments;
    QString m_variables;
    QString m_internalId;
    bool m_includePrefs = true;
    QString m_category;
    QPointer<TCustomQvActionList> m_list;
    QString m_error;
};

// The common properties, for the classes below.
class TAbstractAction : public TCustomAbstractAction
{
    Q_OBJECT

protected:
    using TCustomAbstractAction::TCustomAbstractAction;
};

// A command: no value. Apply records its own line ("    Name;").
class TNopeAction : public TAbstractAction
{
    Q_OBJECT

public:
    explicit TNopeAction(const QString &name, TCustomQvActionList *list = nullptr);

    bool RegisterInScript(TScriptEngine &engine) override;
    void Execute() override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ClearAction() override;
    // The text is not used: runs Apply.
    void SetValueFromText(const QString &text) override;
    void Apply() override;
    bool LoadFromPrefs(TBrontelPreferences &gp) override;
    bool SaveToPrefs(TBrontelPreferences &gp) override;

    void setOnPrepare(TPrepareNopeEvent h) { m_onPrepare = std::move(h); }
    void setBeforeSave(TPrepareNopeEvent h) { m_beforeSave = std::move(h); }
    void setOnBeforeApply(TApplyNopeEvent h) { m_onBeforeApply = std::move(h); }
    void setOnAfterApply(TApplyNopeEvent h) { m_onAfterApply = std::move(h); }
    void setInternalPrepare(TPrepareNopeEvent h) { m_internalPrepare = std::move(h); }
    void setInternalBeforeSave(TPrepareNopeEvent h) { m_internalBeforeSave = std::move(h); }
    void setInternalApply(TApplyNopeEvent h) { m_internalApply = std::move(h); }

private:
    TPrepareNopeEvent m_onPrepare, m_beforeSave, m_internalPrepare, m_internalBeforeSave;
    TApplyNopeEvent m_onBeforeApply, m_onAfterApply, m_internalApply;
};

// What every value class shares: the value, its default, the handlers, the
// store, the script procedure and the texts. The classes below differ only in
// the type of their value, and the rules that go with it.
template <typename T>
class TValueAction : public TAbstractAction
{
public:
    using TValue = T;

    explicit TValueAction(const QString &name, TCustomQvActionList *list = nullptr) : TAbstractAction(name, list) {}

    const T &value() const { return m_value; }
    // Stores the value, records its macro line and applies it.
    void SetValue(const T &value);
    // Stores the value without recording or applying it.
    void Assign(const T &value) { m_value = value; }
    const T &defaultValue() const { return m_default; }
    void setDefaultValue(const T &value) { m_default = value; }

    // The procedure takes the value's arguments and calls SetValue.
    bool RegisterInScript(TScriptEngine &engine) override;
    // Runs nothing without a prepare handler; else a fresh value goes through
    // OnPrepare and the internal prepare, and is set only if both agree.
    void Execute() override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void Apply() override;
    // The class's text rule; a text the rule refuses changes nothing.
    void SetValueFromText(const QString &text) override;
    bool LoadFromPrefs(TBrontelPreferences &gp) override;
    bool SaveToPrefs(TBrontelPreferences &gp) override;
    void ClearAction() override;

    void setOnPrepare(TPrepareEvent<T> h) { m_onPrepare = std::move(h); }
    void setOnDefault(TPrepareEvent<T> h) { m_onDefault = std::move(h); }
    void setBeforeSave(TPrepareEvent<T> h) { m_beforeSave = std::move(h); }
    void setOnBeforeApply(TApplyEvent<T> h) { m_onBeforeApply = std::move(h); }
    void setOnAfterApply(TApplyEvent<T> h) { m_onAfterApply = std::move(h); }
    void setInternalPrepare(TPrepareEvent<T> h) { m_internalPrepare = std::move(h); }
    void setInternalDefault(TPrepareEvent<T> h) { m_internalDefault = std::move(h); }
    void setInternalBeforeSave(TPrepareEvent<T> h) { m_internalBeforeSave = std::move(h); }
    void setInternalApply(TApplyEvent<T> h) { m_internalApply = std::move(h); }

private:
    T m_value{};
    T m_default{};
    TPrepareEvent<T> m_onPrepare, m_onDefault, m_beforeSave;
    TPrepareEvent<T> m_internalPrepare, m_internalDefault, m_internalBeforeSave;
    TApplyEvent<T> m_onBeforeApply, m_onAfterApply, m_internalApply;
};

extern template class TValueAction<QString>;
extern template class TValueAction<QStringList>;
extern template class TValueAction<TFontValue>;
extern template class TValueAction<qint32>;
extern template class TValueAction<double>;
extern template class TValueAction<bool>;
extern template class TValueAction<TRectValue>;

// A text, taken from the command line as it is.
using TWidestringAction = TValueAction<QString>;
// A list of texts; the command line gives it as comma-delimited text.
using TWStringsAction = TValueAction<QStringList>;
// A font; a script gives name, size, colour and style, text sets nothing.
using TFontAction = TValueAction<TFontValue>;
// A 32-bit integer; a text that is not a decimal integer sets -1.
using TIntegerAction = TValueAction<qint32>;
// A double; text in the user's number format (or the C locale's), else 0.
using TDoubleAction = TValueAction<double>;
// A Boolean; setting the value it holds does nothing at all.
using TBooleanAction = TValueAction<bool>;
// A rectangle, "(left, top, right, bottom)" on the command line; scripts and
// recorded lines give it as left, top, right, bottom.
using TRectAction = TValueAction<TRectValue>;

// An on/off state held in the check mark. Its caption, hint and image follow
// the state: the True... ones while checked, the False... ones otherwise. A
// check action named "Script" is never recorded (the script window's own toggle).
class TCheckAction : public TCustomAbstractAction
{
    Q_OBJECT

public:
    explicit TCheckAction(const QString &name, TCustomQvActionList *list = nullptr);

    bool RegisterInScript(TScriptEngine &engine) override;
    // The prepare handlers, then SetValue(not checked).
    void Execute() override;
    QString ScriptDeclaration() override;
    QString SwitchSyntax() override;
    void ClearAction() override;
    // Sets the state the text gives even when it is the current one.
    void SetValueFromText(const QString &text) override;
    void Apply() override;
    bool LoadFromPrefs(TBrontelPreferences &gp) override;
    bool SaveToPrefs(TBrontelPreferences &gp) override;

    bool value() const { return isChecked(); }
    // Sets the state, records its line and applies it, whatever the state was.
    void SetValue(bool checked);
    bool defaultValue() const { return m_default; }
    // Also sets the state and shows its texts (nothing runs).
    void setDefaultValue(bool value);

    const QString &trueCaption() const { return m_trueCaption; }
    void setTrueCaption(const QString &caption);
    const QString &falseCaption() const { return m_falseCaption; }
    void setFalseCaption(const QString &caption);
    const QString &trueHint() const { return m_trueHint; }
    void setTrueHint(const QString &hint);
    const QString &falseHint() const { return m_falseHint; }
    void setFalseHint(const QString &hint);
    int trueImageIndex() const { return m_trueImage; }
    void setTrueImageIndex(int index);
    int falseImageIndex() const { return m_falseImage; }
    void setFalseImageIndex(int index);

    void setOnPrepare(TPrepareNopeEvent h) { m_onPrepare = std::move(h); }
    void setOnDefault(TPrepareBooleanEvent h) { m_onDefault = std::move(h); }
    void setBeforeSave(TPrepareBooleanEvent h) { m_beforeSave = std::move(h); }
    void setOnBeforeTrueApply(TApplyNopeEvent h) { m_onBeforeTrue = std::move(h); }
    void setOnAfterTrueApply(TApplyNopeEvent h) { m_onAfterTrue = std::move(h); }
    void setOnBeforeFalseApply(TApplyNopeEvent h) { m_onBeforeFalse = std::move(h); }
    void setOnAfterFalseApply(TApplyNopeEvent h) { m_onAfterFalse = std::move(h); }
    void setInternalPrepare(TPrepareNopeEvent h) { m_internalPrepare = std::move(h); }
    void setInternalDefault(TPrepareBooleanEvent h) { m_internalDefault = std::move(h); }
    void setInternalBeforeSave(TPrepareBooleanEvent h) { m_internalBeforeSave = std::move(h); }
    void setInternalTrueApply(TApplyNopeEvent h) { m_internalTrue = std::move(h); }
    void setInternalFalseApply(TApplyNopeEvent h) { m_internalFalse = std::move(h); }

private:
    // The caption, hint and image of the current state.
    void showState();
    // Sets the text or image of one state, shown at once in that state.
    template <typename V, typename Show>
    void setStateValue(V &slot, const V &value, bool ofChecked, Show show)
    {
        slot = value;
        if (isChecked() == ofChecked)
            (this->*show)(value);
    }

    bool m_default = false;
    QString m_trueCaption, m_falseCaption, m_trueHint, m_falseHint;
    int m_trueImage = -1;
    int m_falseImage = -1;
    TPrepareNopeEvent m_onPrepare, m_internalPrepare;
    TPrepareBooleanEvent m_onDefault, m_beforeSave, m_internalDefault, m_internalBeforeSave;
    TApplyNopeEvent m_onBeforeTrue, m_onAfterTrue, m_onBeforeFalse, m_onAfterFalse, m_internalTrue, m_internalFalse;
};
