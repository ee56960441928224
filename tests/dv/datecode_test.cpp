#include "dv/datecode.h"

#include <QLocale>

#include "support/pinnedlocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const TDateTime NewYearsEve = EncodeDateTime(2007, 12, 31, 23, 59, 59);

TEST(DatecodeTest, ValidityRule)
{
    struct Case { TDatecodeFields f; bool valid; };
    const std::vector<Case> cases = {
        {{2007, 12, 31, 23, 59, 59}, true},
        {{2008, 2, 29, 0, 0, 0}, true},
        {{2007, 2, 29, 0, 0, 0}, false},
        {{1900, 2, 29, 0, 0, 0}, false},
        {{2000, 2, 29, 0, 0, 0}, true},
        {{2007, 2, 28, 0, 0, 0}, true},
        {{2007, 4, 31, 0, 0, 0}, false},
        {{2007, 0, 1, 0, 0, 0}, false},
        {{2007, 13, 1, 0, 0, 0}, false},
        {{2007, 1, 0, 0, 0, 0}, false},
        {{2007, 1, 45, 0, 0, 0}, false},
        {{2007, 1, 1, 24, 0, 0}, false},
        {{2007, 1, 1, 0, 60, 0}, false},
        {{2007, 1, 1, 0, 0, 60}, false},
        {{0, 1, 1, 0, 0, 0}, false},
        {{1, 1, 1, 0, 0, 0}, true},
        {{9999, 12, 31, 23, 59, 59}, true},
        {{10000, 1, 1, 0, 0, 0}, false},
        {{2165, 25, 45, 45, 85, 85}, false}, // an empty pack pair (all 1s)
    };
    for (const Case &c : cases) {
        TDateTime value = -1;
        EXPECT_EQ(DatecodeFromFields(c.f, value), c.valid) << c.f.year << "-" << int(c.f.month) << "-" << int(c.f.day)
                                                           << " " << int(c.f.hour) << ":" << int(c.f.minute) << ":"
                                                           << int(c.f.second);
        if (c.valid) {
            EXPECT_EQ(FieldsFromDatecode(value), c.f);
        } else {
            EXPECT_EQ(value, -1) << "left untouched";
        }
    }
}

TEST(DatecodeTest, EncodeCountsDaysFrom18991230)
{
    EXPECT_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_EQ(EncodeDateTime(2007, 12, 31, 12, 0, 0), 39447.5);
    EXPECT_NEAR(EncodeDateTime(2007, 12, 31, 0, 0, 1) - EncodeDateTime(2007, 12, 31, 0, 0, 0), OneSecond, 1e-9);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 18, 0, 0), -0.25);
    EXPECT_EQ(EncodeDateTime(2007, 2, 29, 0, 0, 0), 0.0) << "invalid dates give 0";
}

TEST(DatecodeTest, DecodeNeverRollsTheLastSecondIntoTheNextDay)
{
    // Every second of a day, and the last second of days across the range.
    for (int s = 0; s < 86400; ++s) {
        const TDateTime v = EncodeDateTime(2007, 12, 31, s / 3600, s / 60 % 60, s % 60);
        TDateTimeParts p;
        ASSERT_TRUE(DecodeDateTime(v, p));
        ASSERT_EQ(p, (TDateTimeParts{2007, 12, 31, s / 3600, s / 60 % 60, s % 60, 0})) << s;
    }
    const std::vector<TDateTimeParts> cases = {
        {1, 1, 1, 23, 59, 59, 999},
        {1899, 12, 29, 23, 59, 59, 0},
        {1925, 6, 30, 23, 59, 59, 0},
        {2024, 2, 29, 23, 59, 59, 0},
        {9999, 12, 31, 23, 59, 59, 999},
    };
    for (const TDateTimeParts &c : cases) {
        TDateTimeParts p;
        ASSERT_TRUE(DecodeDateTime(EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second, c.msec), p));
        EXPECT_EQ(p, c) << c.year;
    }
    // A value built by adding seconds lands on the same second.
    TDateTime v = EncodeDateTime(2007, 12, 31, 23, 59, 0);
    for (int i = 0; i < 59; ++i)
        v += OneSecond;
    EXPECT_EQ(FieldsFromDatecode(v), (TDatecodeFields{2007, 12, 31, 23, 59, 59}));
    EXPECT_EQ(FieldsFromDatecode(v + OneSecond), (TDatecodeFields{2008, 1, 1, 0, 0, 0}));
}

TEST(DatecodeTest, ValuesBeforeDayZeroCountTheFractionForward)
{
    TDateTimeParts p;
    ASSERT_TRUE(DecodeDateTime(-0.25, p));
    EXPECT_EQ(p, (TDateTimeParts{1899, 12, 29, 18, 0, 0, 0}));
    ASSERT_TRUE(DecodeDateTime(-1.0 / 24, p)); // no datecode, display shift of minus one hour
    EXPECT_EQ(p, (TDateTimeParts{1899, 12, 29, 23, 0, 0, 0}));
}

TEST(DatecodeTest, UndecodableValuesAreRejected)
{
    const std::vector<double> values = {std::numeric_limits<double>::quiet_NaN(),
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        1e300,
                                        -1e300,
                                        EncodeDateTime(9999, 12, 31, 23, 59, 59) + 1,
                                        EncodeDateTime(1, 1, 1, 0, 0, 0) - OneSecond};
    for (const double v : values) {
        TDateTimeParts p{1, 2, 3, 4, 5, 6, 7};
        EXPECT_FALSE(DecodeDateTime(v, p)) << v;
        EXPECT_EQ(p, (TDateTimeParts{1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(FieldsFromDatecode(v), TDatecodeFields{});
        EXPECT_EQ(FormatDateTime(QStringLiteral("yyyy c"), v), QString());
        EXPECT_EQ(DayOfWeek(v), 0);
        EXPECT_FALSE(DateTimeToQDateTime(v).isValid());
    }
}

TEST(DatecodeTest, DayOfWeekAndQtConversions)
{
    EXPECT_EQ(DayOfWeek(NewYearsEve), Qt::Monday);
    EXPECT_EQ(DayOfWeek(0), Qt::Saturday);
    EXPECT_EQ(DayOfWeek(-0.5), Qt::Friday);

    const QDateTime dt = DateTimeToQDateTime(NewYearsEve + 0.25 / 86400, Qt::UTC);
    EXPECT_EQ(dt, QDateTime(QDate(2007, 12, 31), QTime(23, 59, 59, 250), Qt::UTC));
    EXPECT_NEAR(QDateTimeToDateTime(dt), NewYearsEve + 0.25 / 86400, 1e-9);
    EXPECT_EQ(QDateTimeToDateTime(QDateTime()), 0.0);
}

TEST(DatecodeTest, FormatLanguageEnglishUnitedStates)
{
    PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::vector<std::pair<QString, QString>> cases = {
        {"yyyy.mm.dd_hh.nn.ss_am/pm", "2007.12.31_11.59.59_pm"},
        {"yyyymmdd hh.nn.ss", "20071231 23.59.59"},
        {"yyyymmddhhnnss", "20071231235959"},
        {"YYYYMMDD HHNNSS", "20071231 235959"},
        {"yy y yyy yyyyy", "07 07 2007 2007"},
        {"d dd m mm mmm mmmm", "31 31 12 12 Dec December"},
        {"ddd dddd", "Mon Monday"},
        {"ddddd", "12/31/07"},
        {"dddddd", "Monday, December 31, 2007"},
        {"ddddddd", "Monday, December 31, 2007"},
        {" ddddd tt", " 12/31/07 11:59:59 PM"},
        {"t", "11:59 PM"},
        {"tt", "11:59:59 PM"},
        {"c", "12/31/07 11:59:59 PM"},
        {"", "12/31/07 11:59:59 PM"},
        {"d/m/yy", "31/12/07"},
        // m right after an hour is minutes, also across separators and quoted text.
        {"hh:mm:ss", "23:59:59"},
        {"h:m", "23:59"},
        {"hh' h 'mm", "23 h 59"},
        {"hh nn mm", "23 59 12"},
        {"hhxmm", "23x12"},
        {"mm hh", "12 23"},
        // 12-hour clock markers, written in the case given.
        {"h AM/PM", "11 PM"},
        {"h Am/pM", "11 pM"},
        {"h a/p", "11 p"},
        {"hh A/P", "11 P"},
        {"hh ampm", "11 PM"},
        {"am/pm hh", "pm 11"},
        {"h axe", "23 axe"},
        // Quoted text is copied unchanged; an unterminated quote runs to the end.
        {"'yyyy' \"mm\" yyyy", "yyyy mm 2007"},
        {"yyyy 'rest: dd", "2007 rest: dd"},
        {"n nn nnn s ss sss", "59 59 59 59 59 59"},
        {"z zz zzz zzzz", "0 00 000 000"},
        {"x%q_#!", "x%q_#!"},
    };
    for (const auto &[format, expected] : cases)
        EXPECT_EQ(FormatDateTime(format, NewYearsEve), expected) << format.toStdString();
}

TEST(DatecodeTest, FormatLanguageAroundMiddayAndMidnight)
{
    PinnedLocale locale(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case { TDateTime value; QString format, expected; };
    const std::vector<Case> cases = {
        {EncodeDateTime(2007, 12, 31, 0, 30, 5), "h:nn am/pm", "12:30 am"},
        {EncodeDateTime(2007, 12, 31, 12, 0, 0), "h:nn a/p", "12:00 p"},
        {EncodeDateTime(2007, 12, 31, 11, 59, 59), "hh:nn ampm", "11:59 AM"},
        {EncodeDateTime(2007, 12, 31, 0, 0, 0), "c", "12/31/07"},
        {EncodeDateTime(2007, 12, 31, 0, 0, 0, 7), "z zz zzz", "7 07 007"},
        {EncodeDateTime(2007, 12, 31, 0, 0, 1), "c", "12/31/07 12:00:01 AM"},
        {0, "yyyy-mm-dd hh:nn:ss", "1899-12-30 00:00:00"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatDateTime(c.format, c.value), c.expected) << c.format.toStdString();
}

TEST(DatecodeTest, FormatLanguageFollowsTheLocale)
{
    {
        PinnedLocale locale(QLocale(QLocale::French, QLocale::France));
        EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), NewYearsEve), QStringLiteral("31/12/2007"));
        EXPECT_EQ(FormatDateTime(QStringLiteral("tt"), NewYearsEve), QStringLiteral("23:59:59"));
        EXPECT_EQ(FormatDateTime(QStringLiteral("dddd d mmmm"), NewYearsEve), QString::fromUtf8("lundi 31 décembre"));
        EXPECT_EQ(FormatDateTime(QStringLiteral("c"), NewYearsEve), QStringLiteral("31/12/2007 23:59:59"));
    }
    {
        PinnedLocale locale(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), NewYearsEve), QStringLiteral("31.12.2007 23:59"));
        EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd t"), NewYearsEve), QStringLiteral("31.12.07 23:59"));
    }
}

TEST(DatecodeTest, TimecodeAndSortTexts)
{
    EXPECT_EQ(TimecodeNameText({0, 54, 32, 10}), QStringLiteral("00.54.32.10"));
    EXPECT_EQ(TimecodeInlayText({0, 54, 32, 10}), QStringLiteral("0:54:32:10"));
    EXPECT_EQ(TimecodeNameText({45, 85, 85, 45}), QStringLiteral("45.85.85.45"));
    EXPECT_EQ(TimecodeInlayText({12, 3, 4, 5}), QStringLiteral("12:03:04:05"));
    EXPECT_EQ(DatecodeSortText(NewYearsEve), QStringLiteral("20071231235959"));
}

} // namespace
