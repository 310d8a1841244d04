// `fetchly-transfer`: the get, put and copy commands, which `fetchly` hands
// over to this program so that its other commands start without libcurl.
#include "cli/commands.h"

#include <algorithm>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    // Sizes and rates on the progress line as the user's locale writes
    // numbers, like the window.
    std::setlocale(LC_ALL, "");
    const std::string name = argc >= 2 ? argv[1] : "";
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    if (name == "get")
        return fetchly::cli::runGet(args);
    if (name == "put")
        return fetchly::cli::runPut(args);
    if (name == "copy")
        return fetchly::cli::runCopy(args);
    std::cerr << "usage: fetchly get|put|copy ...   (see fetchly --help)\n";
    return 2;
}
