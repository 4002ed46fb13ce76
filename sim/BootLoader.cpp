#include "BootLoader.h"

#include <algorithm>
#include <array>

#include "BootRecord.h"
#include "HexText.h"
#include "ReadBackDisplay.h"

namespace veltra::sim {
namespace {

constexpr const char* kAck = ".\r\n";
constexpr const char* kNak = "X\r\n";

constexpr std::uint8_t kProgram = 0x00;
constexpr std::uint8_t kControl = 0x03;
constexpr std::uint8_t kRange = 0x04;

bool IsFinalisation(const std::vector<std::uint8_t>& data)
{
    static const std::array<std::vector<std::uint8_t>, 3> kRecords = {
        std::vector<std::uint8_t>{0x06, 0x00, 0x00},
        std::vector<std::uint8_t>{0x0A, 0x04, 0x00},
        std::vector<std::uint8_t>{0x0A, 0x08, 0x00},
    };
    return std::find(kRecords.begin(), kRecords.end(), data) != kRecords.end();
}

}  // namespace

BootLoader::BootLoader(BoardMemory& memory, const Faults& faults, std::chrono::milliseconds eraseTime)
    : memory_(memory), faults_(faults), eraseTime_(eraseTime)
{
}

void BootLoader::Reset()
{
    synced_ = false;
    rate_ = 0;
    record_.clear();
    recordLength_ = 0;
    blocksSinceHandshake_ = 0;
}

bool BootLoader::Hears(char byte, std::uint32_t rate) const
{
    return !synced_ || rate == rate_ || byte == 'U';
}

Reaction BootLoader::Receive(std::string_view bytes, std::uint32_t rate)
{
    Reaction reaction;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == 'U') {
            // A tool that gave up in the middle of a record starts again with a
            // handshake; the half record is forgotten.
            record_.clear();
            synced_ = true;
            rate_ = rate;
            blocksSinceHandshake_ = 0;
            reaction.consumed = i + 1;
            reaction.reply = "U";
            reaction.request = "U";
            reaction.handshake = true;
            return reaction;
        }
        if (record_.empty()) {
            // Before the handshake, and between records, anything but a record
            // start is ignored without an echo.
            if (synced_ && c == ':') {
                record_ = ":";
                recordLength_ = 0;
                reaction.echo += c;
            } else {
                reaction.discarded += c;
            }
            continue;
        }
        record_ += c;
        reaction.echo += c;
        if (!IsHexDigit(c)) {
            reaction.consumed = i + 1;
            reaction.reply = kNak;
            reaction.request = std::move(record_);
            record_.clear();
            return reaction;
        }
        if (record_.size() == 3) {
            recordLength_ = BootRecordLength(record_).value_or(0);
        }
        if (record_.size() == recordLength_) {
            reaction.consumed = i + 1;
            reaction.reply = Execute(record_, reaction.wait);
            reaction.request = std::move(record_);
            record_.clear();
            return reaction;
        }
    }
    reaction.consumed = bytes.size();
    return reaction;
}

std::string BootLoader::Execute(const std::string& text, std::chrono::milliseconds& wait)
{
    const auto record = DecodeBootRecord(text);
    if (!record) {
        return kNak;
    }
    switch (record->type) {
    case kProgram: {
        const std::size_t block = blocksSinceHandshake_++;
        if (faults_.nakBlock == block || record->address + record->data.size() > NorFlash::kSize) {
            return kNak;
        }
        memory_.flash.Program(record->address, record->data);
        return kAck;
    }
    case kControl:
        if (record->data == std::vector<std::uint8_t>{0x07}) {
            memory_.flash.Erase();
            wait = eraseTime_;
            return kAck;
        }
        return IsFinalisation(record->data) ? kAck : kNak;
    case kRange:
        return ExecuteRange(record->data);
    default:
        return kNak;
    }
}

std::string BootLoader::ExecuteRange(const std::vector<std::uint8_t>& data)
{
    if (data.size() != 5) {
        return kNak;
    }
    const std::uint32_t first = static_cast<std::uint32_t>(data[0] << 8 | data[1]);
    const std::uint32_t last = static_cast<std::uint32_t>(data[2] << 8 | data[3]);
    switch (data[4]) {
    case 0x00: {
        std::string display = ReadBackDisplay(memory_.flash, first, last);
        if (faults_.readBackMark != 0) {
            display[0] = faults_.readBackMark;
        }
        return display;
    }
    case 0x01:
        return memory_.flash.IsBlank(first, last) ? kAck : kNak;
    default:
        return kNak;
    }
}

}  // namespace veltra::sim
