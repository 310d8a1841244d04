#include "tests/support/event_recorder.h"

namespace fetchly::test {

EventRecorder::EventRecorder(TFetchEngine &engine)
{
    engine.RetryBaseDelay = std::chrono::milliseconds(1);
    engine.OnFileStart = [this](TFetchEngine &, int idx, int ext) {
        add("FileStart " + std::to_string(idx) + " " + std::to_string(ext));
    };
    engine.OnFileDone = [this](TFetchEngine &, int idx, int ext) {
        add("FileDone " + std::to_string(idx) + " " + std::to_string(ext));
    };
    engine.OnCopyProgress = [this](TFetchEngine &, int fileidx, int ext, TFetchSize size, TFetchSize total) {
        add("Progress " + std::to_string(fileidx) + " " + std::to_string(ext) + " " + std::to_string(size) +
            " " + std::to_string(total));
        if (onProgress)
            onProgress(fileidx, ext, size, total);
    };
    engine.OnCopyDone = [this](TFetchEngine &) { add("CopyDone"); };
    engine.OnError = [this](TFetchEngine &, int code) { add("Error " + std::to_string(code)); };
    engine.OnErrorInfo = [this](TFetchEngine &, int code, const std::string &info) {
        add("ErrorInfo " + std::to_string(code) + " " + info);
    };
    engine.OnURLNotFound = [this](TFetchEngine &, const std::string &url) { add("URLNotFound " + url); };
    engine.OnConnectError = [this](TFetchEngine &) { add("ConnectError"); };
    engine.OnCopyOverWrite = [this](TFetchEngine &, const std::string &file, bool &allow) {
        add("OverWrite " + file + (allow ? " asked" : " not-asked"));
        allow = allowOverwrite;
    };
    engine.OnCopyCancel = [this](TFetchEngine &) { add("CopyCancel"); };
    engine.OnRetry = [this](TFetchEngine &, int retry, int retries, int, int code, const std::string &info) {
        add("Retry " + std::to_string(retry) + "/" + std::to_string(retries) + " " + std::to_string(code) +
            " " + info);
    };
}

void EventRecorder::add(std::string line)
{
    std::lock_guard lock(m_mutex);
    m_lines.push_back(std::move(line));
}

std::vector<std::string> EventRecorder::all() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::vector<std::string> EventRecorder::events() const
{
    std::vector<std::string> out;
    for (auto &l : all())
        if (l.rfind("Progress ", 0) != 0 && l.rfind("Retry ", 0) != 0)
            out.push_back(l);
    return out;
}

std::vector<std::string> EventRecorder::progress() const
{
    std::vector<std::string> out;
    for (auto &l : all())
        if (l.rfind("Progress ", 0) == 0)
            out.push_back(l.substr(9));
    return out;
}

std::vector<std::string> EventRecorder::retries() const
{
    std::vector<std::string> out;
    for (auto &l : all())
        if (l.rfind("Retry ", 0) == 0)
            out.push_back(l.substr(6));
    return out;
}

::testing::AssertionResult runAndWait(TFetchEngine &engine)
{
    engine.Start();
    if (!engine.WaitFor(std::chrono::seconds(30)))
        return ::testing::AssertionFailure() << "the run did not end within 30 s";
    return ::testing::AssertionSuccess();
}

} // namespace fetchly::test
