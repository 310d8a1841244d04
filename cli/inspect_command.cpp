// `fetchly inspect [--raw] FILE...`: the inspection report of each file, as
// the download list's tooltip would show it.
#include "cli/commands.h"

#include "inspect/content_check.h"
#include "inspect/input_source.h"
#include "inspect/inspection_report.h"

#include <clocale>
#include <cstdint>
#include <iostream>

namespace fetchly::cli {
namespace {

int usage()
{
    std::cerr << "usage: fetchly inspect [--raw] FILE...\n"
                 "  Prints the report of each file (.jpg/.jpeg EXIF data, .exe/.dll version\n"
                 "  strings, .zip entry names, .mp3 ID3 tag). --raw keeps the report's own\n"
                 "  LF CR line ends.\n";
    return 2;
}

// A pipe or device under a file's name would make a blocking open wait for a
// writer for ever, and a directory opens but cannot be read: only regular
// files are inspected.
bool readable(const std::string &path)
{
    std::int64_t size = 0;
    return inspect::OpenRegularFile(path, size).Valid();
}

} // namespace

int runInspect(const std::vector<std::string> &args)
{
    // Dates and decimals as the user's locale writes them, like the window.
    std::setlocale(LC_ALL, "");
    bool raw = false;
    std::vector<std::string> files;
    bool options = true;
    for (const std::string &a : args) {
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--raw") {
            raw = true;
        } else if (options && (a == "-h" || a == "--help")) {
            usage();
            return 0;
        } else if (options && a.size() > 1 && a[0] == '-') {
            std::cerr << "fetchly inspect: unknown option " << a << "\n";
            return usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.empty())
        return usage();

    int status = 0;
    bool first = true;
    for (const std::string &file : files) {
        if (!readable(file)) {
            std::cerr << "Error : Cannot open file " << file << "\n";
            status = 1;
            continue;
        }
        inspect::InspectionResult result = inspect::InspectPath(file);
        if (result.HasReport)
            result = inspect::WithContentLines(std::move(result), inspect::FileContentMismatch(file, file),
                                               inspect::FileSha256(file));
        if (!result.HasReport) {
            std::cerr << "fetchly inspect: " << file << ": no report for this kind of file\n";
            status = 1;
            continue;
        }
        if (raw) {
            std::cout << result.Report;
        } else {
            if (!first)
                std::cout << "\n";
            std::string text = inspect::NativeLineEnds(result.Report);
            if (!text.empty() && text.back() != '\n')
                text += '\n';
            std::cout << text;
        }
        first = false;
        std::cout.flush();
        if (!result.Error.empty()) {
            std::cerr << "Error : " << result.Error << "\n";
            status = 1;
        }
    }
    return status;
}

} // namespace fetchly::cli
