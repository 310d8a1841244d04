#pragma once

#include "app/core/entry_table.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fetchly {

// What one refresh changes in a view of the list, in the order the view
// applies it: a removed line, then the lines cut off at the end, then the
// lines whose text changed, then the lines added at the end.
struct TListChange {
    int Removed = -1;   // this line goes; the lines after it move up
    int Truncated = -1; // the lines from here on go
    std::vector<int> Changed;
    int FirstAppended = 0;
    int Appended = 0;
    // So many lines come or go that the view should hold its painting.
    bool Many = false;
};

// What each line of the download list shows, kept beside the entry table so
// that a refresh touches only the lines whose text changed (the selection
// and the scroll position stay, and one line update stays cheap). A line
// may show the live progress of a transfer, which the table does not hold;
// with several downloads at once, several lines do.
class TShownList {
public:
    int Count() const { return static_cast<int>(m_lines.size()); }
    std::string_view Line(int i) const { return m_lines[static_cast<std::size_t>(i)]; }
    bool IsLive(int i) const { return m_live.contains(i); }

    // Brings every line up to the table; the live lines keep their progress.
    TListChange Refresh(const TEntryTable &table);
    // After the focus line was stored at `stored` into a table whose
    // generation was `before`: only the lines showing it change, and those
    // of them that showed live progress go back to their own text (the live
    // lines of other transfers keep theirs). When the list did not follow
    // the table before the store, everything is compared.
    TListChange Store(const TEntryTable &table, std::size_t before, int stored);
    // Shows `markup` as the live progress on line i; true when the line's
    // text changed. A line the list does not have is left alone.
    bool ShowLive(int i, std::string markup);
    // No line shows live progress any more (the run has ended): the next
    // refresh or store shows the table's text.
    void EndLive() { m_live.clear(); }
    // The view was emptied.
    void Clear();

private:
    std::string_view text(const TEntryTable &table, int i) const;
    void compare(const TEntryTable &table, int i, TListChange &change);

    std::vector<std::string> m_lines;
    // The table's generation the lines were last brought up to.
    std::size_t m_generation = static_cast<std::size_t>(-1);
    std::map<int, std::string> m_live; // a line's live markup
};

} // namespace fetchly
