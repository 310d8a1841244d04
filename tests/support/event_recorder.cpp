#include "tests/support/event_recorder.h"

#include "tests/support/temp_dir.h"

#include <algorithm>

namespace fetchly::test {

namespace {
bool startsWith(const std::string &line, const std::string &head)
{
    return line.rfind(head, 0) == 0;
}
} // namespace

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
        const ProgressEvent e{fileidx, ext, size, total};
        {
            std::lock_guard lock(m_mutex);
            m_progress.push_back(e);
        }
        add("Progress " + std::to_string(fileidx) + " " + std::to_string(ext) + " " + std::to_string(size) +
            " " + std::to_string(total));
        if (onProgress)
            onProgress(e);
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

std::vector<std::string> EventRecorder::detailsOf(const std::string &head) const
{
    std::vector<std::string> out;
    for (const auto &l : all())
        if (startsWith(l, head))
            out.push_back(l.substr(head.size()));
    return out;
}

std::vector<std::string> EventRecorder::events() const
{
    std::vector<std::string> out;
    for (auto &l : all())
        if (!startsWith(l, "Progress ") && !startsWith(l, "Retry "))
            out.push_back(l);
    return out;
}

std::vector<std::string> EventRecorder::log() const
{
    std::vector<std::string> out;
    for (const auto &l : all()) {
        std::string name = l.substr(0, l.find(' '));
        if (name == "ErrorInfo")
            name = l.substr(0, l.find(' ', name.size() + 1));
        else if (name == "FileStart" || name == "FileDone" || name == "Error")
            name = l;
        else if (name == "OverWrite")
            name = "CopyOverWrite";
        if (name == "Retry" || name == "CopyCancel" ||
            (name == "Progress" && !out.empty() && out.back() == name))
            continue;
        out.push_back(name);
    }
    return out;
}

std::vector<std::string> EventRecorder::progress() const
{
    return detailsOf("Progress ");
}

std::vector<ProgressEvent> EventRecorder::progressSteps() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<std::string> EventRecorder::retries() const
{
    return detailsOf("Retry ");
}

std::vector<std::string> EventRecorder::errors() const
{
    std::vector<std::string> out = detailsOf("ErrorInfo ");
    for (auto &e : out)
        e.replace(e.find(' '), 1, ": ");
    return out;
}

std::vector<std::string> EventRecorder::notFound() const
{
    return detailsOf("URLNotFound ");
}

std::vector<std::string> EventRecorder::overwriteAsked() const
{
    std::vector<std::string> out = detailsOf("OverWrite ");
    for (auto &file : out)
        file.erase(file.rfind(' '));
    return out;
}

int EventRecorder::connectErrors() const
{
    return count("ConnectError");
}

int EventRecorder::count(const std::string &event) const
{
    const auto names = log();
    return static_cast<int>(std::count(names.begin(), names.end(), event));
}

::testing::AssertionResult runAndWait(TFetchEngine &engine)
{
    engine.Start();
    if (!engine.WaitFor(std::chrono::seconds(30)))
        return ::testing::AssertionFailure() << "the run did not end within 30 s";
    return ::testing::AssertionSuccess();
}

void runToEnd(TFetchEngine &engine, std::chrono::seconds limit)
{
    engine.ShowDialog = false;
    engine.Start();
    if (!engine.WaitFor(limit)) {
        engine.CancelClick();
        engine.WaitFor(std::chrono::seconds(30));
        FAIL() << "the run did not end within " << limit.count() << " s";
    }
}

void expectOverwriteQuestionDecides(TFetchEngine &engine, EventRecorder &events, const std::string &target,
                                    const std::string &oldBytes, const std::string &newBytes)
{
    events.allowOverwrite = false;
    runToEnd(engine);
    EXPECT_EQ(readFile(target), oldBytes);
    EXPECT_EQ(events.overwriteAsked(), std::vector<std::string>{target});
    EXPECT_TRUE(events.errors().empty());
    EXPECT_FALSE(engine.Items.Get(0).Done);

    events.allowOverwrite = true;
    runToEnd(engine);
    EXPECT_EQ(readFile(target), newBytes);
    EXPECT_TRUE(engine.Items.Get(0).Done);
}

} // namespace fetchly::test
