// The date-time format language of FormatDateTime.

#include "datecode.h"

#include <QLocale>

#include <vector>

namespace {

enum class TToken {
    Literal,    // text copied as it is
    Year,
    Month,
    Day,        // d to dddddd
    Hour,
    Minute,
    Second,
    Msec,
    LocaleTime, // t, tt
    ShortDateLongTime, // c
    AmPm,       // am/pm, a/p: text holds the specifier as written
    LocaleAmPm, // ampm
    DateSeparator,
    TimeSeparator,
};

struct TFormatItem
{
    TToken token;
    int count = 1;
    QString text = {};
};

char16_t UpperAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? char16_t(u - 32) : u;
}

bool IsAsciiLetter(char16_t u)
{
    return u >= 'A' && u <= 'Z';
}

// Case-insensitive ASCII comparison of format.mid(pos, word.size()) with word.
bool MatchesAt(const QString &format, qsizetype pos, QStringView word)
{
    if (pos + word.size() > format.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i)
        if (UpperAscii(format[pos + i]) != word[i].unicode())
            return false;
    return true;
}

// Splits a format into specifiers and literal text. A run of the same letter
// (exactly the same character) is one specifier; m directly after an hour
// specifier is a minute specifier.
std::vector<TFormatItem> Tokenize(const QString &format)
{
    std::vector<TFormatItem> items;
    auto literal = [&](QStringView text) {
        if (!items.empty() && items.back().token == TToken::Literal)
            items.back().text += text;
        else
            items.push_back({TToken::Literal, 1, text.toString()});
    };

    char16_t lastLetter = u' ';
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar starter = format[i];
        char16_t token = UpperAscii(starter);

        if (token == u'\'' || token == u'"') {
            const qsizetype close = format.indexOf(starter, i + 1);
            const qsizetype end = close < 0 ? format.size() : close;
            literal(QStringView(format).mid(i + 1, end - i - 1));
            i = close < 0 ? format.size() : close + 1;
            continue;
        }
        if (token == u'/') {
            items.push_back({TToken::DateSeparator});
            ++i;
            continue;
        }
        if (token == u':') {
            items.push_back({TToken::TimeSeparator});
            ++i;
            continue;
        }
        if (!IsAsciiLetter(token)) {
            literal(QStringView(format).mid(i, 1));
            ++i;
            continue;
        }

        if (token == u'M' && lastLetter == u'H')
            token = u'N';
        lastLetter = token;

        if (token == u'A') {
            if (MatchesAt(format, i, u"AM/PM")) {
                items.push_back({TToken::AmPm, 1, format.mid(i, 5)});
                i += 5;
            } else if (MatchesAt(format, i, u"A/P")) {
                items.push_back({TToken::AmPm, 1, format.mid(i, 3)});
                i += 3;
            } else if (MatchesAt(format, i, u"AMPM")) {
                items.push_back({TToken::LocaleAmPm});
                i += 4;
            } else {
                literal(QStringView(format).mid(i, 1));
                ++i;
            }
            continue;
        }

        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == starter)
            ++run;
        const int count = int(qMin<qsizetype>(run, 64));
        switch (token) {
        case u'Y': items.push_back({TToken::Year, count}); break;
        case u'M': items.push_back({TToken::Month, count}); break;
        case u'D': items.push_back({TToken::Day, count}); break;
        case u'H': items.push_back({TToken::Hour, count}); break;
        case u'N': items.push_back({TToken::Minute, count}); break;
        case u'S': items.push_back({TToken::Second, count}); break;
        case u'Z': items.push_back({TToken::Msec, count}); break;
        case u'T': items.push_back({TToken::LocaleTime, count}); break;
        case u'C': items.push_back({TToken::ShortDateLongTime, count}); break;
        default:
            // Other letters are text; only the first of the run is consumed,
            // so that a following letter still sees it as the last one.
            literal(QStringView(format).mid(i, 1));
            run = 1;
            break;
        }
        i += run;
    }
    return items;
}

// Removes the time-zone specifiers (unquoted runs of t) of a Qt time format,
// with the blanks before them: datecodes carry no zone.
QString WithoutTimeZone(const QString &qtFormat)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < qtFormat.size(); ++i) {
        const QChar c = qtFormat[i];
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

// The first character of a Qt format that is neither a letter, a blank nor
// quoted: the separator the locale puts between the fields.
QString FirstSeparator(const QString &qtFormat, const QString &fallback)
{
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter() && !c.isSpace())
            return QString(c);
    }
    return fallback;
}

QString Number(int value, int digits)
{
    return QString::number(value).rightJustified(digits, u'0');
}

class TFormatter
{
public:
    TFormatter(const TDateTimeParts &parts, int dayOfWeek)
        : m_parts(parts)
        , m_dayOfWeek(dayOfWeek)
        , m_date(parts.year, parts.month, parts.day)
        , m_time(parts.hour, parts.minute, parts.second, parts.msec)
    {
    }

    QString format(const std::vector<TFormatItem> &items) const
    {
        bool twelveHour = false;
        for (const TFormatItem &item : items)
            if (item.token == TToken::AmPm || item.token == TToken::LocaleAmPm)
                twelveHour = true;

        QString out;
        for (const TFormatItem &item : items)
            out += render(item, twelveHour);
        return out;
    }

private:
    QString render(const TFormatItem &item, bool twelveHour) const
    {
        const bool pm = m_parts.hour >= 12;
        switch (item.token) {
        case TToken::Literal:
            return item.text;
        case TToken::Year:
            return item.count <= 2 ? Number(m_parts.year % 100, 2) : Number(m_parts.year, 4);
        case TToken::Month:
            if (item.count <= 2)
                return Number(m_parts.month, item.count);
            return m_locale.monthName(m_parts.month, item.count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
        case TToken::Day:
            switch (item.count) {
            case 1:
            case 2: return Number(m_parts.day, item.count);
            case 3: return m_locale.dayName(m_dayOfWeek, QLocale::ShortFormat);
            case 4: return m_locale.dayName(m_dayOfWeek, QLocale::LongFormat);
            case 5: return localeDate(QLocale::ShortFormat);
            default: return localeDate(QLocale::LongFormat);
            }
        case TToken::Hour: {
            int h = m_parts.hour;
            if (twelveHour)
                h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
            return Number(h, qMin(item.count, 2));
        }
        case TToken::Minute:
            return Number(m_parts.minute, qMin(item.count, 2));
        case TToken::Second:
            return Number(m_parts.second, qMin(item.count, 2));
        case TToken::Msec:
            return Number(m_parts.msec, qMin(item.count, 3));
        case TToken::LocaleTime:
            return localeTime(item.count == 1 ? QLocale::ShortFormat : QLocale::LongFormat);
        case TToken::ShortDateLongTime: {
            QString text = localeDate(QLocale::ShortFormat);
            if (m_time != QTime(0, 0))
                text += u' ' + localeTime(QLocale::LongFormat);
            return text;
        }
        case TToken::AmPm:
            // "am/pm" or "a/p" as written: the part before or after the slash.
            if (item.text.size() == 5)
                return pm ? item.text.mid(3, 2) : item.text.left(2);
            return pm ? item.text.mid(2, 1) : item.text.left(1);
        case TToken::LocaleAmPm:
            return pm ? m_locale.pmText() : m_locale.amText();
        case TToken::DateSeparator:
            return FirstSeparator(m_locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
        case TToken::TimeSeparator:
            return FirstSeparator(m_locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
        }
        return {};
    }

    QString localeDate(QLocale::FormatType type) const
    {
        return m_locale.toString(m_date, m_locale.dateFormat(type));
    }

    QString localeTime(QLocale::FormatType type) const
    {
        return m_locale.toString(m_time, WithoutTimeZone(m_locale.timeFormat(type)));
    }

    const TDateTimeParts &m_parts;
    const int m_dayOfWeek;
    const QDate m_date;
    const QTime m_time;
    const QLocale m_locale;
};

} // namespace

QString FormatDateTime(const QString &format, TDateTime value)
{
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts))
        return {};
    const std::vector<TFormatItem> items = Tokenize(format.isEmpty() ? QStringLiteral("c") : format);
    return TFormatter(parts, DayOfWeek(value)).format(items);
}
