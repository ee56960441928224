// The information panel: the texts of a record, the name's font, the size
// with the user's thousands separators, the copy menu.

#include "main_fixture.h"

#include "avi/records/avifichier.h"
#include "ui/afficherfichier.h"

#include <QFileInfo>

namespace {

TEST(BasePanel, NameFontShrinksButNeverBelowEight)
{
    struct Case
    {
        int textWidth, available, size;
    };
    const Case cases[] = {{100, 200, 13}, {200, 200, 13}, {400, 200, 8}, {260, 200, 10}, {10000, 200, 8}, {300, 0, 8}};
    for (const Case &c : cases)
        EXPECT_EQ(basepanel::NamePixelSize(c.textWidth, c.available), c.size) << c.textWidth << " in " << c.available;
}

TEST(BasePanel, SizeHasTheLocalesThousandsSeparators)
{
    EXPECT_EQ(basepanel::SizeText(5'000'000'000ULL, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("5,000,000,000"));
    EXPECT_EQ(basepanel::SizeText(5'000'000'000ULL, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("5.000.000.000"));
    QLocale plain(QLocale::English, QLocale::UnitedStates);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(basepanel::SizeText(1234567, plain), QStringLiteral("1,234,567"));
    EXPECT_EQ(basepanel::SizeText(999, plain), QStringLiteral("999"));
}

class TBasePanelTest : public ::testing::Test
{
protected:
    QString sample(const QString &name, const QStringList &options)
    {
        const QString path = MakeSampleRecording(dir, name, options);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    QTemporaryDir dir;
    TBaseFrame panel;
};

TEST_F(TBasePanelTest, ShowsTheRecordAndCopiesItsData)
{
    const QString path = sample(QStringLiteral("Holiday.AVI"), {QStringLiteral("--frames"), QStringLiteral("10")});
    TaviFichier record(path);
    panel.resize(296, 220);
    panel.ShowFile(&record);
    EXPECT_EQ(panel.nameText(), QStringLiteral("Holiday.AVI"));
    EXPECT_TRUE(panel.codecText().endsWith(QStringLiteral(" (type 1)"))) << panel.codecText().toStdString();
    EXPECT_EQ(panel.datecodeText(), FormatDateTime(panel.datecodeFormat(), *record.facts().firstDatecode));
    EXPECT_EQ(panel.pictureText(), record.texts().video + record.texts().aspect);
    EXPECT_EQ(panel.frameRateText(), QStringLiteral("25"));
    EXPECT_EQ(panel.timeDifferenceText(), QString());
    EXPECT_FALSE(panel.sceneFileShown());
    EXPECT_FALSE(panel.subtitleFileShown());
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy the full name")), path.toLower());
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy the short name")), QStringLiteral("holiday.avi"));
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy the size of file")), basepanel::SizeText(QFileInfo(path).size()));
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy the codec")), panel.codecText());
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy audio")), panel.audioText());
    EXPECT_TRUE(panel.toolTip().contains(path));
    EXPECT_TRUE(panel.toolTip().contains(basepanel::SizeText(QFileInfo(path).size())));

    record.setDisplayShift(-0.5);
    panel.ShowFile(&record);
    EXPECT_EQ(panel.timeDifferenceText(), QStringLiteral("-12:00:00"));
    record.setDisplayShift(1.0 / 24);
    panel.ShowFile(&record);
    EXPECT_EQ(panel.timeDifferenceText(), QStringLiteral("+01:00:00"));

    panel.Clear();
    EXPECT_EQ(panel.nameText(), QStringLiteral("---"));
    EXPECT_EQ(panel.codecText(), QString());
    EXPECT_EQ(panel.copyText(QStringLiteral("Copy the full name")), QString());
}

TEST_F(TBasePanelTest, CodecTellsTheDvType)
{
    const QString type2 = sample(QStringLiteral("two.avi"), {QStringLiteral("--frames"), QStringLiteral("5"), QStringLiteral("--type"), QStringLiteral("2")});
    TaviFichier record(type2);
    EXPECT_TRUE(basepanel::CodecText(record).endsWith(QStringLiteral(" (type 2)"))) << basepanel::CodecText(record).toStdString();
}

TEST_F(TBasePanelTest, LongNamesShrinkTheFont)
{
    const QString path = sample(QStringLiteral("a_very_long_name_of_a_recording_made_on_a_summer_holiday_far_away.avi"),
                                {QStringLiteral("--frames"), QStringLiteral("3")});
    TaviFichier record(path);
    panel.resize(296, 220);
    panel.show();
    panel.ShowFile(&record);
    EXPECT_LT(panel.namePixelSize(), 13);
    EXPECT_GE(panel.namePixelSize(), 8);
}

} // namespace
