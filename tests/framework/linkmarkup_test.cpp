#include "framework/linkmarkup.h"

#include <gtest/gtest.h>

namespace {

struct TDisplayCase
{
    const char *markup;
    const char *display;
};

class MarkupDisplayTextTest : public testing::TestWithParam<TDisplayCase> {};

TEST_P(MarkupDisplayTextTest, ShowsTextOutsideTags)
{
    const TDisplayCase &c = GetParam();
    EXPECT_EQ(MarkupDisplayText(QString::fromUtf8(c.markup), QStringLiteral("|")),
              QString::fromUtf8(c.display));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MarkupDisplayTextTest,
    testing::Values(
        TDisplayCase{"plain text", "plain text"},
        TDisplayCase{"a<b>b</b>c", "abc"},                          // style tags show nothing
        TDisplayCase{"<COLOR Navy>x</COLOR><i>y</i>", "xy"},
        TDisplayCase{"one<br>two", "one|two"},                      // BR in any case, alone
        TDisplayCase{"one<BR>two<Br CENTER>three", "one|two|three"}, // or with an argument
        TDisplayCase{"a<BR  right >b", "a|b"},
        TDisplayCase{"a<brx>b<BRCENTER>c", "abc"},                   // names only beginning with BR
        TDisplayCase{"a< BR>b", "ab"},                               // the name is what precedes the first blank
        TDisplayCase{"a<<>b", "a<b"},                                // "<" inside a tag is shown
        TDisplayCase{"<COLOR <Red>x", "<x"},
        TDisplayCase{"a>b", "a>b"},                                  // ">" outside a tag is text
        TDisplayCase{"<COLOR Red>>>> garbage</COLOR>", ">>> garbage"},
        TDisplayCase{"before<b unfinished", "before"},               // unterminated tag dropped
        TDisplayCase{"x<", "x"},
        TDisplayCase{"<unknown tag>a<URL http://x>link</URL>", "alink"},
        TDisplayCase{"", ""}));

TEST(MarkupDisplayText, DefaultLineBreakIsCrLf)
{
    EXPECT_EQ(MarkupDisplayText(QStringLiteral("a<br>b")), QStringLiteral("a\r\nb"));
}

TEST(MarkupEscaped, DisplaysAsTheOriginalText)
{
    const QString raw = QStringLiteral("<b>a<<b>>");
    EXPECT_EQ(MarkupEscaped(raw), QStringLiteral("<<>b>a<<><<>b>>"));
    EXPECT_EQ(MarkupDisplayText(MarkupEscaped(raw)), raw);
}

} // namespace
