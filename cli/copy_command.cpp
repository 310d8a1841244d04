// fetchly copy [--share SHARE [--user U --password P]] [-d DIR] [-o NAME] SRC...
#include "cli/commands.h"
#include "cli/transfer_cli.h"

#include <filesystem>
#include <iostream>

namespace fetchly::cli {

namespace {
const char *const kCopyUsage =
    "usage: fetchly copy [--share SHARE [--user U --password P]] [-d DIR] [-o NAME] SRC...\n"
    "  Copies local files, or files below SHARE (smb://host[:port]/share, //host/share,\n"
    "  \\\\host\\share, or a mounted folder), into DIR (default: the current folder).\n"
    "  -o NAME names the copy (one SRC only). Options: --quiet, --proxy HOST:PORT,\n"
    "  --proxy-user U, --proxy-password P.\n";
} // namespace

int runCopy(const std::vector<std::string> &args)
{
    CommonOptions common;
    std::string share, user, password, dir, name;
    std::vector<std::string> sources;
    try {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string opt = optionName(args[i]);
            if (opt == "--help" || opt == "-h") {
                std::cout << kCopyUsage;
                return 0;
            }
            if (parseCommonOption(args, i, common))
                continue;
            if (opt == "--share")
                share = optionValue(args, i);
            else if (opt == "--user")
                user = optionValue(args, i);
            else if (opt == "--password")
                password = optionValue(args, i);
            else if (opt == "-d" || opt == "--dir")
                dir = optionValue(args, i);
            else if (opt == "-o" || opt == "--output")
                name = optionValue(args, i);
            else if (opt == "--") {
                sources.insert(sources.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
                break;
            } else if (opt.size() > 1 && opt.front() == '-')
                throw UsageError("unknown option " + opt);
            else
                sources.push_back(args[i]);
        }
        if (sources.empty())
            throw UsageError("nothing to copy");
        if (!name.empty() && sources.size() > 1)
            throw UsageError("-o names one copy; more than one SRC given");
        if (share.empty() && (!user.empty() || !password.empty()))
            throw UsageError("--user and --password belong to --share");
    } catch (const UsageError &e) {
        return usageFailure(e.what(), kCopyUsage);
    }
    if (dir.empty())
        dir = std::filesystem::current_path().string();

    TFetchEngine engine;
    for (const auto &source : sources) {
        engine.Items.Add(makeItem(TFetchProtocol::wpFile, source, dir, name, {share, user, password}));
    }
    return runItems(engine, common);
}

} // namespace fetchly::cli
