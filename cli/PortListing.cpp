#include "PortListing.h"

#include "AdapterInfo.h"
#include "JsonOutput.h"
#include "ModuleFacts.h"
#include "PortDiscovery.h"
#include "PortPlaces.h"
#include "PosixSerial.h"
#include "Settings.h"
#include "StderrPrompts.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace veltra::cli {

namespace {

struct PortFacts {
    std::string name;
    std::string device;
    AdapterInfo adapter;
    std::string openError;  // empty when it can be opened
    int latencyMs = -1;     // an FTDI adapter's latency timer after an open
};

// An FTDI latency timer the open could not bring down to 1 ms makes every
// exchange up to that much slower.
std::string LatencyWarning(int latencyMs)
{
    if (latencyMs <= 1)
        return {};
    return "latency timer " + std::to_string(latencyMs) + " ms: see the udev rule in the README";
}

// Opened and closed at once, exclusively, as a run would open it.
std::string OpenError(const std::string& device)
{
    int error = 0;
    const int fd = posix::OpenSerialPort(device, module_facts::kApplicationBaud, error);
    if (fd < 0)
        return posix::ErrorText(error);
    posix::CloseSerialPort(fd, module_facts::kApplicationBaud);
    return {};
}

QJsonValue TextOrNull(const std::string& text)
{
    return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
}

void PrintTable(const std::vector<PortFacts>& ports)
{
    std::vector<std::array<std::string, 5>> lines = {{"PORT", "DEVICE", "BY-PATH", "ADAPTER", "OPEN"}};
    for (const PortFacts& port : ports) {
        std::string summary = AdapterSummary(port.adapter);
        if (const std::string warning = LatencyWarning(port.latencyMs); !warning.empty())
            summary += "; " + warning;
        lines.push_back({port.name, port.device, port.adapter.byPath.empty() ? "-" : port.adapter.byPath,
                         summary.empty() ? "-" : summary, port.openError.empty() ? "yes" : "no: " + port.openError});
    }
    std::array<size_t, 5> widths{};
    for (const auto& line : lines) {
        for (size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], line[column].size());
    }
    for (const auto& line : lines) {
        std::string text;
        for (size_t column = 0; column < widths.size(); ++column) {
            text += line[column];
            if (column + 1 < widths.size())
                text += std::string(widths[column] - line[column].size() + 2, ' ');
        }
        std::printf("%s\n", text.c_str());
    }
}

}  // namespace

void ListPorts(const std::string& root, bool json)
{
    std::vector<PortFacts> ports;
    for (const DiscoveredPort& found : DiscoverPorts(ReadExtraPorts(root))) {
        PortFacts port;
        port.name = found.portName;
        std::error_code code;
        const std::string path = DevicePathFromName(found.portName);
        const auto resolved = std::filesystem::canonical(path, code);
        port.device = code ? path : resolved.string();
        port.adapter = ReadAdapterInfo(found.portName);
        port.openError = OpenError(path);
        port.latencyMs = ReadLatencyTimer(found.portName);
        ports.push_back(port);
    }
    if (ports.empty())
        Say("No Serial Ports");
    if (!json) {
        if (!ports.empty())
            PrintTable(ports);
        return;
    }
    for (const PortFacts& port : ports) {
        const AdapterInfo& adapter = port.adapter;
        PrintJsonLine({{"event", "port"},
                       {"port", QString::fromStdString(port.name)},
                       {"device", QString::fromStdString(port.device)},
                       {"byPath", TextOrNull(adapter.byPath)},
                       {"usb", adapter.usb},
                       {"vendorId", TextOrNull(adapter.vendorId)},
                       {"productId", TextOrNull(adapter.productId)},
                       {"serial", TextOrNull(adapter.serial)},
                       {"adapter", TextOrNull(AdapterSummary(adapter))},
                       {"latencyMs", port.latencyMs < 0 ? QJsonValue() : QJsonValue(port.latencyMs)},
                       {"warning", TextOrNull(LatencyWarning(port.latencyMs))},
                       {"open", port.openError.empty()},
                       {"reason", TextOrNull(port.openError)}});
    }
}

}  // namespace veltra::cli
