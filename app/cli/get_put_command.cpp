#include "cli/commands.h"

#include <iostream>

namespace fetchly::cli {

int runGet(const std::vector<std::string> &args)
{
    if (hasFtpOption(args))
        return runFtpGet(args);
    std::cerr << "fetchly: this command is not built yet\n";
    return 2;
}

int runPut(const std::vector<std::string> &args)
{
    if (hasFtpOption(args))
        return runFtpPut(args);
    std::cerr << "fetchly: this command is not built yet\n";
    return 2;
}

} // namespace fetchly::cli
