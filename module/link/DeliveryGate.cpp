#include "DeliveryGate.h"

namespace veltra {

void DeliveryGate::Deliver(std::function<void()> work)
{
    queue_.push_back(std::move(work));
    if (busy_)
        return;  // a nested event loop inside a handler: its turn comes after
    busy_ = true;
    while (!queue_.empty()) {
        std::function<void()> next = std::move(queue_.front());
        queue_.pop_front();
        next();
    }
    busy_ = false;
}

}  // namespace veltra
