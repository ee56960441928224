#include "framework/catalogueactions.h"

#include "framework/preferences.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

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

// A value action of T for a setting: its default is the catalogue's, or
// computed at load by its rule.
template <typename A>
A *ValueAction(TCustomQvActionList &list, const TSetting &setting, const TMachineDefaults &machine)
{
    using T = typename A::TValue;
    auto *action = new A(Text(setting.action), &list);
    action->setDefaultValue(std::get<T>(setting.defaultValue));
    if (setting.rule == TDefaultRule::Fixed)
        return action;
    action->setInternalDefault([&setting, machine](T &def) {
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
    return action;
}

TCustomAbstractAction *SettingAction(TCustomQvActionList &list, const TSetting &setting, const TMachineDefaults &machine)
{
    TCustomAbstractAction *action = nullptr;
    switch (setting.type) {
    case TType::Check: {
        auto *check = new TCheckAction(Text(setting.action), &list);
        check->setDefaultValue(std::get<bool>(setting.defaultValue));
        action = check;
        break;
    }
    case TType::Boolean: action = ValueAction<TBooleanAction>(list, setting, machine); break;
    case TType::Integer: action = ValueAction<TIntegerAction>(list, setting, machine); break;
    case TType::Double: action = ValueAction<TDoubleAction>(list, setting, machine); break;
    case TType::WideString: action = ValueAction<TWidestringAction>(list, setting, machine); break;
    case TType::WStrings: action = ValueAction<TWStringsAction>(list, setting, machine); break;
    case TType::Font: action = ValueAction<TFontAction>(list, setting, machine); break;
    case TType::Rect: action = ValueAction<TRectAction>(list, setting, machine); break;
    }
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

// An action that is no setting, by its kind prefix.
TCustomAbstractAction *EntryAction(TCustomQvActionList &list, const TActionEntry &entry)
{
    const QString name = Text(entry.name);
    const QStringView prefix = entry.name.left(2);
    TCustomAbstractAction *action = nullptr;
    if (prefix == u"ca")
        action = new TCheckAction(name, &list);
    else if (prefix == u"wa")
        action = new TWidestringAction(name, &list);
    else if (prefix == u"sa")
        action = new TWStringsAction(name, &list);
    else if (prefix == u"ia")
        action = new TIntegerAction(name, &list);
    else if (prefix == u"da")
        action = new TDoubleAction(name, &list);
    else if (prefix == u"ba")
        action = new TBooleanAction(name, &list);
    else if (prefix == u"fa")
        action = new TFontAction(name, &list);
    else if (prefix == u"ra")
        action = new TRectAction(name, &list);
    else
        action = new TNopeAction(name, &list); // "na" and the batch commands' "cc"
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
            made << EntryAction(list, entry);
    if (owner == TOwner::Main)
        LinkCtrlShortcuts(list);
    return made;
}
