#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace veltra::testing {

// Runs the event loop until `done` holds or `limitMs` passes; true when it held.
inline bool WaitFor(const std::function<bool()>& done, int limitMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace veltra::testing
