// The report of a downloaded file as the download list's tooltip: after a
// click on a line (and, once downloads run, after each finished file). The
// file is read on the inspection worker, never on the UI thread: a large or
// hostile file must not freeze the window.
#include "app/core/download_lines.h"
#include "app/core/fitted_report.h"
#include "app/core/report_digest.h"
#include "app/main_form.h"
#include "inspect/inspection_report.h"
#include "markup/qt/markup_list_box.h"

#include <QFontMetrics>
#include <QScreen>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>

namespace fetchly {

void TDownloadForm::inspectFocusedFile()
{
    guarded([this] {
        std::string url = m_board.Focus().Url;
        std::string dir = m_options.TargetDir;
        // What the download saw of the file as it wrote it opens and ends
        // the report.
        TDownloadedFile file = m_board.Downloaded(url);
        m_inspector.Post([this, url = std::move(url), dir = std::move(dir),
                          file = std::move(file)]() -> TLatestJobWorker::Effect {
            inspect::InspectionResult result;
            try {
                const inspect::InspectionResult report = file.Path.empty()
                                                             ? inspect::InspectCurrentFile(url, dir)
                                                             : inspect::InspectPath(file.Path);
                result = inspect::WithContentLines(report, file.Mismatch, ReportSha256(file, url, dir));
            } catch (const std::exception &e) {
                result.HasReport = false;
                result.Error = e.what();
            }
            return [this, result = std::move(result)] { showInspection(result); };
        });
    });
}

void TDownloadForm::showInspection(const inspect::InspectionResult &result)
{
    if (result.HasReport) {
        // The report's LF CR (and the summary's CR LF) become line breaks;
        // converting from plain text keeps names such as "<b>x</b>.zip" from
        // being read as markup by the tooltip.
        // A report taller than the screen would run off it: what fits is
        // shown, and the whole of it goes into the run log.
        const TFittedReport fitted = FitReport(inspect::NativeLineEnds(result.Report), reportLinesThatFit());
        for (const std::string &line : fitted.Lines)
            m_ui.runLog->addItem(
                QString::fromStdString(line.empty() ? std::string(" ") : MarkupEscape(line)));
        const QString text = QString::fromStdString(fitted.Shown);
        m_ui.downloadList->setToolTip(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
    }
    if (!result.Error.empty())
        showError(result.Error);
}

int TDownloadForm::reportLinesThatFit() const
{
    const QScreen *screen = m_ui.downloadList->screen();
    const int height = screen ? screen->availableGeometry().height() : 480;
    // Room for the tooltip's frame and margins.
    return std::max(2, height / std::max(1, QFontMetrics(QToolTip::font()).lineSpacing()) - 2);
}

} // namespace fetchly
