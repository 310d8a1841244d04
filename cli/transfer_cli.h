#pragma once

#include "transfer/fetch_engine.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// What the transfer subcommands (get, put, copy) share: their common options,
// option parsing helpers and the run of the engine with its log lines and a
// one-line progress on a terminal.
namespace fetchly::cli {

// A malformed command line; the message says what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CommonOptions {
    std::string proxy;          // --proxy HOST:PORT
    std::string proxyUser;      // --proxy-user U
    std::string proxyPassword;  // --proxy-password P
    bool quiet = false;         // --quiet: errors only
    int connections = 8;        // --connections N (1..16)
    int retries = 5;            // --retries N
    bool resume = true;         // --no-resume: start downloads from zero
    bool askIfUnchanged = true; // get --force: fetch a file fetched before anyway
    std::int64_t limitRate = 0; // --limit-rate RATE, bytes per second for the process (0: none)
};

// The server an FTP item talks to, or the share a copy reads from, with
// the login for it.
struct ServerLogin {
    std::string host;
    std::string user;
    std::string password;
    int port = 21;
};

// The one way a command makes an item: `source` is the URL, remote path or
// file to read; `dir` and `name` where the result goes (for an upload, the
// local file's folder and name). An empty name lets the engine choose.
TFetchItem makeItem(TFetchProtocol protocol, const std::string &source, const std::string &dir,
                    const std::string &name, const ServerLogin &server = {});

// The value of the option at args[i] ("--opt VALUE" or "--opt=VALUE");
// advances i past it. Throws UsageError when the value is missing.
std::string optionValue(const std::vector<std::string> &args, std::size_t &i);
// The whole number from `low` to `high` that the option at args[i] takes;
// advances i past it. Throws UsageError for anything else.
int numberOption(const std::vector<std::string> &args, std::size_t &i, int low, int high);
// The option's name without an "=VALUE" part.
std::string optionName(const std::string &arg);
// A rate in curl's words ("500K", "2M", "100000"), in bytes per second;
// throws UsageError for anything else.
std::int64_t parseRate(const std::string &text);
// Takes a common option at args[i]; false when args[i] is not one.
bool parseCommonOption(const std::vector<std::string> &args, std::size_t &i, CommonOptions &options);
// "HOST[:PORT]" into host and port; throws UsageError for a bad port.
void splitHostPort(const std::string &text, std::string &host, int &port);

// Copies the common options onto the engine, runs its items to the end and
// prints what happened on stderr: a line per failure and per finished item
// (unless quiet), and a progress line while a transfer runs on a terminal.
// SIGINT or SIGTERM cancels the run as the progress dialog's Cancel does.
// Returns 0 when every item succeeded, 3 when one failed on its local file
// (it could not be made, written or read, or another transfer writes it),
// 1 when any failed otherwise, and 128 plus the signal's number after such
// a cancel, which keeps the download's part for a later run to resume.
int runItems(TFetchEngine &engine, const CommonOptions &options);
// The same for `items` downloaded up to `simultaneous` at once, each on an
// engine of its own; the status is that of the first failure in list order.
int runItemsAtOnce(std::vector<TFetchItem> items, const CommonOptions &options, int simultaneous);

// Prints "fetchly: MESSAGE" and the usage text; returns 2.
int usageFailure(const std::string &message, const char *usage);

} // namespace fetchly::cli
