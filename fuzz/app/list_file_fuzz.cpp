// The list-file reader and the entry table on whatever bytes a file holds.
#include "app/core/entry_table.h"
#include "app/core/list_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> lines = fetchly::ParseListText(text);
    // What was read is written and read back unchanged.
    if (fetchly::ParseListText(fetchly::FormatListText(lines)) != lines)
        std::abort();
    fetchly::TEntryTable table;
    table.Assign(lines);
    std::size_t total = 0;
    for (int i = 0; i < table.Count(); ++i) {
        total += table.ShownLine(i).size();
        const int first = table.IndexOfKey(table.Key(i));
        if (fetchly::TEntryTable::Split(table.Line(i)).hasEquals && (first < 0 || first > i))
            std::abort();
    }
    if (table.Count() > 1) {
        table.Delete(table.Count() / 2);
        table.SetValue(table.Key(0), "<B>renewed</B>");
        for (int i = 0; i < table.Count(); ++i)
            total += table.ShownLine(i).size();
    }
    return total == static_cast<std::size_t>(-1);
}
