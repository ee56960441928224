#include "datecode.h"

#include <cmath>

namespace {

constexpr qint64 MsecsPerDay = 86400000;

// Days of 1899-12-30 counted from 1970-01-01.
constexpr qint64 EpochShift = 25569;

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Proleptic Gregorian day count from 1970-01-01 (valid for any year).
constexpr qint64 DaysFromCivil(qint64 y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(qint64 z, int &y, int &m, int &d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

// Milliseconds since 1899-12-30 of the first and the last instant that decode.
constexpr qint64 FirstMsec = (DaysFromCivil(1, 1, 1) + EpochShift) * MsecsPerDay;
constexpr qint64 LastMsec = (DaysFromCivil(9999, 12, 31) + EpochShift + 1) * MsecsPerDay - 1;

// The value rounded to whole milliseconds; false outside the decodable range.
bool ToMsecs(TDateTime value, qint64 &msecs)
{
    if (!std::isfinite(value))
        return false;
    const double ms = std::round(value * double(MsecsPerDay));
    if (ms < double(FirstMsec) || ms > double(LastMsec))
        return false;
    msecs = qint64(ms);
    return true;
}

qint64 FloorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

bool IsValidDateTime(int y, int m, int d, int h, int n, int s, int ms)
{
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m)
        && h >= 0 && h <= 23 && n >= 0 && n <= 59 && s >= 0 && s <= 59 && ms >= 0 && ms <= 999;
}

TDateTime EncodeDateTime(int y, int m, int d, int h, int n, int s, int ms)
{
    if (!IsValidDateTime(y, m, d, h, n, s, ms))
        return 0;
    const qint64 days = DaysFromCivil(y, m, d) + EpochShift;
    const qint64 msOfDay = ((qint64(h) * 60 + n) * 60 + s) * 1000 + ms;
    return double(days) + double(msOfDay) / double(MsecsPerDay);
}

bool DecodeDateTime(TDateTime value, TDateTimeParts &parts)
{
    qint64 msecs = 0;
    if (!ToMsecs(value, msecs))
        return false;
    const qint64 days = FloorDiv(msecs, MsecsPerDay);
    qint64 msOfDay = msecs - days * MsecsPerDay;
    CivilFromDays(days - EpochShift, parts.year, parts.month, parts.day);
    parts.msec = int(msOfDay % 1000);
    msOfDay /= 1000;
    parts.second = int(msOfDay % 60);
    msOfDay /= 60;
    parts.minute = int(msOfDay % 60);
    parts.hour = int(msOfDay / 60);
    return true;
}

int DayOfWeek(TDateTime value)
{
    qint64 msecs = 0;
    if (!ToMsecs(value, msecs))
        return 0;
    // Day 0, 1899-12-30, was a Saturday.
    const qint64 days = FloorDiv(msecs, MsecsPerDay);
    return int(((days % 7 + 7) % 7 + 5) % 7 + 1);
}

bool DatecodeFromFields(const TDatecodeFields &f, TDateTime &value)
{
    if (!IsValidDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second))
        return false;
    value = EncodeDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
    return true;
}

TDatecodeFields FieldsFromDatecode(TDateTime value)
{
    TDateTimeParts p;
    if (!DecodeDateTime(value, p))
        return {};
    return {p.year, quint8(p.month), quint8(p.day), quint8(p.hour), quint8(p.minute), quint8(p.second)};
}

QDateTime DateTimeToQDateTime(TDateTime value, Qt::TimeSpec timeSpec)
{
    TDateTimeParts p;
    if (!DecodeDateTime(value, p))
        return {};
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second, p.msec), timeSpec);
}

TDateTime QDateTimeToDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

QString TimecodeNameText(const TTimecodeFields &tc)
{
    return QString::asprintf("%.2d.%.2d.%.2d.%.2d", int(tc.hours), int(tc.minutes), int(tc.seconds), int(tc.frames));
}

QString TimecodeInlayText(const TTimecodeFields &tc)
{
    return QString::asprintf("%d:%.2d:%.2d:%.2d", int(tc.hours), int(tc.minutes), int(tc.seconds), int(tc.frames));
}

QString DatecodeSortText(TDateTime value)
{
    return FormatDateTime(QStringLiteral("yyyymmddhhnnss"), value);
}
