#pragma once

#include "transfer/fetch_types.h"

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fetchly {

// The entry in focus: the one the engine works on, or the one last clicked.
struct TBoardFocus {
    std::string Url;
    int Image = 0;
    std::string Status;
    std::string Progress;
};

// An item being transferred: the state of its own line, and its sizes for
// its rate and time left.
struct TActiveItem {
    TBoardFocus Line;
    // The line's rate is its own: false from the start of the item until
    // its first progress, so a failure shows no rate of another item.
    bool Rated = false;
    TFetchSize Size = 0;
    TFetchSize Total = 0;
    TFetchSize FirstSize = -1; // at its first progress, where its rate counts from
    std::chrono::steady_clock::time_point FirstAt{};
    // Its place among the items of the run (from 1), and when it started.
    int Number = 0;
    std::chrono::steady_clock::time_point StartedAt{};
};

// The items of a run being transferred, oldest first, and what they come to
// together. A run has at most a few of them at once, so a list is enough.
class TActiveItems {
public:
    using Clock = std::chrono::steady_clock;

    // Item `key` starts (again, when it was active already).
    TActiveItem &Start(const std::string &key);
    TActiveItem *Find(std::string_view key);
    const TActiveItem *Find(std::string_view key) const;
    void End(std::string_view key);
    void Clear() { m_items.clear(); }
    int Count() const { return static_cast<int>(m_items.size()); }
    // The keys of the active items, oldest first.
    std::vector<std::string> Keys() const;
    // The item that has been active longest, with its key; none when idle.
    const std::pair<std::string, TActiveItem> *Oldest() const
    {
        return m_items.empty() ? nullptr : &m_items.front();
    }

    // A progress of `item`: `size` of `total` bytes (0: unknown) at `now`.
    static void Progress(TActiveItem &item, TFetchSize size, TFetchSize total, Clock::time_point now);
    // The item's own rate and time left: "12 Kb/sec, 5 sec. left".
    static std::string RateText(const TActiveItem &item, Clock::time_point now);
    // The run's totals: "3 files, 5 waiting : 1 Mb/sec, 20 sec. left".
    std::string Totals(int waiting, Clock::time_point now) const;

private:
    static TFetchSize rate(const TActiveItem &item, Clock::time_point now);
    static std::string rateAndTimeLeft(TFetchSize rate, TFetchSize left);

    std::vector<std::pair<std::string, TActiveItem>> m_items;
};

} // namespace fetchly
