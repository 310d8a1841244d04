#pragma once

// Records the events of one engine run for the FTP and copy tests.
#include "transfer/fetch_engine.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace fetchly::test {

struct ProgressEvent {
    int fileidx = 0;
    int ext = 0;
    TFetchSize size = 0;
    TFetchSize totsize = 0;
};

// Hooks every event of `engine`; the names of the events in order go to
// log(), the details to the other members. Handlers run on the worker.
class EventLog {
public:
    explicit EventLog(TFetchEngine &engine);

    std::vector<std::string> log() const;
    std::vector<ProgressEvent> progress() const;
    // "code: text" for each OnErrorInfo.
    std::vector<std::string> errors() const;
    std::vector<std::string> notFound() const;
    std::vector<std::string> overwriteAsked() const;
    int connectErrors() const;
    int count(const std::string &event) const;

    // The answer OnCopyOverWrite gives.
    bool allowOverwrite = true;
    // Called after each OnCopyProgress is recorded (e.g. to press Cancel).
    std::function<void(const ProgressEvent &)> onProgress;

private:
    void add(const std::string &line);

    TFetchEngine &m_engine;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log, m_errors, m_notFound, m_overwrite;
    std::vector<ProgressEvent> m_progress;
};

// Starts the engine with the dialog hidden and waits for the run to end;
// fails the test when it does not end within `limit`.
void runToEnd(TFetchEngine &engine, std::chrono::seconds limit = std::chrono::seconds(60));

// Runs the engine's one item twice against an existing `target` holding
// `oldBytes`: refused, the file stays and the item fails silently; allowed,
// the file gets `newBytes` and the item succeeds.
void expectOverwriteQuestionDecides(TFetchEngine &engine, EventLog &events, const std::string &target,
                                    const std::string &oldBytes, const std::string &newBytes);

// A reproducible byte pattern of `size` bytes (no runs that would hide a
// chunk written twice or skipped).
std::string patternBytes(std::size_t size, unsigned seed = 1);

} // namespace fetchly::test
