// Start-up with a long list and single line updates of the download list.
#include "core/download_lines.h"
#include "core/list_file.h"
#include "main_form.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

using namespace fetchly;

constexpr int Entries = 10000;

std::string url(int i)
{
    return "http://downloads.example.com/files/folder" + std::to_string(i % 97) + "/picture_" +
           std::to_string(i) + ".jpg";
}

void writeSavedList(const test::XdgHome &home)
{
    std::vector<std::string> lines;
    for (int i = 0; i < Entries; ++i)
        lines.push_back(url(i) + "=" + ReadyLine(url(i)));
    const auto dir = home.dataHome() / "Brindlewick" / "Fetchly";
    std::filesystem::create_directories(dir);
    SaveListFile(dir / "SavedFiles.ufi", lines);
}

// Reading SavedFiles.ufi with 10,000 entries, filling the list and painting
// the shown window.
void BM_StartupWith10000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    for (auto _ : state) {
        auto form = std::make_unique<TDownloadForm>();
        form->show();
        QImage painted = form->grab().toImage();
        benchmark::DoNotOptimize(painted);
        state.PauseTiming();
        if (form->URLBox->count() != Entries)
            state.SkipWithError("list not loaded");
        form.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWith10000Entries)->Unit(benchmark::kMillisecond)->Iterations(10);

// One AddUrl that renews a visible entry of a 10,000-entry table, including
// the refill of the list and the repaint of what changed on screen.
void BM_AddUrlOn10000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    form.show();
    QApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        // Alternate the letter case, so the line's text really changes.
        std::string u = url(i % 20);
        if (i % 2)
            u[0] = 'H';
        form.AddUrl(u);
        QApplication::processEvents();
        ++i;
    }
    if (form.FUrlList.Count() != Entries)
        state.SkipWithError("table grew");
}
BENCHMARK(BM_AddUrlOn10000Entries)->Unit(benchmark::kMicrosecond);

// One status line rewrite of a visible entry (as every engine event does) on
// a 10,000-entry table, painted.
void BM_UpdateCurrentLineOn10000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    form.show();
    QApplication::processEvents();
    form.FCurUrl = url(5);
    form.FCurImage = 2;
    form.FCurStatus = "DownLoading";
    long long received = 0;
    for (auto _ : state) {
        received += 4096;
        form.FCurProgress = ProgressText(received, 100000000);
        form.UpdateCurrentLine();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_UpdateCurrentLineOn10000Entries)->Unit(benchmark::kMicrosecond);

// Appending a new entry to 10,000 (the table grows each round).
void BM_AddNewUrlTo10000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    form.show();
    QApplication::processEvents();
    int i = Entries;
    for (auto _ : state) {
        form.AddUrl(url(i++));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_AddNewUrlTo10000Entries)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("LC_ALL", "C", 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
