#include "framework/linkmarkup.h"

namespace {

// The name of a tag: the upper-cased text before its first blank, trimmed.
QString TagName(const QString &tagText)
{
    const qsizetype blank = tagText.indexOf(QLatin1Char(' '));
    const QString name = blank < 0 ? tagText : tagText.left(blank);
    return name.trimmed().toUpper();
}

} // namespace

QString MarkupDisplayText(const QString &markup, const QString &lineBreak)
{
    QString display;
    display.reserve(markup.size());
    QString tag;
    bool inTag = false;
    for (const QChar ch : markup) {
        if (!inTag) {
            if (ch == QLatin1Char('<')) {
                inTag = true;
                tag.clear();
            } else {
                display += ch;
            }
            continue;
        }
        if (ch == QLatin1Char('>')) {
            inTag = false;
            if (TagName(tag) == QLatin1String("BR"))
                display += lineBreak;
        } else if (ch == QLatin1Char('<')) {
            display += ch;
        } else {
            tag += ch;
        }
    }
    return display;
}

QString MarkupEscaped(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('<'), QLatin1String("<<>"));
    return out;
}
