#pragma once

#include "transfer/fetch_types.h"

#include <string>
#include <utility>
#include <vector>

namespace fetchly {

// A set of byte stretches [first, end) of a file, kept sorted and merged:
// what a part file holds that is proven to be the server's file.
class TByteRanges {
public:
    using Range = std::pair<TFetchSize, TFetchSize>;

    void Add(TFetchSize first, TFetchSize end);
    void Clear() { m_ranges.clear(); }
    bool Empty() const { return m_ranges.empty(); }
    const std::vector<Range> &Ranges() const { return m_ranges; }
    TFetchSize Count() const;
    // Where the last stretch ends (0 when empty).
    TFetchSize End() const { return m_ranges.empty() ? 0 : m_ranges.back().second; }
    // The stretches of [0, total) that are not in the set.
    std::vector<Range> Missing(TFetchSize total) const;

    // "a-b,c-d" (ends exclusive); Parse is false for anything else.
    std::string Text() const;
    bool Parse(const std::string &text);

private:
    std::vector<Range> m_ranges;
};

} // namespace fetchly
