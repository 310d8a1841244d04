#pragma once

#include "cli/run_printer.h"
#include "transfer/fetch_engine.h"

#include <functional>
#include <map>
#include <mutex>

namespace fetchly::cli {

// How each item of a run came out, by its number in the run, and the
// engine that ran it (for the part an item cut off by a signal keeps).
class RunReport {
public:
    explicit RunReport(bool quiet) : out(quiet) {}

    // Prints what `engine`'s events say; `number` turns the engine's item
    // index into the item's number in the run.
    void Bind(TFetchEngine &engine, const std::function<int(int)> &number, bool answersOverwrite);
    // 0 when every item arrived, else the status of the first (in list
    // order) that did not: 3 when it failed on its local file, else 1.
    int Status(int items) const;
    // After a signal: a line for each part kept by an item cut off.
    void ReportKeptParts();

    RunPrinter out;

private:
    // One engine's item under way: its events come one at a time.
    struct Current {
        TFetchItem item;
        int number = 0;
        bool reported = false;
        bool localFailure = false;
        TFetchSize moved = 0;
    };
    void started(int number, TFetchEngine &engine);
    void ended(int number, int status);

    mutable std::mutex m_mutex;
    std::map<int, int> m_status;                // of the items that ended
    std::map<int, TFetchEngine *> m_unfinished; // started, not ended
};

} // namespace fetchly::cli
