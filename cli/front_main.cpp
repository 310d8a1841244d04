// `fetchly`: the front program. `inspect` runs right here, in a small process
// that loads neither Qt nor libcurl. The transfer commands (get, put, copy)
// are `fetchly-transfer` beside us, and everything else (the window, the
// automation switches, `add`) is the desktop program `fetchly-gui`; either
// replaces this process and keeps its id, so signals reach it directly.
#include "cli/commands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char *const kUsage =
    "usage: fetchly                  open the download list (needs a display)\n"
    "       fetchly get [-d DIR] [-o NAME] URL...\n"
    "       fetchly get --ftp HOST[:PORT] [--user U --password P] [--passive] [-d DIR] [-o NAME] PATH...\n"
    "       fetchly put [--put | --post] FILE URL\n"
    "       fetchly put --ftp HOST[:PORT] [--user U --password P] [--passive] [--to REMOTEDIR] [-o NAME] "
    "FILE...\n"
    "       fetchly copy [--share SHARE [--user U --password P]] [-d DIR] [-o NAME] SRC...\n"
    "       fetchly inspect [--raw] FILE...\n"
    "       fetchly add URL...\n"
    "       fetchly -REGSERVER | -UNREGSERVER\n"
    "       fetchly --help | --version\n"
    "\n"
    "  get, put and copy download, upload and copy files without a window; they\n"
    "  take --quiet, --proxy HOST:PORT, --proxy-user U and --proxy-password P.\n"
    "  inspect prints the report of a downloaded file; add hands URLs to the\n"
    "  running program. `fetchly COMMAND --help` tells more about a command.\n"
    "\n"
    "  Exit status: 0 when everything succeeded, 1 when anything failed, 2 for a\n"
    "  wrong command line or no display, 130 or 143 after Ctrl-C or SIGTERM.\n";

std::filesystem::path sibling(const char *name)
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(std::filesystem::path("fetchly"));
    return self.parent_path() / name;
}

int handOver(const char *name, int argc, char **argv)
{
    const std::string program = sibling(name).string();
    std::vector<char *> args(argv, argv + argc);
    args.push_back(nullptr);
    ::execv(program.c_str(), args.data());
    std::cerr << "fetchly: cannot start " << program << ": " << std::strerror(errno) << '\n';
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return handOver("fetchly-gui", argc, argv);
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << kUsage;
        return 0;
    }
    if (name == "--version") {
        std::cout << "fetchly " << FETCHLY_VERSION << '\n';
        return 0;
    }
    if (name == "inspect")
        return fetchly::cli::runInspect(std::vector<std::string>(argv + 2, argv + argc));
    if (name == "get" || name == "put" || name == "copy")
        return handOver("fetchly-transfer", argc, argv);
    // Switches ("-REGSERVER", "/AUTOMATION", Qt's own) and links (anything
    // with a dot, slash or colon) are the desktop program's; a plain word is
    // a command, and one we do not have.
    const bool plainWord =
        !name.empty() && name.front() != '-' && name.find_first_of("./:\\") == std::string::npos;
    if (name != "add" && plainWord) {
        std::cerr << "fetchly: unknown command " << name << " (fetchly --help lists them)\n";
        return 2;
    }
    return handOver("fetchly-gui", argc, argv);
}
