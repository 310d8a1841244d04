#pragma once

#include "tests/support/byte_pattern.h"
#include "transfer/fetch_engine.h"

#include <gtest/gtest.h>

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

// Records every event of an engine as a line of text, in order, so tests
// compare whole sequences; the views below pick out what a test asks about.
// Handlers run on the worker.
class EventRecorder {
public:
    // Also makes the engine's retry backoff a millisecond, so retried
    // failures cost no test time.
    explicit EventRecorder(TFetchEngine &engine);

    // All lines, progress included.
    std::vector<std::string> all() const;
    // All lines except progress ("Progress ...") and retry lines.
    std::vector<std::string> events() const;
    // The event names in order, each run of progress events as one
    // "Progress" and without the details of errors, URLs and files.
    std::vector<std::string> log() const;
    // The progress lines: "fileidx Ext size totsize".
    std::vector<std::string> progress() const;
    std::vector<ProgressEvent> progressSteps() const;
    // The retries announced: "retry/retries code info" (not in events()).
    std::vector<std::string> retries() const;
    // "code: text" for each OnErrorInfo.
    std::vector<std::string> errors() const;
    std::vector<std::string> notFound() const;
    std::vector<std::string> overwriteAsked() const;
    int connectErrors() const;
    // How often `event` stands in log().
    int count(const std::string &event) const;

    // Called from OnCopyProgress after recording (e.g. to press Cancel).
    std::function<void(const ProgressEvent &)> onProgress;
    // The answer OnCopyOverWrite gives.
    bool allowOverwrite = true;

private:
    void add(std::string line);
    // The details of the lines that start with `head`.
    std::vector<std::string> detailsOf(const std::string &head) const;

    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::vector<ProgressEvent> m_progress;
};

// Runs the engine and waits (at most 30 s) for the run to end.
::testing::AssertionResult runAndWait(TFetchEngine &engine);

// Starts the engine with the dialog hidden and waits for the run to end;
// fails the test when it does not end within `limit`.
void runToEnd(TFetchEngine &engine, std::chrono::seconds limit = std::chrono::seconds(60));

// Runs the engine's one item twice against an existing `target` holding
// `oldBytes`: refused, the file stays and the item fails silently; allowed,
// the file gets `newBytes` and the item succeeds.
void expectOverwriteQuestionDecides(TFetchEngine &engine, EventRecorder &events, const std::string &target,
                                    const std::string &oldBytes, const std::string &newBytes);

} // namespace fetchly::test
