#include "transfer/fetch_item.h"

#include <stdexcept>

namespace fetchly {

TFetchItem &TFetchItems::Add()
{
    std::lock_guard lock(m_mutex);
    return m_items.emplace_back();
}

int TFetchItems::Add(const TFetchItem &item)
{
    std::lock_guard lock(m_mutex);
    m_items.push_back(item);
    return static_cast<int>(m_items.size()) - 1;
}

void TFetchItems::Clear()
{
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_published = 0;
    ++m_generation;
}

int TFetchItems::Count() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_items.size());
}

TFetchItem &TFetchItems::operator[](int index)
{
    std::lock_guard lock(m_mutex);
    return m_items.at(static_cast<std::size_t>(index));
}

TFetchItem TFetchItems::Get(int index) const
{
    std::lock_guard lock(m_mutex);
    if (index < 0)
        throw std::out_of_range("item index out of range");
    return m_items.at(static_cast<std::size_t>(index));
}

void TFetchItems::Set(int index, const TFetchItem &item)
{
    std::lock_guard lock(m_mutex);
    if (index < 0)
        throw std::out_of_range("item index out of range");
    m_items.at(static_cast<std::size_t>(index)) = item;
}

int TFetchItems::ActiveItemCount() const
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto &item : m_items)
        n += item.Active ? 1 : 0;
    return n;
}

int TFetchItems::NetworkItemCount() const
{
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto &item : m_items)
        n += (item.Active && item.Protocol != TFetchProtocol::wpFile) ? 1 : 0;
    return n;
}

void TFetchItems::Publish()
{
    std::lock_guard lock(m_mutex);
    m_published = static_cast<int>(m_items.size());
}

int TFetchItems::PublishedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_published;
}

std::uint64_t TFetchItems::Generation() const
{
    std::lock_guard lock(m_mutex);
    return m_generation;
}

std::optional<TFetchItem> TFetchItems::Published(int index, std::uint64_t generation) const
{
    std::lock_guard lock(m_mutex);
    if (generation != m_generation || index < 0 || index >= m_published)
        return std::nullopt;
    return m_items[static_cast<std::size_t>(index)];
}

void TFetchItems::SetDone(int index, std::uint64_t generation, bool done)
{
    std::lock_guard lock(m_mutex);
    if (generation == m_generation && index >= 0 && index < static_cast<int>(m_items.size()))
        m_items[static_cast<std::size_t>(index)].Done = done;
}

} // namespace fetchly
