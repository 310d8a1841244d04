#include "cli/run_report.h"

#include "inspect/content_check.h"
#include "transfer/finished_record.h"
#include "transfer/format_functions.h"
#include "transfer/url_functions.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace fetchly::cli {

namespace {

std::string describe(const TFetchItem &item)
{
    switch (item.Protocol) {
    case TFetchProtocol::wpFtp:
        return "ftp " + item.FTPHost + ":" + std::to_string(item.FTPPort) + " " + item.URL;
    case TFetchProtocol::wpFtpUpload:
        return item.URL + " to ftp " + item.FTPHost + ":" + std::to_string(item.FTPPort);
    case TFetchProtocol::wpFile:
        return item.FTPHost.empty() ? item.URL : item.FTPHost + " " + item.URL;
    default:
        return MaskUrlPassword(item.URL);
    }
}

bool isUpload(const TFetchItem &item)
{
    return item.Protocol == TFetchProtocol::wpHttpUpload || item.Protocol == TFetchProtocol::wpFtpUpload;
}

std::string inParentheses(const std::string &text)
{
    return text.empty() ? std::string() : " (" + text + ")";
}

// The error event's line. The engine's text names a code; the reason says
// what libcurl, the server or the system saw, and replaces the code's
// generic wording when there is one.
std::string errorLine(int code, const std::string &info, const std::string &reason, const std::string &item)
{
    // A status that stands because a redirect chain was cut short: the
    // chain is the failure, not the status.
    if (!reason.empty() && info == "Returned http error code " + std::to_string(code))
        return reason + ": " + item;
    const std::string why = FailureInWords(code, info, reason);
    std::string line = "error " + std::to_string(code) + ": " + item + inParentheses(why);
    // A terminal has no login to give; the browser that has one can hand
    // the link over with it.
    if (code == 401 || code == 403)
        line += ". The site wants a login: send the link to Fetchly from the browser where you are "
                "logged in (Add URL Link to Fetchly), which passes that login along";
    return line;
}

// A finished download: its file, a warning when its first bytes belie its
// name (it still succeeded: the server sent that), and its SHA-256.
void doneLines(RunPrinter &out, const TFetchEngine &engine)
{
    const std::string target = engine.CurrentTarget();
    std::vector<std::pair<std::string, bool>> texts{{"fetchly: done " + target, false}};
    const std::string name = target.substr(target.find_last_of('/') + 1);
    if (const std::string mismatch = inspect::ContentMismatch(name, engine.CurrentHead()); !mismatch.empty())
        texts.emplace_back("fetchly: warning: " + name + " is " + mismatch, true);
    if (const std::string sha = engine.CurrentSha256(); !sha.empty())
        texts.emplace_back("fetchly: SHA-256: " + sha, false);
    out.lines(texts);
}

// A file the server proved unchanged: nothing passed through this run, so
// its digest is the one recorded when it arrived, while it is that file.
void unchangedLines(RunPrinter &out, const std::string &item, const TFetchEngine &engine)
{
    const std::string target = engine.CurrentTarget();
    std::vector<std::pair<std::string, bool>> texts{
        {"fetchly: unchanged " + item + " (" + target + ", " + FormatSize(engine.UnchangedFileSize()) + ")",
         false}};
    if (const std::string sha = RecordedSha256(target); !sha.empty())
        texts.emplace_back("fetchly: SHA-256: " + sha, false);
    out.lines(texts);
}

} // namespace

void RunReport::started(int number, TFetchEngine &engine)
{
    std::lock_guard lock(m_mutex);
    m_unfinished[number] = &engine;
}

void RunReport::ended(int number, int status)
{
    out.ended(number);
    std::lock_guard lock(m_mutex);
    m_unfinished.erase(number);
    m_status[number] = status;
}

int RunReport::Status(int items) const
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < items; ++i) {
        const auto found = m_status.find(i);
        if (found == m_status.end())
            return 1;
        if (found->second != 0)
            return found->second;
    }
    return 0;
}

void RunReport::ReportKeptParts()
{
    std::lock_guard lock(m_mutex);
    bool any = false;
    for (const auto &[number, engine] : m_unfinished) {
        const auto kept = engine->KeptPart();
        if (kept.Path.empty())
            continue;
        any = true;
        out.line("fetchly: stopped: " + std::to_string(kept.Kept) +
                     (kept.Total > 0 ? " of " + std::to_string(kept.Total) : std::string()) +
                     " bytes kept in " + kept.Path + " (run again to resume)",
                 true);
    }
    if (!any)
        out.line("fetchly: cancelled", true);
}

void RunReport::Bind(TFetchEngine &engine, const std::function<int(int)> &number, bool answersOverwrite)
{
    auto current = std::make_shared<Current>();
    auto fail = [this, current](const std::string &text) {
        current->reported = true;
        out.line("fetchly: " + text, true);
    };

    engine.OnFileStart = [this, current, number](TFetchEngine &e, int idx, int) {
        *current = Current{e.Items.Get(idx), number(idx)};
        started(current->number, e);
        out.line("fetchly: " + describe(current->item));
    };
    engine.OnCopyProgress = [this, current](TFetchEngine &, int, int, TFetchSize done, TFetchSize total) {
        const TFetchSize delta = std::max<TFetchSize>(done - current->moved, 0);
        current->moved = done;
        out.progress(current->number, done, total, delta);
    };
    engine.OnErrorInfo = [current, fail](TFetchEngine &e, int code, const std::string &info) {
        current->localFailure = current->localFailure || e.CurrentFailureIsLocal();
        fail(errorLine(code, info, e.CurrentReason(), describe(current->item)));
    };
    engine.OnURLNotFound = [current, fail](TFetchEngine &e, const std::string &) {
        fail("not found: " + describe(current->item) + inParentheses(e.CurrentReason()));
    };
    engine.OnConnectError = [current, fail](TFetchEngine &e) {
        // A failed connection is followed by a failed release of it; once
        // is enough to hear.
        if (!current->reported)
            fail("share connection failed: " + describe(current->item) + inParentheses(e.CurrentReason()));
    };
    engine.OnRetry = [this](TFetchEngine &, int retry, int retries, int delayMs, int code,
                            const std::string &info) {
        char wait[32];
        std::snprintf(wait, sizeof wait, "%.1f", delayMs / 1000.0);
        out.line("fetchly: retry " + std::to_string(retry) + " of " + std::to_string(retries) + " in " +
                 wait + " s after error " + std::to_string(code) + ": " + info);
    };
    // An HTTP download whose name is taken by another file gets a name of
    // its own ("NAME (1).EXT") unless someone answers the overwrite
    // question: here no one does, so only the other transfers ask it.
    if (answersOverwrite)
        engine.OnCopyOverWrite = [this](TFetchEngine &, const std::string &file, bool &) {
            out.line("fetchly: replacing " + file);
        };
    engine.OnFileDone = [this, current, fail, number](TFetchEngine &e, int idx, int) {
        const TFetchItem item = e.Items.Get(idx);
        if (item.Done && isUpload(item))
            out.line("fetchly: done " + describe(item) + " (" + std::to_string(current->moved) +
                     " bytes sent)");
        else if (item.Done && e.CurrentFileUnchanged())
            unchangedLines(out, describe(item), e);
        else if (item.Done)
            doneLines(out, e);
        else if (!current->reported)
            fail("failed " + describe(item) + inParentheses(e.CurrentReason()));
        ended(number(idx), item.Done ? 0 : current->localFailure ? 3 : 1);
    };
}

} // namespace fetchly::cli
