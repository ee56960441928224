#include "framework/linkmarkup.h"

TMarkupTag ParseMarkupTag(const QString &tagText)
{
    const qsizetype blank = tagText.indexOf(QLatin1Char(' '));
    TMarkupTag tag;
    tag.name = (blank < 0 ? tagText : tagText.left(blank)).trimmed().toUpper();
    if (blank >= 0) {
        tag.rawArgument = tagText.mid(blank + 1).trimmed();
        tag.argument = tag.rawArgument.toUpper();
    }
    return tag;
}

QString MarkupDisplayText(const QString &markup, const QString &lineBreak)
{
    QString display;
    display.reserve(markup.size());
    ScanMarkup(
        markup, [&display](QStringView text) { display += text; },
        [&display, &lineBreak](const QString &tag) {
            if (ParseMarkupTag(tag).name == QLatin1String("BR"))
                display += lineBreak;
        });
    return display;
}

QString MarkupEscaped(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('<'), QLatin1String("<<>"));
    return out;
}
