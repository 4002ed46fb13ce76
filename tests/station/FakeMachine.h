#pragma once

#include "TempDir.h"

#include <filesystem>
#include <string>

namespace veltra::testing {

// The USB device of an adapter and the driver that takes it.
struct FakeUsb {
    std::string vendor = "0403", product = "6001";
    std::string manufacturer = "FTDI", productName = "FT232R USB UART", serial = "A10K3ZQ5";
    std::string driver = "ftdi_sio";
};

// A /sys and a /dev laid out as the kernel and udev lay them out for serial
// adapters, with real links, in a private folder.
class FakeMachine {
public:
    std::string Sys() const { return dir_.File("sys"); }
    std::string Dev() const { return dir_.File("dev"); }

    // An adapter in USB port `place` ("2" is 1-2) as ttyUSB<n> (or ttyACM<n> for
    // cdc_acm, whose tty hangs off the USB interface itself).
    void Plug(const std::string& tty, const std::string& place, const FakeUsb& usb = {}) const
    {
        const std::filesystem::path hub = dir_.Path() / "sys/devices/pci0000:00/0000:00:14.0/usb1";
        dir_.Write("sys/devices/pci0000:00/0000:00:14.0/usb1/idVendor", "1d6b\n");
        const std::filesystem::path device = hub / ("1-" + place);
        const std::filesystem::path interface = device / ("1-" + place + ":1.0");
        const bool acm = usb.driver == "cdc_acm";
        const std::filesystem::path port = acm ? interface : interface / tty;
        std::filesystem::create_directories(port / "tty" / tty);
        Attribute(device / "idVendor", usb.vendor);
        Attribute(device / "idProduct", usb.product);
        Attribute(device / "manufacturer", usb.manufacturer);
        Attribute(device / "product", usb.productName);
        Attribute(device / "serial", usb.serial);
        Link(interface / "driver", dir_.Path() / "sys/bus/usb/drivers" / usb.driver);
        if (!acm) {
            Link(port / "driver", dir_.Path() / "sys/bus/usb-serial/drivers" / usb.driver);
        }
        if (usb.driver == "ftdi_sio") {
            Attribute(port / "latency_timer", "16");
        }
        Link(port / "tty" / tty / "device", port);
        Link(dir_.Path() / "sys/class/tty" / tty, port / "tty" / tty);
        // udev's own relative links, the usbv2 twin included.
        for (const char* kind : {"usb", "usbv2"}) {
            const std::string name = std::string("pci-0000:00:14.0-") + kind + "-0:" + place + ":1.0-port0";
            Link(dir_.Path() / "dev/serial/by-path" / name, "../../" + tty);
        }
    }

    void Unplug(const std::string& tty, const std::string& place) const
    {
        std::filesystem::remove(dir_.Path() / "sys/class/tty" / tty);
        std::filesystem::remove_all(dir_.Path() / "sys/devices/pci0000:00/0000:00:14.0/usb1" / ("1-" + place));
        for (const char* kind : {"usb", "usbv2"}) {
            std::filesystem::remove(dir_.Path() / "dev/serial/by-path"
                                    / (std::string("pci-0000:00:14.0-") + kind + "-0:" + place + ":1.0-port0"));
        }
    }

    // An on-board UART of the 8250 driver.
    void AddUart(const std::string& tty) const
    {
        const std::filesystem::path device = dir_.Path() / "sys/devices/platform/serial8250";
        std::filesystem::create_directories(device / "tty" / tty);
        Attribute(device / "tty" / tty / "type", "4");
        Link(device / "driver", dir_.Path() / "sys/bus/platform/drivers/serial8250");
        Link(device / "tty" / tty / "device", device);
        Link(dir_.Path() / "sys/class/tty" / tty, device / "tty" / tty);
    }

    static std::string ByPath(const std::string& place)
    {
        return "pci-0000:00:14.0-usb-0:" + place + ":1.0-port0";
    }

private:
    static void Attribute(const std::filesystem::path& file, const std::string& value)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << value << '\n';
    }
    static void Link(const std::filesystem::path& link, const std::filesystem::path& target)
    {
        std::filesystem::create_directories(link.parent_path());
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(target, link);
    }

    TempDir dir_;
};

}  // namespace veltra::testing
