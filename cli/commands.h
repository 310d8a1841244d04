#pragma once

#include <string>
#include <vector>

// The subcommands of `fetchly` that need no display. Each takes the words
// after its name and returns the process exit status: 0 when every item
// succeeded, 1 when any failed, 2 for a usage error (after printing usage).
namespace fetchly::cli {

int runGet(const std::vector<std::string> &args);     // get_put_command.cpp
int runPut(const std::vector<std::string> &args);     // get_put_command.cpp
int runCopy(const std::vector<std::string> &args);    // copy_command.cpp
int runInspect(const std::vector<std::string> &args); // inspect_command.cpp
int runAdd(const std::vector<std::string> &args);     // add_command.cpp

// The links of a plain `fetchly URL...` (as a desktop entry starts it), which
// runAdd hands over: every word that is not a switch ("-X", or "/X" without a
// further "/"). Empty when there are none, so the window starts as usual.
std::vector<std::string> linkArguments(const std::vector<std::string> &words);

// The --ftp forms of get and put (ftp_commands.cpp); runGet and runPut hand
// their words over when hasFtpOption finds --ftp among them.
bool hasFtpOption(const std::vector<std::string> &args);
int runFtpGet(const std::vector<std::string> &args);
int runFtpPut(const std::vector<std::string> &args);

} // namespace fetchly::cli
