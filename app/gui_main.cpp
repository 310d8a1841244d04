#include "gui_main.h"

#include <QApplication>
#include <QMainWindow>

namespace fetchly {

int runGui(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Brindlewick Fetchly / Internet File Downloader"));
    window.show();
    return app.exec();
}

} // namespace fetchly
