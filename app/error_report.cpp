#include "app/error_report.h"

#include <QMessageBox>

namespace fetchly {

namespace {
ErrorReporter g_reporter = nullptr;
}

void SetErrorReporter(ErrorReporter reporter)
{
    g_reporter = reporter;
}

void ReportApplicationError(QWidget *parent, const QString &message)
{
    if (g_reporter) {
        g_reporter(parent, message);
        return;
    }
    QMessageBox::critical(parent, QStringLiteral("Fetchly"), message);
}

} // namespace fetchly
