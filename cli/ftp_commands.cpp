// The --ftp forms of get and put:
//   fetchly get --ftp HOST[:PORT] [--user U --password P] [--passive] [-d DIR] [-o NAME] PATH...
//   fetchly put --ftp HOST[:PORT] [--user U --password P] [--passive] [--to REMOTEDIR] [-o NAME] FILE...
#include "cli/commands.h"
#include "cli/transfer_cli.h"

#include <filesystem>
#include <iostream>

namespace fetchly::cli {

namespace {

const char *const kFtpGetUsage =
    "usage: fetchly get --ftp HOST[:PORT] [--user U --password P] [--passive] [-d DIR] [-o NAME] [--force]\n"
    "                   PATH...\n"
    "  Downloads each PATH on the FTP server (\"/pub/a.zip\" from the root, \"a.zip\" from the\n"
    "  login folder) into DIR (default: the current folder). Without both --user and\n"
    "  --password the login is anonymous. A file fetched before is fetched again only\n"
    "  when the server's size or time differs (\"fetchly: unchanged\"; --force: fetch it\n"
    "  anyway). A name taken by another file gives NAME (1).EXT, NAME (2).EXT...\n"
    "  Options: --quiet, --proxy HOST:PORT, --proxy-user U, --proxy-password P.\n";

const char *const kFtpPutUsage =
    "usage: fetchly put --ftp HOST[:PORT] [--user U --password P] [--passive] [--to REMOTEDIR] [-o NAME] "
    "FILE...\n"
    "  Uploads each local FILE into REMOTEDIR on the FTP server (created when missing;\n"
    "  default: the login folder). Without both --user and --password the login is\n"
    "  anonymous. Options: --quiet, --proxy HOST:PORT, --proxy-user U, --proxy-password P.\n";

struct FtpCommandLine {
    CommonOptions common;
    std::string host;
    int port = 21;
    std::string user, password, dir, name;
    bool passive = false;
    std::vector<std::string> paths;
};

// Parses the words of an FTP get or put; `dirOption` is "-d" for get and
// "--to" for put. Returns false for --help (usage printed).
bool parseFtp(const std::vector<std::string> &args, const std::string &dirOption, const char *usage,
              FtpCommandLine &cmd)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string opt = optionName(args[i]);
        if (opt == "--help" || opt == "-h") {
            std::cout << usage;
            return false;
        }
        if (parseCommonOption(args, i, cmd.common))
            continue;
        if (opt == "--ftp")
            splitHostPort(optionValue(args, i), cmd.host, cmd.port);
        else if (opt == "--user")
            cmd.user = optionValue(args, i);
        else if (opt == "--password")
            cmd.password = optionValue(args, i);
        else if (opt == "--passive")
            cmd.passive = true;
        else if (dirOption == "-d" && opt == "--force")
            cmd.common.askIfUnchanged = false;
        else if (opt == dirOption || (dirOption == "-d" && opt == "--dir"))
            cmd.dir = optionValue(args, i);
        else if (opt == "-o" || opt == "--output")
            cmd.name = optionValue(args, i);
        else if (opt == "--") {
            cmd.paths.insert(cmd.paths.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (opt.size() > 1 && opt.front() == '-')
            throw UsageError("unknown option " + opt);
        else
            cmd.paths.push_back(args[i]);
    }
    if (cmd.host.empty())
        throw UsageError("--ftp needs a server");
    if (cmd.paths.empty())
        throw UsageError("no file given");
    if (!cmd.name.empty() && cmd.paths.size() > 1)
        throw UsageError("-o names one file; more than one given");
    return true;
}

TFetchItem ftpItem(const FtpCommandLine &cmd, TFetchProtocol protocol, const std::string &path)
{
    return makeItem(protocol, path, cmd.dir, cmd.name, {cmd.host, cmd.user, cmd.password, cmd.port});
}

int runFtp(const std::vector<std::string> &args, bool upload)
{
    const char *usage = upload ? kFtpPutUsage : kFtpGetUsage;
    FtpCommandLine cmd;
    try {
        if (!parseFtp(args, upload ? "--to" : "-d", usage, cmd))
            return 0;
    } catch (const UsageError &e) {
        return usageFailure(e.what(), usage);
    }
    if (!upload && cmd.dir.empty())
        cmd.dir = std::filesystem::current_path().string();

    TFetchEngine engine;
    engine.FTPPassive = cmd.passive;
    for (const auto &path : cmd.paths)
        engine.Items.Add(ftpItem(cmd, upload ? TFetchProtocol::wpFtpUpload : TFetchProtocol::wpFtp, path));
    return runItems(engine, cmd.common);
}

} // namespace

bool hasFtpOption(const std::vector<std::string> &args)
{
    for (const auto &arg : args) {
        if (arg == "--")
            return false;
        if (optionName(arg) == "--ftp")
            return true;
    }
    return false;
}

int runFtpGet(const std::vector<std::string> &args)
{
    return runFtp(args, false);
}

int runFtpPut(const std::vector<std::string> &args)
{
    return runFtp(args, true);
}

} // namespace fetchly::cli
