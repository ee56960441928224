#include "framework/linktext.h"

#include "framework/linkmarkup.h"

#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

// A colour of the table, written blue first as the table gives it (0xBBGGRR).
QColor FromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

struct TStyle
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QColor color;
};

TStyle StyleOf(const TMarkupFormat &format)
{
    return {format.bold, format.italic, format.underline, format.strikeOut, format.color};
}

void SetStyle(TMarkupFormat &format, const TStyle &style)
{
    format.bold = style.bold;
    format.italic = style.italic;
    format.underline = style.underline;
    format.strikeOut = style.strikeOut;
    format.color = style.color;
}

// Characters with a meaning of their own in a QTextDocument, shown as the replacement character.
QChar Shown(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u == 0xFDD0 || u == 0xFDD1 || u == QChar::ObjectReplacementCharacter || u == 0)
        return QChar(QChar::ReplacementCharacter);
    return ch;
}

class TLayoutBuilder
{
public:
    explicit TLayoutBuilder(const TLinkColors &colors) : m_colors(colors) { m_layout.paragraphs.append(TMarkupParagraph()); }

    void text(QStringView text)
    {
        QString run;
        for (const QChar ch : text) {
            // CR LF is one line break, even with tags between the two.
            const bool secondHalf = m_afterCr && ch == QLatin1Char('\n');
            m_afterCr = ch == QLatin1Char('\r');
            if (secondHalf)
                continue;
            if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || ch == QChar::ParagraphSeparator) {
                append(run);
                run.clear();
                lineBreak({});
                continue;
            }
            run += Shown(ch);
        }
        append(run);
    }

    void tag(const QString &tagText)
    {
        const TMarkupTag tag = ParseMarkupTag(tagText);
        const QString &name = tag.name;
        if (name == QLatin1String("B") || name == QLatin1String("/B"))
            m_format.bold = name.size() == 1;
        else if (name == QLatin1String("I") || name == QLatin1String("/I"))
            m_format.italic = name.size() == 1;
        else if (name == QLatin1String("U") || name == QLatin1String("/U"))
            m_format.underline = name.size() == 1;
        else if (name == QLatin1String("S") || name == QLatin1String("/S"))
            m_format.strikeOut = name.size() == 1;
        else if (name == QLatin1String("COLOR")) {
            if (const QColor color = MarkupColor(tag.argument); color.isValid())
                m_format.color = color;
        } else if (name == QLatin1String("/COLOR"))
            m_format.color = QColor();
        else if (name == QLatin1String("SIZE")) {
            bool ok = false;
            const int size = tag.argument.toInt(&ok);
            m_format.pointSize = ok && size > 0 ? std::min(size, kMarkupMaxPointSize) : 0;
        } else if (name == QLatin1String("/SIZE"))
            m_format.pointSize = 0;
        else if (name == QLatin1String("FONT"))
            m_format.family = tag.rawArgument;
        else if (name == QLatin1String("/FONT"))
            m_format.family.clear();
        else if (name == QLatin1String("URL"))
            openLink(TLinkKind::Url, m_colors.url, tag.rawArgument);
        else if (name == QLatin1String("MAIL"))
            openLink(TLinkKind::Mail, m_colors.mail, tag.rawArgument);
        else if (name == QLatin1String("LINK"))
            openLink(TLinkKind::Custom, m_colors.link, tag.rawArgument);
        else if (name == QLatin1String("/URL"))
            closeLink(TLinkKind::Url);
        else if (name == QLatin1String("/MAIL"))
            closeLink(TLinkKind::Mail);
        else if (name == QLatin1String("/LINK"))
            closeLink(TLinkKind::Custom);
        else if (name == QLatin1String("BR")) {
            lineBreak(AlignmentOf(tag.argument));
            m_afterCr = false;
        }
    }

    TMarkupLayout finish()
    {
        assignLinks();
        return std::move(m_layout);
    }

private:
    static Qt::Alignment AlignmentOf(const QString &argument)
    {
        if (argument == QLatin1String("LEFT"))
            return Qt::AlignLeft;
        if (argument == QLatin1String("RIGHT"))
            return Qt::AlignRight;
        if (argument == QLatin1String("CENTER"))
            return Qt::AlignHCenter;
        return {};
    }

    void append(const QString &text)
    {
        if (text.isEmpty())
            return;
        m_layout.paragraphs.last().runs.append({text, m_format, -1});
        m_layout.length += int(text.size());
    }

    void lineBreak(Qt::Alignment alignment)
    {
        m_layout.paragraphs.last().alignment = alignment;
        m_layout.paragraphs.append(TMarkupParagraph());
        m_layout.length += 1;
    }

    void openLink(TLinkKind kind, const QColor &color, const QString &target)
    {
        m_saved = StyleOf(m_format);
        m_format.color = color;
        m_format.underline = true;
        m_open = true;
        m_openKind = kind;
        m_openTarget = target;
        m_openStart = m_layout.length;
    }

    void closeLink(TLinkKind kind)
    {
        SetStyle(m_format, m_saved);
        if (!m_open || m_openKind != kind)
            return;
        m_open = false;
        if (!m_openTarget.isEmpty() && m_layout.length > m_openStart)
            m_layout.links.append({kind, m_openTarget, m_openStart, m_layout.length});
    }

    // Gives each run inside a link the link's index, and joins neighbouring
    // runs that look and link alike. Links begin and end between runs.
    void assignLinks()
    {
        int position = 0;
        qsizetype link = 0;
        const auto &links = m_layout.links;
        for (TMarkupParagraph &paragraph : m_layout.paragraphs) {
            QList<TMarkupRun> joined;
            for (TMarkupRun &run : paragraph.runs) {
                while (link < links.size() && links[link].end <= position)
                    ++link;
                if (link < links.size() && links[link].start <= position)
                    run.link = int(link);
                position += int(run.text.size());
                if (!joined.isEmpty() && joined.last().format == run.format && joined.last().link == run.link)
                    joined.last().text += run.text;
                else
                    joined.append(std::move(run));
            }
            paragraph.runs = std::move(joined);
            position += 1;
        }
    }

    const TLinkColors &m_colors;
    TMarkupLayout m_layout;
    TMarkupFormat m_format;
    TStyle m_saved;
    bool m_open = false;
    TLinkKind m_openKind = TLinkKind::Url;
    QString m_openTarget;
    int m_openStart = 0;
    bool m_afterCr = false; // the last character shown was a CR
};

} // namespace

std::optional<TMarkupLink> TMarkupLayout::linkAt(int position) const
{
    const auto found = std::upper_bound(links.begin(), links.end(), position,
                                        [](int p, const TMarkupLink &link) { return p < link.end; });
    if (found == links.end() || position < found->start)
        return std::nullopt;
    return *found;
}

QColor MarkupColor(const QString &name)
{
    static const QHash<QString, quint32> table{
        {QStringLiteral("RED"), 0x0000FF},     {QStringLiteral("FUCHSIA"), 0xFF00FF}, {QStringLiteral("GREEN"), 0x008000},
        {QStringLiteral("GRAY"), 0x808080},    {QStringLiteral("YELLOW"), 0x00FFFF}, {QStringLiteral("LIME"), 0x00FF00},
        {QStringLiteral("BLUE"), 0xFF0000},    {QStringLiteral("MAROON"), 0x000080},  {QStringLiteral("BLACK"), 0x000000},
        {QStringLiteral("NAVY"), 0x800000},    {QStringLiteral("WHITE"), 0xFFFFFF},   {QStringLiteral("LTGRAY"), 0xC0C0C0},
        {QStringLiteral("AQUA"), 0xFFFF00},    {QStringLiteral("MEDGRAY"), 0xA4A0A0}, {QStringLiteral("DKGRAY"), 0x808080},
        {QStringLiteral("SILVER"), 0xC0C0C0},  {QStringLiteral("OLIVE"), 0x008080},   {QStringLiteral("TEAL"), 0x808000},
        {QStringLiteral("PURPLE"), 0x800080},  {QStringLiteral("MONEYGREEN"), 0xC0DCC0}, {QStringLiteral("CREAM"), 0xF0FBFF},
        {QStringLiteral("SKYBLUE"), 0xF0CAA6},
    };
    if (const auto found = table.constFind(name); found != table.constEnd())
        return FromBgr(*found);
    // The desktop's colours when there is a desktop, the usual ones otherwise.
    if (name == QLatin1String("BTNFACE"))
        return qGuiApp ? QGuiApplication::palette().color(QPalette::Button) : FromBgr(0xF0F0F0);
    if (name == QLatin1String("APPWORKSPACE"))
        return qGuiApp ? QGuiApplication::palette().color(QPalette::Dark) : FromBgr(0xABABAB);
    return {};
}

TMarkupLayout LayoutMarkup(const QString &markup, const TLinkColors &colors)
{
    TLayoutBuilder builder(colors);
    ScanMarkup(
        markup, [&builder](QStringView text) { builder.text(text); },
        [&builder](const QString &tag) { builder.tag(tag); });
    return builder.finish();
}

QString MarkupLinkHref(int link)
{
    return QStringLiteral("tarvex-link:%1").arg(link);
}

int MarkupLinkIndex(const QString &href)
{
    static const QString prefix = QStringLiteral("tarvex-link:");
    if (!href.startsWith(prefix))
        return -1;
    bool ok = false;
    const int index = href.mid(prefix.size()).toInt(&ok);
    return ok && index >= 0 ? index : -1;
}

void RenderMarkup(QTextDocument &document, const TMarkupLayout &layout, Qt::Alignment alignment)
{
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const TMarkupParagraph &paragraph : layout.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(paragraph.alignment ? paragraph.alignment : alignment);
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        first = false;
        for (const TMarkupRun &run : paragraph.runs) {
            QTextCharFormat format;
            format.setFontWeight(run.format.bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.format.italic);
            format.setFontUnderline(run.format.underline);
            format.setFontStrikeOut(run.format.strikeOut);
            if (run.format.color.isValid())
                format.setForeground(run.format.color);
            if (run.format.pointSize > 0)
                format.setFontPointSize(run.format.pointSize);
            if (!run.format.family.isEmpty())
                format.setFontFamilies({run.format.family});
            if (run.link >= 0) {
                format.setAnchor(true);
                format.setAnchorHref(MarkupLinkHref(run.link));
            }
            cursor.insertText(run.text, format);
        }
    }
    cursor.endEditBlock();
}

// ---------------------------------------------------------------- RTF

namespace {

void AppendRtfText(QByteArray &out, QStringView text)
{
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u < 0x20) {
            continue;
        } else if (u < 0x80) {
            out += char(u);
        } else {
            // \uN takes a signed 16-bit number; "?" is what readers without Unicode show.
            out += "\\u" + QByteArray::number(int(qint16(u))) + '?';
        }
    }
}

double PointSizeOf(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72.0 / 96.0;
    return 12;
}

} // namespace

QByteArray DocumentToRtf(const QTextDocument &document)
{
    const QFont base = document.defaultFont();
    QStringList fonts{base.family()};
    QList<QColor> colors;
    const auto fontIndex = [&fonts](const QString &family) {
        qsizetype i = fonts.indexOf(family);
        if (i < 0) {
            fonts.append(family);
            i = fonts.size() - 1;
        }
        return i;
    };
    const auto colorIndex = [&colors](const QColor &color) {
        qsizetype i = colors.indexOf(color);
        if (i < 0) {
            colors.append(color);
            i = colors.size() - 1;
        }
        return i + 1; // 0 is the reader's own text colour
    };

    QByteArray body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        body += "\\pard";
        const Qt::Alignment alignment = block.blockFormat().alignment();
        if (alignment & Qt::AlignHCenter)
            body += "\\qc";
        else if (alignment & Qt::AlignRight)
            body += "\\qr";
        else if (alignment & Qt::AlignJustify)
            body += "\\qj";
        else
            body += "\\ql";
        body += ' ';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QStringList families = format.fontFamilies().toStringList();
            const QString family = families.isEmpty() ? base.family() : families.first();
            const double size = format.fontPointSize() > 0 ? format.fontPointSize() : PointSizeOf(base);
            body += "{\\f" + QByteArray::number(fontIndex(family));
            body += "\\fs" + QByteArray::number(qRound(size * 2));
            if (format.foreground().style() != Qt::NoBrush)
                body += "\\cf" + QByteArray::number(colorIndex(format.foreground().color()));
            if (format.fontWeight() >= QFont::Bold)
                body += "\\b";
            if (format.fontItalic())
                body += "\\i";
            if (format.fontUnderline())
                body += "\\ul";
            if (format.fontStrikeOut())
                body += "\\strike";
            body += ' ';
            AppendRtfText(body, fragment.text());
            body += '}';
        }
        if (block.next().isValid())
            body += "\\par\r\n";
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl";
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil ";
        AppendRtfText(out, fonts.at(i));
        out += ";}";
    }
    out += "}{\\colortbl ;";
    for (const QColor &color : std::as_const(colors))
        out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) + "\\blue"
             + QByteArray::number(color.blue()) + ';';
    out += "}\r\n";
    out += body;
    out += "}\r\n";
    return out;
}

QByteArray MarkupToRtf(const QString &markup, const QFont &font)
{
    QTextDocument document;
    document.setDefaultFont(font);
    RenderMarkup(document, LayoutMarkup(markup));
    return DocumentToRtf(document);
}
