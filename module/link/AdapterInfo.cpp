#include "AdapterInfo.h"

#include "PortPlaces.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace veltra {

namespace {

namespace fs = std::filesystem;

// A sysfs attribute is at most a page; USB strings come from the device itself,
// so control characters are blanked before they reach a tooltip or a record.
std::string ReadAttribute(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    std::replace_if(text.begin(), text.end(), [](char c) { return std::iscntrl(static_cast<unsigned char>(c)) != 0; }, ' ');
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// sysfs writes a '/' of a device name as '!'.
fs::path TtyFolder(const std::string& portName, const std::string& sysfsRoot)
{
    std::string entry = portName;
    std::replace(entry.begin(), entry.end(), '/', '!');
    return fs::path(sysfsRoot) / "class" / "tty" / entry;
}

void ReadUsbDevice(const fs::path& folder, AdapterInfo& info)
{
    info.usb = true;
    info.vendorId = ReadAttribute(folder / "idVendor");
    info.productId = ReadAttribute(folder / "idProduct");
    info.manufacturer = ReadAttribute(folder / "manufacturer");
    info.product = ReadAttribute(folder / "product");
    info.serial = ReadAttribute(folder / "serial");
}

}  // namespace

AdapterInfo ReadAdapterInfo(const std::string& portName, const std::string& sysfsRoot, const std::string& devRoot)
{
    AdapterInfo info;
    const auto byPath = ReadByPathNames(devRoot);
    if (const auto place = byPath.find(portName); place != byPath.end()) {
        info.byPath = place->second;
    }
    if (portName.empty() || portName.front() == '/') {
        return info;  // a path outside /dev has no tty entry of its own
    }
    std::error_code error;
    const fs::path root = fs::canonical(sysfsRoot, error);
    fs::path folder = fs::canonical(TtyFolder(portName, sysfsRoot) / "device", error);
    if (error) {
        return info;
    }
    // The usb-serial port device, then its USB interface, then the USB device
    // with the vendor's attributes; the nearest driver is the serial one.
    for (; folder != root && folder != folder.parent_path(); folder = folder.parent_path()) {
        if (info.driver.empty() && fs::is_symlink(folder / "driver", error)) {
            info.driver = fs::read_symlink(folder / "driver", error).filename().string();
        }
        if (fs::exists(folder / "idVendor", error)) {
            ReadUsbDevice(folder, info);
            break;
        }
    }
    return info;
}

int ReadLatencyTimer(const std::string& portName, const std::string& sysfsRoot)
{
    if (portName.empty() || portName.front() == '/') {
        return -1;
    }
    const std::string text = ReadAttribute(TtyFolder(portName, sysfsRoot) / "device" / "latency_timer");
    if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return std::stoi(text);
}

std::string AdapterSummary(const AdapterInfo& info)
{
    if (!info.usb) {
        return info.driver;
    }
    std::string summary;
    const auto add = [&summary](const std::string& part) {
        if (!part.empty()) {
            summary += (summary.empty() ? "" : " ") + part;
        }
    };
    add(info.manufacturer);
    add(info.product);
    add("(" + info.vendorId + ":" + info.productId + ")");
    if (!info.serial.empty()) {
        add("serial " + info.serial);
    }
    return summary;
}

}  // namespace veltra
