#include "dv/datecodesettings.h"
#include "dv/templates.h"
#include "framework/settingscatalogue.h"

#include <QLocale>

#include "support/pinnedlocale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const TDateTime NewYearsEve = EncodeDateTime(2007, 12, 31, 23, 59, 59);

struct TFakeRecord final : TTemplateSource
{
    QString path = QStringLiteral("/home/user/videos/Holiday.avi");
    QString codec = QStringLiteral("dvsd");
    QString timecode = QStringLiteral("00.54.32.10");
    TDateTime first = NewYearsEve;
    TDateTime shift = 0;

    QString templateFullPath() const override { return path; }
    QString templateCodec() const override { return codec; }
    QString templateVideoText() const override { return QStringLiteral("720 x 576 (Pal"); }
    QString templateAspectText() const override { return QStringLiteral(" 4x3)"); }
    QString templateAudioText() const override { return QStringLiteral("48000Hz 16 bits  stereo"); }
    QString templateDurationText() const override { return QStringLiteral("1min 30s 12fr"); }
    TDateTime templateFirstDatecode() const override { return first; }
    TDateTime templateDisplayShift() const override { return shift; }
    QString templateTimecodeText() const override { return timecode; }
};

class TemplatesTest : public ::testing::Test
{
protected:
    PinnedLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

TEST_F(TemplatesTest, ExpandNameTemplateReplacesEveryCodeInAnyCase)
{
    const TFakeRecord record;
    const QString folder = QStringLiteral("/home/user/videos/");
    const std::vector<std::tuple<QString, QString, QString>> cases = {
        {"%D_%F%E", "yyyymmdd", "20071231_Holiday.avi"},
        {"%d_%f%e", "yyyymmdd", "20071231_Holiday.avi"},
        {"%D%E", "hh:nn:ss", "23.59.59.avi"},
        {"%D%E", "ddddd", "12_31_07.avi"},
        {"%F %T %C %I %A %U%E", "", "Holiday 00.54.32.10 dvsd 720 x 576 (Pal 4x3) 48000Hz 16 bits  stereo 1min 30s 12fr.avi"},
        {"%F-%D-%F", "yyyy", "Holiday-2007-Holiday"},
        {"Clip", "yyyy", "Clip"},
        {"a<b>c\"d|e\\f/g:h", "yyyy", "a_b_c_d_e_f_g.h"},
        {"100% %X %", "yyyy", "100% %X %"},
    };
    for (const auto &[nameTemplate, format, expected] : cases)
        EXPECT_EQ(ExpandNameTemplate(nameTemplate, format, record), folder + expected) << nameTemplate.toStdString();
}

TEST_F(TemplatesTest, ExpandNameTemplateAddsTheDisplayShift)
{
    TFakeRecord record;
    record.shift = OneSecond;
    EXPECT_EQ(ExpandNameTemplate(QStringLiteral("%D"), QStringLiteral("yyyymmddhhnnss"), record),
              QStringLiteral("/home/user/videos/20080101000000"));

    // Without a datecode %D is day 0 plus the shift.
    record.first = 0;
    record.shift = 0;
    EXPECT_EQ(ExpandNameTemplate(QStringLiteral("%D%E"), QStringLiteral("yyyy-mm-dd"), record),
              QStringLiteral("/home/user/videos/1899-12-30.avi"));
    record.shift = 1.0 / 24;
    EXPECT_EQ(ExpandNameTemplate(QStringLiteral("%D"), QStringLiteral("d mmm yyyy hh"), record),
              QStringLiteral("/home/user/videos/30 Dec 1899 01"));
}

TEST_F(TemplatesTest, ReplacementTextsAreNotScannedAgain)
{
    TFakeRecord record;
    record.path = QStringLiteral("/v/100%D%t.avi");
    record.codec = QStringLiteral("%F");
    record.timecode = QStringLiteral("N/A");
    EXPECT_EQ(ExpandNameTemplate(QStringLiteral("%F_%D_%C_%T%E"), QStringLiteral("yyyy"), record),
              QStringLiteral("/v/100%D%t_2007_%F_N_A.avi"));
    // A datecode text holding a code is not expanded either.
    EXPECT_EQ(ExpandNameTemplate(QStringLiteral("%D"), QStringLiteral("'%T %E'"), record), QStringLiteral("/v/%T %E"));
}

TEST_F(TemplatesTest, SplitTemplatePath)
{
    struct Case { QString path, folder, baseName, extension; };
    const std::vector<Case> cases = {
        {"/home/user/Holiday.avi", "/home/user/", "Holiday", ".avi"},
        {"/home/user.d/Holiday", "/home/user.d/", "Holiday", ""},
        {"/x/a.tar.gz", "/x/", "a.tar", ".gz"},
        {"/x/.hidden", "/x/", "", ".hidden"},
        {"Holiday.avi", "", "Holiday", ".avi"},
        {"/x/", "/x/", "", ""},
        {"", "", "", ""},
    };
    for (const Case &c : cases) {
        const TTemplatePath p = SplitTemplatePath(c.path);
        EXPECT_EQ(p.folder, c.folder) << c.path.toStdString();
        EXPECT_EQ(p.baseName, c.baseName) << c.path.toStdString();
        EXPECT_EQ(p.extension, c.extension) << c.path.toStdString();
    }
}

TEST_F(TemplatesTest, ConvertInlayTemplate)
{
    TFakeRecord record;
    struct Case { QString inlayTemplate; int line; QString expected; };
    const std::vector<Case> cases = {
        {"Filmed on %d", 1, "Filmed on %D1"},
        {"Filmed on %d", 2, "Filmed on %D2"},
        {"%D and %D", 2, "%D2 and %D2"},
        {"%F%E in %P: %C %I %A %U", 1,
         "Holiday.avi in /home/user/videos/: dvsd 720 x 576 (Pal 4x3) 48000Hz 16 bits  stereo 1min 30s 12fr"},
        // The per-frame codes stay for the frame by frame step.
        {"%D1 %d2 %t %T", 1, "%D1 %D2 %T %T"},
        {"%D1 %d2", 2, "%D1 %D2"},
        {"100% sure", 1, "100% sure"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ConvertInlayTemplate(c.inlayTemplate, c.line, &record), c.expected) << c.inlayTemplate.toStdString();

    EXPECT_EQ(ConvertInlayTemplate(QStringLiteral("with datecode=%D, timecode=%T, %f"), 1, nullptr),
              QStringLiteral("with datecode=%D, timecode=%T, %f"));

    // A file name holding a code is copied as it is.
    record.path = QStringLiteral("/v/a%D%P.avi");
    EXPECT_EQ(ConvertInlayTemplate(QStringLiteral("%F %D"), 1, &record), QStringLiteral("a%D%P %D1"));
}

TEST_F(TemplatesTest, PreviewUsesTheSampleVideo)
{
    EXPECT_EQ(PreviewNameTemplate(QStringLiteral("%F_%D_%T_%C_%I_%A_%U%E"), QStringLiteral("yyyymmdd hh:nn:ss"), NewYearsEve),
              QStringLiteral("Video_20071231 23.59.59_0.54.32.10_dvsd_640x480_48000Hz 16bits stereo_30s 12fr.avi"));
    EXPECT_EQ(PreviewNameTemplate(QStringLiteral("%p%n"), QStringLiteral("yyyy"), NewYearsEve), QStringLiteral("%p%n"));

    namespace s = datecodesettings;
    EXPECT_EQ(PreviewNameTemplate(settings::DefaultString(u"TemplateRenommer"), settings::DefaultString(u"FormatRenommer"),
                                  NewYearsEve),
              QStringLiteral("ClipDV20071231 23.59.59.avi"));
    EXPECT_EQ(PreviewNameTemplate(s::TemplateRenommerRecommended.toString(), s::FormatRenommerRecommended.toString(),
                                  NewYearsEve),
              QStringLiteral("video'20071231 23.59.59.avi"));
    EXPECT_EQ(PreviewNameTemplate(QStringLiteral("%D"), s::FormatAjouterDatecodeRecommended.toString(), NewYearsEve),
              QStringLiteral("2007.12.31_11.59.59_pm"));
}

TEST(TemplateCodesTest, ReplaceTemplateCodesMatchesTheLongestCode)
{
    const std::vector<TTemplateCode> codes = {{"D", "<date>"}, {"D1", "<one>"}, {"T", "<tc>"}};
    const std::vector<std::pair<QString, QString>> cases = {
        {"%D1 %d %D2 %t", "<one> <date> <date>2 <tc>"},
        {"%%D", "%<date>"},
        {"end %", "end %"},
        {"%", "%"},
        {"", ""},
        {"%Q%", "%Q%"},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ReplaceTemplateCodes(text, codes), expected) << text.toStdString();
}

} // namespace
