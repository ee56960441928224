#include "framework/settingscatalogue.h"

#include <QDir>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

using settings::TType;

// The index of the variant alternative each type holds.
size_t AlternativeOf(TType type)
{
    switch (type) {
    case TType::Check:
    case TType::Boolean: return 0;
    case TType::Integer: return 1;
    case TType::Double: return 2;
    case TType::WideString: return 3;
    case TType::WStrings: return 4;
    case TType::Font: return 5;
    case TType::Rect: return 6;
    }
    return 99;
}

TEST(SettingsCatalogue, KeysAreUniqueAndDefaultsHaveTheirType)
{
    QSet<QString> keys;
    for (const settings::TSetting &s : settings::Catalogue()) {
        const QString key = s.key.toString().toLower();
        EXPECT_FALSE(keys.contains(key)) << qPrintable(key);
        keys.insert(key);
        EXPECT_EQ(s.defaultValue.index(), AlternativeOf(s.type)) << qPrintable(key);
        if (s.type == TType::Integer) {
            const qint32 n = std::get<qint32>(s.defaultValue);
            // A parameter's "no value yet" may sit outside what --set takes.
            if (s.stored && s.appliedAtLoad) {
                EXPECT_TRUE(n >= s.minimum && n <= s.maximum) << qPrintable(key);
            }
        }
        // Every stored value is the value of one of the window's actions.
        if (s.stored) {
            EXPECT_FALSE(s.action.isEmpty()) << qPrintable(key);
        }
    }
}

TEST(SettingsCatalogue, DefaultsAtFirstStart)
{
    EXPECT_TRUE(settings::DefaultBool(u"mirror"));
    EXPECT_EQ(settings::DefaultInteger(u"Volume"), 5000);
    EXPECT_EQ(settings::DefaultInteger(u"IncrustX"), 920);
    EXPECT_EQ(settings::DefaultInteger(u"incrusty"), 920); // keys ignore case
    EXPECT_EQ(settings::DefaultInteger(u"BorderSize"), 2);
    EXPECT_EQ(settings::DefaultInteger(u"Intervalle"), 20);
    EXPECT_EQ(settings::DefaultInteger(u"FrequenceDV"), 2);
    EXPECT_EQ(settings::DefaultInteger(u"StandardDV"), 0);
    EXPECT_EQ(settings::DefaultInteger(u"Vue"), 0);
    EXPECT_EQ(settings::DefaultString(u"FormatAfficherDatecode"), QStringLiteral(" ddddd tt"));
    const TFontValue font = settings::DefaultFont(u"IncrustFont");
    EXPECT_EQ(font.name, QStringLiteral("Arial"));
    EXPECT_EQ(font.size, 16);
    EXPECT_EQ(font.color, 0xFFFFFF);
    EXPECT_FALSE(font.bold || font.italic || font.underline || font.strikeOut);
    EXPECT_FALSE(settings::Get(u"RatioDV").appliedAtLoad);
    EXPECT_EQ(settings::Find(u"NoSuchSetting"), nullptr);
}

TEST(SettingsCatalogue, FolderDefaultsFallBackToHome)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool existed = QDir(documents).exists();
    const QString dossier = settings::DefaultString(u"DossierSave");
    EXPECT_EQ(dossier, existed ? documents : QDir::homePath());
    QStandardPaths::setTestModeEnabled(false);
}

struct TParseCase
{
    const char *key;
    const char *text;
    const char *parsed; // the value's text, or nullptr for a refusal
};

class SettingsParseTest : public testing::TestWithParam<TParseCase> {};

TEST_P(SettingsParseTest, ParsesOrRefusesWithReason)
{
    const TParseCase &c = GetParam();
    const settings::TSetting &setting = settings::Get(QString::fromLatin1(c.key));
    QString error;
    const std::optional<settings::TValue> value = settings::ParseValue(setting, QString::fromUtf8(c.text), &error);
    if (!c.parsed) {
        EXPECT_FALSE(value) << c.key << "=" << c.text;
        EXPECT_TRUE(error.startsWith(setting.key.toString())) << qPrintable(error);
        return;
    }
    ASSERT_TRUE(value) << qPrintable(error);
    EXPECT_EQ(settings::ValueText(setting, *value), QString::fromUtf8(c.parsed));
    // The text form reads back as the same value.
    EXPECT_EQ(settings::ParseValue(setting, settings::ValueText(setting, *value), nullptr), value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsParseTest,
    testing::Values(TParseCase{"SameFolder", "FALSE", "false"}, TParseCase{"SameFolder", "1", "true"},
                    TParseCase{"SameFolder", "yes please", nullptr}, TParseCase{"Intervalle", "30", "30"},
                    TParseCase{"Intervalle", "0", nullptr}, TParseCase{"Intervalle", "2.5", nullptr},
                    TParseCase{"Intervalle", "", nullptr}, TParseCase{"WhatIncrust", "3", nullptr},
                    TParseCase{"IncrustX", "1000", "1000"}, TParseCase{"IncrustX", "1001", nullptr},
                    TParseCase{"Volume", "-20", "-20"}, TParseCase{"DecalageDisplay", "-0.5", "-0.5"},
                    TParseCase{"DecalageDisplay", "half", nullptr},
                    TParseCase{"FormatDatecode1", " yyyy, mm ", " yyyy, mm "},
                    TParseCase{"IncrustFont", "Liberation Sans,24,white", "Liberation Sans,24,#ffffff"},
                    TParseCase{"IncrustFont", ",12", "Arial,12,#ffffff"},
                    TParseCase{"IncrustFont", "Arial,0", nullptr}, TParseCase{"IncrustFont", "Arial,9,#102030", "Arial,9,#102030"}, TParseCase{"IncrustFont", "Arial,12,nocolour", nullptr},
                    TParseCase{"FormSave", "(1, 2, 300, 400)", "(1, 2, 300, 400)"},
                    TParseCase{"FormSave", "1, 2, 300, 400", nullptr}));

} // namespace
