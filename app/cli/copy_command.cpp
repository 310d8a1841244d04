#include "cli/commands.h"

#include <iostream>

namespace fetchly::cli {

int runCopy(const std::vector<std::string> &)
{
    std::cerr << "fetchly: this command is not built yet\n";
    return 2;
}

} // namespace fetchly::cli
