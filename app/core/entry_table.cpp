#include "app/core/entry_table.h"

#include <atomic>
#include <stdexcept>
#include <string>

namespace fetchly {

namespace {

unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

bool SameKey(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(static_cast<unsigned char>(a[i])) != foldAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::size_t detail::KeyHash::operator()(std::string_view s) const noexcept
{
    // FNV-1a over the case-folded bytes.
    std::size_t h = 14695981039346656037ull;
    for (char c : s) {
        h ^= foldAscii(static_cast<unsigned char>(c));
        h *= 1099511628211ull;
    }
    return h;
}

TEntryTable::Parts TEntryTable::Split(std::string_view line)
{
    const std::size_t tagged = line.find("=<");
    const std::size_t eq = tagged != std::string_view::npos ? tagged : line.find('=');
    if (eq == std::string_view::npos)
        return {{}, {}, false};
    return {line.substr(0, eq), line.substr(eq + 1), true};
}

std::vector<std::string> &TEntryTable::lines()
{
    if (m_lines.use_count() > 1) {
        m_lines = std::make_shared<std::vector<std::string>>(*m_lines);
    } else {
        // The last other holder let go on its own thread: what it read must
        // be over before these lines change.
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return *m_lines;
}

void TEntryTable::checkIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
}

const std::string &TEntryTable::Line(int i) const
{
    checkIndex(i);
    return (*m_lines)[static_cast<std::size_t>(i)];
}

std::string_view TEntryTable::Key(int i) const
{
    return Split(Line(i)).key;
}

std::string_view TEntryTable::OwnDisplay(int i) const
{
    return Split(Line(i)).display;
}

void TEntryTable::ensureIndex() const
{
    if (m_indexValid)
        return;
    m_first.clear();
    const std::vector<std::string> &all = *m_lines;
    m_first.reserve(all.size());
    m_firstOf.assign(all.size(), -1);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Parts p = Split(all[i]);
        if (!p.hasEquals)
            continue;
        auto it = m_first.find(p.key);
        if (it == m_first.end())
            it = m_first.emplace(std::string(p.key), static_cast<int>(i)).first;
        m_firstOf[i] = it->second;
    }
    m_indexValid = true;
}

int TEntryTable::lookup(std::string_view key) const
{
    ensureIndex();
    const auto it = m_first.find(key);
    return it == m_first.end() ? -1 : it->second;
}

int TEntryTable::IndexOfKey(std::string_view key) const
{
    return lookup(key);
}

std::string_view TEntryTable::ValueOfKey(std::string_view key) const
{
    const int i = lookup(key);
    return i < 0 ? std::string_view{} : Split((*m_lines)[static_cast<std::size_t>(i)]).display;
}

std::string_view TEntryTable::ShownLine(int i) const
{
    checkIndex(i);
    ensureIndex();
    const int first = m_firstOf[static_cast<std::size_t>(i)];
    if (first >= 0)
        return Split((*m_lines)[static_cast<std::size_t>(first)]).display;
    // A line without "=" has an empty key, which finds the first line that
    // begins with "=" (if any).
    return ValueOfKey({});
}

std::vector<int> TEntryTable::LinesShowing(int i) const
{
    checkIndex(i);
    ensureIndex();
    std::vector<int> showing;
    // A line with an empty key is also what lines without "=" show.
    if (Key(i).empty() || m_firstOf[static_cast<std::size_t>(i)] != i)
        return showing;
    for (std::size_t j = static_cast<std::size_t>(i); j < m_firstOf.size(); ++j) {
        if (m_firstOf[j] == i)
            showing.push_back(static_cast<int>(j));
    }
    return showing;
}

int TEntryTable::SetValue(std::string_view key, std::string_view display)
{
    std::string line;
    line.reserve(key.size() + 1 + display.size());
    line.append(key).append("=").append(display);
    // A key that would not split back out of its own line (it holds "=<")
    // cannot be kept in the index incrementally.
    const bool splitsBack = Split(line).key.size() == key.size();
    const int i = lookup(key);
    if (i >= 0) {
        ++m_generation;
        if (!splitsBack)
            m_indexValid = false;
        // The key is the same apart from letter case, so every index entry
        // stays valid.
        lines()[static_cast<std::size_t>(i)] = std::move(line);
        return i;
    }
    Append(std::move(line));
    if (!splitsBack)
        m_indexValid = false;
    return Count() - 1;
}

void TEntryTable::Append(std::string line)
{
    ++m_generation;
    if (m_indexValid) {
        const Parts p = Split(line);
        int first = -1;
        if (p.hasEquals) {
            auto it = m_first.find(p.key);
            if (it == m_first.end())
                it = m_first.emplace(std::string(p.key), Count()).first;
            first = it->second;
        }
        m_firstOf.push_back(first);
    }
    lines().push_back(std::move(line));
}

void TEntryTable::Delete(int i)
{
    checkIndex(i);
    ++m_generation;
    std::vector<std::string> &all = lines();
    all.erase(all.begin() + i);
    m_indexValid = false;
}

void TEntryTable::Clear()
{
    ++m_generation;
    m_lines = std::make_shared<std::vector<std::string>>();
    m_first.clear();
    m_firstOf.clear();
    m_indexValid = true;
}

void TEntryTable::Assign(std::vector<std::string> lines)
{
    ++m_generation;
    m_lines = std::make_shared<std::vector<std::string>>(std::move(lines));
    m_indexValid = false;
}

} // namespace fetchly
