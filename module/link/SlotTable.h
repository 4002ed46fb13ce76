#pragma once

#include "PortDiscovery.h"
#include "PortPlaces.h"

#include <string>
#include <utility>
#include <vector>

namespace veltra {

// One row of the port list: the place an adapter is plugged into.
struct SlotRow {
    std::string key;       // the by-path name, or the device path of a port without one
    std::string name;      // from [SLOTS]; empty when the place has none
    std::string portName;  // the port it has, or last had; empty for a named place never seen
    std::string byPath;
    bool present = false;
    bool ticked = false;   // kept here so that a re-plugged adapter gets its tick back
};

// The rows of the port list as fixed slots. Named places come first in the
// order of the settings file, shown even while nothing is plugged in there;
// every other place follows in the order it was first seen. A row never moves
// and never goes away, so its index stays valid for the life of the table.
class SlotTable {
public:
    explicit SlotTable(const std::vector<std::pair<std::string, std::string>>& namedSlots = {});

    struct Change {
        std::vector<int> added;      // rows appended
        std::vector<int> unplugged;  // rows whose adapter went away
        std::vector<int> replugged;  // rows with an adapter again, or with another port than before
        bool Empty() const { return added.empty() && unplugged.empty() && replugged.empty(); }
    };

    // Takes a fresh discovery; every row whose place is not in it is unplugged.
    Change Update(const std::vector<DiscoveredPort>& ports);

    const std::vector<SlotRow>& Rows() const { return rows_; }

    void SetTicked(int row, bool ticked);

    // "Nest 17 (ttyUSB3)", "Nest 17" before its adapter was ever seen, or the
    // port name of a place without a name.
    std::string Label(int row) const;

private:
    static constexpr int kPlaceTaken = -2;

    int RowOfKey(const std::string& key) const;
    int Claim(const DiscoveredPort& port, const std::vector<bool>& claimed);

    std::vector<SlotRow> rows_;
};

}  // namespace veltra
