// Entry point: the subcommands need no display and run without a window;
// anything else starts the desktop program.
#include "cli/commands.h"
#include "gui_main.h"

#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc >= 2) {
        const std::string name = argv[1];
        std::vector<std::string> args(argv + 2, argv + argc);
        if (name == "get")
            return fetchly::cli::runGet(args);
        if (name == "put")
            return fetchly::cli::runPut(args);
        if (name == "copy")
            return fetchly::cli::runCopy(args);
        if (name == "inspect")
            return fetchly::cli::runInspect(args);
        if (name == "add")
            return fetchly::cli::runAdd(args);
    }
    return fetchly::runGui(argc, argv);
}
