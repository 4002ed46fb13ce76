#pragma once

#include "DeviceEvents.h"
#include "PortPlaces.h"
#include "SlotTable.h"
#include "UdevTtyEvents.h"

#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltra {

// Where the watcher looks: sysfs and /dev (a test's own folders), and the
// settings file's [PORTS] EXTRA.
struct PortWatchPlaces {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    std::vector<std::string> extraPorts;
};

// Follows the serial ports while the tool runs. Every device notice and every
// change in a folder of an EXTRA path only leads to a fresh discovery that is
// compared with the last one, so the order and number of notices never matter;
// a burst of them is one rescan in the next turn of the event loop. Nothing
// runs while nothing happens. Lives on the owner's thread and reports there.
class PortWatcher {
public:
    // The new discovery, and what it changed in the table given (empty without one).
    using Listener = std::function<void(const std::vector<DiscoveredPort>& ports, const SlotTable::Change& change)>;

    // Discovers the ports once (and puts them in `table`) before it returns; the
    // listener hears of every change after that. Without a device source (no
    // udev) the EXTRA folders are still watched and Warning() says why.
    PortWatcher(PortWatchPlaces places, Listener listener, SlotTable* table = nullptr,
                DeviceEventSource source = OpenUdevTtyEvents());
    PortWatcher(const PortWatcher&) = delete;
    PortWatcher& operator=(const PortWatcher&) = delete;

    const std::vector<DiscoveredPort>& Ports() const { return ports_; }

    // Empty while adapters are followed; otherwise a sentence for the user.
    const std::string& Warning() const { return warning_; }

    // Looks at once, rather than in the next turn of the event loop: before
    // ports are opened, the list must say what is plugged in now.
    void Rescan();

private:
    void WatchExtraFolders();

    PortWatchPlaces places_;
    Listener listener_;
    SlotTable* table_;
    std::string warning_;
    std::vector<DiscoveredPort> ports_;
    std::unique_ptr<DeviceEvents> events_;
    std::unique_ptr<QSocketNotifier> notifier_;  // after events_: goes before the descriptor closes
    QFileSystemWatcher folders_;
    QTimer rescan_;
};

}  // namespace veltra
