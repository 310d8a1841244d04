#include "app/core/active_items.h"

#include "app/core/entry_table.h"
#include "transfer/format_functions.h"

#include <algorithm>

namespace fetchly {

TActiveItem &TActiveItems::Start(const std::string &key)
{
    End(key);
    m_items.emplace_back(key, TActiveItem{});
    return m_items.back().second;
}

TActiveItem *TActiveItems::Find(std::string_view key)
{
    for (auto &[k, item] : m_items)
        if (SameKey(k, key))
            return &item;
    return nullptr;
}

const TActiveItem *TActiveItems::Find(std::string_view key) const
{
    return const_cast<TActiveItems *>(this)->Find(key);
}

void TActiveItems::End(std::string_view key)
{
    std::erase_if(m_items, [key](const auto &entry) { return SameKey(entry.first, key); });
}

std::vector<std::string> TActiveItems::Keys() const
{
    std::vector<std::string> keys;
    for (const auto &entry : m_items)
        keys.push_back(entry.first);
    return keys;
}

void TActiveItems::Progress(TActiveItem &item, TFetchSize size, TFetchSize total, Clock::time_point now)
{
    // A resumed item counts its rate from what it had, not from zero.
    if (item.FirstSize < 0) {
        item.FirstSize = size;
        item.FirstAt = now;
    }
    item.Size = size;
    item.Total = total;
}

TFetchSize TActiveItems::rate(const TActiveItem &item, Clock::time_point now)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - item.FirstAt).count();
    if (item.FirstSize < 0 || ms <= 0)
        return 0;
    return static_cast<TFetchSize>(static_cast<double>(item.Size - item.FirstSize) * 1000.0 /
                                   static_cast<double>(ms));
}

std::string TActiveItems::rateAndTimeLeft(TFetchSize rate, TFetchSize left)
{
    std::string text = FormatRate(rate);
    // The time left at the present rate: a second's worth of bytes takes
    // a thousand milliseconds.
    if (rate > 0 && left > 0)
        text += ", " + FormatTimeLeft(1000, rate, rate + left) + " left";
    return text;
}

std::string TActiveItems::RateText(const TActiveItem &item, Clock::time_point now)
{
    return rateAndTimeLeft(rate(item, now),
                           item.Total > 0 ? std::max<TFetchSize>(item.Total - item.Size, 0) : 0);
}

std::string TActiveItems::Totals(int waiting, Clock::time_point now) const
{
    TFetchSize sum = 0, left = 0;
    for (const auto &[key, item] : m_items) {
        sum += rate(item, now);
        if (item.Total > 0)
            left += std::max<TFetchSize>(item.Total - item.Size, 0);
    }
    std::string text = std::to_string(m_items.size()) + (m_items.size() == 1 ? " file" : " files");
    if (waiting > 0)
        text += ", " + std::to_string(waiting) + " waiting";
    return text + " : " + rateAndTimeLeft(sum, left);
}

} // namespace fetchly
