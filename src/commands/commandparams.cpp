#include "commands/commandparams.h"

#include "framework/appinfo.h"
#include "scenes/derivedpath.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr qint64 kSecondsPerDay = 86400;

// A finite decimal number written with '.' or with the user's decimal
// separator. Group separators are refused: "1,500" must not become 1500 for
// a user whose decimal separator is ','.
bool ParseNumber(const QString &text, double &value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (QLocale locale : {QLocale::c(), QLocale()}) {
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double v = locale.toDouble(trimmed, &ok);
        if (ok && std::isfinite(v)) {
            value = v;
            return true;
        }
    }
    return false;
}

// The text a number is handed on as: '.' for the decimal separator, no
// exponent, and the shortest digits that read back as the same double.
QString NumberText(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

// A difference in days rounded to whole seconds.
qint64 WholeSeconds(double days)
{
    return std::llround(days * double(kSecondsPerDay));
}

struct TDurationParts
{
    bool negative = false;
    qint64 days = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

TDurationParts SplitSeconds(qint64 total)
{
    TDurationParts p;
    p.negative = total < 0;
    qint64 a = std::llabs(total);
    p.days = a / kSecondsPerDay;
    a %= kSecondsPerDay;
    p.hours = int(a / 3600);
    p.minutes = int(a / 60 % 60);
    p.seconds = int(a % 60);
    return p;
}

} // namespace

bool ParseDaysParameter(const QString &text, double &days)
{
    double v = 0;
    if (!ParseNumber(text, v) || std::fabs(v) > kMaxTimeDifferenceDays)
        return false;
    days = v;
    return true;
}

std::optional<QString> TimeDifferenceParameter(const QString &text)
{
    static const QRegularExpression clock(
        QStringLiteral(R"(^\s*([+-])?(?:(\d{1,7})\.)?(\d{1,2}):(\d{2}):(\d{2})\s*$)"));
    const QRegularExpressionMatch m = clock.match(text);
    if (m.hasMatch()) {
        const qint64 d = m.captured(2).isEmpty() ? 0 : m.captured(2).toLongLong();
        const int h = m.captured(3).toInt();
        const int n = m.captured(4).toInt();
        const int s = m.captured(5).toInt();
        if (h > 23 || n > 59 || s > 59)
            return std::nullopt;
        const qint64 total = ((d * 24 + h) * 60 + n) * 60 + s;
        double days = double(total) / double(kSecondsPerDay);
        if (days > kMaxTimeDifferenceDays)
            return std::nullopt;
        if (m.captured(1) == QLatin1String("-"))
            days = -days;
        return NumberText(days);
    }
    double days = 0;
    if (!ParseDaysParameter(text, days))
        return std::nullopt;
    return NumberText(days);
}

std::optional<QString> DateTimeParameter(const QString &text)
{
    static const QRegularExpression stamp(
        QStringLiteral(R"(^\s*(\d{4})-(\d{2})-(\d{2})[ T](\d{2}):(\d{2})(?::(\d{2}))?\s*$)"));
    const QRegularExpressionMatch m = stamp.match(text);
    if (m.hasMatch()) {
        const int y = m.captured(1).toInt(), mo = m.captured(2).toInt(), d = m.captured(3).toInt();
        const int h = m.captured(4).toInt(), n = m.captured(5).toInt();
        const int s = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
        if (!IsValidDateTime(y, mo, d, h, n, s))
            return std::nullopt;
        return NumberText(EncodeDateTime(y, mo, d, h, n, s));
    }
    TDateTime value = 0;
    if (!ParseDateTimeParameter(text, value))
        return std::nullopt;
    return NumberText(value);
}

bool ParseDateTimeParameter(const QString &text, TDateTime &value)
{
    double v = 0;
    TDateTimeParts parts;
    if (!ParseNumber(text, v) || !DecodeDateTime(v, parts))
        return false;
    value = v;
    return true;
}

QString TimeShiftSuffix(const QString &parameter)
{
    double days = 0;
    if (!ParseDaysParameter(parameter, days))
        return {};
    // The sign follows the rounded value, so that a difference of less than
    // half a second is "+" like 0.
    const TDurationParts p = SplitSeconds(WholeSeconds(days));
    QString duration;
    if (p.days >= 1)
        duration += QString::number(p.days) + QStringLiteral("days");
    if (p.hours != 0)
        duration += QString::number(p.hours) + QLatin1Char('h');
    if (p.minutes != 0)
        duration += QString::number(p.minutes) + QStringLiteral("mn");
    if (p.seconds != 0)
        duration += QString::number(p.seconds) + QLatin1Char(' ');
    return QStringLiteral("_(") + QLatin1Char(p.negative ? '-' : '+') + duration + QStringLiteral(").avi");
}

QString TimeDifferenceText(double days)
{
    if (!std::isfinite(days))
        days = 0;
    days = std::clamp(days, -kMaxTimeDifferenceDays, kMaxTimeDifferenceDays);
    const TDurationParts p = SplitSeconds(WholeSeconds(days));
    const QString text = p.days == 0 && p.minutes == 0 && p.seconds == 0
                             ? QStringLiteral("%1 hours").arg(p.hours)
                             : QString::asprintf("%lld days %.2dh %.2dm %.2ds", static_cast<long long>(p.days),
                                                 p.hours, p.minutes, p.seconds);
    return p.negative ? QLatin1Char('-') + text : text;
}

QString DatecodeOverwriteNote(const QDateTime &now)
{
    return QStringLiteral("Datecode overwritten with %1 by %2 at %3")
        .arg(QLatin1String(kAppTitle), QLatin1String(kMakerName),
             FormatDateTime(QStringLiteral("ddddd tt"), QDateTimeToDateTime(now)));
}

QString FolderRuleDestination(const QString &source, const QString &suffix, bool sameFolder,
                              const QString &outputFolder)
{
    // Without a folder the join would put the file at the root of the file system.
    if (sameFolder || outputFolder.isEmpty())
        return DerivedFilePath(source, suffix);
    const QString name = DerivedFilePath(source.mid(source.lastIndexOf(QLatin1Char('/')) + 1), suffix);
    QString folder = outputFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name;
}
