// A download at full speed from a local nginx while the main window holds
// 10,000 entries: how long the UI thread is kept from its event loop (timer
// gaps, 99th percentile and worst) and how much of the engine's windowless
// throughput the download keeps.
//
//   build/bench/app/download_ui_bench
#include "app/main_form.h"
#include "tests/support/main_form_test_view.h"
#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"
#include "transfer/fetch_engine.h"
#include "ui/directory_edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace fetchly;
using namespace fetchly::test;

namespace {

constexpr std::int64_t kFileBytes = 256ll << 20;
constexpr int kEntries = 10000;

class Nginx {
public:
    Nginx()
    {
        for (const char *d : {"www", "logs", "tmp"})
            std::filesystem::create_directories(m_dir.path() / d);
        {
            // ".rar" is an accepted type without a report: the figures are the
            // event handling alone, not the inspection of the arrived file.
            std::ofstream big(m_dir.path() / "www/big.rar", std::ios::binary);
            std::vector<char> block(1 << 20);
            for (std::size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<char>(i * 131 + 7);
            for (std::int64_t done = 0; done < kFileBytes; done += static_cast<std::int64_t>(block.size()))
                big.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        m_port = freeLoopbackPort();
        const std::string d = m_dir.str();
        m_dir.write("nginx.conf", "daemon off; master_process off; worker_processes 1;\n"
                                  "error_log " +
                                      d + "/logs/error.log; pid " + d +
                                      "/nginx.pid;\n"
                                      "events { worker_connections 64; }\n"
                                      "http { access_log off; sendfile on;\n"
                                      "  client_body_temp_path " +
                                      d + "/tmp/body; proxy_temp_path " + d +
                                      "/tmp/proxy;\n"
                                      "  fastcgi_temp_path " +
                                      d + "/tmp/fcgi; uwsgi_temp_path " + d +
                                      "/tmp/uwsgi;\n"
                                      "  scgi_temp_path " +
                                      d +
                                      "/tmp/scgi;\n"
                                      "  server { listen 127.0.0.1:" +
                                      std::to_string(m_port) + "; root " + d + "/www; } }\n");
        m_process.start({"nginx", "-c", d + "/nginx.conf", "-p", d}, d + "/logs/stdout.log");
        m_process.waitForPort(m_port);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/big.rar"; }

private:
    TempDir m_dir;
    int m_port = 0;
    PeerProcess m_process;
};

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[at];
}

void BM_DownloadWith10000Entries(benchmark::State &state)
{
    XdgHome home;
    Nginx nginx;
    double baselineSeconds = 0, windowSeconds = 0;
    std::vector<double> gaps;
    for (auto _ : state) {
        // Without a window: the engine alone.
        {
            TempDir target;
            TFetchEngine engine;
            engine.ShowDialog = false;
            TFetchItem &item = engine.Items.Add();
            item.URL = nginx.url();
            item.TargetDir = target.str();
            const auto t0 = std::chrono::steady_clock::now();
            engine.Start();
            engine.Wait();
            baselineSeconds += seconds(std::chrono::steady_clock::now() - t0);
        }
        // With the window and its 10,000 entries.
        TempDir target;
        TDownloadForm form;
        TDownloadFormTestView view(form);
        view.Engine().ShowDialog = false;
        form.resize(738, 581);
        form.show();
        for (int i = 0; i < kEntries; ++i)
            form.AddUrl("http://127.0.0.1:9/files/entry" + std::to_string(i) + ".zip");
        form.AddUrl(nginx.url());
        view.TargetFolder().setText(QString::fromStdString(target.str()));
        QCoreApplication::processEvents();
        view.List().setCurrentRow(kEntries);

        QElapsedTimer clock;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        qint64 last = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            gaps.push_back(static_cast<double>(now - last) / 1e6 - 1.0);
            last = now;
        });
        const auto t0 = std::chrono::steady_clock::now();
        view.Trigger("downloadSelectedAction");
        clock.start();
        ticker.start();
        while (!view.Engine().WaitFor(std::chrono::milliseconds(0)) || view.Board().Busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        const auto elapsed = std::chrono::steady_clock::now() - t0;
        ticker.stop();
        windowSeconds += seconds(elapsed);
        if (!std::filesystem::exists(target.path() / "big.rar") ||
            std::filesystem::file_size(target.path() / "big.rar") != static_cast<std::uintmax_t>(kFileBytes))
            state.SkipWithError("the windowed download did not complete");
        form.hide();
    }
    // Totals over all iterations, which alternate the two ways, so a busy
    // moment of the machine weighs on both alike.
    const double runs = static_cast<double>(state.iterations());
    const double baseline =
        baselineSeconds > 0 ? runs * static_cast<double>(kFileBytes) / baselineSeconds : 0;
    const double windowed = windowSeconds > 0 ? runs * static_cast<double>(kFileBytes) / windowSeconds : 0;
    const double p99 = percentile(gaps, 0.99);
    const double worst = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    state.counters["baseline_MiBps"] = baseline / (1 << 20);
    state.counters["window_MiBps"] = windowed / (1 << 20);
    state.counters["throughput_kept"] = baseline > 0 ? windowed / baseline : 0;
    state.counters["ui_stall_p99_ms"] = p99;
    state.counters["ui_stall_max_ms"] = worst;
}
BENCHMARK(BM_DownloadWith10000Entries)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
