#include "PortWatcher.h"

#include <QSet>
#include <QString>

#include <filesystem>

namespace veltra {

namespace fs = std::filesystem;

PortWatcher::PortWatcher(PortWatchPlaces places, Listener listener, SlotTable* table, DeviceEventSource source)
    : places_(std::move(places)), listener_(std::move(listener)), table_(table), events_(std::move(source.events))
{
    if (!events_) {
        warning_ = "Serial adapters plugged in or out while the tool runs are not noticed (" + source.error
            + "); restart it after a change. Ports listed in [PORTS] EXTRA are still followed.";
    } else {
        notifier_ = std::make_unique<QSocketNotifier>(events_->Descriptor(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
            events_->Drain();
            rescan_.start();
        });
    }
    rescan_.setSingleShot(true);
    rescan_.setInterval(0);
    QObject::connect(&rescan_, &QTimer::timeout, &rescan_, [this] { Rescan(); });
    QObject::connect(&folders_, &QFileSystemWatcher::directoryChanged, &rescan_, [this] { rescan_.start(); });
    // Watch first, then look: a link made in between is seen by the next rescan.
    WatchExtraFolders();
    ports_ = DiscoverPorts(places_.extraPorts, places_.sysfsRoot, places_.devRoot);
    if (table_ != nullptr) {
        table_->Update(ports_);
    }
}

void PortWatcher::Rescan()
{
    WatchExtraFolders();
    std::vector<DiscoveredPort> ports = DiscoverPorts(places_.extraPorts, places_.sysfsRoot, places_.devRoot);
    if (ports == ports_) {
        return;
    }
    ports_ = std::move(ports);
    const SlotTable::Change change = table_ != nullptr ? table_->Update(ports_) : SlotTable::Change{};
    listener_(ports_, change);
}

// An EXTRA path comes and goes with a link in its folder, which may itself not
// exist yet (a simulator's run-time folder): its nearest existing ancestor is
// watched until it does. The folder of the device a link points to is watched
// too, so that a pseudo-terminal closing behind a link left in place is seen.
void PortWatcher::WatchExtraFolders()
{
    QSet<QString> wanted;
    for (const std::string& path : places_.extraPorts) {
        std::error_code error;
        fs::path folder = fs::path(path).parent_path();
        while (!folder.empty() && !fs::is_directory(folder, error) && folder != folder.parent_path()) {
            folder = folder.parent_path();
        }
        if (!folder.empty()) {
            wanted.insert(QString::fromStdString(folder.string()));
        }
        const fs::path device = fs::canonical(path, error);
        if (!error) {
            wanted.insert(QString::fromStdString(device.parent_path().string()));
        }
    }
    const QStringList watched = folders_.directories();
    for (const QString& folder : watched) {
        if (!wanted.contains(folder)) {
            folders_.removePath(folder);
        }
    }
    for (const QString& folder : wanted) {
        if (!watched.contains(folder)) {
            folders_.addPath(folder);
        }
    }
}

}  // namespace veltra
