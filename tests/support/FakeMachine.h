#pragma once

#include "DeviceEvents.h"
#include "TempDir.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace veltra::testing {

// The USB device of an adapter and the driver that takes it.
struct FakeUsb {
    std::string vendor = "0403", product = "6001", manufacturer = "FTDI", productName = "FT232R USB UART";
    std::string serial = "A10K3ZQ5", driver = "ftdi_sio";
};

// Device notices through an eventfd, as udev's arrive through its socket.
class FakeEvents : public DeviceEvents {
public:
    ~FakeEvents() override { ::close(fd_); }
    int Descriptor() const override { return fd_; }
    void Drain() override { eventfd_read(fd_, &count_); }
    void Notice() const { eventfd_write(fd_, 1); }

private:
    int fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    eventfd_t count_ = 0;
};

// A /sys and a /dev laid out with real links as the kernel and udev lay them
// out for serial adapters, in a private folder.
class FakeMachine {
public:
    std::string Sys() const { return dir_.File("sys"); }
    std::string Dev() const { return dir_.File("dev"); }
    static std::string ByPath(const std::string& place, const std::string& usb = "usb")
    {
        return "pci-0000:00:14.0-" + usb + "-0:" + place + ":1.0-port0";
    }

    // An adapter in USB port 1-<place>. A usb-serial tty hangs off its own port
    // device below the interface; a cdc_acm tty off the interface itself. With
    // a `terminal` (a virtual module's) the tty can be opened too.
    void Plug(const std::string& tty, const std::string& place, const FakeUsb& usb = {},
              const std::string& terminal = {}) const
    {
        if (!terminal.empty())
            Link(dir_.Path() / "dev" / tty, terminal);
        const auto hub = dir_.Path() / "sys/devices/pci0000:00/0000:00:14.0/usb1";
        Attribute(hub / "idVendor", "1d6b");  // the root hub is no adapter
        const auto device = hub / ("1-" + place);
        const auto interface = device / ("1-" + place + ":1.0");
        const auto port = usb.driver == "cdc_acm" ? interface : interface / tty;
        for (const auto& [name, value] : {std::pair{"idVendor", usb.vendor}, {"idProduct", usb.product},
                                          {"manufacturer", usb.manufacturer}, {"product", usb.productName},
                                          {"serial", usb.serial}})
            Attribute(device / name, value);
        Link(interface / "driver", dir_.Path() / "sys/bus/usb/drivers" / usb.driver);
        if (port != interface)
            Link(port / "driver", dir_.Path() / "sys/bus/usb-serial/drivers" / usb.driver);
        if (usb.driver == "ftdi_sio")
            Attribute(port / "latency_timer", "16");
        AddTty(tty, port);
        for (const char* kind : {"usb", "usbv2"})  // systemd makes both
            Link(dir_.Path() / "dev/serial/by-path" / ByPath(place, kind), "../../" + tty);
    }

    void Unplug(const std::string& tty, const std::string& place) const
    {
        std::filesystem::remove(dir_.Path() / "dev" / tty);
        std::filesystem::remove(dir_.Path() / "sys/class/tty" / tty);
        std::filesystem::remove_all(dir_.Path() / "sys/devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + place));
        for (const char* kind : {"usb", "usbv2"})
            std::filesystem::remove(dir_.Path() / "dev/serial/by-path" / ByPath(place, kind));
    }

    // An on-board UART of the 8250 driver.
    void AddUart(const std::string& tty) const
    {
        const auto device = dir_.Path() / "sys/devices/platform/serial8250";
        Link(device / "driver", dir_.Path() / "sys/bus/platform/drivers/serial8250");
        AddTty(tty, device);
    }

private:
    void AddTty(const std::string& tty, const std::filesystem::path& device) const
    {
        Link(device / "tty" / tty / "device", device);
        Link(dir_.Path() / "sys/class/tty" / tty, device / "tty" / tty);
    }
    static void Attribute(const std::filesystem::path& file, const std::string& value)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << value << '\n';
    }
    static void Link(const std::filesystem::path& link, const std::filesystem::path& target)
    {
        std::filesystem::create_directories(link.parent_path());
        std::filesystem::create_symlink(target, link);
    }

    TempDir dir_;
};

}  // namespace veltra::testing
