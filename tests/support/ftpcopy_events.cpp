#include "tests/support/ftpcopy_events.h"

#include "tests/support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace fetchly::test {

EventLog::EventLog(TFetchEngine &engine) : m_engine(engine)
{
    // Retried failures cost no test time.
    engine.RetryBaseDelay = std::chrono::milliseconds(1);
    engine.OnFileStart = [this](TFetchEngine &, int idx, int ext) {
        add("FileStart " + std::to_string(idx) + " " + std::to_string(ext));
    };
    engine.OnFileDone = [this](TFetchEngine &, int idx, int ext) {
        add("FileDone " + std::to_string(idx) + " " + std::to_string(ext));
    };
    engine.OnCopyProgress = [this](TFetchEngine &, int fileidx, int ext, TFetchSize size, TFetchSize total) {
        ProgressEvent e{fileidx, ext, size, total};
        {
            std::lock_guard lock(m_mutex);
            m_progress.push_back(e);
            // Consecutive progress events collapse into one log line.
            if (m_log.empty() || m_log.back() != "Progress")
                m_log.push_back("Progress");
        }
        if (onProgress)
            onProgress(e);
    };
    engine.OnCopyDone = [this](TFetchEngine &) { add("CopyDone"); };
    engine.OnError = [this](TFetchEngine &, int code) { add("Error " + std::to_string(code)); };
    engine.OnErrorInfo = [this](TFetchEngine &, int code, const std::string &info) {
        add("ErrorInfo " + std::to_string(code));
        std::lock_guard lock(m_mutex);
        m_errors.push_back(std::to_string(code) + ": " + info);
    };
    engine.OnURLNotFound = [this](TFetchEngine &, const std::string &url) {
        add("URLNotFound");
        std::lock_guard lock(m_mutex);
        m_notFound.push_back(url);
    };
    engine.OnConnectError = [this](TFetchEngine &) { add("ConnectError"); };
    engine.OnCopyOverWrite = [this](TFetchEngine &, const std::string &file, bool &allow) {
        add("CopyOverWrite");
        std::lock_guard lock(m_mutex);
        m_overwrite.push_back(file);
        allow = allowOverwrite;
    };
}

void EventLog::add(const std::string &line)
{
    std::lock_guard lock(m_mutex);
    m_log.push_back(line);
}

std::vector<std::string> EventLog::log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<ProgressEvent> EventLog::progress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<std::string> EventLog::errors() const
{
    std::lock_guard lock(m_mutex);
    return m_errors;
}

std::vector<std::string> EventLog::notFound() const
{
    std::lock_guard lock(m_mutex);
    return m_notFound;
}

std::vector<std::string> EventLog::overwriteAsked() const
{
    std::lock_guard lock(m_mutex);
    return m_overwrite;
}

int EventLog::connectErrors() const
{
    return count("ConnectError");
}

int EventLog::count(const std::string &event) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count(m_log.begin(), m_log.end(), event));
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

void expectOverwriteQuestionDecides(TFetchEngine &engine, EventLog &events, const std::string &target,
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

std::string patternBytes(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x & 0xff);
    }
    return out;
}

} // namespace fetchly::test
