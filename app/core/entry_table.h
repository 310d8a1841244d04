#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fetchly {

// Case-insensitive equality of keys. URLs are compared with ASCII case
// folding; bytes outside ASCII (UTF-8) must match exactly.
bool SameKey(std::string_view a, std::string_view b);

namespace detail {
struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept;
};
struct KeyEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return SameKey(a, b); }
};
} // namespace detail

// The entry table of the download list: ordered lines "URL=display line",
// looked up by key (the URL) without regard to letter case, first match
// winning. Positions are the lines of the download list box and the
// ExternalIndex of engine items, so nothing here ever reorders lines.
class TEntryTable {
public:
    // Splits a line into key and display line. A URL may itself hold "=" (query
    // strings), and display lines always begin with a tag, so the split is at
    // the first "=" directly followed by "<", else at the first "=". A line
    // without "=" has an empty key and no display line.
    struct Parts {
        std::string_view key;
        std::string_view display;
        bool hasEquals = false;
    };
    static Parts Split(std::string_view line);

    int Count() const { return static_cast<int>(m_lines->size()); }
    bool Empty() const { return m_lines->empty(); }
    const std::vector<std::string> &Lines() const { return *m_lines; }
    // The lines as they are now, for a reader on another thread: taking it
    // costs nothing; the next change while it is still held copies the
    // lines once, so the holder's view never changes under it.
    std::shared_ptr<const std::vector<std::string>> Snapshot() const { return m_lines; }

    // Checked access: an index outside the table throws std::out_of_range
    // with "List index out of bounds (i)".
    const std::string &Line(int i) const;
    std::string_view Key(int i) const;
    std::string_view OwnDisplay(int i) const;

    // Position of the first line whose key equals `key` (case-insensitive),
    // or -1. Lines without "=" have no key to be found by.
    int IndexOfKey(std::string_view key) const;
    // The display line of the first line with that key; empty when none.
    std::string_view ValueOfKey(std::string_view key) const;
    // What the download list shows on line i: the display line found by
    // looking up line i's key (so duplicates show the first one's text).
    std::string_view ShownLine(int i) const;
    // The lines that show line i's display line: i and the later lines with
    // its key. Empty when line i is not the first with its key, or has none.
    std::vector<int> LinesShowing(int i) const;

    // Replaces the first line with an equal key by key + "=" + display (the
    // key takes the new letter case), or appends it. Returns its position.
    int SetValue(std::string_view key, std::string_view display);
    void Append(std::string line);
    void Delete(int i);
    void Clear();
    void Assign(std::vector<std::string> lines);

    // Bumped on every change, so views can tell whether they are current.
    std::size_t Generation() const { return m_generation; }

private:
    void checkIndex(int i) const;
    void ensureIndex() const;
    int lookup(std::string_view key) const;

    // The lines, to be changed only through this (copies them first while
    // a snapshot is held).
    std::vector<std::string> &lines();

    std::shared_ptr<std::vector<std::string>> m_lines = std::make_shared<std::vector<std::string>>();
    std::size_t m_generation = 0;
    // Position of the first line with each key, and per line the position of
    // the first line sharing its key (-1 when the line has no "="). Rebuilt
    // lazily after deletions and bulk loads; appends and in-place renewals
    // keep them current.
    mutable std::unordered_map<std::string, int, detail::KeyHash, detail::KeyEqual> m_first;
    mutable std::vector<int> m_firstOf;
    mutable bool m_indexValid = true;
};
} // namespace fetchly
