#pragma once

// For tests that link Qt: lets the event loop run while waiting.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace fetchly::test {

// Processes events until `done` holds or `ms` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace fetchly::test
