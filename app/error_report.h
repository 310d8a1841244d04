#pragma once

#include <QString>

class QWidget;

namespace fetchly {

// Where an error ends up that no handler of ours catches: a message box.
// Tests replace it to record the text.
using ErrorReporter = void (*)(QWidget *parent, const QString &message);
void SetErrorReporter(ErrorReporter reporter);
void ReportApplicationError(QWidget *parent, const QString &message);

} // namespace fetchly
