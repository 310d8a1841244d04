#pragma once

#include "app/core/app_paths.h"
#include "app/error_report.h"
#include "tests/support/event_wait.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>

namespace fetchly::test {

// Errors that reach the application's error report, instead of a message box.
inline QStringList &ReportedErrors()
{
    static QStringList errors;
    return errors;
}

class RecordErrors {
public:
    RecordErrors()
    {
        ReportedErrors().clear();
        SetErrorReporter([](QWidget *, const QString &message) { ReportedErrors().append(message); });
    }
    ~RecordErrors() { SetErrorReporter(nullptr); }
};

// Runs `act` on the next modal dialog that opens (within 5 s), e.g. to fill
// in an input box and press a button.
inline void OnNextModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            act(modal);
        } else if (clock->elapsed() < 5000) {
            return;
        } else {
            timer->stop();
        }
        timer->deleteLater();
        delete clock;
    });
    timer->start();
}

inline std::filesystem::path SavedFilesPath()
{
    return std::filesystem::path(AppDataDir()) / "SavedFiles.ufi";
}

inline std::filesystem::path IniPath()
{
    return ConfigHome() / "Fetchly.ini";
}

} // namespace fetchly::test
