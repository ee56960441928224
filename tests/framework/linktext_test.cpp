#include "framework/widgets/linkedit.h"
#include "framework/linkmarkup.h"
#include "framework/linktext.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// A layout as text: runs joined, each styled run followed by its style in
// braces, "|" between paragraphs with the paragraph's alignment (L R C) when set.
QString Describe(const TMarkupLayout &layout)
{
    QStringList paragraphs;
    for (const TMarkupParagraph &p : layout.paragraphs) {
        QString text;
        for (const TMarkupRun &run : p.runs) {
            text += run.text;
            QStringList style;
            if (run.format.bold)
                style << QStringLiteral("B");
            if (run.format.italic)
                style << QStringLiteral("I");
            if (run.format.underline)
                style << QStringLiteral("U");
            if (run.format.strikeOut)
                style << QStringLiteral("S");
            if (run.format.color.isValid())
                style << run.format.color.name();
            if (run.format.pointSize)
                style << QString::number(run.format.pointSize) + QLatin1String("pt");
            if (!run.format.family.isEmpty())
                style << run.format.family;
            if (run.link >= 0)
                style << QLatin1String("link ") + layout.links.at(run.link).target;
            if (!style.isEmpty())
                text += QLatin1Char('{') + style.join(QLatin1Char(',')) + QLatin1Char('}');
        }
        if (p.alignment == Qt::AlignLeft)
            text += QLatin1String("<L");
        else if (p.alignment == Qt::AlignRight)
            text += QLatin1String("<R");
        else if (p.alignment == Qt::AlignHCenter)
            text += QLatin1String("<C");
        paragraphs << text;
    }
    return paragraphs.join(QLatin1Char('|'));
}

struct TLayoutCase
{
    const char *markup;
    const char *layout;
};

class MarkupLayout : public testing::TestWithParam<TLayoutCase> {};

TEST_P(MarkupLayout, StylesTheShownText)
{
    EXPECT_EQ(Describe(LayoutMarkup(QString::fromUtf8(GetParam().markup))), QString::fromUtf8(GetParam().layout));
}

INSTANTIATE_TEST_SUITE_P(
    Tags, MarkupLayout,
    testing::Values(
        TLayoutCase{"a<b>b</b>c", "ab{B}c"},                         // only the middle letter bold
        TLayoutCase{"<i>a<u>b<s>c</i>d</u>e</s>f", "a{I}b{I,U}c{I,U,S}d{U,S}e{S}f"},
        TLayoutCase{"a<br>b<BR Center>c<Br right>d<bR LEFT>e<br middle>f", "a|b<C|c<R|d<L|e|f"},
        TLayoutCase{"a<brx>b<BRCENTER>c", "abc"},                     // names only beginning with BR
        TLayoutCase{"a<<>b", "a<b"},
        TLayoutCase{"<COLOR Red>a<COLOR blue>b</COLOR>c", "a{#ff0000}b{#0000ff}c"}, // back to the control's colour
        TLayoutCase{"<COLOR Red>a<COLOR Tartan>b", "ab{#ff0000}"},    // an unknown name changes nothing
        TLayoutCase{"<COLOR skyblue>a<COLOR MONEYGREEN>b", "a{#a6caf0}b{#c0dcc0}"},
        TLayoutCase{"<SIZE 14>a<SIZE x>b<SIZE 12>c</SIZE>d<SIZE 999999>e", "a{14pt}bc{12pt}de{1638pt}"},
        TLayoutCase{"<FONT Courier New>a</FONT>b", "a{Courier New}b"},
        TLayoutCase{"x<URL http://Example.org/A>link</URL>y", "xlink{U,#000080,link http://Example.org/A}y"},
        // the link saves the colour and style and gives them back
        TLayoutCase{"<B><COLOR Green>a<MAIL me@x>m</MAIL>b", "a{B,#008000}m{B,U,#000080,link me@x}b{B,#008000}"},
        TLayoutCase{"one\r\ntwo\nthree\rfour", "one|two|three|four"}, // line breaks in the text
        TLayoutCase{"ab<B cd", "ab"},                                 // an unfinished tag is dropped
        TLayoutCase{"<unknown>a</nothing>", "a"},
        TLayoutCase{"", ""}));

struct TLinkCase
{
    const char *markup;
    int position;
    TLinkKind kind; // when target is set
    const char *target;
};

class MarkupLinkAt : public testing::TestWithParam<TLinkCase> {};

TEST_P(MarkupLinkAt, FindsTheLinkOfAPosition)
{
    const TLinkCase &c = GetParam();
    const auto link = LayoutMarkup(QString::fromUtf8(c.markup)).linkAt(c.position);
    if (!*c.target) {
        EXPECT_FALSE(link) << link->target.toStdString();
        return;
    }
    ASSERT_TRUE(link);
    EXPECT_EQ(link->kind, c.kind);
    EXPECT_EQ(link->target, QString::fromUtf8(c.target));
}

INSTANTIATE_TEST_SUITE_P(
    Links, MarkupLinkAt,
    testing::Values(TLinkCase{"ab<URL Http://X.org>cd</URL>e", 1, TLinkKind::Url, ""},
                    TLinkCase{"ab<URL Http://X.org>cd</URL>e", 2, TLinkKind::Url, "Http://X.org"}, // case kept
                    TLinkCase{"ab<URL Http://X.org>cd</URL>e", 3, TLinkKind::Url, "Http://X.org"},
                    TLinkCase{"ab<URL Http://X.org>cd</URL>e", 4, TLinkKind::Url, ""},            // the character after it
                    TLinkCase{"<MAIL a@b>m</MAIL><BR><LINK Help>h</LINK>", 0, TLinkKind::Mail, "a@b"},
                    TLinkCase{"<MAIL a@b>m</MAIL><BR><LINK Help>h</LINK>", 1, TLinkKind::Mail, ""}, // the line break
                    TLinkCase{"<MAIL a@b>m</MAIL><BR><LINK Help>h</LINK>", 2, TLinkKind::Custom, "Help"},
                    TLinkCase{"<<><URL t>x</URL>", 1, TLinkKind::Url, "t"},  // a shown "<" counts
                    TLinkCase{"<URL a>x<LINK b>y</LINK>z</URL>", 0, TLinkKind::Url, ""}, // cancelled by the inner one
                    TLinkCase{"<URL a>x<LINK b>y</LINK>z</URL>", 1, TLinkKind::Custom, "b"},
                    TLinkCase{"<URL a>x</MAIL>y", 0, TLinkKind::Url, ""},    // no closing tag of its kind
                    TLinkCase{"<URL>x</URL>", 0, TLinkKind::Url, ""}));     // no target

TEST(RenderMarkup, FillsTheDocumentWithTheRunsAndLinks)
{
    QTextDocument doc;
    const TMarkupLayout layout = LayoutMarkup(QStringLiteral("a<b>b</b>c<BR CENTER><URL http://X>d</URL><SIZE 20>e"));
    RenderMarkup(doc, layout, Qt::AlignRight);
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("abc\nde"));
    EXPECT_EQ(doc.characterCount(), layout.length + 1); // the document counts its final paragraph end

    const auto formatAt = [&doc](int position) {
        QTextCursor cursor(&doc);
        cursor.setPosition(position + 1); // the format of the character before the cursor
        return cursor.charFormat();
    };
    EXPECT_EQ(formatAt(0).fontWeight(), QFont::Normal);
    EXPECT_EQ(formatAt(1).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(2).fontWeight(), QFont::Normal);
    EXPECT_TRUE(formatAt(4).isAnchor());
    EXPECT_EQ(MarkupLinkIndex(formatAt(4).anchorHref()), 0);
    EXPECT_TRUE(formatAt(4).fontUnderline());
    EXPECT_EQ(formatAt(4).foreground().color(), QColor(0, 0, 0x80));
    EXPECT_FALSE(formatAt(5).isAnchor());
    EXPECT_EQ(formatAt(5).fontPointSize(), 20);
    EXPECT_EQ(doc.firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(doc.lastBlock().blockFormat().alignment(), Qt::AlignRight); // the control's own
}

TEST(MarkupToRtf, WritesStylesParagraphsAndEscapes)
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setPointSize(10);
    const QByteArray rtf = MarkupToRtf(QStringLiteral("a<b>b</b>{c}\\\u00e9<BR CENTER><COLOR Red><i>x</i>"), font);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi")) << rtf.constData();
    EXPECT_TRUE(rtf.endsWith("}\r\n"));
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil Liberation Mono;}}"));
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}"));
    EXPECT_TRUE(rtf.contains("\\pard\\qc {\\f0\\fs20 a}{\\f0\\fs20\\b b}{\\f0\\fs20 \\{c\\}\\\\\\u233?}\\par\r\n"))
        << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\pard\\ql {\\f0\\fs20\\cf1\\i x}")) << rtf.constData();
    // Braces balance, so readers find the end of the document.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
}

class LinkEditTest : public testing::Test
{
protected:
    // The middle of the character at a position, in viewport coordinates.
    static QPoint PointOf(TLinkEdit &edit, int position)
    {
        QTextCursor cursor(edit.document());
        cursor.setPosition(position);
        const QRect left = edit.cursorRect(cursor);
        cursor.setPosition(position + 1);
        const QRect right = edit.cursorRect(cursor);
        return QPoint((left.center().x() + right.center().x()) / 2, left.center().y());
    }
};

TEST_F(LinkEditTest, ReportsHoversAndClicksOfTheLinkUnderTheMouse)
{
    TLinkEdit edit;
    edit.resize(400, 120);
    edit.setHintProvider(TLinkKind::Url, [](const QString &target) { return QStringLiteral("Open ") + target; });
    const QString markup = QStringLiteral("Go <URL https://Example.org/A>here</URL> now<BR><LINK Close>close</LINK>");
    edit.setRichText(markup);
    EXPECT_EQ(edit.richText(), markup);
    edit.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));

    QSignalSpy hovers(&edit, &TLinkEdit::linkHovered);
    QSignalSpy clicks(&edit, &TLinkEdit::linkClicked);
    QWidget *viewport = edit.viewport();

    QTest::mouseMove(viewport, PointOf(edit, 5));
    ASSERT_EQ(hovers.count(), 1);
    EXPECT_EQ(hovers.at(0).at(1).toString(), QStringLiteral("https://Example.org/A"));
    EXPECT_EQ(edit.toolTip(), QStringLiteral("Open https://Example.org/A"));
    ASSERT_TRUE(edit.linkAt(PointOf(edit, 5)));

    QTest::mouseClick(viewport, Qt::LeftButton, {}, PointOf(edit, 5));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TLinkKind>(), TLinkKind::Url);
    EXPECT_EQ(clicks.at(0).at(1).toString(), QStringLiteral("https://Example.org/A"));

    QTest::mouseClick(viewport, Qt::LeftButton, {}, PointOf(edit, 7)); // the blank after the link
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(edit.linkAt(PointOf(edit, 7)));

    QTest::mouseClick(viewport, Qt::LeftButton, {}, PointOf(edit, 14)); // "close", on the second line
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(1).at(0).value<TLinkKind>(), TLinkKind::Custom);
    EXPECT_EQ(clicks.at(1).at(1).toString(), QStringLiteral("Close"));
}

} // namespace
