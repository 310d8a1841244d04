#pragma once

#include "transfer/fetch_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace fetchly::test {

// Records every event of an engine as a line of text, in order, so tests
// compare whole sequences. Progress lines are kept separately as well, as
// their number depends on how the data arrived.
class EventRecorder {
public:
    // Also makes the engine's retry backoff a millisecond, so retried
    // failures cost no test time.
    explicit EventRecorder(TFetchEngine &engine);

    // All lines except progress ("Progress ...") lines.
    std::vector<std::string> events() const;
    // All lines, progress included.
    std::vector<std::string> all() const;
    // The progress lines: "fileidx Ext size totsize".
    std::vector<std::string> progress() const;
    // The retries announced: "retry/retries code info" (not in events()).
    std::vector<std::string> retries() const;

    // Called from OnCopyProgress after recording (e.g. to press Cancel).
    std::function<void(int fileidx, int Ext, TFetchSize size, TFetchSize totsize)> onProgress;
    // The answer OnCopyOverWrite gives.
    bool allowOverwrite = true;

private:
    void add(std::string line);
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// Runs the engine and waits (at most 30 s) for the run to end.
::testing::AssertionResult runAndWait(TFetchEngine &engine);

} // namespace fetchly::test
