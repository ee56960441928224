// The parameter texts of the time-difference and overwrite-datecode commands,
// the names and notes made from them, and the conversions' folder rule.

#include "commands/commandparams.h"
#include "support/pinnedlocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// --- numbers as the commands read them ---

struct TNumberCase
{
    const char *text;
    double english; // kNoValue: refused
    double german;
};

class DaysParameter : public testing::TestWithParam<TNumberCase> {};

TEST_P(DaysParameter, AcceptsDecimalsWithPointOrTheUsersSeparatorOnly)
{
    const TNumberCase &c = GetParam();
    for (const auto &[locale, expected] : {std::pair{kEnglish, c.english}, std::pair{kGerman, c.german}}) {
        PinnedLocale pinned(locale);
        double days = -99;
        const bool ok = ParseDaysParameter(QString::fromUtf8(c.text), days);
        SCOPED_TRACE(locale.name().toStdString());
        if (std::isnan(expected)) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(days, -99) << "refused text must leave the value alone";
        } else {
            ASSERT_TRUE(ok);
            EXPECT_EQ(days, expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DaysParameter,
    testing::Values(TNumberCase{"1.5", 1.5, 1.5}, TNumberCase{"-0.0625", -0.0625, -0.0625},
                    TNumberCase{" 2 ", 2, 2}, TNumberCase{"0", 0, 0},
                    TNumberCase{"1,5", kNoValue, 1.5},
                    // a group separator is never read as one
                    TNumberCase{"1,500", kNoValue, 1.5}, TNumberCase{"1.500", 1.5, 1.5},
                    TNumberCase{"1,500.5", kNoValue, kNoValue},
                    TNumberCase{"3652059", 3652059, 3652059}, TNumberCase{"-3652060", kNoValue, kNoValue},
                    TNumberCase{"", kNoValue, kNoValue}, TNumberCase{"abc", kNoValue, kNoValue},
                    TNumberCase{"1.5 days", kNoValue, kNoValue}, TNumberCase{"nan", kNoValue, kNoValue},
                    TNumberCase{"inf", kNoValue, kNoValue}, TNumberCase{"-inf", kNoValue, kNoValue},
                    TNumberCase{"1e400", kNoValue, kNoValue}));

TEST(DateTimeParameterRead, AcceptsDateTimesOfTheCalendarOnly)
{
    PinnedLocale pinned(kGerman);
    TDateTime value = -1;
    ASSERT_TRUE(ParseDateTimeParameter(QStringLiteral("39447.5"), value));
    EXPECT_EQ(value, 39447.5);
    ASSERT_TRUE(ParseDateTimeParameter(QStringLiteral("39447,25"), value));
    EXPECT_EQ(value, 39447.25);
    ASSERT_TRUE(ParseDateTimeParameter(QStringLiteral("-0.25"), value)); // 1899-12-29 18:00
    EXPECT_EQ(value, -0.25);
    for (const char *bad : {"", "abc", "nan", "inf", "1e9", "-700000", "2007-12-31"}) {
        value = -1;
        EXPECT_FALSE(ParseDateTimeParameter(QString::fromLatin1(bad), value)) << bad;
        EXPECT_EQ(value, -1) << bad;
    }
}

// --- the command line's forms ---

struct TFormCase
{
    const char *text;
    const char *parameter; // nullptr: refused
};

class TimeDifferenceForms : public testing::TestWithParam<TFormCase> {};

TEST_P(TimeDifferenceForms, BecomeDecimalDays)
{
    PinnedLocale pinned(kGerman);
    const TFormCase &c = GetParam();
    const std::optional<QString> parameter = TimeDifferenceParameter(QString::fromUtf8(c.text));
    if (!c.parameter) {
        EXPECT_FALSE(parameter.has_value()) << parameter->toStdString();
        return;
    }
    ASSERT_TRUE(parameter.has_value());
    EXPECT_EQ(*parameter, QString::fromLatin1(c.parameter));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimeDifferenceForms,
    testing::Values(TFormCase{"-1:30:00", "-0.0625"}, TFormCase{"+2.03:00:00", "2.125"},
                    TFormCase{"12:00:00", "0.5"}, TFormCase{"-0:00:00", "0"}, TFormCase{"1.00:00:00", "1"},
                    TFormCase{" 6:00:00 ", "0.25"}, TFormCase{"1.5", "1.5"}, TFormCase{"1,5", "1.5"},
                    TFormCase{"-2", "-2"}, TFormCase{"24:00:00", nullptr}, TFormCase{"1:60:00", nullptr},
                    TFormCase{"1:00:60", nullptr}, TFormCase{"1:30", nullptr}, TFormCase{"1:2:3", nullptr},
                    TFormCase{"--1:00:00", nullptr}, TFormCase{"1.-2:00:00", nullptr},
                    TFormCase{"9999999.00:00:00", nullptr}, TFormCase{"1h30", nullptr}, TFormCase{"", nullptr},
                    TFormCase{"nan", nullptr}));

TEST(TimeDifferenceForms, KeepWholeSecondsThroughTheParameterText)
{
    for (const qint64 seconds : {1LL, 59LL, 3599LL, 86399LL, 86401LL, 1234567LL, 99999LL * 86400 + 86399}) {
        const QString clock = QStringLiteral("-%1.%2:%3:%4")
                                  .arg(seconds / 86400)
                                  .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
                                  .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                  .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        const std::optional<QString> parameter = TimeDifferenceParameter(clock);
        ASSERT_TRUE(parameter.has_value()) << clock.toStdString();
        EXPECT_FALSE(parameter->contains(QLatin1Char('e'))) << parameter->toStdString();
        double days = 0;
        ASSERT_TRUE(ParseDaysParameter(*parameter, days));
        EXPECT_EQ(std::llround(days * 86400), -seconds) << clock.toStdString();
    }
}

class DateTimeForms : public testing::TestWithParam<TFormCase> {};

TEST_P(DateTimeForms, BecomeDecimalDateTimes)
{
    const TFormCase &c = GetParam();
    const std::optional<QString> parameter = DateTimeParameter(QString::fromUtf8(c.text));
    if (!c.parameter) {
        EXPECT_FALSE(parameter.has_value()) << parameter->toStdString();
        return;
    }
    ASSERT_TRUE(parameter.has_value());
    TDateTimeParts parts;
    TDateTime value = 0;
    ASSERT_TRUE(ParseDateTimeParameter(*parameter, value));
    ASSERT_TRUE(DecodeDateTime(value, parts));
    EXPECT_EQ(QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.year, parts.month, parts.day, parts.hour,
                                parts.minute, parts.second, parts.msec),
              QString::fromLatin1(c.parameter));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DateTimeForms,
    testing::Values(TFormCase{"2007-12-31 23:59:50", "2007-12-31 23:59:50.000"},
                    TFormCase{"2007-12-31T23:59:50", "2007-12-31 23:59:50.000"},
                    TFormCase{"2004-02-29 08:05", "2004-02-29 08:05:00.000"},
                    TFormCase{"1899-12-30 00:00:00", "1899-12-30 00:00:00.000"},
                    TFormCase{"1850-06-01 12:00:00", "1850-06-01 12:00:00.000"},
                    TFormCase{" 39447.75 ", "2007-12-31 18:00:00.000"},
                    TFormCase{"2007-02-29 10:00:00", nullptr}, TFormCase{"2007-12-31 25:00:00", nullptr},
                    TFormCase{"2007-12-31 23:60:00", nullptr}, TFormCase{"2007-12-31 23:59:60", nullptr},
                    TFormCase{"2007-13-01 00:00:00", nullptr}, TFormCase{"2007-12-00 00:00:00", nullptr},
                    TFormCase{"0000-01-01 00:00:00", nullptr}, TFormCase{"2007-12-31", nullptr},
                    TFormCase{"2007-12-31 23:59:50 UTC", nullptr}, TFormCase{"31.12.2007 23:59", nullptr},
                    TFormCase{"1e9", nullptr}, TFormCase{"inf", nullptr}, TFormCase{"", nullptr}));

TEST(DateTimeForms, WriteTheExactValue)
{
    const std::optional<QString> parameter = DateTimeParameter(QStringLiteral("2007-12-31 23:59:50"));
    ASSERT_TRUE(parameter.has_value());
    EXPECT_EQ(parameter->toDouble(), EncodeDateTime(2007, 12, 31, 23, 59, 50));
    EXPECT_FALSE(parameter->contains(QLatin1Char('e')));
}

// --- names and texts ---

struct TShiftCase
{
    const char *parameter;
    const char *suffix;
};

class TimeShiftSuffixes : public testing::TestWithParam<TShiftCase> {};

TEST_P(TimeShiftSuffixes, NameTheDifference)
{
    PinnedLocale pinned(kGerman);
    const TShiftCase &c = GetParam();
    EXPECT_EQ(TimeShiftSuffix(QString::fromLatin1(c.parameter)), QString::fromLatin1(c.suffix));
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, TimeShiftSuffixes,
    testing::Values(TShiftCase{"1.0833333333333333", "_(+1days2h).avi"}, TShiftCase{"-0.0625", "_(-1h30mn).avi"},
                    TShiftCase{"-0.020833333333333332", "_(-30mn).avi"},
                    // 2 h as a dialog computes it: just under, rounded to the second
                    TShiftCase{"0.0833333", "_(+2h).avi"}, TShiftCase{"0.08332", "_(+1h59mn59 ).avi"},
                    TShiftCase{"0.00104166666666667", "_(+1mn30 ).avi"},
                    TShiftCase{"3.0000578703703703", "_(+3days5 ).avi"}, TShiftCase{"-2", "_(-2days).avi"},
                    TShiftCase{"0", "_(+).avi"}, TShiftCase{"-0.000001", "_(+).avi"},
                    TShiftCase{"0,5", "_(+12h).avi"}, TShiftCase{"abc", ""}, TShiftCase{"", ""},
                    TShiftCase{"nan", ""}, TShiftCase{"1e300", ""}));

TEST(TimeShiftSuffixes, FollowTheCommandLineForms)
{
    for (const auto &[clock, suffix] : {std::pair{"+1.02:00:00", "_(+1days2h).avi"},
                                        std::pair{"-1:30:00", "_(-1h30mn).avi"},
                                        std::pair{"-0:30:00", "_(-30mn).avi"},
                                        std::pair{"10.23:59:59", "_(+10days23h59mn59 ).avi"}}) {
        const std::optional<QString> parameter = TimeDifferenceParameter(QString::fromLatin1(clock));
        ASSERT_TRUE(parameter.has_value()) << clock;
        EXPECT_EQ(TimeShiftSuffix(*parameter), QString::fromLatin1(suffix)) << clock;
    }
}

struct TDifferenceCase
{
    double days;
    const char *text;
};

class DifferenceTexts : public testing::TestWithParam<TDifferenceCase> {};

TEST_P(DifferenceTexts, ShowDaysToSecondsOrWholeHours)
{
    EXPECT_EQ(TimeDifferenceText(GetParam().days), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DifferenceTexts,
    testing::Values(TDifferenceCase{2.0 / 24, "2 hours"}, TDifferenceCase{-2.0 / 24, "-2 hours"},
                    TDifferenceCase{23.0 / 24, "23 hours"}, TDifferenceCase{0, "0 hours"},
                    TDifferenceCase{0.0833333, "2 hours"}, TDifferenceCase{1 + 2.0 / 24, "1 days 02h 00m 00s"},
                    TDifferenceCase{1, "1 days 00h 00m 00s"}, TDifferenceCase{-0.0625, "-0 days 01h 30m 00s"},
                    TDifferenceCase{5.0 / 86400, "0 days 00h 00m 05s"},
                    TDifferenceCase{-(12 + 3.0 / 24 + 4.0 / 1440 + 5.0 / 86400), "-12 days 03h 04m 05s"},
                    TDifferenceCase{kNoValue, "0 hours"},
                    TDifferenceCase{std::numeric_limits<double>::infinity(), "0 hours"},
                    TDifferenceCase{1e300, "3652059 days 00h 00m 00s"}));

TEST(OverwriteNote, NamesTheProgramTheMakerAndTheTime)
{
    PinnedLocale pinned(kGerman);
    const QDateTime now(QDate(2007, 12, 31), QTime(23, 59, 50));
    EXPECT_EQ(DatecodeOverwriteNote(now),
              QStringLiteral("Datecode overwritten with Tarvex by Orin Brontel at 31.12.07 23:59:50"));
}

struct TFolderCase
{
    const char *source;
    const char *suffix;
    bool sameFolder;
    const char *outputFolder;
    const char *destination;
};

class FolderRule : public testing::TestWithParam<TFolderCase> {};

TEST_P(FolderRule, PlacesTheOutput)
{
    const TFolderCase &c = GetParam();
    EXPECT_EQ(FolderRuleDestination(QString::fromUtf8(c.source), QString::fromUtf8(c.suffix), c.sameFolder,
                                    QString::fromUtf8(c.outputFolder)),
              QString::fromUtf8(c.destination));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderRule,
    testing::Values(TFolderCase{"/e/v/a.avi", "_type2.avi", false, "/d/out", "/d/out/a_type2.avi"},
                    TFolderCase{"/e/v/a.avi", "_type2.avi", false, "/d/out/", "/d/out/a_type2.avi"},
                    TFolderCase{"/e/v/a.avi", "_type2.avi", false, "/d/out//", "/d/out/a_type2.avi"},
                    TFolderCase{"/e/v/a.avi", ".wav", false, "/", "/a.wav"},
                    TFolderCase{"/e/v/a.avi", "_type2.avi", true, "/d/out", "/e/v/a_type2.avi"},
                    TFolderCase{"/e/v.x/clip", "_(-1h30mn).avi", true, "", "/e/v.x/clip_(-1h30mn).avi"},
                    TFolderCase{"/e/v.x/clip", "_fixed.avi", false, "/d", "/d/clip_fixed.avi"},
                    TFolderCase{"a.b.avi", "_scene_2.avi", false, "out", "out/a.b_scene_2.avi"},
                    // no output folder: beside the source rather than at the root
                    TFolderCase{"/e/v/a.avi", "_16x9.avi", false, "", "/e/v/a_16x9.avi"},
                    TFolderCase{"/e/v/été.avi", "_in.avi", false, "/d/sortie", "/d/sortie/été_in.avi"}));

} // namespace
