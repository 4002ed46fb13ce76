#pragma once

#include "DeviceEvents.h"

namespace veltra {

// udev's notices for the tty subsystem. They come from udev itself, not the
// kernel, so that a new adapter's /dev/serial/by-path link is already there
// when its notice arrives. Without a running udev (a container, say) there is
// no source and `error` says so.
DeviceEventSource OpenUdevTtyEvents();

}  // namespace veltra
