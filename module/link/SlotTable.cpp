#include "SlotTable.h"

namespace veltra {

namespace {

std::string SlotKey(const DiscoveredPort& port)
{
    return port.byPath.empty() ? DevicePathFromName(port.portName) : port.byPath;
}

}  // namespace

SlotTable::SlotTable(const std::vector<std::pair<std::string, std::string>>& namedSlots)
{
    for (const auto& [key, name] : namedSlots) {
        if (!key.empty() && RowOfKey(key) < 0) {
            rows_.push_back({key, name, {}, {}, false, false});
        }
    }
}

int SlotTable::RowOfKey(const std::string& key) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].key == key) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int SlotTable::Claim(const DiscoveredPort& port, const std::vector<bool>& claimed)
{
    const int row = RowOfKey(SlotKey(port));
    if (row >= 0) {
        return claimed[static_cast<std::size_t>(row)] ? kPlaceTaken : row;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        SlotRow& candidate = rows_[i];
        if (claimed[i] || !candidate.present || candidate.portName != port.portName) {
            continue;
        }
        // A rescan can fall between the kernel adding a tty and udev making its
        // by-path link (or, on the way out, removing it first). The port is the
        // same adapter still in its place: it keeps its row, which takes its
        // proper key once the link is there.
        if (!port.byPath.empty() && candidate.byPath.empty() && candidate.name.empty()
            && candidate.key == DevicePathFromName(port.portName)) {
            candidate.key = port.byPath;
            return static_cast<int>(i);
        }
        if (port.byPath.empty() && !candidate.byPath.empty()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

SlotTable::Change SlotTable::Update(const std::vector<DiscoveredPort>& ports)
{
    Change change;
    std::vector<bool> claimed(rows_.size(), false);
    for (const DiscoveredPort& port : ports) {
        const int row = Claim(port, claimed);
        if (row == kPlaceTaken) {
            continue;  // a second port in a place already taken cannot be told apart from the first
        }
        if (row < 0) {
            change.added.push_back(static_cast<int>(rows_.size()));
            rows_.push_back({SlotKey(port), {}, port.portName, port.byPath, true, false});
            claimed.push_back(true);
            continue;
        }
        SlotRow& slot = rows_[static_cast<std::size_t>(row)];
        claimed[static_cast<std::size_t>(row)] = true;
        if (!slot.present || slot.portName != port.portName) {
            change.replugged.push_back(row);
        }
        slot.present = true;
        slot.portName = port.portName;
        if (!port.byPath.empty()) {
            slot.byPath = port.byPath;
        }
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!claimed[i] && rows_[i].present) {
            rows_[i].present = false;
            change.unplugged.push_back(static_cast<int>(i));
        }
    }
    return change;
}

void SlotTable::SetTicked(int row, bool ticked)
{
    if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
        rows_[static_cast<std::size_t>(row)].ticked = ticked;
    }
}

std::string SlotTable::Label(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return {};
    }
    const SlotRow& slot = rows_[static_cast<std::size_t>(row)];
    if (slot.name.empty()) {
        return slot.portName;
    }
    if (slot.portName.empty())
        return slot.name;
    // The slot's name says where; the device's own name is enough beside it.
    const std::string device = slot.portName.substr(slot.portName.rfind('/') + 1);
    return slot.name + " (" + device + ")";
}

}  // namespace veltra
