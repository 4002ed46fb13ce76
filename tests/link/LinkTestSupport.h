#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include "Pty.h"

#include <chrono>
#include <functional>
#include <thread>

namespace veltra::testing {

// The owner's thread of every test is the main thread, with one application
// object for the whole test program.
inline QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "link_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // Start and end one thread first: ThreadSanitizer adds a helper thread of
    // its own at the first thread start, which must not count as ours.
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    return app;
}

// Runs the owner's event loop until `done` holds or `limit` has passed; returns
// whether it holds. The limit is a guard against a hang, not a measurement.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    App();
    QDeadlineTimer deadline(limit.count());
    QTimer tick;  // wakes the wait below even when nothing is posted
    tick.start(2);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Keeps the owner's event loop running for a while, so that anything that should
// not happen has had the chance to.
inline void PumpFor(std::chrono::milliseconds span)
{
    PumpUntil([] { return false; }, span);
}

}  // namespace veltra::testing
