#include "framework/catalogueactions.h"

#include "framework/preferences.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <optional>
#include <utility>
#include <variant>

using actioncatalogue::TActionEntry;
using actioncatalogue::TOwner;
using settings::TDefaultRule;
using settings::TSetting;
using settings::TType;

namespace {

constexpr QSize kDefaultWindow{962, 751};
constexpr QSize kScreenWithoutDisplay{1920, 1080};

QSize PrimaryScreenSize()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return screen->geometry().size();
    return kScreenWithoutDisplay;
}

QString Text(QStringView view)
{
    return view.toString();
}

// Caption, hint, shortcuts, script name and switch of a catalogue entry.
void Describe(TCustomAbstractAction &action, const TActionEntry &entry)
{
    const QString caption = entry.caption.isEmpty() ? action.caption() : Text(entry.caption);
    if (auto *check = qobject_cast<TCheckAction *>(&action)) {
        check->setFalseCaption(caption);
        check->setTrueCaption(entry.checkedCaption.isEmpty() ? caption : Text(entry.checkedCaption));
        check->setFalseHint(Text(entry.hint));
        check->setTrueHint(Text(entry.hint));
    } else {
        action.setCaption(caption);
        action.setHint(Text(entry.hint));
    }
    action.setShortCut(QKeySequence::fromString(Text(entry.shortcuts[0]), QKeySequence::PortableText));
    if (!entry.shortcuts[1].isEmpty())
        action.setSecondaryShortcuts({Text(entry.shortcuts[1])});
    action.setScriptName(Text(actioncatalogue::ScriptName(entry)));
    action.setSwitchName(Text(entry.switchName));
    action.setIncludePrefs(entry.stored);
    action.setEnabled(entry.enabledAtStart);
}

// The defaults of a setting: the catalogue's, or computed at load by its rule.
void SetDefaults(TNopeAction &, const TSetting &, const TMachineDefaults &) {}

void SetDefaults(TCheckAction &action, const TSetting &setting, const TMachineDefaults &)
{
    action.setDefaultValue(std::get<bool>(setting.defaultValue));
}

template <typename T>
void SetDefaults(TValueAction<T> &action, const TSetting &setting, const TMachineDefaults &machine)
{
    action.setDefaultValue(std::get<T>(setting.defaultValue));
    if (setting.rule == TDefaultRule::Fixed)
        return;
    action.setInternalDefault([&setting, machine](T &def) {
        if constexpr (std::is_same_v<T, TRectValue>) {
            if (setting.rule == TDefaultRule::CentredWindow) {
                def = CentredWindow(machine.screenSize ? machine.screenSize() : PrimaryScreenSize());
                return true;
            }
        } else if constexpr (std::is_same_v<T, QString>) {
            if (setting.rule == TDefaultRule::SiblingProgram) {
                def = machine.siblingProgram
                          ? machine.siblingProgram()
                          : SiblingProgramPath(TPreferencesPlaces::ForApplication(QStringLiteral("Snapvue")).settingsFile);
                return true;
            }
        }
        const settings::TValue value = settings::DefaultValue(setting);
        if (const T *typed = std::get_if<T>(&value))
            def = *typed;
        return true;
    });
}

template <typename A>
TCustomAbstractAction *Make(TCustomQvActionList &list, const QString &name, const TSetting *setting, const TMachineDefaults &machine)
{
    auto *action = new A(name, &list);
    if (setting)
        SetDefaults(*action, *setting, machine);
    return action;
}

// An action of the class of a value type; a command without one.
TCustomAbstractAction *NewAction(TCustomQvActionList &list, const QString &name, std::optional<TType> type,
                                 const TSetting *setting, const TMachineDefaults &machine)
{
    if (!type)
        return Make<TNopeAction>(list, name, setting, machine);
    switch (*type) {
    case TType::Check: return Make<TCheckAction>(list, name, setting, machine);
    case TType::Boolean: return Make<TBooleanAction>(list, name, setting, machine);
    case TType::Integer: return Make<TIntegerAction>(list, name, setting, machine);
    case TType::Double: return Make<TDoubleAction>(list, name, setting, machine);
    case TType::WideString: return Make<TWidestringAction>(list, name, setting, machine);
    case TType::WStrings: return Make<TWStringsAction>(list, name, setting, machine);
    case TType::Font: return Make<TFontAction>(list, name, setting, machine);
    case TType::Rect: return Make<TRectAction>(list, name, setting, machine);
    }
    return Make<TNopeAction>(list, name, setting, machine);
}

// The value type a name's kind prefix gives; none for a command ("na", and
// the batch commands' "cc").
std::optional<TType> TypeOfPrefix(QStringView name)
{
    static const std::pair<QStringView, TType> kPrefixes[] = {
        {u"ca", TType::Check},   {u"ba", TType::Boolean},    {u"ia", TType::Integer},  {u"da", TType::Double},
        {u"wa", TType::WideString}, {u"sa", TType::WStrings}, {u"fa", TType::Font}, {u"ra", TType::Rect},
    };
    for (const auto &[prefix, type] : kPrefixes)
        if (name.startsWith(prefix))
            return type;
    return std::nullopt;
}

TCustomAbstractAction *SettingAction(TCustomQvActionList &list, const TSetting &setting, const TMachineDefaults &machine)
{
    TCustomAbstractAction *action = NewAction(list, Text(setting.action), setting.type, &setting, machine);
    if (const TActionEntry *entry = actioncatalogue::Find(setting.action))
        Describe(*action, *entry);
    action->setScriptName(Text(setting.key));
    action->setIncludePrefs(setting.stored);
    action->setApplyWhenLoad(setting.appliedAtLoad);
    if (!setting.help.isEmpty())
        action->setComments({Text(setting.help)});
    return action;
}

// The setting whose action is name, or null.
const TSetting *SettingOf(QStringView name)
{
    for (const TSetting &setting : settings::Catalogue())
        if (setting.action == name)
            return &setting;
    return nullptr;
}

// An action that is no setting.
TCustomAbstractAction *EntryAction(TCustomQvActionList &list, const TActionEntry &entry, const TMachineDefaults &machine)
{
    TCustomAbstractAction *action = NewAction(list, Text(entry.name), TypeOfPrefix(entry.name), nullptr, machine);
    Describe(*action, entry);
    return action;
}

// The Ctrl-shortcut mode: its on and off states give the actions that have
// a shortcut for it that shortcut, or their plain one.
void LinkCtrlShortcuts(TCustomQvActionList &list)
{
    auto *mode = list.find<TCheckAction>(QStringLiteral("caCTRLShortcuts"));
    if (!mode)
        return;
    const auto shortcuts = [&list](bool ctrl) {
        for (const TActionEntry &entry : actioncatalogue::Actions()) {
            if (entry.ctrlModeShortcut.isEmpty())
                continue;
            if (TCustomAbstractAction *action = list.findByName(Text(entry.name)))
                action->setShortCut(QKeySequence::fromString(Text(ctrl ? entry.ctrlModeShortcut : entry.shortcuts[0]),
                                                             QKeySequence::PortableText));
        }
    };
    mode->setInternalTrueApply([shortcuts] { shortcuts(true); });
    mode->setInternalFalseApply([shortcuts] { shortcuts(false); });
}

} // namespace

TRectValue CentredWindow(QSize screen)
{
    const qint32 left = (screen.width() - kDefaultWindow.width()) / 2;
    const qint32 top = (screen.height() - kDefaultWindow.height()) / 2;
    return TRectValue{left, top, left + kDefaultWindow.width(), top + kDefaultWindow.height()};
}

QString SiblingProgramPath(const QString &settingsFile)
{
    if (!QFileInfo::exists(settingsFile))
        return {};
    TRegPreferencesMan store(settingsFile, true);
    return store.ReadString(QStringLiteral("ExeName")).value_or(QString());
}

TOwner SettingOwner(const TSetting &setting)
{
    const TActionEntry *entry = actioncatalogue::Find(setting.action);
    return entry ? entry->owner : TOwner::Main;
}

QList<TCustomAbstractAction *> CreateCatalogueActions(TCustomQvActionList &list, TOwner owner, const TMachineDefaults &machine)
{
    QList<TCustomAbstractAction *> made;
    for (const TSetting &setting : settings::Catalogue())
        if (!setting.action.isEmpty() && SettingOwner(setting) == owner)
            made << SettingAction(list, setting, machine);
    for (const TActionEntry &entry : actioncatalogue::Actions())
        if (entry.owner == owner && !SettingOf(entry.name))
            made << EntryAction(list, entry, machine);
    if (owner == TOwner::Main)
        LinkCtrlShortcuts(list);
    return made;
}
