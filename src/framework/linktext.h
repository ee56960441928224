#pragma once

// The rich link text: markup (linkmarkup.h) laid out as paragraphs of styled
// runs with links, and rendered into a QTextDocument. Works without widgets;
// TLinkEdit (widgets/linkedit.h) shows it in a window.
//
// Tags and what they do to the text that follows:
//   B /B  I /I  U /U  S /S   bold, italic, underline, strike-out on / off
//   COLOR name   /COLOR      a colour of the table below (an unknown name changes nothing) / the control's colour
//   SIZE n       /SIZE       n points (anything else than a positive integer: the control's size) / the control's size
//   FONT name    /FONT       a font face / the control's face
//   URL target   /URL        a web link: the colour and style are saved, the link colour and underline
//   MAIL target  /MAIL       set; the closing tag restores them. The three kinds share one saved slot.
//   LINK name    /LINK       a mail link, a link of the owner's own
//   BR [LEFT|RIGHT|CENTER]   a line break; the paragraph it ends is aligned so (the control's alignment without)
// Unknown tags do nothing. Line breaks written in the text (CR LF, LF, CR) break lines too.
//
// A link runs from its opening tag to the next closing tag of the same kind;
// another opening tag before it cancels it. Positions count the characters
// shown, one for each line break, as QTextDocument counts them.

#include <QColor>
#include <QList>
#include <QString>
#include <Qt>

#include <optional>

class QFont;
class QTextDocument;

enum class TLinkKind { Url, Mail, Custom };

struct TLinkColors
{
    QColor url = QColor(0, 0, 0x80); // navy
    QColor mail = QColor(0, 0, 0x80);
    QColor link = QColor(0, 0, 0x80);
};

struct TMarkupFormat
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color;      // invalid: the control's text colour
    int pointSize = 0; // 0: the control's size
    QString family;    // empty: the control's face

    bool operator==(const TMarkupFormat &) const = default;
};

struct TMarkupRun
{
    QString text;
    TMarkupFormat format;
    int link = -1; // index in TMarkupLayout::links

    bool operator==(const TMarkupRun &) const = default;
};

struct TMarkupParagraph
{
    QList<TMarkupRun> runs;
    Qt::Alignment alignment; // empty: the control's alignment
};

struct TMarkupLink
{
    TLinkKind kind = TLinkKind::Url;
    QString target; // as written
    int start = 0;  // first position of the link
    int end = 0;    // first position after it

    bool operator==(const TMarkupLink &) const = default;
};

struct TMarkupLayout
{
    QList<TMarkupParagraph> paragraphs; // at least one
    QList<TMarkupLink> links;           // in text order, not overlapping, targets never empty
    int length = 0;                     // positions in all

    // The link whose text holds the character at a position.
    std::optional<TMarkupLink> linkAt(int position) const;
};

// The largest SIZE that is honoured, in points.
inline constexpr int kMarkupMaxPointSize = 1638;

TMarkupLayout LayoutMarkup(const QString &markup, const TLinkColors &colors = {});

// A colour of the COLOR tag by its upper-case name; invalid for an unknown name.
QColor MarkupColor(const QString &name);

// Replaces the document's content with the layout; each link's text carries
// an anchor whose href is MarkupLinkHref of its index. The document's default
// font is the control's font.
void RenderMarkup(QTextDocument &document, const TMarkupLayout &layout, Qt::Alignment alignment = Qt::AlignLeft);
QString MarkupLinkHref(int link);
// The link index of an anchor's href; -1 for any other href.
int MarkupLinkIndex(const QString &href);

// The document as rich text (RTF): paragraphs with their alignment, runs with
// their font, size, colour and style. Text beyond ASCII as Unicode escapes.
QByteArray DocumentToRtf(const QTextDocument &document);
// The markup rendered with a font and written as RTF (a report saved as .rtf).
QByteArray MarkupToRtf(const QString &markup, const QFont &font);
