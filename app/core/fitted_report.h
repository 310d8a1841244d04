#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fetchly {

// A file's report cut to what a screen can show: the first lines, then a
// line that says where the rest is.
struct TFittedReport {
    std::string Shown;
    bool Cut = false;
    // The whole report by lines, for the run log when it was cut.
    std::vector<std::string> Lines;
};

// The note that ends a report that was cut.
inline constexpr std::string_view ReportInRunLogNote = "... (the whole report is in the run log)";

// `report` (lines ending in "\n") shown in at most `maxLines` lines (at
// least 2): as it is when it fits, else its first lines and the note.
TFittedReport FitReport(std::string_view report, int maxLines);

} // namespace fetchly
