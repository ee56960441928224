// The settings the commands read: what each command lists, and a value set
// through the catalogue reaching the module that follows it.

#include "commands/commandsettings.h"
#include "commands/udmaction.h"
#include "pipelines/builders/convertirdvunit.h"
#include "stages/datecodetextsettings.h"
#include "stages/dv_superposer.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandSettings, EveryCommandSettingIsAppliedWithItsDefault)
{
    TCdm cdm;
    TdmAction actions(cdm);
    int commandsWithSettings = 0;
    for (tAbstractCmd *cmd : actions.commands()) {
        const auto read = SettingsReadBy(cmd->name);
        commandsWithSettings += read.empty() ? 0 : 1;
        for (const settings::TSetting *setting : read) {
            EXPECT_TRUE(IsCommandSetting(*setting));
            EXPECT_TRUE(ApplyCommandSetting(actions, *setting, settings::DefaultValue(*setting)))
                << qPrintable(cmd->name) << " " << qPrintable(setting->key.toString());
        }
    }
    EXPECT_GT(commandsWithSettings, 0);
    // A setting of the window reaches no command.
    EXPECT_FALSE(ApplyCommandSetting(actions, settings::Get(u"Volume"), qint32(3)));
    EXPECT_TRUE(SettingsReadBy(QStringLiteral("NoSuchCommand")).empty());
}

TEST(CommandSettings, TextsReachTheirModules)
{
    TCdm cdm;
    TdmAction actions(cdm);
    const auto set = [&actions](const char *key, const char *text) {
        QString error;
        const settings::TSetting &setting = settings::Get(QString::fromLatin1(key));
        const auto value = ParseCommandSetting(setting, QString::fromLatin1(text), &error);
        return value && ApplyCommandSetting(actions, setting, *value);
    };
    ASSERT_TRUE(set("IncrustX", "500"));
    EXPECT_EQ(actions.conversionSettings.incrustX, 500);
    ASSERT_TRUE(set("Intervalle", "30"));
    EXPECT_EQ(actions.intervalle, 30);
    ASSERT_TRUE(set("FrequenceDV", "0"));
    EXPECT_EQ(actions.recompressSettings.audioRate(), 32000);
    ASSERT_TRUE(set("timedifference", "-1:30:00"));
    EXPECT_DOUBLE_EQ(actions.conversionSettings.confirmedTimeDifference, -1.5 / 24);
    ASSERT_TRUE(set("IncrustFont", "Liberation Mono,20,red"));
    EXPECT_EQ(actions.conversionSettings.incrustFont.name, QStringLiteral("Liberation Mono"));
    EXPECT_EQ(actions.conversionSettings.incrustFont.color, QColor(Qt::red));
    ASSERT_TRUE(set("FormatDatecode1", "yyyy"));
    EXPECT_EQ(TDatecodeTextSettingsStore::instance().snapshot().format1, QStringLiteral("yyyy"));
    ASSERT_TRUE(set("TemplateRenommer", "Tape%D%E"));
    EXPECT_EQ(actions.renameSettings.templateRenommer, QStringLiteral("Tape%D%E"));
    ASSERT_TRUE(set("FormatDatecode1", "ddddd"));

    EXPECT_FALSE(set("timedifference", "1:75:00"));
    EXPECT_FALSE(set("Intervalle", "0"));
}

TEST(CommandSettings, ModulesStartFromTheCatalogue)
{
    TCdm cdm;
    TdmAction actions(cdm);
    EXPECT_EQ(actions.conversionSettings.incrustX, settings::DefaultInteger(u"IncrustX"));
    EXPECT_EQ(actions.intervalle, settings::DefaultInteger(u"Intervalle"));
    EXPECT_EQ(actions.dureeIncrustation, settings::DefaultInteger(u"DureeIncrustation"));
    EXPECT_EQ(actions.recompressSettings.frequency, settings::DefaultInteger(u"FrequenceDV"));
    Tdv_Superposer stage;
    EXPECT_EQ(stage.x(), settings::DefaultInteger(u"IncrustX"));
    EXPECT_EQ(stage.incrustFont(), IncrustFontOf(settings::DefaultFont(u"IncrustFont")));
    EXPECT_EQ(actions.renameSettings.formatRenommer, settings::DefaultString(u"FormatRenommer"));
}

} // namespace
