#include "tests/markup/markup_test_util.h"

namespace fetchly::markup::test {
namespace {

using HitTest = MarkupLayoutTest;

TEST_F(HitTest, PointOnAnchorTextGivesItsTargetAsWritten)
{
    const char *markup = "xx <A href=\"MiXed/Target\">link</A> yy";
    // "link" spans x 16..36 (line box from 1, after "xx " of 15).
    MarkupResult r = Hit(markup, 20, 6);
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.anchorAtPoint, "MiXed/Target");
    EXPECT_TRUE(Hit(markup, 36, 6).result);
    EXPECT_FALSE(Hit(markup, 40, 6).result); // " yy" is no part of the anchor
    EXPECT_FALSE(Hit(markup, 5, 6).result);
    EXPECT_FALSE(Hit(markup, 20, 13).result); // below the line
    EXPECT_FALSE(Hit("plain text", 5, 6).result);
}

TEST_F(HitTest, ImageInsideAnAnchorIsHit)
{
    params.images = &images;
    const char *markup = "<A href=\"img\"><IMG src=\"idx:0\"></A>";
    MarkupResult r = Hit(markup, 5, 5);
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.anchorAtPoint, "img");
    EXPECT_FALSE(Hit(markup, 5, 17).result);
    EXPECT_FALSE(Hit(markup, 30, 5).result);
}

TEST_F(HitTest, PointJustAboveAnchorTextOnATallLineMisses)
{
    params.images = &images;
    // The image makes the line 16 high; the text sits on its bottom, y 4..16.
    const char *markup = "<A href=\"t\">ab</A><IMG src=\"idx:0\">";
    EXPECT_FALSE(Hit(markup, 3, 2).result);
    EXPECT_TRUE(Hit(markup, 3, 8).result);
}

TEST_F(HitTest, AlignmentMovesTheAnchor)
{
    const char *markup = "<P align=\"right\"><A href=\"r\">ab</A>";
    EXPECT_FALSE(Hit(markup, 5, 6, {0, 0, 101, 100}).result);
    EXPECT_TRUE(Hit(markup, 95, 6, {0, 0, 101, 100}).result);
}

TEST_F(HitTest, AnchorImageEndingARightAlignedLineIsPaintedAndHitAtTheEdge)
{
    params.images = &images;
    const char *markup = "<P align=\"right\">text <A href=\"i\"><IMG src=\"idx:0\"></A>";
    Draw(markup, {0, 0, 101, 100});
    ASSERT_EQ(surface.images.size(), 1u);
    EXPECT_EQ(surface.images[0].x, 85); // the space before it is no trailing space
    const MarkupResult r = Hit(markup, 95, 5, {0, 0, 101, 100});
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.anchorAtPoint, "i");
    EXPECT_FALSE(Hit(markup, 83, 5, {0, 0, 101, 100}).result);
}

TEST_F(HitTest, AnchorOnALaterLineIsFoundThere)
{
    const char *markup = "first line<BR><A href=\"second\">ab</A><BR><A href=\"third\">ab</A>";
    MarkupResult r = Hit(markup, 5, 18);
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.anchorAtPoint, "second");
    r = Hit(markup, 5, 30);
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.anchorAtPoint, "third");
}

TEST_F(HitTest, AnchorImageShowsItsAltPictureUnderTheMouse)
{
    params.images = &images;
    const char *markup =
        "<A href=\"x\"><IMG src=\"idx:0\" alt=\"idx:1\"></A> <IMG src=\"idx:0\" alt=\"idx:1\">";
    params.mouseX = 5;
    params.mouseY = 5;
    Draw(markup);
    ASSERT_EQ(surface.images.size(), 2u);
    EXPECT_EQ(surface.images[0].index, 1);
    EXPECT_EQ(surface.images[1].index, 0); // not the image under the mouse

    surface.images.clear();
    params.mouseX = 100;
    Draw(markup);
    ASSERT_EQ(surface.images.size(), 2u);
    EXPECT_EQ(surface.images[0].index, 0);
}

TEST_F(HitTest, HiddenTextIsNeverHit)
{
    EXPECT_FALSE(Hit("<A href=\"h\"><Z>hidden</Z></A>", 5, 6).result);
}

} // namespace
} // namespace fetchly::markup::test
