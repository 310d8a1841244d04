#include "gui_main.h"

#include "app_pictures.h"
#include "main_form.h"
#include "shutdown_signals.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <memory>

namespace fetchly {

int runGui(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fetchly"));
    QApplication::setOrganizationName(QStringLiteral("Brindlewick"));
    QApplication::setWindowIcon(AppIcon());

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
