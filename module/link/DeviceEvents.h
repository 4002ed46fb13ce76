#pragma once

#include <memory>
#include <string>

namespace veltra {

// A source of "devices changed" notices. What a notice says does not matter:
// each one only makes the watcher look at the ports afresh.
class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;

    // Readable while notices are waiting.
    virtual int Descriptor() const = 0;

    // Consumes every notice that is waiting, without blocking.
    virtual void Drain() = 0;
};

// A source, or why there is none.
struct DeviceEventSource {
    std::unique_ptr<DeviceEvents> events;
    std::string error;
};

}  // namespace veltra
