#pragma once

#include <QString>
#include <QStringView>

// The tag markup of the rich link text: plain characters are shown as they are,
// a tag runs from "<" to the next ">" and shows nothing, except "BR" (alone or
// followed by a blank and an alignment argument, in any case), which shows a
// line break. A "<" met inside a tag is shown as a character and the tag goes
// on, so "<<>" shows a single "<". A tag still open at the end is dropped.
// The styles, colours, fonts and links the other tags give are linktext.h's.

// A tag: its name is the upper-cased text before the first blank, its
// argument the text after it, both trimmed.
struct TMarkupTag
{
    QString name;        // upper case
    QString argument;    // upper case
    QString rawArgument; // as written (link targets, font names)
};

TMarkupTag ParseMarkupTag(const QString &tagText);

// Walks the markup in order: onText(QStringView) for each stretch of shown
// characters (a "<" inside a tag comes on its own), onTag(const QString &)
// with the tag's text (its "<" characters left out) at the ">" that ends it.
template <typename OnText, typename OnTag>
void ScanMarkup(QStringView markup, OnText &&onText, OnTag &&onTag)
{
    QString tag;
    bool inTag = false;
    qsizetype textStart = 0;
    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar ch = markup[i];
        if (!inTag) {
            if (ch == QLatin1Char('<')) {
                if (i > textStart)
                    onText(markup.sliced(textStart, i - textStart));
                inTag = true;
                tag.clear();
            }
            continue;
        }
        if (ch == QLatin1Char('>')) {
            inTag = false;
            textStart = i + 1;
            onTag(std::as_const(tag));
        } else if (ch == QLatin1Char('<')) {
            onText(markup.sliced(i, 1));
        } else {
            tag += ch;
        }
    }
    if (!inTag && markup.size() > textStart)
        onText(markup.sliced(textStart));
}

// The text the markup displays, each "BR" tag replaced by lineBreak.
QString MarkupDisplayText(const QString &markup, const QString &lineBreak = QStringLiteral("\r\n"));

// Text that displays exactly as the given plain text: each "<" becomes "<<>".
QString MarkupEscaped(const QString &text);
