#pragma once

#include <QString>

// The tag markup of the rich link text: plain characters are shown as they are,
// a tag runs from "<" to the next ">" and shows nothing, except "BR" (alone or
// followed by a blank and an alignment argument, in any case), which shows a
// line break. A "<" met inside a tag is shown as a character and the tag goes
// on, so "<<>" shows a single "<". A tag still open at the end is dropped.

// The text the markup displays, each "BR" tag replaced by lineBreak.
QString MarkupDisplayText(const QString &markup, const QString &lineBreak = QStringLiteral("\r\n"));

// Text that displays exactly as the given plain text: each "<" becomes "<<>".
QString MarkupEscaped(const QString &text);
