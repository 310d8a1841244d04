#include "markup/core/draw_markup.h"
#include "markup/core/markup_color.h"
#include "markup/core/markup_text.h"

#include <gtest/gtest.h>

namespace fetchly::markup {
namespace {

TEST(StripMarkup, RemovesTagsAndTurnsBreaksIntoLineEnds)
{
    EXPECT_EQ(
        StripMarkup("<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> http://a/b.zip     <B>Ready</B></FONT>"),
        " http://a/b.zip     Ready");
    EXPECT_EQ(StripMarkup("one<br>two<HR>three"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(StripMarkup(""), "");
    EXPECT_EQ(StripMarkup("plain"), "plain");
}

TEST(StripMarkup, KeepsAnUnclosedTagAndEntities)
{
    EXPECT_EQ(StripMarkup("a<b>c<d"), "ac<d");
    EXPECT_EQ(StripMarkup("x &amp; y"), "x &amp; y");
    EXPECT_EQ(StripMarkup("<"), "<");
}

TEST(ColorFromName, CoversTheTableIgnoringCase)
{
    EXPECT_EQ(ColorFromName("clRed"), 0x0000FFu);
    EXPECT_EQ(ColorFromName("CLBLUE"), 0xFF0000u);
    EXPECT_EQ(ColorFromName("clNavy"), 0x800000u);
    EXPECT_EQ(ColorFromName("clMaroon"), 0x000080u);
    EXPECT_EQ(ColorFromName("clSilver"), 0xC0C0C0u);
    EXPECT_EQ(ColorFromName("clBackground"), 0x80000001u);
    EXPECT_EQ(ColorFromName("clHighlight"), 0x8000000Du);
    EXPECT_EQ(ColorFromName("clHighlightText"), 0x8000000Eu);
    EXPECT_EQ(ColorFromName("cl3DDkShadow"), 0x80000015u);
    EXPECT_EQ(ColorFromName("clInfoBk"), 0x80000018u);
    EXPECT_EQ(ColorFromName("clNoSuchColour"), 0u);
    EXPECT_EQ(ColorFromName(""), 0u);
}

TEST(ColorFromHex, ReadsRedGreenBluePairs)
{
    EXPECT_EQ(ColorFromHex("#FF0000"), 0x0000FFu);
    EXPECT_EQ(ColorFromHex("#00FF00"), 0x00FF00u);
    EXPECT_EQ(ColorFromHex("#0000FF"), 0xFF0000u);
    EXPECT_EQ(ColorFromHex("#616BC9"), RgbColor(0x61, 0x6B, 0xC9));
    EXPECT_EQ(ColorFromHex("#ff8000"), RgbColor(0xFF, 0x80, 0));
    // Short pairs and non-hex pairs count as 0.
    EXPECT_EQ(ColorFromHex("#12345"), RgbColor(0x12, 0x34, 0));
    EXPECT_EQ(ColorFromHex("#"), 0u);
    EXPECT_EQ(ColorFromHex("#GG10ZZ"), RgbColor(0, 0x10, 0));
}

TEST(PrepareMarkupText, ReplacesEntitiesInRounds)
{
    EXPECT_EQ(PrepareMarkupText("a &amp; b"), "a && b");
    EXPECT_EQ(PrepareMarkupText("&AMP;amp;"), "&&&");
    // The "&" that "&amp;" leaves starts an entity with what follows.
    EXPECT_EQ(PrepareMarkupText("&amp;quot;&amp;amp;amp;&amp&"), "&\"&&&&&amp&");
    EXPECT_EQ(PrepareMarkupText("&quot;x&quot;"), "\"x\"");
    EXPECT_EQ(PrepareMarkupText("&euro;&copy;&reg;&trade;&sect;&para;&permil;"),
              "\xE2\x82\xAC\xC2\xA9\xC2\xAE\xE2\x84\xA2\xC2\xA7\xC2\xB6\xE2\x80\xB0");
    // Left for the layout, so that "&lt;" never opens a tag.
    EXPECT_EQ(PrepareMarkupText("&lt;b&gt;&nbsp;"), "&lt;b&gt;&nbsp;");
    // ... which the layout replaces per segment, in any case, once.
    EXPECT_EQ(ReplaceLayoutEntities("&LT;b&gt;&Nbsp;&&lt;&amp;lt;&lt"), "<b> &<&amp;lt;&lt");
}

TEST(PrepareMarkupText, ShowsOneHashTagAndTurnsCarriageReturnsIntoBreaks)
{
    EXPECT_EQ(PrepareMarkupText("<#B>x<#I>"), "#Bx<#I>");
    EXPECT_EQ(PrepareMarkupText("one\r\ntwo\nthree\r"), "one<BR>twothree<BR>");
}

TEST(MarkupText, HelpersParseNumbersAndMnemonics)
{
    EXPECT_EQ(LeadingInt("  -42px"), -42);
    EXPECT_EQ(LeadingInt("x"), 0);
    EXPECT_EQ(LeadingInt("99999999999999"), 2147483647);
    EXPECT_EQ(WholeInt("17"), 17);
    EXPECT_EQ(WholeInt("-3"), -3);
    EXPECT_FALSE(WholeInt("17a"));
    EXPECT_FALSE(WholeInt(""));
    EXPECT_FALSE(WholeInt("99999999999"));
    std::size_t underline = 0;
    EXPECT_EQ(StripMnemonic("&File && more&", &underline), "File & more");
    EXPECT_EQ(underline, 0u);
    EXPECT_EQ(FindNoCase("abcBR", "br"), 3u);
    EXPECT_EQ(FindNoCase("abc", "x"), std::string_view::npos);
}

} // namespace
} // namespace fetchly::markup
