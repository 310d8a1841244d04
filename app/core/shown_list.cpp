#include "app/core/shown_list.h"

#include <cstdlib>
#include <utility>

namespace fetchly {

std::string_view TShownList::text(const TEntryTable &table, int i) const
{
    const auto live = m_live.find(i);
    return live != m_live.end() ? std::string_view(live->second) : table.ShownLine(i);
}

void TShownList::compare(const TEntryTable &table, int i, TListChange &change)
{
    const std::string_view line = text(table, i);
    std::string &was = m_lines[static_cast<std::size_t>(i)];
    if (line != was) {
        was.assign(line);
        change.Changed.push_back(i);
    }
}

TListChange TShownList::Refresh(const TEntryTable &table)
{
    TListChange change;
    const int count = table.Count();
    int shown = Count();
    if (count == shown - 1) {
        // One line gone: remove just that line when the rest merely moved up.
        int k = 0;
        while (k < count && text(table, k) == m_lines[static_cast<std::size_t>(k)])
            ++k;
        int j = k;
        while (j < count && text(table, j) == m_lines[static_cast<std::size_t>(j) + 1])
            ++j;
        if (j == count) {
            m_lines.erase(m_lines.begin() + k);
            m_generation = table.Generation();
            change.Removed = k;
            return change;
        }
    }
    change.Many = std::abs(count - shown) > 16;
    if (count < shown) {
        m_lines.resize(static_cast<std::size_t>(count));
        change.Truncated = count;
        shown = count;
    }
    for (int i = 0; i < shown; ++i)
        compare(table, i, change);
    if (count > shown) {
        change.FirstAppended = shown;
        change.Appended = count - shown;
        for (int i = shown; i < count; ++i)
            m_lines.emplace_back(text(table, i));
    }
    m_generation = table.Generation();
    return change;
}

TListChange TShownList::Store(const TEntryTable &table, std::size_t before, int stored)
{
    std::vector<int> lines = table.LinesShowing(stored);
    for (int i : lines)
        m_live.erase(i);
    if (m_generation != before || Count() != table.Count() || lines.empty())
        return Refresh(table);
    TListChange change;
    for (int i : lines)
        compare(table, i, change);
    m_generation = table.Generation();
    return change;
}

bool TShownList::ShowLive(int i, std::string markup)
{
    if (i < 0 || i >= Count())
        return false;
    std::string &live = m_live[i];
    live = std::move(markup);
    std::string &was = m_lines[static_cast<std::size_t>(i)];
    if (was == live)
        return false;
    was = live;
    return true;
}

void TShownList::Clear()
{
    m_lines.clear();
    m_live.clear();
}

} // namespace fetchly
