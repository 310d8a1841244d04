// The report of a downloaded file as the download list's tooltip: after a
// click on a line (and, once downloads run, after each finished file).
#include "inspect/inspection_report.h"
#include "main_form.h"
#include "ui/directory_edit.h"

#include <QListWidget>
#include <QTextDocument>

namespace fetchly {

void TDownloadForm::InspectCurrentFile()
{
    Guarded([this] {
        const inspect::InspectionResult result =
            inspect::InspectCurrentFile(FCurUrl, tgt->text().toStdString());
        if (!result.HasReport)
            return; // no report for this kind of file: the tooltip stays
        // The report's LF CR (and the summary's CR LF) become line breaks;
        // converting from plain text keeps names such as "<b>x</b>.zip" from
        // being read as markup by the tooltip.
        const QString text = QString::fromUtf8(inspect::NativeLineEnds(result.Report));
        URLBox->setToolTip(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
        if (!result.Error.empty())
            ShowError(result.Error);
    });
}

} // namespace fetchly
