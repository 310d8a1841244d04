#pragma once

#include <filesystem>
#include <string>

// Where the program keeps its files. What Windows put beside the program or
// in its own directory goes to the XDG per-user folders.
namespace fetchly {

// $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path ConfigHome();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::filesystem::path DataHome();

// The program's own directory for its files (SavedFiles.ufi), ending in a
// separator: $XDG_DATA_HOME/Brindlewick/Fetchly/. Created on demand.
std::string AppDataDir();

// Where a settings file name lands: a bare name goes to the configuration
// folder, a name with a directory stays where it points.
std::filesystem::path ProfilePath(const std::string &iniFileName);

} // namespace fetchly
