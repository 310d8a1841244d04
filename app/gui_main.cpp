#include "gui_main.h"

#include "app_pictures.h"
#include "automation/automation_server.h"
#include "automation/command_switches.h"
#include "main_form.h"
#include "program_path.h"
#include "shutdown_signals.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QSessionManager>
#include <memory>

#include <cstdio>

namespace fetchly {

namespace {

// -REGSERVER and -UNREGSERVER only touch the activation file; they need no
// display, so they run before any widget exists.
int runRegistrationSwitch(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const automation::TStartupDecision decision =
        automation::BeginServerStartup(QCoreApplication::arguments(), ProgramPath(),
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
    QApplication::setApplicationName(QStringLiteral("Fetchly"));
    QApplication::setOrganizationName(QStringLiteral("Brindlewick"));
    QApplication::setWindowIcon(AppIcon());
    const automation::TStartupDecision decision =
        automation::BeginServerStartup(QCoreApplication::arguments(), ProgramPath(),
                                       QDBusConnection::sessionBus());
    if (decision.exitNow) {
        if (!decision.message.isEmpty())
            std::fprintf(stderr, "fetchly: %s\n", decision.message.toLocal8Bit().constData());
        return decision.exitCode;
    }

    auto form = std::make_unique<TDownloadForm>();
    CloseOnTerminationSignals(form.get());
    // At the end of the session the program may be killed without its window
    // closing; the list and the options are written when asked to commit.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form.get(),
                     [&form](QSessionManager &) { form->SaveState(); });
    form->show();
    const int status = app.exec();
    form.reset(); // runs FormDestroy: the list and the options are saved
    return status;
}

} // namespace fetchly
