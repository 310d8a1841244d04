// In-process speed of the readers: the EXIF report of the camera pictures and
// the scan of a large ZIP archive built in memory.
#include "inspect/image_file.h"
#include "inspect/inspection_report.h"
#include "inspect/zip_reader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> cameraFiles()
{
    std::vector<std::string> files;
    const fs::path dir = fs::path(FETCHLY_SOURCE_DIR) / "tests" / "testdata" / "exif" / "camera";
    for (const auto &e : fs::directory_iterator(dir))
        files.push_back(e.path().string());
    return files;
}

void BM_ExifReport(benchmark::State &state)
{
    const auto files = cameraFiles();
    std::size_t bytes = 0;
    for (auto _ : state)
        for (const std::string &f : files)
            bytes += fetchly::inspect::ReportExif(f).Report.size();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * files.size()));
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ExifReport);

void BM_ZipScan(benchmark::State &state)
{
    std::string archive;
    for (int i = 0; i < state.range(0); ++i) {
        const std::string name = "dir/file" + std::to_string(i) + ".txt";
        std::string h("PK\x03\x04", 4);
        h += std::string(14, '\0');
        h += std::string("\x01\0\0\0\x01\0\0\0", 8);
        h += static_cast<char>(name.size());
        h += std::string(3, '\0');
        archive += h + name + "x";
    }
    archive += std::string("PK\x05\x06", 4) + std::string(18, '\0');
    for (auto _ : state) {
        fetchly::inspect::TZipReader zip;
        zip.ScanMemory(archive);
        benchmark::DoNotOptimize(zip.FileCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ZipScan)->Arg(100000);

// A large file named .zip that is no archive (a sparse file of zeros, so the
// figure is the scan's, not the disk's), scanned to its end.
void BM_ZipScanNonZipFile(benchmark::State &state)
{
    const auto path = std::filesystem::temp_directory_path() / "fetchly-bench-nonzip.zip";
    std::ofstream(path).close();
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(state.range(0)) << 20);
    for (auto _ : state) {
        fetchly::inspect::TZipReader zip;
        zip.SetFileName(path.string());
        benchmark::DoNotOptimize(zip.FileCount());
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ZipScanNonZipFile)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
