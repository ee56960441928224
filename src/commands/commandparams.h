#pragma once

// The parameter texts of the time-difference, overwrite-datecode and
// conversion commands: reading them, writing them from the command line's
// forms, and the file names and notes made from them.

#include "dv/datecode.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The largest time difference accepted, in days: the whole range of dates
// (years 1 to 9999). Anything larger moves every datecode out of the calendar.
inline constexpr double kMaxTimeDifferenceDays = 3652059.0;

// The time difference parameter (days) as the commands read it: a decimal
// number with '.' or the user's decimal separator (no group separators).
// False for anything else, for NaN and infinity, and beyond
// kMaxTimeDifferenceDays either way.
bool ParseDaysParameter(const QString &text, double &days);

// The command line's forms of a time difference: decimal days, or
// [+|-][D.]H:MM:SS with hours 0-23, minutes and seconds 0-59 ("-1:30:00",
// "+2.03:00:00"). Returns the parameter text the commands read: decimal days
// written with '.', as many digits as give back the same value exactly.
// Nothing when the text is neither form.
std::optional<QString> TimeDifferenceParameter(const QString &text);

// The command line's forms of a date-time: a decimal TDateTime number, or
// "yyyy-mm-dd hh:nn" with optional ":ss", 'T' allowed for the space. Returns
// the decimal TDateTime text; nothing for an invalid date or time (a 31st of
// February, 25:00) or a number outside years 1 to 9999.
std::optional<QString> DateTimeParameter(const QString &text);

// The date-time parameter as the overwrite command reads it: a decimal
// number ('.' or the user's separator) that is a date-time of years 1 to 9999.
bool ParseDateTimeParameter(const QString &text, TDateTime &value);

// The destination suffix of the time-difference conversion: "_(" + sign +
// duration + ").avi", the duration being whole days + "days", hours + "h",
// minutes + "mn" and seconds + " ", each only when not 0, after rounding to
// whole seconds: 1 day 2 h gives "_(+1days2h).avi", -1.5 h "_(-1h30mn).avi",
// 0 "_(+).avi". Empty for a parameter that ParseDaysParameter refuses.
QString TimeShiftSuffix(const QString &parameter);

// The text of a time difference: "%d days %.2dh %.2dm %.2ds", or "%d hours"
// when days, minutes and seconds are 0, of the value rounded to whole
// seconds; a negative difference is the text of its size preceded by "-".
QString TimeDifferenceText(double days);

// The INFO note of the datecode overwrite, with the time it was made.
QString DatecodeOverwriteNote(const QDateTime &now);

// The output path of a conversion. With sameFolder, or without an output
// folder, the source with its extension replaced by suffix; else the output
// folder joined by one '/' to the source's file name with its extension
// replaced by suffix.
QString FolderRuleDestination(const QString &source, const QString &suffix, bool sameFolder,
                              const QString &outputFolder);
