#pragma once

#include "transfer/fetch_types.h"

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace fetchly::cli {

// Everything printed during a run goes through here: events come from the
// engines' workers, and a progress line must be wiped before a log line.
// With several items at once the progress line counts them together.
class RunPrinter {
public:
    explicit RunPrinter(bool quiet);

    // A log line on stderr; under --quiet only when `always`.
    void line(const std::string &text, bool always = false);
    // Lines that belong together (one item's result): no other item's line
    // may fall between them.
    void lines(const std::vector<std::pair<std::string, bool>> &texts);
    // Item `item` has `done` of its `total` bytes (0: unknown); `delta`
    // of them are new since its last call.
    void progress(int item, TFetchSize done, TFetchSize total, TFetchSize delta);
    // Item `item` no longer counts on the progress line.
    void ended(int item);
    void finish();

private:
    void clearProgressLocked();

    bool m_quiet, m_terminal;
    std::mutex m_mutex;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_last;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::map<int, std::pair<TFetchSize, TFetchSize>> m_active;
    TFetchSize m_moved = 0;
};

} // namespace fetchly::cli
