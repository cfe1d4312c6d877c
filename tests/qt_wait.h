#pragma once

// Window tests wait on conditions, never on fixed sleeps: frames on a loaded
// machine without a GPU come slowly.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace quorvane::test {

// Runs the event loop until condition holds or timeoutMs pass; the last look decides.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

} // namespace quorvane::test
