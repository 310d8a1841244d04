#include "tests/markup/markup_test_util.h"

namespace fetchly::markup::test {
namespace {

using Tags = MarkupLayoutTest;

TEST_F(Tags, EntitiesAndTheMnemonicRule)
{
    // "&amp;" reaches the surface as "&&", which shows (and measures) as one "&".
    EXPECT_EQ(Measure("&amp;").width, 5);
    Draw("a&amp;b");
    EXPECT_EQ(surface.texts.at(0).text, "a&&b");
    // A single "&" underlines the next character and takes no room itself.
    EXPECT_EQ(Measure("a&b").width, 10);

    surface.texts.clear();
    const MarkupResult m = Draw("&lt;b&gt;x");
    EXPECT_EQ(m.width, 20);
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, "<b>x");
    EXPECT_FALSE(surface.texts[0].font.bold);

    surface.texts.clear();
    Draw("a&nbsp;b");
    EXPECT_EQ(surface.texts.at(0).text, "a b");
}

TEST_F(Tags, BoldItalicUnderlineStrikeoutOnAndOff)
{
    EXPECT_EQ(Measure("<B>ab</B>cd").width, 22);
    Draw("<B>b<I>i<U>u<S>s</S></U></I></B>n");
    EXPECT_TRUE(FindText("b")->font.bold);
    const MarkupFont s = FindText("s")->font;
    EXPECT_TRUE(s.bold && s.italic && s.underline && s.strikeout);
    const MarkupFont n = FindText("n")->font;
    EXPECT_FALSE(n.bold || n.italic || n.underline || n.strikeout);
}

TEST_F(Tags, NamesAreToldApartByLeadingLettersOnly)
{
    Draw("<EM>ab</EM><BOLD>cd</BOLD><ITALIC>ef<Q>gh<BIG>ij");
    // EM is the error underline: a red zigzag under "ab".
    ASSERT_EQ(surface.lines.size(), 1u);
    EXPECT_EQ(surface.lineColors[0], 0x0000FFu);
    // BOLD reads as BODY, not bold.
    EXPECT_FALSE(FindText("cd")->font.bold);
    // ITALIC is an unknown I tag (neither I nor IND nor IMG).
    EXPECT_FALSE(FindText("ef")->font.italic);
    EXPECT_EQ(FindText("gh")->rect.left, 1 + 30);
    EXPECT_FALSE(FindText("ij")->font.bold);
}

TEST_F(Tags, ErrorUnderlineIsAZigzagFromAnEvenStart)
{
    Draw("<E>ab</E>");
    ASSERT_EQ(surface.lines.size(), 1u);
    const std::vector<MarkupPoint> expected{{0, 13}, {2, 11}, {4, 13}, {6, 11}, {8, 13}, {10, 11}, {12, 13}};
    EXPECT_EQ(surface.lines[0], expected);
}

TEST_F(Tags, ImageIndexBeyondTheListTakesNoRoom)
{
    params.images = &images;
    EXPECT_EQ(Measure("<IMG src=\"idx:5\">ab").width, 10);
    EXPECT_EQ(Measure("<IMG src=\"idx:1\">ab").width, 26);
    EXPECT_EQ(Measure("<IMG src=\"idx:1\">ab").height, 16);
    Draw("<IMG src=\"idx:5\">ab");
    EXPECT_TRUE(surface.images.empty());
    params.images = nullptr;
    EXPECT_EQ(Measure("<IMG src=\"idx:0\">ab").width, 10);
}

TEST_F(Tags, ImagesThatDoNotFitGoToTheNextLine)
{
    params.images = &images;
    // Box width 40: two images fit (32), the third goes down.
    const MarkupResult m =
        Measure("<IMG src=\"idx:0\"><IMG src=\"idx:0\"><IMG src=\"idx:0\">", {0, 0, 41, 100});
    EXPECT_EQ(m.height, 32);
    EXPECT_EQ(m.width, 32);
    Draw("<IMG src=\"idx:0\"><IMG src=\"idx:0\"><IMG src=\"idx:0\">", {0, 0, 41, 100});
    ASSERT_EQ(surface.images.size(), 3u);
    EXPECT_EQ(surface.images[1].x, 17);
    EXPECT_EQ(surface.images[2].x, 1);
    EXPECT_EQ(surface.images[2].y, 16);
}

TEST_F(Tags, ImageAlignLiftsTheTextOfTheLine)
{
    params.images = &images;
    Draw("<IMG src=\"idx:0\" align=\"top\">ab");
    EXPECT_EQ(FindText("ab")->rect.bottom, 12);
    surface.texts.clear();
    Draw("<IMG src=\"idx:0\" align=\"middle\">ab");
    EXPECT_EQ(FindText("ab")->rect.bottom, 14);
}

TEST_F(Tags, ListItemsNestAndTwoOnALineBreakIt)
{
    const char *markup = "<UL><LI>one<LI>two</UL>";
    const MarkupResult m = Measure(markup);
    EXPECT_EQ(m.height, 24);
    EXPECT_EQ(m.width, 12 + 15);
    Draw(markup);
    ASSERT_EQ(surface.texts.size(), 4u);
    EXPECT_EQ(surface.texts[0].text, "\xE2\x80\xA2");
    EXPECT_EQ(surface.texts[0].font.name, "Symbol");
    EXPECT_EQ(surface.texts[0].rect.left, 1);
    EXPECT_EQ(FindText("one")->rect.left, 13);
    EXPECT_EQ(FindText("one")->font.name, "Base");
    EXPECT_EQ(surface.texts[2].rect.top, 12);

    surface.texts.clear();
    Draw("<UL><UL><LI>x</UL></UL>");
    EXPECT_EQ(surface.texts.at(0).text, "o");
    EXPECT_EQ(surface.texts.at(0).rect.left, 13);
    EXPECT_EQ(FindText("x")->rect.left, 25);
}

TEST_F(Tags, ListItemOutsideAListDrawsItsBulletLeftOfThePen)
{
    Draw("<LI>ab");
    ASSERT_EQ(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[0].rect.left, -11);
    EXPECT_EQ(FindText("ab")->rect.left, 1);
    EXPECT_EQ(Measure("<LI>ab").width, 10);
}

TEST_F(Tags, ClosingListOutsideAListEndsUnderline)
{
    Draw("<U>ab</UL>cd");
    EXPECT_FALSE(FindText("cd")->font.underline);
    surface.texts.clear();
    Draw("<UL><U>ab</UL>cd");
    EXPECT_TRUE(FindText("cd")->font.underline);
}

TEST_F(Tags, FontSizeFaceAndColour)
{
    MarkupResult m = Measure("<FONT size=\"3\">ab</FONT>");
    EXPECT_EQ(m.width, 12);
    EXPECT_EQ(m.height, 14);
    EXPECT_EQ(Measure("<FONT size=\"20\">ab</FONT>").height, 22);
    EXPECT_EQ(Measure("<FONT size=\"1\">ab</FONT>").width, 8);

    Draw("<FONT face=\"Serif\" color=\"#FF0000\" bgcolor=\"clYellow\">a</FONT>b<FONT color=\"clBlue\">c");
    const DrawnText *a = FindText("a");
    EXPECT_EQ(a->font.name, "SERIF");
    EXPECT_EQ(a->font.color, 0x0000FFu);
    EXPECT_EQ(a->fill, 0x00FFFFu);
    const DrawnText *b = FindText("b");
    EXPECT_EQ(b->font.name, "Base");
    EXPECT_EQ(b->font.color, 0u);
    EXPECT_EQ(b->fill, NoColor);
    EXPECT_EQ(FindText("c")->font.color, 0xFF0000u);
}

TEST_F(Tags, HighlightUsesTheSelectionColoursUntilClosed)
{
    Draw("<HI>a</HI>b");
    EXPECT_EQ(FindText("a")->fill, 0x8000000Du);
    EXPECT_EQ(FindText("a")->font.color, 0x8000000Eu);
    EXPECT_EQ(FindText("b")->fill, NoColor);
    EXPECT_EQ(FindText("b")->font.color, 0u);
}

TEST_F(Tags, RuleEndsTheLineWithABlackLine)
{
    const MarkupResult m = Draw("ab<HR>cd");
    EXPECT_EQ(m.height, 24);
    ASSERT_EQ(surface.lines.size(), 1u);
    EXPECT_EQ(surface.lines[0], (std::vector<MarkupPoint>{{1, 13}, {201, 13}}));
    EXPECT_EQ(surface.lineColors[0], 0u);
    EXPECT_EQ(FindText("cd")->rect.top, 12);
}

TEST_F(Tags, HiddenTextTakesNoWidthAndIsNotDrawn)
{
    EXPECT_EQ(Measure("<Z>hidden</Z>ab").width, 10);
    Draw("<Z>hidden</Z>ab");
    EXPECT_EQ(FindText("hidden"), nullptr);
    // It still raises the line.
    EXPECT_EQ(Measure("<FONT size=\"20\"><Z>x</Z></FONT>ab").height, 22);
}

TEST_F(Tags, ShadowIsDrawnFirstOffsetInItsColour)
{
    params.shadowOffset = 2;
    params.shadowColor = 0x404040;
    Draw("<SHAD>ab</SHAD>c");
    ASSERT_EQ(surface.texts.size(), 3u);
    EXPECT_EQ(surface.texts[0].rect, (MarkupRect{3, 2, 203, 14}));
    EXPECT_EQ(surface.texts[0].font.color, 0x404040u);
    EXPECT_EQ(surface.texts[1].rect, (MarkupRect{1, 0, 201, 12}));
    EXPECT_EQ(surface.texts[1].font.color, 0u);
}

TEST_F(Tags, BlinkTextTakesTheBackgroundColourWhenHidden)
{
    surface.SetFill(0xFFFFFF);
    params.blinkVisible = false;
    Draw("<BLINK>ab</BLINK>cd");
    EXPECT_EQ(FindText("ab")->font.color, 0xFFFFFFu);
    EXPECT_EQ(FindText("cd")->font.color, 0u);
    surface.texts.clear();
    params.blinkVisible = true;
    Draw("<BLINK>ab</BLINK>");
    EXPECT_EQ(FindText("ab")->font.color, 0u);
}

TEST_F(Tags, IndentMovesToAnAbsolutePosition)
{
    EXPECT_EQ(Measure("<IND x=\"50\">ab").width, 60);
    Draw("<IND x=\"50\">ab");
    EXPECT_EQ(FindText("ab")->rect.left, 50);
    // Not a whole number: ignored.
    EXPECT_EQ(Measure("<IND x=\"5a\">ab").width, 10);
}

TEST_F(Tags, RotationHoldsUntilClosed)
{
    Draw("<R a=\"90\">ab</R>cd");
    EXPECT_EQ(FindText("ab")->font.angle, 900);
    EXPECT_EQ(FindText("cd")->font.angle, 0);
}

TEST_F(Tags, BrokenMarkupIsConsumedAndIgnored)
{
    Draw("<Q>ab<X");
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, "ab");
    surface.texts.clear();
    Draw("ab<Bx y and more");
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, "ab");
    EXPECT_EQ(Measure("ab<").width, 10);
    EXPECT_EQ(Measure("<#B>").width, 10); // shown as the text "#B"
}

TEST_F(Tags, PicturesByUrlAreLoadedOnceIntoTheCache)
{
    FakePictureCache cache;
    cache.known["FILE:///TMP/Pic.png"] = nullptr;
    cache.known.clear();
    cache.known["FILE:///TMP/PIC.PNG"] = std::make_unique<FakePicture>(20, 10);
    params.pictureCache = &cache;

    EXPECT_EQ(Measure("<IMG src=\"http://host/a.gif\">ab").width, 10);
    EXPECT_EQ(Measure("<IMG src=\"http://host/a.gif\">ab").width, 10);
    EXPECT_EQ(cache.added, (std::vector<std::string>{"http://host/a.gif"}));

    MarkupResult m = Measure("<IMG src=\"file:///tmp/Pic.png\">");
    EXPECT_EQ(m.width, 20);
    EXPECT_EQ(m.height, 12);
    EXPECT_EQ(cache.added.back(), "file:///tmp/Pic.png"); // as written
    Draw("<IMG src=\"file:///tmp/Pic.png\">");
    ASSERT_EQ(surface.pictures.size(), 1u);
    EXPECT_EQ(surface.pictures[0].rect, (MarkupRect{1, 0, 21, 10}));
    EXPECT_FALSE(surface.pictures[0].stretch);

    surface.pictures.clear();
    m = Draw("<IMG src=\"file:///tmp/Pic.png\" width=\"30\" height=\"20\">");
    EXPECT_EQ(m.width, 30);
    EXPECT_EQ(m.height, 20);
    ASSERT_EQ(surface.pictures.size(), 1u);
    EXPECT_EQ(surface.pictures[0].rect, (MarkupRect{1, 0, 31, 20}));
    EXPECT_TRUE(surface.pictures[0].stretch);
    EXPECT_EQ(cache.added.size(), 2u);
}

TEST_F(Tags, ContainerPicturesAndAnimatedFrames)
{
    FakePictureStore store;
    auto logo = std::make_unique<FakePicture>(8, 8, 3);
    logo->fullWidth = 20;
    logo->fullHeight = 14;
    logo->offsetLeft = 4;
    logo->offsetTop = 2;
    store.items["LOGO"] = std::move(logo);
    params.pictureStore = &store;
    surface.SetFill(0xFFFFFF);

    const MarkupResult m = Draw("<IMG src=\"logo\">x");
    EXPECT_EQ(m.width, 25);
    EXPECT_EQ(m.height, 14);
    ASSERT_EQ(surface.fills.size(), 1u);
    EXPECT_EQ(surface.fills[0].rect, (MarkupRect{1, 0, 21, 14}));
    EXPECT_EQ(surface.fills[0].color, 0xFFFFFFu);
    ASSERT_EQ(surface.pictures.size(), 1u);
    EXPECT_EQ(surface.pictures[0].rect.left, 5);
    EXPECT_EQ(surface.pictures[0].rect.top, 2);
    EXPECT_EQ(Measure("<IMG src=\"nologo\">x").width, 5);
}

TEST_F(Tags, SystemIconsAndDpiScaling)
{
    Draw("<IMG src=\"ssys:Report.PDF\"><IMG src=\"lsys:3\">");
    ASSERT_EQ(surface.images.size(), 2u);
    EXPECT_TRUE(surface.images[0].systemIcon);
    EXPECT_EQ(surface.images[0].icon, "Report.PDF");
    EXPECT_FALSE(surface.images[0].large);
    EXPECT_EQ(surface.images[1].x, 17);
    EXPECT_TRUE(surface.images[1].large);
    EXPECT_EQ(Measure("<IMG src=\"lsys:3\">").height, 32);

    params.images = &images;
    surface.dpiX = 192;
    surface.dpiY = 144;
    const MarkupResult m = Measure("<IMG src=\"idx:0\">");
    EXPECT_EQ(m.width, 32);
    EXPECT_EQ(m.height, 24);
}

TEST_F(Tags, BodyAndParagraphBackgrounds)
{
    FakePictureStore store;
    store.items["TILE"] = std::make_unique<FakePicture>(4, 4);
    params.pictureStore = &store;
    Draw("<BODY bgcolor=\"#00FF00\" background=\"tile\">ab", {0, 0, 101, 50});
    ASSERT_GE(surface.fills.size(), 1u);
    EXPECT_EQ(surface.fills[0].rect, (MarkupRect{0, 0, 101, 50}));
    EXPECT_EQ(surface.fills[0].color, 0x00FF00u);
    ASSERT_EQ(surface.pictures.size(), 1u);
    EXPECT_TRUE(surface.pictures[0].tiled);
    EXPECT_EQ(FindText("ab")->fill, 0x00FF00u);

    surface.fills.clear();
    surface.texts.clear();
    Draw("<P bgcolor=\"clRed\">ab</P>cd", {0, 0, 101, 50});
    ASSERT_GE(surface.fills.size(), 1u);
    EXPECT_EQ(surface.fills[0].rect, (MarkupRect{0, 0, 101, 12}));
    EXPECT_EQ(surface.fills[0].color, 0x0000FFu);
    EXPECT_EQ(FindText("ab")->fill, 0x0000FFu);
    EXPECT_EQ(FindText("cd")->fill, NoColor);
    EXPECT_EQ(FindText("cd")->rect.top, 12);
}

} // namespace
} // namespace fetchly::markup::test
