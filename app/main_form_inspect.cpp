// The report of a downloaded file as the download list's tooltip: after a
// click on a line (and, once downloads run, after each finished file). The
// file is read on the inspection worker, never on the UI thread: a large or
// hostile file must not freeze the window.
#include "app/main_form.h"
#include "inspect/inspection_report.h"
#include "markup/qt/markup_list_box.h"

#include <QTextDocument>

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
                result = inspect::WithContentLines(inspect::InspectCurrentFile(url, dir), file.Mismatch,
                                                   file.Sha256);
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
        const QString text = QString::fromUtf8(inspect::NativeLineEnds(result.Report));
        m_ui.downloadList->setToolTip(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
    }
    if (!result.Error.empty())
        showError(result.Error);
}

} // namespace fetchly
