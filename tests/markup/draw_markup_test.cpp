#include "tests/markup/cpu_time.h"
#include "tests/markup/markup_test_util.h"

namespace fetchly::markup::test {
namespace {

using DrawMarkupLayout = MarkupLayoutTest;

TEST_F(DrawMarkupLayout, PlainTextIsMeasuredAndDrawnOnTheBaseLine)
{
    const MarkupResult m = Measure("Hello");
    EXPECT_EQ(m.width, 25);
    EXPECT_EQ(m.height, 12);
    EXPECT_TRUE(surface.texts.empty());

    Draw("Hello");
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, "Hello");
    EXPECT_EQ(surface.texts[0].rect, (MarkupRect{1, 0, 201, 12}));
    EXPECT_FALSE(surface.texts[0].ellipsis);
}

TEST_F(DrawMarkupLayout, EmptyTextHasTheHeightOfOneLineAndNoWidth)
{
    const MarkupResult m = Measure("");
    EXPECT_EQ(m.width, 0);
    EXPECT_EQ(m.height, 12);
    surface.SetFont({"Base", 20});
    EXPECT_EQ(Measure("").height, 22);
}

TEST_F(DrawMarkupLayout, WrapBreaksAtSpacesAndDropsTheTrailingSpace)
{
    // Box width 50: "aaaa " (25) fits, "bbbb " would make 50 and goes down.
    const MarkupResult m = Measure("aaaa bbbb cccc", {0, 0, 51, 1000});
    EXPECT_EQ(m.height, 24);
    EXPECT_EQ(m.width, 45);

    Draw("aaaa bbbb cccc", {0, 0, 51, 1000});
    ASSERT_EQ(surface.texts.size(), 3u);
    EXPECT_EQ(surface.texts[0].rect, (MarkupRect{1, 0, 51, 12}));
    EXPECT_EQ(surface.texts[1].rect, (MarkupRect{1, 12, 51, 24}));
    EXPECT_EQ(surface.texts[2].text, "cccc");
    EXPECT_EQ(surface.texts[2].rect.left, 26);
}

TEST_F(DrawMarkupLayout, AWordSplitByTagsStaysTogether)
{
    const char *markup = "aa <B>bbbbbb</B>cccccc";
    const MarkupResult m = Measure(markup, {0, 0, 51, 1000});
    EXPECT_EQ(m.height, 24);
    EXPECT_EQ(m.width, 66); // the joined word runs past the edge rather than break

    Draw(markup, {0, 0, 51, 1000});
    const DrawnText *bold = FindText("bbbbbb");
    const DrawnText *plain = FindText("cccccc");
    ASSERT_TRUE(bold && plain);
    EXPECT_TRUE(bold->font.bold); // the font runs on from the line before
    EXPECT_EQ(bold->rect.top, 12);
    EXPECT_FALSE(plain->font.bold);
    EXPECT_EQ(plain->rect.left, 37);
    EXPECT_EQ(plain->rect.top, 12);
}

TEST_F(DrawMarkupLayout, WithoutWrapLongTextEndsInAnEllipsisAndTheRestIsDropped)
{
    // "aaaa aaa " (45) fits; the bold word (42) does not, and ends the item.
    const char *markup = "aaaa aaa <B>bbbbbbb</B> more<BR>ccc";
    const MarkupResult m = Measure(markup, {0, 0, 51, 1000}, false);
    EXPECT_EQ(m.height, 12);
    EXPECT_EQ(m.width, 87);

    Draw(markup, {0, 0, 51, 1000}, false);
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_TRUE(surface.texts[0].ellipsis);
    EXPECT_TRUE(surface.texts[1].ellipsis);
    EXPECT_EQ(surface.texts[1].rect.left, 46);
    // A single segment wider than the box is placed where it stands.
    EXPECT_EQ(Measure("aaaaaaaaaaaaaaaaaaaa<BR>bbb", {0, 0, 51, 1000}, false).height, 24);

    // Explicit breaks still work, and spaces do not break.
    EXPECT_EQ(Measure("a b c d e f g h i j k<BR>x", {0, 0, 51, 1000}, false).height, 24);
    EXPECT_EQ(Measure("ab cd<BR>x", {0, 0, 51, 1000}, false).height, 24);
}

TEST_F(DrawMarkupLayout, CarriageReturnAndLineFeedBreakTheLine)
{
    EXPECT_EQ(Measure("ab\r\ncd").height, 24);
    EXPECT_EQ(Measure("ab\ncd").height, 12);
    Draw("ab\r\ncd");
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[1].rect.top, 12);
}

TEST_F(DrawMarkupLayout, ParagraphAlignmentAndIndentHoldForLaterLines)
{
    Draw("<P align=\"right\">abc<BR>de", {0, 0, 101, 1000});
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[0].rect.left, 86);
    EXPECT_EQ(surface.texts[1].rect.left, 91);

    surface.texts.clear();
    Draw("<P align=\"center\">abc", {0, 0, 101, 1000});
    EXPECT_EQ(surface.texts.at(0).rect.left, 43);

    surface.texts.clear();
    Draw("<P align=\"right\">x<P align=\"left\" indent=\"7\">abc", {0, 0, 101, 1000});
    EXPECT_EQ(surface.texts.at(0).rect.left, 8);
}

TEST_F(DrawMarkupLayout, SubscriptAndSuperscriptAddAQuarterOfTheTextHeight)
{
    EXPECT_EQ(Measure("a<SUB>b</SUB>").height, 15);
    Draw("a<SUB>b</SUB>");
    EXPECT_EQ(FindText("a")->rect.bottom, 12);
    EXPECT_EQ(FindText("b")->rect.bottom, 15);

    surface.texts.clear();
    EXPECT_EQ(Measure("a<sup>b</sup>").height, 15);
    Draw("a<sup>b</sup>");
    EXPECT_EQ(FindText("a")->rect.bottom, 15);
    EXPECT_EQ(FindText("b")->rect.bottom, 12);

    // Both flags start afresh on the next line.
    EXPECT_EQ(Measure("a<SUB>b<BR>c").height, 15 + 12);
}

TEST_F(DrawMarkupLayout, SurfaceFontAndFillArePutBack)
{
    surface.SetFill(0x123456);
    const MarkupFont before = surface.Font();
    Draw("<FONT face=\"Other\" size=\"5\" bgcolor=\"#00FF00\"><B><I><HI>x<R a=\"90\">y");
    EXPECT_EQ(surface.Font(), before);
    EXPECT_EQ(surface.Fill(), 0x123456u);
    // Text is drawn without a fill unless the markup asks for one.
    EXPECT_EQ(FindText("x")->fill, 0x8000000Du);
    surface.texts.clear();
    Draw("plain");
    EXPECT_EQ(surface.texts.at(0).fill, NoColor);
}

TEST_F(DrawMarkupLayout, DrawingStopsBelowTheBoundsButMeasuringDoesNot)
{
    Draw("a<BR>b<BR>c<BR>d", {0, 0, 201, 20});
    EXPECT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(Measure("a<BR>b<BR>c<BR>d", {0, 0, 201, 20}).height, 48);
}

TEST_F(DrawMarkupLayout, BothPassesAgreeOnTheLines)
{
    params.images = &images;
    const char *samples[] = {
        "aa <B>bbbbbb</B>cccccc dd ee ff gg",
        "<UL><LI>one two three<LI>four five six seven</UL><HR>tail",
        "<FONT size=\"5\">big words</FONT> small words <IMG src=\"idx:1\"> more words here",
        "x<SUB>low</SUB> y<SUP>high</SUP> <P align=\"center\">middle text that wraps around",
        "<IND x=\"30\">indented words <I>and</I> more <Z>hidden text</Z> shown",
    };
    for (const char *markup : samples) {
        const MarkupResult measured = Measure(markup, {0, 0, 81, 5000});
        surface.texts.clear();
        const MarkupResult drawn = Draw(markup, {0, 0, 81, 5000});
        EXPECT_EQ(drawn.height, measured.height) << markup;
        // Every consumed text segment is drawn, within the lines measured.
        for (const DrawnText &t : surface.texts)
            EXPECT_LE(t.rect.bottom, measured.height) << markup << ": " << t.text;
        const MarkupResult hit = Hit(markup, 0, 0, {0, 0, 81, 5000});
        EXPECT_EQ(hit.height, measured.height) << markup;
    }
}

TEST_F(DrawMarkupLayout, AUrlOfAmpersandsIsLaidOutInLinearTime)
{
    // A URL of 100,000 "&" as list lines write it: a few milliseconds.
    // Replacing one entity per rescan of the text, or every layout entity in
    // a pass of its own, takes seconds; the bound leaves room for a loaded
    // machine's caches.
    std::string markup = "<B>";
    for (int i = 0; i < 100000; ++i)
        markup += "&amp;";
    MarkupResult m;
    const double seconds = BestCpuSeconds([&] {
        surface.texts.clear();
        m = Measure(markup);
        Draw(markup);
    });
    EXPECT_LT(seconds, 0.05 * kTimeAllowance);
    EXPECT_EQ(m.width, 100000 * 6); // the mnemonic rule shows "&&" as one "&"
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, std::string(200000, '&'));
}

TEST_F(DrawMarkupLayout, StatusLinesOfTheDownloadList)
{
    params.images = &images;
    const char *ready = "<IMG src=\"idx:0\"><FONT face=\"Trebuchet MS\"> http://h/f.zip     "
                        "<B>Ready for Download</B></FONT>";
    const MarkupResult m = Measure(ready, {0, 0, 1001, 4096});
    EXPECT_EQ(m.height, 16);
    EXPECT_EQ(m.width, 16 + 20 * 5 + 18 * 6);

    Draw(ready, {0, 0, 1001, 4096});
    ASSERT_EQ(surface.images.size(), 1u);
    EXPECT_EQ(surface.images[0].index, 0);
    EXPECT_EQ(surface.images[0].x, 1);
    EXPECT_EQ(surface.images[0].y, 0);
    const DrawnText *url = FindText("http://h/f.zip ");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->font.name, "TREBUCHET MS");
    EXPECT_EQ(url->rect.left, 1 + 16 + 5);
    EXPECT_EQ(url->rect.bottom, 16);
    const DrawnText *word = FindText("Download");
    ASSERT_TRUE(word);
    EXPECT_TRUE(word->font.bold);
}

} // namespace
} // namespace fetchly::markup::test
