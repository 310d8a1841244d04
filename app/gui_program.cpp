// `fetchly-gui`: the desktop program. `fetchly` hands over to it for the
// window, the automation switches, and `fetchly add` and `fetchly URL...`
// (which talk D-Bus).
#include "app/gui_main.h"
#include "cli/commands.h"

#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::string(argv[1]) == "add")
        return fetchly::cli::runAdd(std::vector<std::string>(argv + 2, argv + argc));
    if (const auto links = fetchly::cli::linkArguments({argv + 1, argv + argc}); !links.empty())
        return fetchly::cli::runAdd(links);
    return fetchly::runGui(argc, argv);
}
