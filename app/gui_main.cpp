#include "app/gui_main.h"

#include "app/app_pictures.h"
#include "app/automation/automation_server.h"
#include "app/automation/command_switches.h"
#include "app/display_check.h"
#include "app/main_form.h"
#include "app/main_form_automation.h"
#include "app/program_path.h"
#include "app/shutdown_signals.h"

#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QSessionManager>
#include <cstdio>
#include <memory>
#include <optional>

namespace fetchly {

namespace {

void sayError(const QString &message)
{
    if (!message.isEmpty())
        std::fprintf(stderr, "fetchly: %s\n", message.toLocal8Bit().constData());
}

// -REGSERVER and -UNREGSERVER only touch the activation file; they need no
// display, so they run before any widget exists.
int runRegistrationSwitch(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    const automation::TStartupDecision decision = automation::BeginServerStartup(
        QCoreApplication::arguments(), ProgramPath(), QDBusConnection::sessionBus());
    sayError(decision.message);
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

    if (!DisplayIsSet(argc, argv))
        return 2;
    std::optional<DisplayFailureGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    QApplication::setApplicationName(QStringLiteral("Fetchly"));
    QApplication::setOrganizationName(QStringLiteral("Brindlewick"));
    // Desktops match the window to its entry (name, icon) by this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brindlewick.Fetchly"));
    QApplication::setWindowIcon(AppIcon());

    // The activation file, and one program per user: a running one is asked
    // to show its window, and this start ends before it reads or writes any
    // of the files the running one owns.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const automation::TStartupDecision decision =
        automation::BeginServerStartup(QCoreApplication::arguments(), ProgramPath(), bus);
    if (decision.exitNow) {
        sayError(decision.message);
        return decision.exitCode;
    }

    // The service is published before the window exists (as the class
    // factory was); calls wait in the event loop until the window is there.
    std::unique_ptr<TDownloadForm> form;
    const auto server = MakeAutomationServer(bus, [&form] { return form.get(); });
    switch (server->Publish()) {
    case automation::TAutomationServer::TPublishResult::Published:
        break;
    case automation::TAutomationServer::TPublishResult::NameTaken: {
        // Another start won the race for the name: hand over to it.
        const QString error = automation::CallAddDownLoadUrl(bus, QString(), false);
        sayError(error);
        return error.isEmpty() ? 0 : 1;
    }
    case automation::TAutomationServer::TPublishResult::Failed:
        // Without a bus the program still works; only automation is missing.
        sayError(server->ErrorText());
        break;
    }

    form = std::make_unique<TDownloadForm>();
    // The activation file is one step of start-up like the others: its
    // failure is reported and nothing else is skipped.
    if (!decision.message.isEmpty())
        form->AddStartupNote(QStringLiteral("Error : ") + decision.message);
    CloseOnTerminationSignals(form.get());
    // At the end of the session the program may be killed without its window
    // closing; the list and the options are written when asked to commit.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form.get(),
                     [&form](QSessionManager &) { form->SaveState(); });
    // Started by the bus for a client: the client's call shows the window.
    if (!decision.automationMode)
        form->show();
    const int status = app.exec();
    form.reset(); // the list and the options are saved
    return status;
}

} // namespace fetchly
