// Start-up with a long list and single line updates of the download list.
#include "app/core/app_paths.h"
#include "app/core/download_lines.h"
#include "app/core/list_file.h"
#include "app/main_form.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <thread>

namespace {

using namespace fetchly;

constexpr int Entries = 100000;

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

// Reading SavedFiles.ufi with 100,000 entries, filling the list and painting
// the shown window.
void BM_StartupWith100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    for (auto _ : state) {
        auto form = std::make_unique<TDownloadForm>();
        form->show();
        QImage painted = form->grab().toImage();
        benchmark::DoNotOptimize(painted);
        state.PauseTiming();
        if (TDownloadFormTestView(*form).List().count() != Entries)
            state.SkipWithError("list not loaded");
        form.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWith100000Entries)->Unit(benchmark::kMillisecond)->Iterations(5);

// One AddUrl that renews a visible entry of a 100,000-entry table, including
// the refill of the list and the repaint of what changed on screen.
void BM_AddUrlOn100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    TDownloadFormTestView view(form);
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
    if (view.Board().Entries().Count() != Entries)
        state.SkipWithError("table grew");
}
BENCHMARK(BM_AddUrlOn100000Entries)->Unit(benchmark::kMicrosecond);

// One status line rewrite of a visible entry (as every engine event does) on
// a 100,000-entry table, painted.
void BM_UpdateCurrentLineOn100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    QApplication::processEvents();
    view.Board().Focus().Url = url(5);
    view.Board().Focus().Image = 2;
    view.Board().Focus().Status = "DownLoading";
    long long received = 0;
    for (auto _ : state) {
        received += 4096;
        view.Board().Focus().Progress = ProgressText(received, 100000000);
        view.StoreFocusLine();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_UpdateCurrentLineOn100000Entries)->Unit(benchmark::kMicrosecond);

// Appending a new entry to 100,000 (the table grows each round).
void BM_AddNewUrlTo100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    QApplication::processEvents();
    int i = Entries;
    for (auto _ : state) {
        form.AddUrl(url(i++));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_AddNewUrlTo100000Entries)->Unit(benchmark::kMicrosecond);

// The inode of SavedFiles.ufi: every write replaces the file, so a new inode
// means a write happened.
ino_t savedInode()
{
    struct stat st {};
    return ::stat((std::string(AppDataDir()) + "SavedFiles.ufi").c_str(), &st) == 0 ? st.st_ino : 0;
}

// One progress event of a run as the UI thread handles it, on a
// 100,000-entry table, painted. Counts the list writes it caused (none
// expected: progress changes the line on screen only).
void BM_ProgressDuringARunOn100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    TDownloadFormTestView view(form);
    form.show();
    QApplication::processEvents();
    view.Deliver(TFileStartEvent{5});
    form.SaveState();
    const ino_t before = savedInode();
    long long received = 0;
    double handlerSeconds = 0;
    for (auto _ : state) {
        received += 4096;
        const auto t0 = std::chrono::steady_clock::now();
        view.Deliver(TProgressEvent{5, received, 100000000});
        handlerSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        QApplication::processEvents();
    }
    // The handler alone; the rest of each round is painting what changed.
    state.counters["handler_us"] = 1e6 * handlerSeconds / static_cast<double>(state.iterations());
    // Long enough for the autosave timer, had progress started it.
    for (int i = 0; i < 150; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    state.counters["list_writes"] = savedInode() != before ? 1 : 0;
}
BENCHMARK(BM_ProgressDuringARunOn100000Entries)->Unit(benchmark::kMicrosecond);

// What a save of a 100,000-entry list costs the UI thread (a snapshot handed
// to the writer), and how long the writer then takes on its own thread.
void BM_SaveOn100000Entries(benchmark::State &state)
{
    test::XdgHome home;
    writeSavedList(home);
    TDownloadForm form;
    TDownloadFormTestView view(form);
    QApplication::processEvents();
    double writeSeconds = 0;
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        view.Board().Entries().SetValue(url(7), ReadyLine(url(7)) + std::to_string(i++));
        const ino_t before = savedInode();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        view.AutoSave();
        state.PauseTiming();
        for (int n = 0; n < 1000 && savedInode() == before; ++n)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        writeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (savedInode() == before)
            state.SkipWithError("the list was not written");
        state.ResumeTiming();
    }
    state.counters["write_ms"] = 1000 * writeSeconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SaveOn100000Entries)->Unit(benchmark::kMicrosecond)->Iterations(20);

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
