// The HTTP forms of get and put:
//   fetchly get [-d DIR] [-o NAME] URL...
//   fetchly put [--put | --post] FILE URL
// (The --ftp forms are in ftp_commands.cpp.)
#include "cli/commands.h"
#include "cli/transfer_cli.h"
#include "transfer/fetch_scheduler.h"

#include <cctype>
#include <filesystem>
#include <functional>
#include <iostream>

namespace fetchly::cli {

namespace {

const char *const kGetUsage =
    "usage: fetchly get [-d DIR] [-o NAME] [--parallel N] [--limit-rate RATE] [--connections N]\n"
    "                   [--retries N] [--no-resume] [--force] URL...\n"
    "       fetchly get --ftp HOST[:PORT] ... PATH...   (see fetchly get --ftp --help)\n"
    "  Downloads each URL (http, https, ftp) into DIR (default: the current folder),\n"
    "  named after the URL's last part or NAME (one URL only). A download goes to\n"
    "  NAME.part first and continues from it when the server proves the file unchanged\n"
    "  (--no-resume: start from zero). --connections N (1-16, default 8) for large files\n"
    "  on servers that serve ranges; --retries N (default 5) for failures that may pass.\n"
    "  --parallel N (1-10, default 4): downloads at once. --limit-rate RATE caps all of\n"
    "  them together, in bytes per second or with K, M or G (500K, 2M).\n"
    "  Options: --quiet, --proxy HOST:PORT, --proxy-user U, --proxy-password P.\n"
    "  Stopped (Ctrl-C), a download keeps NAME.part and the next run resumes it.\n"
    "  A file fetched before from the same URL is asked for only if it changed\n"
    "  (\"fetchly: unchanged URL\"; --force: fetch it anyway). A name taken by another\n"
    "  file gives NAME (1).EXT, NAME (2).EXT...; \"fetchly: done\" names the file.\n"
    "  Exit status: 0 when every download succeeded, 1 when any failed, 2 for usage,\n"
    "  3 when a local file could not be made or written (or another transfer writes it).\n";

const char *const kPutUsage =
    "usage: fetchly put [--put | --post] FILE URL\n"
    "       fetchly put --ftp HOST[:PORT] ... FILE...   (see fetchly put --ftp --help)\n"
    "  Sends the bytes of FILE to URL as the body of a POST (default) or a PUT.\n"
    "  Options: --quiet, --proxy HOST:PORT, --proxy-user U, --proxy-password P.\n"
    "  Exit status: 0 when the upload succeeded, 1 when it failed, 2 for usage.\n";

// Options and words; false for --help (usage printed).
bool parseWords(const std::vector<std::string> &args, const char *usage, CommonOptions &common,
                std::vector<std::string> &words,
                const std::function<bool(const std::string &, std::size_t &)> &own)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string opt = optionName(args[i]);
        if (opt == "--help" || opt == "-h") {
            std::cout << usage;
            return false;
        }
        if (opt == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (parseCommonOption(args, i, common) || own(opt, i))
            continue;
        if (opt.size() > 1 && opt.front() == '-')
            throw UsageError("unknown option " + opt);
        words.push_back(args[i]);
    }
    return true;
}

// An upload over HTTP takes an http or https URL (a URL without a scheme
// is taken as http). Anything else would be fetched, not sent.
void checkUploadScheme(const std::string &url)
{
    const auto colon = url.find("://");
    if (colon == std::string::npos)
        return;
    std::string scheme = url.substr(0, colon);
    for (char &c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme == "ftp" || scheme == "ftps")
        throw UsageError("put sends over HTTP; for an FTP server use put --ftp HOST[:PORT] [--to DIR] FILE");
    if (scheme != "http" && scheme != "https")
        throw UsageError("put sends to http:// and https:// URLs, not " + scheme + "://");
}

} // namespace

int runGet(const std::vector<std::string> &args)
{
    if (hasFtpOption(args))
        return runFtpGet(args);
    CommonOptions common;
    std::vector<std::string> urls;
    std::string dir, name;
    int parallel = DefaultSimultaneous;
    try {
        const bool go =
            parseWords(args, kGetUsage, common, urls, [&](const std::string &opt, std::size_t &i) {
                if (opt == "-d" || opt == "--dir")
                    dir = optionValue(args, i);
                else if (opt == "-o" || opt == "--output")
                    name = optionValue(args, i);
                else if (opt == "--force")
                    common.askIfUnchanged = false;
                else if (opt == "--parallel")
                    parallel = numberOption(args, i, 1, MaxSimultaneous);
                else
                    return false;
                return true;
            });
        if (!go)
            return 0;
        if (urls.empty())
            throw UsageError("no URL given");
        if (!name.empty() && urls.size() > 1)
            throw UsageError("-o names one file; more than one URL given");
        if (name.find('/') != std::string::npos)
            throw UsageError("-o takes a file name, not a path (use -d for the folder)");
    } catch (const UsageError &e) {
        return usageFailure(e.what(), kGetUsage);
    }
    if (dir.empty())
        dir = std::filesystem::current_path().string();

    std::vector<TFetchItem> items;
    for (const auto &url : urls) {
        TFetchItem item = makeItem(TFetchProtocol::wpHttp, url, dir, name);
        item.ExternalIndex = static_cast<int>(items.size());
        items.push_back(item);
    }
    return runItemsAtOnce(std::move(items), common, parallel);
}

int runPut(const std::vector<std::string> &args)
{
    if (hasFtpOption(args))
        return runFtpPut(args);
    CommonOptions common;
    std::vector<std::string> words;
    TFetchHTTPCommand command = TFetchHTTPCommand::hcPost;
    try {
        const bool go =
            parseWords(args, kPutUsage, common, words, [&](const std::string &opt, std::size_t &) {
                if (opt == "--put")
                    command = TFetchHTTPCommand::hcPut;
                else if (opt == "--post")
                    command = TFetchHTTPCommand::hcPost;
                else
                    return false;
                return true;
            });
        if (!go)
            return 0;
        if (words.size() != 2)
            throw UsageError("put takes one FILE and one URL");
        checkUploadScheme(words[1]);
    } catch (const UsageError &e) {
        return usageFailure(e.what(), kPutUsage);
    }
    const std::filesystem::path file = std::filesystem::absolute(words[0]);
    if (!std::filesystem::is_regular_file(file)) {
        std::cerr << "fetchly: no such file: " << words[0] << "\n";
        return 1;
    }
    TFetchEngine engine;
    TFetchItem item = makeItem(TFetchProtocol::wpHttpUpload, words[1], file.parent_path().string(),
                               file.filename().string());
    item.HTTPCommand = command;
    engine.Items.Add(item);
    return runItems(engine, common);
}

} // namespace fetchly::cli
