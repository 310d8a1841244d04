#pragma once

#include <string>
#include <string_view>

// The report of a downloaded file, as the download list's tooltip shows it:
// dispatch by extension and the four report routines. GUI-free, so the main
// window, `fetchly inspect` and the tests run the same code.
namespace fetchly::inspect {

// The line end of every report: LF then CR.
inline constexpr std::string_view ReportLineEnd = "\n\r";

enum class ReportKind { None, Mp3, Zip, VersionInfo, Exif };

struct InspectionResult {
    // False when the extension has no report: the tooltip stays as it was.
    bool HasReport = false;
    // The report, or as much of it as was built before a failure.
    std::string Report;
    // Empty, or the failure's message; the status bar shows "Error : " + Error.
    std::string Error;
};

// The report routine for a URL or path: by its extension (the text from the
// last "." when no "\" or ":" follows it), lower-cased.
ReportKind ReportKindFor(std::string_view urlOrPath);
// Last component of a URL or path: everything up to each "/" and then each
// "\" removed.
std::string FileNameFromUrl(std::string_view url);
// Target directory joined with the URL's file name by exactly one "/".
std::string LocalPathFor(std::string_view targetDir, std::string_view url);

// The report for the entry `url` downloaded into `targetDir`.
InspectionResult InspectCurrentFile(std::string_view url, std::string_view targetDir);
// The report for a file named directly (dispatch by the path's extension).
InspectionResult InspectPath(const std::string &path);

// The four routines, each for the file at `path`.
InspectionResult ReportExif(const std::string &path);
InspectionResult ReportVersionInfo(const std::string &path);
InspectionResult ReportZip(const std::string &path);
InspectionResult ReportMp3(const std::string &path);

// The report with what the download itself tells: `mismatch` (see
// ContentMismatch), when not empty, as its first line ("An HTML page, not a
// ZIP archive"), and the file's SHA-256 as lower-case hex, when given, as its
// last ("SHA-256: 9f86..."). A file without a report of its own gets one of
// just those lines.
InspectionResult WithContentLines(InspectionResult result, std::string_view mismatch,
                                  std::string_view sha256Hex);

// The report with LF CR and CR LF turned into "\n" (for terminals and files).
std::string NativeLineEnds(std::string_view report);

} // namespace fetchly::inspect
