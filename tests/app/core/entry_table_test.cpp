#include "app/core/download_lines.h"
#include "app/core/entry_table.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace fetchly {
namespace {

std::string ready(const std::string &url)
{
    return ReadyLine(url);
}

TEST(EntryTableKeys, SplitsAtFirstEqualsBeforeATagElseAtFirstEquals)
{
    auto p = TEntryTable::Split("http://a/x.jpg?a=1&b=2=<IMG src=\"idx:0\">");
    EXPECT_EQ(p.key, "http://a/x.jpg?a=1&b=2");
    EXPECT_EQ(p.display, "<IMG src=\"idx:0\">");
    p = TEntryTable::Split("key=value=more");
    EXPECT_EQ(p.key, "key");
    EXPECT_EQ(p.display, "value=more");
    p = TEntryTable::Split("no equals here");
    EXPECT_FALSE(p.hasEquals);
    EXPECT_EQ(p.key, "");
    p = TEntryTable::Split("=<B>x</B>");
    EXPECT_TRUE(p.hasEquals);
    EXPECT_EQ(p.key, "");
    EXPECT_EQ(p.display, "<B>x</B>");
}

TEST(EntryTableKeys, LookupIgnoresLetterCaseAndFindsTheFirstLine)
{
    TEntryTable t;
    t.Assign({"http://A/x.jpg=<one>", "http://a/X.JPG=<two>", "other=<three>"});
    EXPECT_EQ(t.IndexOfKey("HTTP://a/x.jpg"), 0);
    EXPECT_EQ(t.ValueOfKey("http://a/x.jpg"), "<one>");
    EXPECT_EQ(t.IndexOfKey("missing"), -1);
    EXPECT_EQ(t.ValueOfKey("missing"), "");
    // Both lines with that key show the first one's text; the second keeps
    // its own text in the table.
    EXPECT_EQ(t.ShownLine(1), "<one>");
    EXPECT_EQ(t.Line(1), "http://a/X.JPG=<two>");
    EXPECT_EQ(t.ShownLine(2), "<three>");
}

TEST(EntryTableKeys, NonAsciiBytesMustMatchExactly)
{
    TEntryTable t;
    t.Assign({"http://h/\xc3\xa4.jpg=<a>"});
    EXPECT_EQ(t.IndexOfKey("HTTP://H/\xc3\xa4.JPG"), 0);
    EXPECT_EQ(t.IndexOfKey("http://h/\xc3\x84.jpg"), -1);
}

TEST(EntryTableKeys, LinesWithoutEqualsShowTheFirstLineThatBeginsWithEquals)
{
    TEntryTable t;
    t.Assign({"plain one", "plain two"});
    EXPECT_EQ(t.ShownLine(0), "");
    EXPECT_EQ(t.ShownLine(1), "");
    t.Assign({"plain one", "=<first>", "plain two", "=<second>"});
    EXPECT_EQ(t.ShownLine(0), "<first>");
    EXPECT_EQ(t.ShownLine(2), "<first>");
    EXPECT_EQ(t.ShownLine(3), "<first>");
}

TEST(EntryTableEdit, SetValueRenewsTheFirstMatchInPlaceWithTheNewCase)
{
    TEntryTable t;
    t.SetValue("http://a/x.jpg", "<old>");
    t.SetValue("http://b/y.zip", "<b>");
    const int at = t.SetValue("HTTP://A/X.JPG", "<new>");
    EXPECT_EQ(at, 0);
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Line(0), "HTTP://A/X.JPG=<new>");
    EXPECT_EQ(t.SetValue("http://c/z.exe", "<c>"), 2);
    EXPECT_EQ(t.Count(), 3);
}

TEST(EntryTableEdit, KeysWithEqualsStayWholeAndAreFoundAgain)
{
    TEntryTable t;
    t.SetValue("http://a/get.php?f=x.zip", ready("http://a/get.php?f=x.zip"));
    t.SetValue("http://a/get.php?f=x.zip", ready("http://a/get.php?f=x.zip"));
    ASSERT_EQ(t.Count(), 1);
    EXPECT_EQ(t.Key(0), "http://a/get.php?f=x.zip");
}

TEST(EntryTableEdit, IndexStaysRightAcrossDeletesAndAppends)
{
    TEntryTable t;
    for (int i = 0; i < 5; ++i)
        t.SetValue("k" + std::to_string(i), "<" + std::to_string(i) + ">");
    t.Append("K1=<dup>");
    t.Delete(1);
    EXPECT_EQ(t.IndexOfKey("k1"), 4); // the former duplicate is now the first
    EXPECT_EQ(t.ShownLine(4), "<dup>");
    EXPECT_EQ(t.IndexOfKey("k4"), 3);
    t.Clear();
    EXPECT_EQ(t.IndexOfKey("k4"), -1);
    EXPECT_EQ(t.Count(), 0);
}

TEST(EntryTableEdit, OutOfRangePositionsThrowTheListIndexMessage)
{
    TEntryTable t;
    t.Append("a=<b>");
    try {
        (void)t.Key(3);
        FAIL() << "no exception";
    } catch (const std::out_of_range &e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
    EXPECT_THROW(t.Delete(-1), std::out_of_range);
    EXPECT_THROW((void)t.ShownLine(1), std::out_of_range);
}

TEST(EntryTableEdit, GenerationChangesWithEveryEdit)
{
    TEntryTable t;
    const auto g0 = t.Generation();
    t.SetValue("a", "<x>");
    const auto g1 = t.Generation();
    EXPECT_NE(g0, g1);
    t.SetValue("A", "<y>");
    EXPECT_NE(g1, t.Generation());
}

TEST(EntryTableSnapshot, StaysAsTakenWhileTheTableChanges)
{
    TEntryTable table;
    table.SetValue("http://h/a.jpg", "<B>a</B>");
    const auto before = table.Snapshot();
    table.SetValue("http://h/a.jpg", "<B>renewed</B>");
    table.SetValue("http://h/b.jpg", "<B>b</B>");
    table.Delete(0);
    EXPECT_EQ(*before, (std::vector<std::string>{"http://h/a.jpg=<B>a</B>"}));
    EXPECT_EQ(table.Lines(), (std::vector<std::string>{"http://h/b.jpg=<B>b</B>"}));
}

} // namespace
} // namespace fetchly
