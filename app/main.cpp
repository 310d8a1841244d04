// `fetchly`: the subcommands that move or read files run right here, in a
// small process without Qt, so a scripted download stays lean. Everything
// else (the window, the automation switches, `add`) is the desktop program
// beside us, which replaces this process and keeps its id.
#include "cli/commands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::filesystem::path desktopProgram()
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(std::filesystem::path("fetchly"));
    return self.parent_path() / "fetchly-gui";
}

} // namespace

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
    }
    const std::string program = desktopProgram().string();
    std::vector<char *> gui(argv, argv + argc);
    gui.push_back(nullptr);
    ::execv(program.c_str(), gui.data());
    std::cerr << "fetchly: cannot start " << program << ": " << std::strerror(errno) << '\n';
    return 2;
}
