#include "transfer/byte_ranges.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace fetchly {

namespace {

// Ranges a record may hold: more would mean it is not one of ours.
constexpr std::size_t kRangeLimit = 256;

bool readNumber(const char *&at, TFetchSize &out)
{
    if (*at < '0' || *at > '9')
        return false;
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(at, &end, 10);
    if (errno != 0)
        return false;
    out = value;
    at = end;
    return true;
}

} // namespace

void TByteRanges::Add(TFetchSize first, TFetchSize end)
{
    if (first >= end)
        return;
    auto at = std::lower_bound(m_ranges.begin(), m_ranges.end(), Range{first, end});
    at = m_ranges.insert(at, {first, end});
    // Merge with every neighbour it touches or overlaps.
    if (at != m_ranges.begin() && std::prev(at)->second >= at->first)
        at = std::prev(at);
    auto next = std::next(at);
    while (next != m_ranges.end() && next->first <= at->second) {
        at->second = std::max(at->second, next->second);
        next = m_ranges.erase(next);
    }
}

TFetchSize TByteRanges::Count() const
{
    TFetchSize n = 0;
    for (const auto &[a, b] : m_ranges)
        n += b - a;
    return n;
}

std::vector<TByteRanges::Range> TByteRanges::Missing(TFetchSize total) const
{
    std::vector<Range> gaps;
    TFetchSize at = 0;
    for (const auto &[a, b] : m_ranges) {
        if (a >= total)
            break;
        if (a > at)
            gaps.emplace_back(at, a);
        at = std::max(at, b);
    }
    if (at < total)
        gaps.emplace_back(at, total);
    return gaps;
}

std::string TByteRanges::Text() const
{
    std::string text;
    for (const auto &[a, b] : m_ranges) {
        if (!text.empty())
            text += ',';
        text += std::to_string(a) + "-" + std::to_string(b);
    }
    return text;
}

bool TByteRanges::Parse(const std::string &text)
{
    m_ranges.clear();
    const char *at = text.c_str();
    while (*at) {
        TFetchSize a = 0, b = 0;
        if (!readNumber(at, a) || *at++ != '-' || !readNumber(at, b) || a >= b ||
            (!m_ranges.empty() && a <= m_ranges.back().second) || m_ranges.size() >= kRangeLimit)
            return false;
        m_ranges.emplace_back(a, b);
        if (*at == ',' && at[1] != '\0')
            ++at;
        else if (*at != '\0')
            return false;
    }
    return true;
}

} // namespace fetchly
