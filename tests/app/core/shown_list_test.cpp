// The list on screen follows the entry table: each refresh names only the
// lines that changed, and the line showing live progress keeps it until the
// focus line is stored.
#include "app/core/shown_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fetchly;

namespace {

std::vector<std::string> entries(int from, int to)
{
    std::vector<std::string> lines;
    for (int i = from; i < to; ++i)
        lines.push_back("http://h/" + std::to_string(i) + ".zip=<" + std::to_string(i) + ">");
    return lines;
}

// What a view shows after applying the changes, as the window applies them.
struct View {
    std::vector<std::string> lines;
    void apply(const TListChange &c, const TShownList &shown)
    {
        if (c.Removed >= 0)
            lines.erase(lines.begin() + c.Removed);
        if (c.Truncated >= 0)
            lines.resize(static_cast<std::size_t>(c.Truncated));
        for (int i : c.Changed)
            lines[static_cast<std::size_t>(i)] = std::string(shown.Line(i));
        for (int i = c.FirstAppended; i < c.FirstAppended + c.Appended; ++i)
            lines.emplace_back(shown.Line(i));
    }
    bool follows(const TEntryTable &table) const
    {
        std::vector<std::string> expected;
        for (int i = 0; i < table.Count(); ++i)
            expected.emplace_back(table.ShownLine(i));
        return lines == expected;
    }
};

} // namespace

TEST(ShownList, RefreshNamesOnlyWhatChanged)
{
    TEntryTable table;
    TShownList shown;
    View view;
    table.Assign(entries(0, 40));
    TListChange c = shown.Refresh(table);
    EXPECT_EQ(c.FirstAppended, 0);
    EXPECT_EQ(c.Appended, 40);
    EXPECT_TRUE(c.Many);
    view.apply(c, shown);

    c = shown.Refresh(table);
    EXPECT_TRUE(c.Changed.empty());
    EXPECT_EQ(c.Appended, 0);
    EXPECT_EQ(c.Removed, -1);
    EXPECT_EQ(c.Truncated, -1);

    table.SetValue("http://h/7.zip", "<seven>");
    table.SetValue("http://h/new.zip", "<new>");
    c = shown.Refresh(table);
    EXPECT_EQ(c.Changed, std::vector<int>{7});
    EXPECT_EQ(c.FirstAppended, 40);
    EXPECT_EQ(c.Appended, 1);
    EXPECT_FALSE(c.Many);
    view.apply(c, shown);
    EXPECT_TRUE(view.follows(table));

    // One line deleted: only it goes, the others merely move up.
    table.Delete(3);
    c = shown.Refresh(table);
    EXPECT_EQ(c.Removed, 3);
    EXPECT_TRUE(c.Changed.empty());
    view.apply(c, shown);
    EXPECT_TRUE(view.follows(table));

    // A shorter list of other lines: cut, then compared.
    table.Assign(entries(100, 110));
    c = shown.Refresh(table);
    EXPECT_EQ(c.Truncated, 10);
    EXPECT_EQ(c.Changed.size(), 10u);
    EXPECT_TRUE(c.Many);
    view.apply(c, shown);
    EXPECT_TRUE(view.follows(table));
}

TEST(ShownList, LiveProgressStaysOnScreenUntilTheFocusLineIsStored)
{
    TEntryTable table;
    TShownList shown;
    View view;
    table.Assign(entries(0, 5));
    view.apply(shown.Refresh(table), shown);

    EXPECT_TRUE(shown.ShowLive(2, "<2 at 40%>"));
    view.lines[2] = "<2 at 40%>";
    EXPECT_FALSE(shown.ShowLive(2, "<2 at 40%>")); // nothing new to paint
    EXPECT_FALSE(shown.ShowLive(5, "<beyond>"));
    EXPECT_TRUE(shown.IsLive(2));
    EXPECT_EQ(shown.Line(2), "<2 at 40%>");
    // A refresh for another change keeps the progress shown.
    table.SetValue("http://h/0.zip", "<zero>");
    TListChange c = shown.Refresh(table);
    EXPECT_EQ(c.Changed, std::vector<int>{0});
    EXPECT_EQ(shown.Line(2), "<2 at 40%>");
    view.apply(c, shown);

    // Line 4 starts beside it: line 2 keeps its progress until its own
    // line is stored.
    std::size_t before = table.Generation();
    table.SetValue("http://h/4.zip", "<4 started>");
    c = shown.Store(table, before, 4);
    EXPECT_EQ(c.Changed, (std::vector<int>{4}));
    EXPECT_TRUE(shown.IsLive(2));
    view.apply(c, shown);
    before = table.Generation();
    table.SetValue("http://h/2.zip", "<2 done>");
    c = shown.Store(table, before, 2);
    EXPECT_EQ(c.Changed, (std::vector<int>{2}));
    EXPECT_FALSE(shown.IsLive(2));
    view.apply(c, shown);
    EXPECT_TRUE(view.follows(table));
    // At the run's end no line stays live.
    EXPECT_TRUE(shown.ShowLive(3, "<3 at 10%>"));
    view.lines[3] = "<3 at 10%>";
    shown.EndLive();
    c = shown.Refresh(table);
    EXPECT_EQ(c.Changed, std::vector<int>{3});
    view.apply(c, shown);

    // A store into a table the list had not followed compares every line.
    table.SetValue("http://h/1.zip", "<one>");
    before = table.Generation();
    table.SetValue("http://h/3.zip", "<three>");
    c = shown.Store(table, before, 3);
    EXPECT_EQ(c.Changed, (std::vector<int>{1, 3}));
    view.apply(c, shown);
    EXPECT_TRUE(view.follows(table));
}
