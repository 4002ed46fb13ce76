#pragma once

#include <deque>
#include <functional>

namespace veltra {

// One handler at a time across every channel that shares it: a handler may
// run a nested event loop (a message box), and whatever arrives meanwhile,
// on any port, waits for it to return. Work for one port keeps its order.
class DeliveryGate {
public:
    void Deliver(std::function<void()> work);

private:
    std::deque<std::function<void()>> queue_;
    bool busy_ = false;
};

}  // namespace veltra
