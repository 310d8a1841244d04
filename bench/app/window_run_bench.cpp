// The window's Start All over a list of URLs, as a user runs it: the main
// window (offscreen) holds the list, Start All runs it with the options'
// defaults, and the time until the run has ended is printed in seconds.
// bench/transfer/many_small_files.sh runs it against its peer.
//
//   build/bench/app/window_run_bench LIST_FILE OUT_DIR
#include "app/core/download_lines.h"
#include "app/main_form.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"
#include "ui/directory_edit.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace fetchly;

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_run_bench LIST_FILE OUT_DIR\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    test::XdgHome home;
    TDownloadForm form;
    TDownloadFormTestView view(form);
    std::ifstream list(argv[1]);
    int count = 0;
    for (std::string url; std::getline(list, url) && count < 100000;)
        if (!url.empty() && ++count)
            view.Board().Entries().SetValue(url, ReadyLine(url));
    view.TargetFolder().setText(QString::fromStdString(std::string(argv[2]) + "/"));
    const auto start = std::chrono::steady_clock::now();
    view.Trigger("startAllButton");
    // Bounded: a run that does not end in ten minutes is a failure.
    while (view.Board().Busy() && std::chrono::steady_clock::now() - start < std::chrono::minutes(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (view.Board().Busy() || view.Board().DoneInRun() != count) {
        std::fprintf(stderr, "window run: %d of %d downloaded\n", view.Board().DoneInRun(), count);
        return 1;
    }
    std::printf("%.3f\n", seconds);
    return 0;
}
