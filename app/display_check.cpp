#include "app/display_check.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fetchly {

namespace {

const char *const kWithoutDisplay = "get, put, copy and inspect work without one (see fetchly --help)";

QtMessageHandler g_previous = nullptr;

bool isSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

void onQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        if (g_previous)
            g_previous(type, context, message);
        return;
    }
    // Only the platform's start can fail this early: no window system.
    const char *display = std::getenv("DISPLAY");
    std::fprintf(stderr, "fetchly: cannot open the window: no display answers%s%s; %s\n",
                 display ? " at DISPLAY=" : "", display ? display : "", kWithoutDisplay);
    std::fflush(stderr);
    std::_Exit(2);
}

} // namespace

bool DisplayIsSet(int argc, char **argv)
{
    if (isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    std::fprintf(stderr,
                 "fetchly: cannot open the window: no display (DISPLAY and WAYLAND_DISPLAY are unset); %s\n",
                 kWithoutDisplay);
    return false;
}

DisplayFailureGuard::DisplayFailureGuard()
{
    g_previous = qInstallMessageHandler(onQtMessage);
}

DisplayFailureGuard::~DisplayFailureGuard()
{
    qInstallMessageHandler(g_previous);
}

} // namespace fetchly
