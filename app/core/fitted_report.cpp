#include "app/core/fitted_report.h"

#include <algorithm>

namespace fetchly {

TFittedReport FitReport(std::string_view report, int maxLines)
{
    TFittedReport fitted;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t end = std::min(report.find('\n', at), report.size());
        fitted.Lines.emplace_back(report.substr(at, end - at));
        at = end + 1;
    }
    const auto room = static_cast<std::size_t>(std::max(maxLines, 2));
    if (fitted.Lines.size() <= room) {
        fitted.Shown = std::string(report);
        fitted.Lines.clear();
        return fitted;
    }
    fitted.Cut = true;
    for (std::size_t i = 0; i + 1 < room; ++i)
        fitted.Shown += fitted.Lines[i] + "\n";
    fitted.Shown += ReportInRunLogNote;
    return fitted;
}

} // namespace fetchly
