#pragma once

#include "PortSlot.h"

namespace veltra {

// One operation's walk over the ports, each port at its own pace. The
// dispatcher hands it every complete reply and every port that stopped
// waiting; the sequence keeps its own state per port.
class Sequence {
public:
    virtual ~Sequence() = default;
    // A whole reply to the port's request is in its slot; `right` is false
    // when the reply is not the one the request asked for.
    virtual void OnReply(int port, PortSlot& slot, bool right) = 0;
    // The port's channel gave up waiting on a request of `lastCode` and has
    // been closed.
    virtual void OnTimeout(int port, int eventCode, char lastCode) = 0;
};

}  // namespace veltra
