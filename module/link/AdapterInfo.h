#pragma once

#include <string>

namespace veltra {

// What sysfs knows of the adapter behind a port.
struct AdapterInfo {
    std::string byPath;  // its name in <devRoot>/serial/by-path, empty when none
    bool usb = false;
    std::string vendorId, productId;            // "0403", "6001"
    std::string manufacturer, product, serial;  // the USB device's attributes; empty when absent
    std::string driver;                         // "ftdi_sio", "cp210x", "pl2303", "ch341", "serial8250"
};

AdapterInfo ReadAdapterInfo(const std::string& portName, const std::string& sysfsRoot = "/sys",
                            const std::string& devRoot = "/dev");

// The FTDI latency timer in milliseconds (latency_timer of the usb-serial port
// device), or -1 when the port is no FTDI adapter or the file cannot be read.
int ReadLatencyTimer(const std::string& portName, const std::string& sysfsRoot = "/sys");

// One line for a tooltip or a listing: "FTDI FT232R USB UART (0403:6001) serial
// A10K3ZQ5"; the driver's name for a port that is not on USB.
std::string AdapterSummary(const AdapterInfo& info);

}  // namespace veltra
