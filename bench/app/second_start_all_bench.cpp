// A second Start All over 50 finished files of 1 MB from a local nginx, in
// the main window (offscreen) as the user presses it: the first run fetches
// them, the second only asks whether each changed (If-None-Match, 304).
// Prints the bytes each run received and its time, and the second run's
// share of the first (wanted: bytes under 1 %, time under 10 %); exits 1
// when either is missed.
//
//   build/bench/app/second_start_all_bench
#include "app/main_form.h"
#include "tests/support/event_wait.h"
#include "tests/support/http_server.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"
#include "ui/directory_edit.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <vector>

using namespace fetchly;
using namespace fetchly::test;

namespace {

constexpr int kFiles = 50;
constexpr std::size_t kFileBytes = 1 << 20;

struct RunFigures {
    double seconds = 0;
    long long bytes = 0;
};

// One Start All to its end; the bytes are what the engine received (the
// last progress of each file).
RunFigures startAll(TDownloadForm &form, TDownloadFormTestView &view)
{
    std::map<int, long long> received;
    const TFetchProgress shown = view.Engine().OnCopyProgress;
    view.Engine().OnCopyProgress = [&, shown](TFetchEngine &e, int idx, int ext, TFetchSize size,
                                              TFetchSize total) {
        received[idx] = size; // the worker alone writes it while the run goes
        shown(e, idx, ext, size, total);
    };
    const auto t0 = std::chrono::steady_clock::now();
    view.Trigger("startAllButton");
    const bool ended = PumpUntil([&] { return !view.Board().Busy(); }, 120000);
    view.Engine().Wait();
    RunFigures figures{std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 0};
    view.Engine().OnCopyProgress = shown;
    for (const auto &[idx, bytes] : received)
        figures.bytes += bytes;
    if (!ended || view.Board().DoneInRun() != kFiles) {
        std::fprintf(stderr, "the run did not fetch all %d files: %s\n", kFiles,
                     form.StatusText().toStdString().c_str());
        std::exit(2);
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    XdgHome home;
    TempDir target;
    NginxServer nginx;
    std::vector<char> bytes(kFileBytes);
    TDownloadForm form;
    TDownloadFormTestView view(form);
    view.Engine().ShowDialog = false;
    view.TargetFolder().setText(QString::fromStdString(target.str()));
    for (int i = 0; i < kFiles; ++i) {
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<char>(b * 131 + static_cast<std::size_t>(i) * 7);
        const std::string name = "file" + std::to_string(i) + ".rar";
        std::ofstream(nginx.root() / name, std::ios::binary).write(bytes.data(), kFileBytes);
        form.AddUrl(nginx.url("/" + name));
    }
    const RunFigures first = startAll(form, view);
    const RunFigures second = startAll(form, view);
    const double byteShare = 100.0 * static_cast<double>(second.bytes) / static_cast<double>(first.bytes);
    const double timeShare = 100.0 * second.seconds / first.seconds;
    std::printf("first Start All:  %lld bytes in %.3f s\n", first.bytes, first.seconds);
    std::printf("second Start All: %lld bytes in %.3f s\n", second.bytes, second.seconds);
    std::printf("second/first: bytes %.3f %% (wanted < 1 %%), time %.1f %% (wanted < 10 %%)\n", byteShare,
                timeShare);
    return byteShare < 1 && timeShare < 10 ? 0 : 1;
}
