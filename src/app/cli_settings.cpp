// tarvex-cli settings: every setting of the catalogue with its type, default
// and the value the window stored; and the stored settings a command run
// starts from.

#include "app/clitool.h"

#include "commands/commandsettings.h"
#include "commands/udmaction.h"
#include "framework/appinfo.h"
#include "framework/storedsettings.h"

#include <QDir>

namespace cli {
namespace {

// The window's store, read only, opened at its settings; null when nothing is stored.
std::unique_ptr<TBrontelPreferences> OpenWindowSettings()
{
    std::unique_ptr<TBrontelPreferences> store =
        TBrontelPreferences::OpenReadOnly(TPreferencesPlaces::ForApplication(QString::fromLatin1(kAppTitle)));
    if (store->mode() == TSavePreferences::spNone || !store->OpenKey(settings::MainWindowKey.toString()))
        return nullptr;
    return store;
}

QString StoreDescription(const TBrontelPreferences &store)
{
    return store.mode() == TSavePreferences::spPortable
               ? QStringLiteral("%1 (portable mode)").arg(QDir::toNativeSeparators(store.places().iniFile()))
               : QDir::toNativeSeparators(store.places().settingsFile);
}

// Tabs and line breaks of a value would break the row.
QString Cell(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

} // namespace

int loadStoredSettings(TdmAction &actions)
{
    const std::unique_ptr<TBrontelPreferences> store = OpenWindowSettings();
    if (!store)
        return 0;
    int applied = 0;
    for (const settings::TSetting &setting : settings::Catalogue()) {
        if (!IsCommandSetting(setting))
            continue;
        if (const std::optional<settings::TValue> value = settings::FindStored(*store, setting))
            applied += ApplyCommandSetting(actions, setting, *value) ? 1 : 0;
    }
    return applied;
}

int runSettings(const QStringList &args)
{
    if (!args.isEmpty())
        return usageError(QStringLiteral("settings: unexpected argument '%1'").arg(args.first()), "settings");
    const std::unique_ptr<TBrontelPreferences> store = OpenWindowSettings();
    if (store)
        std::fprintf(stderr, "Stored settings: %s\n", qPrintable(StoreDescription(*store)));
    else
        std::fprintf(stderr, "No stored settings: the defaults apply\n");
    QByteArray out = "key\ttype\tdefault\tstored\tcommands\n";
    for (const settings::TSetting &setting : settings::Catalogue()) {
        QString stored = QStringLiteral("-");
        if (store)
            if (const std::optional<settings::TValue> value = settings::FindStored(*store, setting))
                stored = settings::ValueText(setting, *value);
        const QStringList row = {setting.key.toString(), settings::TypeName(setting.type),
                                 settings::ValueText(setting, settings::DefaultValue(setting)), stored,
                                 IsCommandSetting(setting) ? QStringLiteral("yes") : QStringLiteral("no")};
        QStringList cells;
        for (const QString &cell : row)
            cells << Cell(cell);
        out += cells.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    writeOutput(out.constData(), size_t(out.size()));
    return finishOutput(Ok);
}

} // namespace cli
