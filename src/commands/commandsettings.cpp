#include "commands/commandsettings.h"

#include "commands/commandparams.h"
#include "commands/udmaction.h"
#include "pipelines/builders/convertirdvunit.h"
#include "stages/datecodetextsettings.h"

#include <QFileInfo>

namespace {

struct TCommandSettings
{
    QStringView command;
    std::vector<QStringView> keys;
};

// The settings each kind of command reads.
const std::vector<QStringView> kLineTexts = {u"FormatDatecode1", u"FormatDatecode2",      u"WhatIncrust",
                                             u"IncrustPerso1",   u"IncrustPerso2",        u"DecalageDisplay",
                                             u"FormatAfficherDatecode"};
const std::vector<QStringView> kOutputs = {u"SameFolder", u"DossierSave"};

std::vector<QStringView> Join(std::initializer_list<std::vector<QStringView>> parts)
{
    std::vector<QStringView> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<TCommandSettings> &Table()
{
    static const std::vector<TCommandSettings> table = {
        {u"CreerSrt", Join({kLineTexts, {u"WhenIncrust", u"DureeIncrustation"}})},
        {u"Incruster", Join({kLineTexts, {u"IncrustX", u"IncrustY", u"Align", u"IncrustFont"}, kOutputs})},
        {u"ConvertirNTSC", Join({kOutputs, {u"timedifference"}})},
        {u"ConvertirPal", Join({kOutputs, {u"timedifference"}})},
        {u"RecompresserDV2", Join({kOutputs, {u"StandardDV", u"FrequenceDV", u"RatioDV"}})},
        {u"ConvertirDV1", kOutputs},
        {u"ConvertirDV2", kOutputs},
        {u"CorrigerType2", kOutputs},
        {u"Convertir16x9", kOutputs},
        {u"Convertir4x3", kOutputs},
        {u"DecalerHoraire", kOutputs},
        {u"IntroduireDatecode", kOutputs},
        {u"ExtraireAudio", kOutputs},
        {u"CutScenes", kOutputs},
        {u"CreerScnByIntervalle", {u"Intervalle"}},
        {u"AjouterDatecode", {u"FormatAjouterDatecode", u"DatecodeAvant"}},
        {u"AjouterTimecode", {u"TimecodeAvant"}},
        {u"Renommer", {u"TemplateRenommer", u"FormatRenommer"}},
        {u"OpenFichierF3", {u"FichierF3"}},
        {u"OpenFichierF4", {u"FichierF4"}},
        {u"Snapvue", {u"FichierSnapvue"}},
    };
    // A key that is not in the catalogue is a slip of the pen: stop at once.
    static const bool checked = [] {
        for (const TCommandSettings &entry : table)
            for (QStringView key : entry.keys)
                settings::Get(key);
        return true;
    }();
    Q_UNUSED(checked);
    return table;
}

bool Reads(const TCommandSettings &entry, const settings::TSetting &setting)
{
    for (QStringView key : entry.keys)
        if (key.compare(setting.key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool Is(const settings::TSetting &setting, QStringView key)
{
    return setting.key.compare(key, Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<const settings::TSetting *> SettingsReadBy(const QString &command)
{
    std::vector<const settings::TSetting *> read;
    for (const TCommandSettings &entry : Table()) {
        if (entry.command.compare(command, Qt::CaseInsensitive) != 0)
            continue;
        for (const settings::TSetting &setting : settings::Catalogue())
            if (Reads(entry, setting))
                read.push_back(&setting);
    }
    return read;
}

std::optional<settings::TValue> ParseCommandSetting(const settings::TSetting &setting, const QString &text,
                                                    QString *error)
{
    if (Is(setting, u"timedifference")) {
        const std::optional<QString> days = TimeDifferenceParameter(text);
        if (!days) {
            if (error)
                *error = QStringLiteral("%1 takes days or [+|-][D.]HH:MM:SS").arg(setting.key.toString());
            return std::nullopt;
        }
        return settings::ParseValue(setting, *days, error);
    }
    return settings::ParseValue(setting, text, error);
}

bool IsCommandSetting(const settings::TSetting &setting)
{
    for (const TCommandSettings &entry : Table())
        if (Reads(entry, setting))
            return true;
    return false;
}

bool ApplyCommandSetting(TdmAction &actions, const settings::TSetting &setting, const settings::TValue &value)
{
    if (!IsCommandSetting(setting))
        return false;
    const auto integer = [&value] { return std::get<qint32>(value); };
    const auto text = [&value] { return std::get<QString>(value); };
    const auto flag = [&value] { return std::get<bool>(value); };
    TDatecodeTextSettingsStore &store = TDatecodeTextSettingsStore::instance();
    TConversionSettings &conversion = actions.conversionSettings;
    TRenameSettings &rename = actions.renameSettings;
    TRecompressSettings &recompress = actions.recompressSettings;
    if (Is(setting, u"FormatAfficherDatecode"))
        actions.formatAfficherDatecode = text();
    else if (Is(setting, u"FormatDatecode1"))
        store.setFormat1(text());
    else if (Is(setting, u"FormatDatecode2"))
        store.setFormat2(text());
    else if (Is(setting, u"DecalageDisplay"))
        store.setDisplayShift(std::get<double>(value));
    else if (Is(setting, u"WhatIncrust"))
        actions.inlayText.whatIncrust = integer();
    else if (Is(setting, u"IncrustPerso1"))
        actions.inlayText.incrustPerso1 = text();
    else if (Is(setting, u"IncrustPerso2"))
        actions.inlayText.incrustPerso2 = text();
    else if (Is(setting, u"WhenIncrust"))
        actions.whenIncrust = integer();
    else if (Is(setting, u"DureeIncrustation"))
        actions.dureeIncrustation = qMax(0, integer());
    else if (Is(setting, u"IncrustX"))
        conversion.incrustX = qBound(0, integer(), 1000);
    else if (Is(setting, u"IncrustY"))
        conversion.incrustY = qBound(0, integer(), 1000);
    else if (Is(setting, u"Align"))
        conversion.align = integer();
    else if (Is(setting, u"IncrustFont"))
        conversion.incrustFont = IncrustFontOf(std::get<TFontValue>(value));
    else if (Is(setting, u"SameFolder"))
        conversion.sameFolder = flag();
    else if (Is(setting, u"DossierSave"))
        conversion.dossierSave = text().isEmpty() ? QString() : QFileInfo(text()).absoluteFilePath();
    else if (Is(setting, u"timedifference"))
        conversion.confirmedTimeDifference = std::get<double>(value);
    else if (Is(setting, u"StandardDV"))
        recompress.standard = integer();
    else if (Is(setting, u"FrequenceDV"))
        recompress.frequency = integer();
    else if (Is(setting, u"RatioDV"))
        recompress.ratio = integer();
    else if (Is(setting, u"Intervalle"))
        actions.intervalle = integer();
    else if (Is(setting, u"FormatAjouterDatecode"))
        rename.formatAjouterDatecode = text();
    else if (Is(setting, u"DatecodeAvant"))
        rename.datecodeAvant = flag();
    else if (Is(setting, u"TimecodeAvant"))
        rename.timecodeAvant = flag();
    else if (Is(setting, u"TemplateRenommer"))
        rename.templateRenommer = text();
    else if (Is(setting, u"FormatRenommer"))
        rename.formatRenommer = text();
    else if (Is(setting, u"FichierF3"))
        actions.fichierF3 = text();
    else if (Is(setting, u"FichierF4"))
        actions.fichierF4 = text();
    else if (Is(setting, u"FichierSnapvue"))
        actions.fichierSnapvue = text();
    else
        return false;
    return true;
}
