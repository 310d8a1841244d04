#include "cli/transfer_cli.h"

#include "cli/cancel_signals.h"
#include "cli/run_report.h"
#include "transfer/fetch_scheduler.h"
#include "transfer/rate_limiter.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>

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
    // Downloads number a taken name instead of asking to replace it.
    bool downloads = engine.Items.Count() > 0;
    for (int i = 0; i < engine.Items.Count(); ++i) {
        const TFetchProtocol protocol = engine.Items.Get(i).Protocol;
        downloads = downloads && (protocol == TFetchProtocol::wpHttp || protocol == TFetchProtocol::wpFtp);
    }
    report.Bind(
        engine, [](int idx) { return idx; }, !downloads);
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
