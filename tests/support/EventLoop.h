#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace veltra::testing {

// Runs the event loop itself, so that work done when it is about to wait (idle
// passes) happens too, until `done` holds or the time is up; says whether it holds.
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 10000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace veltra::testing
