#pragma once

// The datecode value and its text forms.
//
// A date-time is a double counting days since 1899-12-30 00:00: the whole
// part is the day, the fraction the time of day. Before that day the whole
// part is the floor, so adding a difference in days always moves the value by
// that much of the calendar (-0.25 is 1899-12-29 18:00). DV datecodes have
// one-second resolution; 0 stands for "no datecode" where one is optional.

#include "dvcodes.h"

#include <QDateTime>
#include <QString>

using TDateTime = double;

constexpr TDateTime OneSecond = 1.0 / 86400.0;

// A calendar date and time of day, as encoded into or decoded from a TDateTime.
struct TDateTimeParts
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;

    friend bool operator==(const TDateTimeParts &, const TDateTimeParts &) = default;
};

// True for a real Gregorian date (years 1 to 9999) and time of day.
bool IsValidDateTime(int y, int m, int d, int h, int n, int s, int ms = 0);

// The value of a date and time; 0 when they do not form a valid date-time.
TDateTime EncodeDateTime(int y, int m, int d, int h, int n, int s, int ms = 0);

// The date and time of a value, rounded to the millisecond. False (parts
// untouched) for values outside years 1 to 9999 and for NaN or infinity.
bool DecodeDateTime(TDateTime value, TDateTimeParts &parts);

// Day of the week of a value, 1 = Monday ... 7 = Sunday (as Qt::DayOfWeek);
// 0 when the value cannot be decoded.
int DayOfWeek(TDateTime value);

// The datecode of decoded pack fields: false (value untouched) unless they
// form a real calendar date and time of day, which means the frame has no
// datecode.
bool DatecodeFromFields(const TDatecodeFields &f, TDateTime &value);

// The fields of a value, milliseconds dropped; all zero for a value that
// cannot be decoded.
TDatecodeFields FieldsFromDatecode(TDateTime value);

// Conversions to and from Qt; an invalid QDateTime and 0 stand for values
// that cannot be converted.
QDateTime DateTimeToQDateTime(TDateTime value, Qt::TimeSpec timeSpec = Qt::LocalTime);
TDateTime QDateTimeToDateTime(const QDateTime &dateTime);

// Formats a value with the date-time format language (d, dd, ddd, dddd,
// ddddd, dddddd, m, mm, mmm, mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t,
// tt, c, am/pm, a/p, ampm, / and :, quoted text), letters in any case. The
// locale-dependent parts come from the default QLocale. An empty format
// means "c". A value that cannot be decoded gives an empty text.
QString FormatDateTime(const QString &format, TDateTime value);

// Timecode texts: "00.54.32.10" for file names, "0:54:32:10" for inlays.
QString TimecodeNameText(const TTimecodeFields &tc);
QString TimecodeInlayText(const TTimecodeFields &tc);

// The datecode as "yyyymmddhhnnss", for sort keys.
QString DatecodeSortText(TDateTime value);
