#pragma once

namespace fetchly {

// Runs the desktop program (switches, single instance, main window, event
// loop) and returns its exit status.
int runGui(int argc, char **argv);

} // namespace fetchly
