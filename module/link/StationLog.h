#pragma once

#include "PortResult.h"
#include "RecordBook.h"

#include <string>
#include <utility>
#include <vector>

namespace veltra {

// The station's side of a run: every port's result becomes a record of the
// board, with this machine's name, the slot's name and the adapter's serial
// number. The window and the command-line program both keep one.
class StationLog {
public:
    struct Places {
        std::string sysfsRoot = "/sys";
        std::string devRoot = "/dev";
        std::string recordsFolder = RecordBook::DefaultFolder();
    };

    // The settings of the program folder `root`: [RECORDS] ENABLED, [SLOTS].
    StationLog(const std::string& root, Places places);
    explicit StationLog(const std::string& root) : StationLog(root, Places{}) {}

    // Writes the record of one port, with its slot's name (found from the
    // port when not given); the message to show when records cannot be
    // written (once, until they can again), else empty.
    std::string Record(const PortResult& result, const std::string& slot = {});
    // The slot name of a port: [SLOTS] by its by-path name, or by its device path.
    std::string SlotName(const std::string& portName) const;
    // Today's passed / failed / total of this station.
    RecordBook::Tally Today() const;

private:
    Places places_;
    std::vector<std::pair<std::string, std::string>> slotNames_;
    RecordBook book_;
    std::string host_;
};

}  // namespace veltra
