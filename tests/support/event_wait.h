#pragma once

// For tests that link Qt: lets the event loop run while waiting.
#include "tests/support/program_run.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QStringList>

namespace fetchly::test {

inline void PumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Processes events until `done` holds or `ms` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()> &done, int ms = 20000)
{
    return WaitUntil(done, std::chrono::milliseconds(ms), PumpEvents);
}

// Runs a program while this process keeps handling events, so the program
// may call a service that lives right here.
inline ProgramResult RunServing(const std::string &program, const QStringList &arguments,
                                const QByteArray &input = {}, int timeoutSeconds = 30)
{
    std::vector<std::string> args;
    for (const QString &a : arguments)
        args.push_back(a.toStdString());
    return runProgram(program, args, ProgramRun{{}, input.toStdString(), timeoutSeconds, PumpEvents});
}

} // namespace fetchly::test
