#include "StationLog.h"

#include "AdapterInfo.h"
#include "PortDiscovery.h"
#include "Settings.h"

namespace veltra {

StationLog::StationLog(const std::string& root, Places places)
    : places_(std::move(places)), slotNames_(ReadSlotNames(root)),
      book_(ReadRecordsEnabled(root), places_.recordsFolder), host_(ThisHostName())
{
}

std::string StationLog::SlotName(const std::string& portName) const
{
    const std::string byPath = ReadAdapterInfo(portName, places_.sysfsRoot, places_.devRoot).byPath;
    const std::string device = DevicePathFromName(portName);
    for (const auto& [key, name] : slotNames_) {
        if ((!byPath.empty() && key == byPath) || key == device)
            return name;
    }
    return {};
}

std::string StationLog::Record(const PortResult& result, const std::string& slot)
{
    const AdapterInfo adapter = ReadAdapterInfo(result.portName, places_.sysfsRoot, places_.devRoot);
    BoardRecord record;
    record.start = result.start;
    record.end = result.end;
    record.host = host_;
    record.slot = slot.empty() ? SlotName(result.portName) : slot;
    record.port = result.portName;
    record.adapterSerial = adapter.serial;
    record.operation = result.operation;
    record.ok = result.ok;
    record.failure = result.failure;
    for (const PortResult::Phase& phase : result.phases)
        record.phases.push_back({phase.name, phase.ms});
    record.data = result.data;
    return book_.Append(record);
}

RecordBook::Tally StationLog::Today() const
{
    return book_.Today(host_);
}

}  // namespace veltra
