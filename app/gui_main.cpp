#include "gui_main.h"

#include "automation/automation_server.h"
#include "automation/command_switches.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMainWindow>

#include <cstdio>

namespace fetchly {

namespace {

// -REGSERVER and -UNREGSERVER only touch the activation file; they need no
// display, so they run before any widget exists.
int runRegistrationSwitch(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const automation::TStartupDecision decision =
        automation::BeginServerStartup(QCoreApplication::arguments(), QCoreApplication::applicationFilePath(),
                                       QDBusConnection::sessionBus());
    if (!decision.message.isEmpty())
        std::fprintf(stderr, "fetchly: %s\n", decision.message.toLocal8Bit().constData());
    return decision.exitCode;
}

} // namespace

int runGui(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const automation::TServerSwitches switches = automation::ParseServerSwitches(arguments);
    if (switches.regServer || switches.unregServer)
        return runRegistrationSwitch(argc, argv);

    QApplication app(argc, argv);
    const automation::TStartupDecision decision =
        automation::BeginServerStartup(QCoreApplication::arguments(), QCoreApplication::applicationFilePath(),
                                       QDBusConnection::sessionBus());
    if (decision.exitNow) {
        if (!decision.message.isEmpty())
            std::fprintf(stderr, "fetchly: %s\n", decision.message.toLocal8Bit().constData());
        return decision.exitCode;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Brindlewick Fetchly / Internet File Downloader"));
    window.show();
    return app.exec();
}

} // namespace fetchly
