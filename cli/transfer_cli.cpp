#include "cli/transfer_cli.h"

#include "cli/cancel_signals.h"
#include "inspect/content_check.h"
#include "transfer/format_functions.h"
#include "transfer/url_functions.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
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

namespace {

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

} // namespace

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
// engine's worker, and a progress line must be wiped before a log line.
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

    void progress(TFetchSize done, TFetchSize total, std::int64_t elapsedMs)
    {
        if (!m_terminal)
            return;
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(m_mutex);
        // A terminal needs no more than ten updates a second.
        if (m_shown && now - m_last < std::chrono::milliseconds(100) && done != total)
            return;
        m_last = now;
        std::string text = FormatSize(done);
        if (total > 0)
            text += " of " + FormatSize(total);
        text += "  " + FormatRate(static_cast<TFetchSize>(done * 1000.0 / (elapsedMs + 1)));
        std::string left = FormatTimeLeft(elapsedMs, done, total);
        if (total > 0 && !left.empty())
            text += "  " + left + " left";
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
        m_shown = true;
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

} // namespace

int runItems(TFetchEngine &engine, const CommonOptions &options)
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
    applyStallLimit(engine);

    RunPrinter out(options.quiet);
    auto itemStart = std::chrono::steady_clock::now();
    // The item being transferred (events come one at a time, from the
    // engine's worker): one failure line each, naming it and saying why.
    TFetchItem current;
    bool reported = false;
    bool localFailure = false;
    TFetchSize moved = 0;
    auto fail = [&](const std::string &text) {
        reported = true;
        out.line("fetchly: " + text, true);
    };

    engine.OnFileStart = [&](TFetchEngine &e, int idx, int) {
        itemStart = std::chrono::steady_clock::now();
        current = e.Items.Get(idx);
        reported = false;
        moved = 0;
        out.line("fetchly: " + describe(current));
    };
    engine.OnCopyProgress = [&](TFetchEngine &, int, int, TFetchSize done, TFetchSize total) {
        moved = done;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                        itemStart);
        out.progress(done, total, ms.count());
    };
    engine.OnErrorInfo = [&](TFetchEngine &e, int code, const std::string &info) {
        localFailure = localFailure || e.CurrentFailureIsLocal();
        fail(errorLine(code, info, e.CurrentReason(), describe(current)));
    };
    engine.OnURLNotFound = [&](TFetchEngine &e, const std::string &) {
        fail("not found: " + describe(current) + inParentheses(e.CurrentReason()));
    };
    engine.OnConnectError = [&](TFetchEngine &e) {
        // A failed connection is followed by a failed release of it; once
        // is enough to hear.
        if (!reported)
            fail("share connection failed: " + describe(current) + inParentheses(e.CurrentReason()));
    };
    engine.OnRetry = [&](TFetchEngine &, int retry, int retries, int delayMs, int code,
                         const std::string &info) {
        char wait[32];
        std::snprintf(wait, sizeof wait, "%.1f", delayMs / 1000.0);
        out.line("fetchly: retry " + std::to_string(retry) + " of " + std::to_string(retries) + " in " +
                 wait + " s after error " + std::to_string(code) + ": " + info);
    };
    // An HTTP download whose name is taken by another file gets a name of
    // its own ("NAME (1).EXT") unless someone answers the overwrite
    // question: here no one does, so only the other transfers ask it.
    bool http = engine.Items.Count() > 0;
    for (int i = 0; i < engine.Items.Count(); ++i)
        http = http && engine.Items.Get(i).Protocol == TFetchProtocol::wpHttp;
    if (!http)
        engine.OnCopyOverWrite = [&](TFetchEngine &, const std::string &file, bool &) {
            out.line("fetchly: replacing " + file);
        };
    engine.OnFileDone = [&](TFetchEngine &e, int idx, int) {
        const TFetchItem item = e.Items.Get(idx);
        if (item.Done && isUpload(item))
            out.line("fetchly: done " + describe(item) + " (" + std::to_string(moved) + " bytes sent)");
        else if (item.Done && e.CurrentFileUnchanged())
            out.line("fetchly: unchanged " + describe(item));
        else if (item.Done)
            doneLines(out, e);
        else if (!reported)
            fail("failed " + describe(item) + inParentheses(e.CurrentReason()));
    };

    int status = 0;
    {
        CancelOnSignals signals([&engine] { engine.CancelClick(); });
        engine.Start();
        engine.Wait();
        out.finish();
        if (const int sig = signals.Signal()) {
            const auto kept = engine.KeptPart();
            if (kept.Path.empty())
                out.line("fetchly: cancelled", true);
            else
                out.line("fetchly: stopped: " + std::to_string(kept.Kept) +
                             (kept.Total > 0 ? " of " + std::to_string(kept.Total) : std::string()) +
                             " bytes kept in " + kept.Path + " (run again to resume)",
                         true);
            status = 128 + sig;
        }
    }
    if (status != 0)
        return status;
    if (localFailure)
        return 3;
    for (int i = 0; i < engine.Items.Count(); ++i)
        if (!engine.Items.Get(i).Done)
            return 1;
    return 0;
}

} // namespace fetchly::cli
