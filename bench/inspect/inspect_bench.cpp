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

} // namespace

BENCHMARK_MAIN();
