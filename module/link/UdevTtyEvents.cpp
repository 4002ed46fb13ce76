#include "UdevTtyEvents.h"

#include <libudev.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace veltra {

namespace {

class UdevTtyEvents final : public DeviceEvents {
public:
    UdevTtyEvents(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
    ~UdevTtyEvents() override
    {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    UdevTtyEvents(const UdevTtyEvents&) = delete;
    UdevTtyEvents& operator=(const UdevTtyEvents&) = delete;

    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

    void Drain() override
    {
        // The socket is non-blocking: this ends when nothing more is queued.
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            udev_device_unref(device);
        }
    }

private:
    udev* context_;
    udev_monitor* monitor_;
};

std::string Reason(const char* what, int code)
{
    return std::string(what) + ": " + std::strerror(code);
}

}  // namespace

DeviceEventSource OpenUdevTtyEvents()
{
    // Without udev the monitor opens anyway and never hears a thing; that must
    // show as a warning, not as a port list that silently stops following.
    if (::access("/run/udev/control", F_OK) != 0) {
        return {nullptr, "udev is not running"};
    }
    udev* context = udev_new();
    if (context == nullptr) {
        return {nullptr, Reason("udev cannot be used", errno)};
    }
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr) {
        const std::string error = Reason("udev's notices cannot be received", errno);
        udev_unref(context);
        return {nullptr, error};
    }
    // These two return a negative errno value rather than setting errno.
    int result = udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr);
    if (result >= 0) {
        result = udev_monitor_enable_receiving(monitor);
    }
    if (result < 0) {
        const std::string error = Reason("udev's notices cannot be received", -result);
        udev_monitor_unref(monitor);
        udev_unref(context);
        return {nullptr, error};
    }
    return {std::make_unique<UdevTtyEvents>(context, monitor), {}};
}

}  // namespace veltra
