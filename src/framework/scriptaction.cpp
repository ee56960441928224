#include "framework/scriptaction.h"

#include "framework/macrorecorder.h"
#include "framework/preferences.h"
#include "framework/qvactionlist.h"
#include "framework/scriptengine.h"

#include <QLocale>

#include <cmath>

namespace {

const QString kIndent = QStringLiteral("    ");

QString BoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The name without its two-letter kind prefix ("iaVolume" -> "Volume").
QString WithoutPrefix(const QString &name)
{
    const auto lower = [](QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); };
    if (name.size() > 2 && lower(name[0]) && lower(name[1]))
        return name.mid(2);
    return name;
}

// The arguments of a script call, as the engine passes them; a missing one is empty.
QVariant Arg(const QVariantList &args, int i)
{
    return i < args.size() ? args[i] : QVariant();
}

} // namespace

// ---------------------------------------------------------------- text rules

namespace actiontext {

QStringList ParseCommaText(const QString &text)
{
    const qsizetype n = text.size();
    const auto blank = [&](qsizetype k) { return k < n && text[k].unicode() <= u' '; };
    QStringList items;
    qsizetype i = 0;
    while (blank(i))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !blank(i) && text[i] != QLatin1Char(','))
                ++i;
            item = text.mid(start, i - start);
        }
        items << item;
        while (blank(i))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            if (i + 1 == n)
                items << QString();
            do
                ++i;
            while (blank(i));
        }
    }
    return items;
}

bool BooleanFromText(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("vrai") || t == QLatin1String("t") || t == QLatin1String("v"))
        return true;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    return ok && n != 0;
}

std::optional<TRectValue> RectFromText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')))
        return std::nullopt;
    const QStringList fields = t.mid(1, t.size() - 2).split(QLatin1Char(','));
    if (fields.size() < 4)
        return std::nullopt;
    const auto number = [](const QString &field) {
        bool ok = false;
        const qint32 n = field.trimmed().toInt(&ok);
        return ok ? n : 0;
    };
    // Anything after a fourth comma belongs to Bottom, which then reads as 0.
    return TRectValue{number(fields[0]), number(fields[1]), number(fields[2]), number(fields.mid(3).join(QLatin1Char(',')))};
}

QString PascalQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString PascalNumber(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace actiontext

using actiontext::PascalQuoted;

// ---------------------------------------------------------------- TCustomAbstractAction

TCustomAbstractAction::TCustomAbstractAction(const QString &name, TCustomQvActionList *list)
    : QAction(nullptr), m_scriptName(WithoutPrefix(name))
{
    setObjectName(name);
    setText(WithoutPrefix(name));
    connect(this, &QAction::triggered, this, [this](bool checked) {
        // Qt has already toggled a checkable action; the value decides the
        // check mark unless AutoCheck says the click does.
        if (isCheckable() && !m_autoCheck)
            QAction::setChecked(!checked);
        if (!guarded([this] { Execute(); }))
            qWarning("%s", qPrintable(m_error));
    });
    if (list)
        list->addAction(this);
}

TCustomAbstractAction::~TCustomAbstractAction() = default;

TCustomQvActionList *TCustomAbstractAction::actionList() const
{
    return m_list;
}

void TCustomAbstractAction::ClearAction()
{
    m_category.clear();
    m_scriptName.clear();
    m_shortCut = QKeySequence();
    m_secondaryShortcuts.clear();
    updateShortcuts();
    m_onImageChanged = nullptr;
}

void TCustomAbstractAction::setHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(hint);
    setStatusTip(hint);
}

void TCustomAbstractAction::setShortCut(const QKeySequence &shortCut)
{
    m_shortCut = shortCut;
    updateShortcuts();
}

void TCustomAbstractAction::setSecondaryShortcuts(const QStringList &keyNames)
{
    m_secondaryShortcuts = keyNames;
    updateShortcuts();
}

void TCustomAbstractAction::updateShortcuts()
{
    QList<QKeySequence> keys;
    if (!m_shortCut.isEmpty())
        keys << m_shortCut;
    for (const QString &keyName : m_secondaryShortcuts) {
        const QKeySequence key = QKeySequence::fromString(keyName, QKeySequence::PortableText);
        if (!key.isEmpty() && !keys.contains(key))
            keys << key;
    }
    setShortcuts(keys);
}

void TCustomAbstractAction::setAutoCheck(bool autoCheck)
{
    m_autoCheck = autoCheck;
    if (autoCheck)
        setCheckable(true);
}

void TCustomAbstractAction::setCheckState(bool checked)
{
    if (checked && !isCheckable())
        setCheckable(true);
    QAction::setChecked(checked);
}

void TCustomAbstractAction::setImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    if (!m_list)
        return;
    const TImageList &images = m_list->images();
    setIcon(index >= 0 && index < images.size() ? images[index] : QIcon());
    if (m_onImageChanged)
        m_onImageChanged(images, index);
}

QString TCustomAbstractAction::parameterName(const QString &classDefault, bool keep)
{
    if (!m_variables.isEmpty())
        return m_variables;
    if (keep)
        m_variables = classDefault;
    return classDefault;
}

bool TCustomAbstractAction::registerProcedure(TScriptEngine &engine, const QString &declaration,
                                              std::function<void(const QVariantList &)> call)
{
    return engine.RegisterProcedure(declaration, std::move(call));
}

void TCustomAbstractAction::Record(const QString &line)
{
    TMacroRecorder::Instance().Record(line);
}

// ---------------------------------------------------------------- TNopeAction

TNopeAction::TNopeAction(const QString &name, TCustomQvActionList *list) : TAbstractAction(name, list) {}

bool TNopeAction::RegisterInScript(TScriptEngine &engine)
{
    if (scriptName().isEmpty())
        return true;
    return registerProcedure(engine, ScriptDeclaration(), [this](const QVariantList &) { Apply(); });
}

void TNopeAction::Execute()
{
    if (m_onPrepare && !m_onPrepare())
        return;
    if (m_internalPrepare && !m_internalPrepare())
        return;
    Apply();
}

QString TNopeAction::ScriptDeclaration()
{
    return QStringLiteral("procedure %1;").arg(scriptName());
}

QString TNopeAction::SwitchSyntax()
{
    return QLatin1Char('/') + switchName();
}

void TNopeAction::ClearAction()
{
    TAbstractAction::ClearAction();
    m_onPrepare = m_beforeSave = m_internalPrepare = m_internalBeforeSave = nullptr;
    m_onBeforeApply = m_onAfterApply = m_internalApply = nullptr;
}

void TNopeAction::SetValueFromText(const QString &)
{
    Apply();
}

void TNopeAction::Apply()
{
    if (!scriptName().isEmpty())
        Record(kIndent + scriptName() + QLatin1Char(';'));
    TRecorderBusy busy;
    if (m_onBeforeApply)
        m_onBeforeApply();
    if (m_internalApply)
        m_internalApply();
    if (m_onAfterApply)
        m_onAfterApply();
}

bool TNopeAction::LoadFromPrefs(TBrontelPreferences &)
{
    return guarded([this] {
        if (applyWhenLoad()) {
            TRecorderBusy loading; // loading is no user's change
            Apply();
        }
    });
}

bool TNopeAction::SaveToPrefs(TBrontelPreferences &)
{
    return guarded([this] {
        if (m_beforeSave)
            m_beforeSave();
        if (m_internalBeforeSave)
            m_internalBeforeSave();
    });
}

// ---------------------------------------------------------------- value rules

namespace {

// What each value type of the value classes brings: its store read and write,
// its text rule, its script procedure (declaration and arguments) and the
// arguments of its recorded line.
template <typename T>
struct TRules;

// The parameter name the declaration and the switch syntax share; kept in
// Variables once used.
struct TSharedParameter
{
    static constexpr bool KeepParameter = true;
};

template <>
struct TRules<QString> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aWidestring"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &v) { return QStringLiteral("procedure %1(const %2:widestring);").arg(s, v); }
    static QString FromArgs(const QVariantList &args) { return Arg(args, 0).toString(); }
    static QString Arguments(const QString &value) { return PascalQuoted(value); }
    static std::optional<QString> Parse(const QString &text) { return text; }
    static QString Read(TBrontelPreferences &gp, const QString &key, const QString &def) { return gp.ReadString(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, const QString &value) { return gp.WriteString(key, value); }
};

template <>
struct TRules<QStringList> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aWStrings"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &) { return QStringLiteral("procedure %1(ws:array of widestring);").arg(s); }
    static QStringList FromArgs(const QVariantList &args) { return Arg(args, 0).toStringList(); }
    static QString Arguments(const QStringList &value)
    {
        QStringList quoted;
        for (const QString &line : value)
            quoted << PascalQuoted(line);
        return QLatin1Char('[') + quoted.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    static std::optional<QStringList> Parse(const QString &text) { return actiontext::ParseCommaText(text); }
    static QStringList Read(TBrontelPreferences &gp, const QString &key, const QStringList &def) { return gp.ReadStrings(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, const QStringList &value) { return gp.WriteStrings(key, value); }
};

template <>
struct TRules<TFontValue> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aFont"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &)
    {
        return QStringLiteral("procedure %1(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;isItalic:Boolean;"
                              "isUnderline:Boolean;isStrikeOut:Boolean);")
            .arg(s);
    }
    static TFontValue FromArgs(const QVariantList &args)
    {
        TFontValue font;
        font.name = Arg(args, 0).toString();
        font.size = Arg(args, 1).toInt();
        font.color = Arg(args, 2).toInt();
        font.bold = Arg(args, 3).toBool();
        font.italic = Arg(args, 4).toBool();
        font.underline = Arg(args, 5).toBool();
        font.strikeOut = Arg(args, 6).toBool();
        return font;
    }
    static QString Arguments(const TFontValue &value)
    {
        const QString colour = QString::number(quint32(value.color), 16).toUpper().rightJustified(6, QLatin1Char('0'));
        return QStringLiteral("%1, %2, $%3, %4, %5, %6, %7")
            .arg(PascalQuoted(value.name), QString::number(value.size), colour, BoolText(value.bold), BoolText(value.italic),
                 BoolText(value.underline), BoolText(value.strikeOut));
    }
    static std::optional<TFontValue> Parse(const QString &) { return std::nullopt; }
    static TFontValue Read(TBrontelPreferences &gp, const QString &key, const TFontValue &def) { return gp.ReadFont(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, const TFontValue &value) { return gp.WriteFont(key, value); }
};

template <>
struct TRules<qint32> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aInteger"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &v) { return QStringLiteral("procedure %1(const %2:integer);").arg(s, v); }
    static qint32 FromArgs(const QVariantList &args) { return Arg(args, 0).toInt(); }
    static QString Arguments(qint32 value) { return QString::number(value); }
    static std::optional<qint32> Parse(const QString &text)
    {
        bool ok = false;
        const qint32 n = text.toInt(&ok, 10);
        return ok ? n : -1;
    }
    static qint32 Read(TBrontelPreferences &gp, const QString &key, qint32 def) { return gp.ReadInteger(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, qint32 value) { return gp.WriteInteger(key, value); }
};

template <>
struct TRules<double> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aDouble"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &v) { return QStringLiteral("procedure %1(const %2:Double);").arg(s, v); }
    static double FromArgs(const QVariantList &args) { return Arg(args, 0).toDouble(); }
    static QString Arguments(double value) { return actiontext::PascalNumber(value); }
    static std::optional<double> Parse(const QString &text)
    {
        // Infinities and NaN are no setting's value: they read as "not a number".
        const std::optional<double> number = ParseLocaleFloat(text.trimmed());
        return number && std::isfinite(*number) ? *number : 0.0;
    }
    static double Read(TBrontelPreferences &gp, const QString &key, double def) { return gp.ReadFloat(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, double value) { return gp.WriteFloat(key, value); }
};

template <>
struct TRules<bool> : TSharedParameter
{
    static QString DeclarationParameter() { return QStringLiteral("aBoolean"); }
    static QString SwitchParameter() { return DeclarationParameter(); }
    static QString Declaration(const QString &s, const QString &v) { return QStringLiteral("procedure %1(const %2:Boolean);").arg(s, v); }
    static bool FromArgs(const QVariantList &args) { return Arg(args, 0).toBool(); }
    static QString Arguments(bool value) { return BoolText(value); }
    static std::optional<bool> Parse(const QString &text) { return actiontext::BooleanFromText(text); }
    static bool Read(TBrontelPreferences &gp, const QString &key, bool def) { return gp.ReadBool(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, bool value) { return gp.WriteBool(key, value); }
};

template <>
struct TRules<TRectValue>
{
    // The declaration and the switch syntax name the value differently:
    // neither default is kept in Variables, so each text keeps its own.
    static constexpr bool KeepParameter = false;
    static QString DeclarationParameter() { return QStringLiteral("left,top,right,bottom"); }
    static QString SwitchParameter() { return QStringLiteral("aRect"); }
    static QString Declaration(const QString &s, const QString &v) { return QStringLiteral("procedure %1(const %2:integer);").arg(s, v); }
    static TRectValue FromArgs(const QVariantList &args)
    {
        return TRectValue{Arg(args, 0).toInt(), Arg(args, 1).toInt(), Arg(args, 2).toInt(), Arg(args, 3).toInt()};
    }
    static QString Arguments(const TRectValue &r)
    {
        return QStringLiteral("%1,%2,%3,%4").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
    }
    static std::optional<TRectValue> Parse(const QString &text) { return actiontext::RectFromText(text); }
    static TRectValue Read(TBrontelPreferences &gp, const QString &key, const TRectValue &def) { return gp.ReadRect(key, def); }
    static bool Write(TBrontelPreferences &gp, const QString &key, const TRectValue &value) { return gp.WriteRect(key, value); }
};

} // namespace

// ---------------------------------------------------------------- TValueAction

template <typename T>
void TValueAction<T>::SetValue(const T &value)
{
    // The Boolean equality rule.
    if constexpr (std::is_same_v<T, bool>) {
        if (value == m_value)
            return;
    }
    m_value = value;
    if (!scriptName().isEmpty())
        Record(QStringLiteral("    %1(%2);").arg(scriptName(), TRules<T>::Arguments(m_value)));
    TRecorderBusy busy;
    Apply();
}

template <typename T>
bool TValueAction<T>::RegisterInScript(TScriptEngine &engine)
{
    if (scriptName().isEmpty())
        return true;
    return registerProcedure(engine, ScriptDeclaration(), [this](const QVariantList &args) { SetValue(TRules<T>::FromArgs(args)); });
}

template <typename T>
QString TValueAction<T>::ScriptDeclaration()
{
    return TRules<T>::Declaration(scriptName(), parameterName(TRules<T>::DeclarationParameter(), TRules<T>::KeepParameter));
}

template <typename T>
QString TValueAction<T>::SwitchSyntax()
{
    return QStringLiteral("/%1=%2").arg(switchName(), parameterName(TRules<T>::SwitchParameter(), TRules<T>::KeepParameter));
}

template <typename T>
void TValueAction<T>::Execute()
{
    if (!m_onPrepare && !m_internalPrepare)
        return;
    T fresh{};
    if (m_onPrepare && !m_onPrepare(fresh))
        return;
    if (m_internalPrepare && !m_internalPrepare(fresh))
        return;
    SetValue(fresh);
}

template <typename T>
void TValueAction<T>::Apply()
{
    // A handler may set this action again: each one sees the value the chain started with.
    const T value = m_value;
    if (m_onBeforeApply)
        m_onBeforeApply(value);
    if (m_internalApply)
        m_internalApply(value);
    if (m_onAfterApply)
        m_onAfterApply(value);
}

template <typename T>
void TValueAction<T>::SetValueFromText(const QString &text)
{
    if (const std::optional<T> value = TRules<T>::Parse(text))
        SetValue(*value);
}

template <typename T>
bool TValueAction<T>::LoadFromPrefs(TBrontelPreferences &gp)
{
    return guarded([&] {
        if (m_onDefault)
            m_onDefault(m_default);
        if (m_internalDefault)
            m_internalDefault(m_default);
        m_value = scriptName().isEmpty() ? m_default : TRules<T>::Read(gp, scriptName(), m_default);
        if (applyWhenLoad()) {
            TRecorderBusy loading; // loading is no user's change
            Apply();
        }
    });
}

template <typename T>
bool TValueAction<T>::SaveToPrefs(TBrontelPreferences &gp)
{
    bool written = false;
    const bool ran = guarded([&] {
        if (m_beforeSave)
            m_beforeSave(m_value);
        if (m_internalBeforeSave)
            m_internalBeforeSave(m_value);
        written = scriptName().isEmpty() || TRules<T>::Write(gp, scriptName(), m_value);
    });
    return ran && written;
}

template <typename T>
void TValueAction<T>::ClearAction()
{
    TAbstractAction::ClearAction();
    m_onPrepare = m_onDefault = m_beforeSave = nullptr;
    m_internalPrepare = m_internalDefault = m_internalBeforeSave = nullptr;
    m_onBeforeApply = m_onAfterApply = m_internalApply = nullptr;
}

template class TValueAction<QString>;
template class TValueAction<QStringList>;
template class TValueAction<TFontValue>;
template class TValueAction<qint32>;
template class TValueAction<double>;
template class TValueAction<bool>;
template class TValueAction<TRectValue>;

// ---------------------------------------------------------------- TCheckAction

TCheckAction::TCheckAction(const QString &name, TCustomQvActionList *list)
    : TCustomAbstractAction(name, list), m_trueCaption(caption()), m_falseCaption(caption())
{
    setCheckable(true);
    showState();
}

bool TCheckAction::RegisterInScript(TScriptEngine &engine)
{
    if (scriptName().isEmpty())
        return true;
    const bool set = registerProcedure(engine, QStringLiteral("procedure set%1(const aBoolean:Boolean);").arg(scriptName()),
                                       [this](const QVariantList &args) { SetValue(Arg(args, 0).toBool()); });
    const bool toggle = registerProcedure(engine, QStringLiteral("procedure %1;").arg(scriptName()),
                                          [this](const QVariantList &) { SetValue(!isChecked()); });
    return set && toggle;
}

void TCheckAction::Execute()
{
    if (m_onPrepare && !m_onPrepare())
        return;
    if (m_internalPrepare && !m_internalPrepare())
        return;
    SetValue(!isChecked());
}

QString TCheckAction::ScriptDeclaration()
{
    return QStringLiteral("procedure set%1(const %2:Boolean);\r\nprocedure %1;").arg(scriptName(), parameterName(QStringLiteral("fisTrue")));
}

QString TCheckAction::SwitchSyntax()
{
    return QStringLiteral("/%1 +%1 -%1").arg(switchName());
}

void TCheckAction::ClearAction()
{
    TCustomAbstractAction::ClearAction();
    m_onPrepare = m_internalPrepare = nullptr;
    m_onDefault = m_beforeSave = m_internalDefault = m_internalBeforeSave = nullptr;
    m_onBeforeTrue = m_onAfterTrue = m_onBeforeFalse = m_onAfterFalse = m_internalTrue = m_internalFalse = nullptr;
}

void TCheckAction::SetValueFromText(const QString &text)
{
    SetValue(actiontext::BooleanFromText(text));
}

void TCheckAction::SetValue(bool checked)
{
    setCheckState(checked);
    if (!scriptName().isEmpty() && scriptName().compare(QLatin1String("Script"), Qt::CaseInsensitive) != 0)
        Record(QStringLiteral("    set%1(%2);").arg(scriptName(), BoolText(checked)));
    TRecorderBusy busy;
    Apply();
}

void TCheckAction::Apply()
{
    const auto run = [](const TApplyNopeEvent &handler) {
        if (handler)
            handler();
    };
    if (isChecked()) {
        run(m_onBeforeTrue);
        run(m_internalTrue);
        run(m_onAfterTrue);
    } else {
        run(m_onBeforeFalse);
        run(m_internalFalse);
        run(m_onAfterFalse);
    }
    showState();
}

bool TCheckAction::LoadFromPrefs(TBrontelPreferences &gp)
{
    return guarded([&] {
        if (m_onDefault)
            m_onDefault(m_default);
        if (m_internalDefault)
            m_internalDefault(m_default);
        setCheckState(scriptName().isEmpty() ? m_default : gp.ReadBool(scriptName(), m_default));
        showState();
        if (applyWhenLoad()) {
            TRecorderBusy loading;
            Apply();
        }
    });
}

bool TCheckAction::SaveToPrefs(TBrontelPreferences &gp)
{
    bool written = false;
    const bool ran = guarded([&] {
        bool value = isChecked();
        if (m_beforeSave)
            m_beforeSave(value);
        if (m_internalBeforeSave)
            m_internalBeforeSave(value);
        written = scriptName().isEmpty() || gp.WriteBool(scriptName(), value);
    });
    return ran && written;
}

void TCheckAction::setDefaultValue(bool value)
{
    m_default = value;
    setCheckState(value);
    showState();
}

void TCheckAction::setTrueCaption(const QString &caption)
{
    setStateValue(m_trueCaption, caption, true, &TCustomAbstractAction::setCaption);
}

void TCheckAction::setFalseCaption(const QString &caption)
{
    setStateValue(m_falseCaption, caption, false, &TCustomAbstractAction::setCaption);
}

void TCheckAction::setTrueHint(const QString &hint)
{
    setStateValue(m_trueHint, hint, true, &TCustomAbstractAction::setHint);
}

void TCheckAction::setFalseHint(const QString &hint)
{
    setStateValue(m_falseHint, hint, false, &TCustomAbstractAction::setHint);
}

void TCheckAction::setTrueImageIndex(int index)
{
    setStateValue(m_trueImage, index, true, &TCustomAbstractAction::setImageIndex);
}

void TCheckAction::setFalseImageIndex(int index)
{
    setStateValue(m_falseImage, index, false, &TCustomAbstractAction::setImageIndex);
}

void TCheckAction::showState()
{
    const bool checked = isChecked();
    setCaption(checked ? m_trueCaption : m_falseCaption);
    setHint(checked ? m_trueHint : m_falseHint);
    setImageIndex(checked ? m_trueImage : m_falseImage);
}
