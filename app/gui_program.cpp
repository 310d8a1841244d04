// `fetchly-gui`: the desktop program. `fetchly` hands over to it for the
// window, the automation switches and `fetchly add` (which talks D-Bus).
#include "cli/commands.h"
#include "gui_main.h"

#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::string(argv[1]) == "add")
        return fetchly::cli::runAdd(std::vector<std::string>(argv + 2, argv + argc));
    return fetchly::runGui(argc, argv);
}
