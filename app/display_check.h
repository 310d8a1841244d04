#pragma once

// A window needs a display. Without one Qt ends the process with an abort;
// the program says what is missing and ends with status 2 instead.
namespace fetchly {

// True when a window can be tried: a platform is named (QT_QPA_PLATFORM or
// -platform) or a display is set (DISPLAY, WAYLAND_DISPLAY). Otherwise it
// prints why not and returns false.
bool DisplayIsSet(int argc, char **argv);

// While it lives, a display that is set but cannot be opened ends the
// process with status 2 and a message; hold it while QApplication is made.
class DisplayFailureGuard {
public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard &) = delete;
    DisplayFailureGuard &operator=(const DisplayFailureGuard &) = delete;
};

} // namespace fetchly
