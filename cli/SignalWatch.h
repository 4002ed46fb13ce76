#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace veltra::cli {

// SIGINT and SIGTERM reach the event loop through a pipe: the handler only
// writes a byte, and `onSignal` runs on the loop's thread, where the engine
// lives. A second signal ends the program the usual way, for a run that
// does not stop when asked.
class SignalWatch {
public:
    explicit SignalWatch(std::function<void()> onSignal);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // Whether a signal has come, even one the loop has not seen yet.
    static bool Caught();

private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace veltra::cli
