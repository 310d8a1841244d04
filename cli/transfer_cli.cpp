#include "cli/transfer_cli.h"

#include "cli/cancel_signals.h"
#include "inspect/content_check.h"
#include "transfer/fetch_scheduler.h"
#include "transfer/format_functions.h"
#include "transfer/rate_limiter.h"
#include "transfer/url_functions.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace fetchly::cli {

std::string optionName(const std::string &arg)
{
    auto eq = arg.find('=');
    return arg.rfind("--", 0) == 0 && eq != std::string::npos ? arg.substr(0, eq) : arg;
}

std::string optionValue(const std::vector<std::string> &args, std::size_t &i)
{
    const std::string &arg = args[i];
    auto eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos)
        return arg.substr(eq + 1);
    if (i + 1 >= args.size())
        throw UsageError("option " + arg + " needs a value");
    return args[++i];
}

int numberOption(const std::vector<std::string> &args, std::size_t &i, int low, int high)
{
    const std::string name = optionName(args[i]);
    const std::string text = optionValue(args, i);
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < low || std::stoi(text) > high)
        throw UsageError(name + " takes a number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    return std::stoi(text);
}

std::int64_t parseRate(const std::string &text)
{
    // As curl has it: a number of bytes per second, or of K, M or G of them.
    std::size_t digits = 0;
    while (digits < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[digits])) || text[digits] == '.'))
        ++digits;
    const std::string number = text.substr(0, digits);
    const std::string unit = text.substr(digits);
    const auto bad = [&] {
        return UsageError("--limit-rate takes a rate such as 500K, 2M or 100000 (bytes per second), not \"" +
                          text + "\"");
    };
    if (number.empty() || number.size() > 12 || number.find('.') != number.rfind('.') || number == "." ||
        unit.size() > 1)
        throw bad();
    double scale = 1;
    if (!unit.empty()) {
        switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
        case 'K':
            scale = 1024.0;
            break;
        case 'M':
            scale = 1024.0 * 1024;
            break;
        case 'G':
            scale = 1024.0 * 1024 * 1024;
            break;
        default:
            throw bad();
        }
    }
    const double rate = std::strtod(number.c_str(), nullptr) * scale;
    if (!std::isfinite(rate) || rate > 1e12)
        throw bad();
    return static_cast<std::int64_t>(std::llround(rate));
}

bool parseCommonOption(const std::vector<std::string> &args, std::size_t &i, CommonOptions &options)
{
    const std::string name = optionName(args[i]);
    if (name == "--proxy")
        options.proxy = optionValue(args, i);
    else if (name == "--proxy-user")
        options.proxyUser = optionValue(args, i);
    else if (name == "--proxy-password")
        options.proxyPassword = optionValue(args, i);
    else if (name == "--quiet" || name == "-q")
        options.quiet = true;
    else if (name == "--connections")
        options.connections = numberOption(args, i, 1, 16);
    else if (name == "--retries")
        options.retries = numberOption(args, i, 0, 100);
    else if (name == "--no-resume")
        options.resume = false;
    else if (name == "--limit-rate")
        options.limitRate = parseRate(optionValue(args, i));
    else
        return false;
    return true;
}

void splitHostPort(const std::string &text, std::string &host, int &port)
{
    host = text;
    auto colon = text.rfind(':');
    // A bracketed IPv6 address keeps its colons.
    if (colon == std::string::npos || text.find(']', colon) != std::string::npos)
        return;
    if (text.find(':') != colon && text.front() != '[')
        return; // a bare IPv6 address without a port
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(digits) < 1 || std::stoi(digits) > 65535)
        throw UsageError("bad port in " + text);
    host = text.substr(0, colon);
    port = std::stoi(digits);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
}

int usageFailure(const std::string &message, const char *usage)
{
    std::cerr << "fetchly: " << message << "\n" << usage;
    return 2;
}

TFetchItem makeItem(TFetchProtocol protocol, const std::string &source, const std::string &dir,
                    const std::string &name, const ServerLogin &server)
{
    return TFetchItem{.URL = source,
                      .TargetDir = dir,
                      .TargetFilename = name,
                      .Protocol = protocol,
                      .FTPHost = server.host,
                      .FTPUserID = server.user,
                      .FTPPassword = server.password,
                      .FTPPort = server.port};
}

namespace {

// Server replies and names reach the terminal; none of their bytes may
// move the cursor, retitle the window or end the line.
std::string printable(std::string text)
{
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

// Everything printed during a run goes through here: events come from the
// engines' workers, and a progress line must be wiped before a log line.
// With several items at once the progress line counts them together.
class RunPrinter {
public:
    explicit RunPrinter(bool quiet) : m_quiet(quiet), m_terminal(!quiet && ::isatty(STDERR_FILENO)) {}

    void line(const std::string &text, bool always = false)
    {
        if (m_quiet && !always)
            return;
        std::lock_guard lock(m_mutex);
        clearProgressLocked();
        std::fprintf(stderr, "%s\n", printable(text).c_str());
    }

    // Item `item` has `done` of its `total` bytes (0: unknown); `delta`
    // of them are new since its last call.
    void progress(int item, TFetchSize done, TFetchSize total, TFetchSize delta)
    {
        if (!m_terminal)
            return;
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(m_mutex);
        m_active[item] = {done, total};
        m_moved += delta;
        // A terminal needs no more than ten updates a second.
        if (m_shown && now - m_last < std::chrono::milliseconds(100) && done != total)
            return;
        m_last = now;
        TFetchSize sum = 0, sumTotal = 0;
        for (const auto &[i, sizes] : m_active) {
            sum += sizes.first;
            sumTotal = sizes.second > 0 && sumTotal >= 0 ? sumTotal + sizes.second : -1;
        }
        const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_start).count();
        std::string text = FormatSize(sum);
        if (sumTotal > 0)
            text += " of " + FormatSize(sumTotal);
        text += "  " + FormatRate(static_cast<TFetchSize>(m_moved * 1000.0 / (elapsedMs + 1)));
        std::string left = sumTotal > 0 ? FormatTimeLeft(elapsedMs, m_moved, m_moved + sumTotal - sum) : "";
        if (!left.empty())
            text += "  " + left + " left";
        if (m_active.size() > 1)
            text += "  (" + std::to_string(m_active.size()) + " at once)";
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
        m_shown = true;
    }

    // Item `item` no longer counts on the progress line.
    void ended(int item)
    {
        std::lock_guard lock(m_mutex);
        m_active.erase(item);
    }

    void finish()
    {
        std::lock_guard lock(m_mutex);
        clearProgressLocked();
    }

private:
    void clearProgressLocked()
    {
        if (m_shown) {
            std::fprintf(stderr, "\r\033[K");
            m_shown = false;
        }
    }

    bool m_quiet, m_terminal;
    std::mutex m_mutex;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_last;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::map<int, std::pair<TFetchSize, TFetchSize>> m_active;
    TFetchSize m_moved = 0;
};

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
    return "error " + std::to_string(code) + ": " + item + inParentheses(why);
}

// A finished download: its file, a warning when its first bytes belie its
// name (it still succeeded: the server sent that), and its SHA-256.
void doneLines(RunPrinter &out, const TFetchEngine &engine)
{
    const std::string target = engine.CurrentTarget();
    out.line("fetchly: done " + target);
    const std::string name = target.substr(target.find_last_of('/') + 1);
    if (const std::string mismatch = inspect::ContentMismatch(name, engine.CurrentHead()); !mismatch.empty())
        out.line("fetchly: warning: " + name + " is " + mismatch, true);
    if (const std::string sha = engine.CurrentSha256(); !sha.empty())
        out.line("fetchly: SHA-256: " + sha);
}

// A lower stall limit for tests and slow links; not a documented option.
void applyStallLimit(TFetchEngine &engine)
{
    const char *text = std::getenv("FETCHLY_STALL_SECONDS");
    if (!text)
        return;
    char *end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds > 0 && seconds <= 3600)
        engine.StallTimeout = std::chrono::seconds(seconds);
}

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
            out.line("fetchly: unchanged " + describe(item));
        else if (item.Done)
            doneLines(out, e);
        else if (!current->reported)
            fail("failed " + describe(item) + inParentheses(e.CurrentReason()));
        ended(number(idx), item.Done ? 0 : current->localFailure ? 3 : 1);
    };
}

void configure(TFetchEngine &engine, const CommonOptions &options)
{
    engine.Proxy = options.proxy;
    engine.ProxyUserID = options.proxyUser;
    engine.ProxyPassword = options.proxyPassword;
    engine.ShowDialog = false;
    engine.ShowOpenFile = false;
    engine.ShowOpenFolder = false;
    engine.Connections = options.connections;
    engine.Retries = options.retries;
    engine.Resume = options.resume;
    engine.AskIfUnchanged = options.askIfUnchanged;
    applyStallLimit(engine);
}

// Runs `start` and waits for `wait` under the signals' cancel (`cancel`),
// then works out the exit status of `items` items.
int runReported(RunReport &report, int items, const std::function<void()> &start,
                const std::function<void()> &wait, const std::function<void()> &cancel)
{
    {
        CancelOnSignals signals(cancel);
        start();
        wait();
        report.out.finish();
        if (const int sig = signals.Signal()) {
            report.ReportKeptParts();
            return 128 + sig;
        }
    }
    return report.Status(items);
}

} // namespace

int runItems(TFetchEngine &engine, const CommonOptions &options)
{
    configure(engine, options);
    ProcessRateLimiter().SetRate(options.limitRate);
    RunReport report(options.quiet);
    bool http = engine.Items.Count() > 0;
    for (int i = 0; i < engine.Items.Count(); ++i)
        http = http && engine.Items.Get(i).Protocol == TFetchProtocol::wpHttp;
    report.Bind(
        engine, [](int idx) { return idx; }, !http);
    return runReported(
        report, engine.Items.Count(), [&] { engine.Start(); }, [&] { engine.Wait(); },
        [&] { engine.CancelClick(); });
}

int runItemsAtOnce(std::vector<TFetchItem> items, const CommonOptions &options, int simultaneous)
{
    ProcessRateLimiter().SetRate(options.limitRate);
    RunReport report(options.quiet);
    const int count = static_cast<int>(items.size());
    TFetchScheduler scheduler(simultaneous);
    scheduler.OnPrepare = [&](TFetchEngine &engine, int item) {
        configure(engine, options);
        report.Bind(
            engine, [item](int) { return item; }, false);
    };
    return runReported(
        report, count, [&] { scheduler.Start(std::move(items)); }, [&] { scheduler.Wait(); },
        [&] { scheduler.Stop(); });
}

} // namespace fetchly::cli
