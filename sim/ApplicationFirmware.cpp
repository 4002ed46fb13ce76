#include "ApplicationFirmware.h"

#include <algorithm>

namespace veltra::sim {
namespace {

constexpr char kEsc = 0x1B;
constexpr char kCr = 0x0D;

std::size_t FrameLength(char first, char second)
{
    if (first == 'E' && second == 'W') {
        return 13;
    }
    if ((first == 'E' || first == 'T' || first == 'D') && second == 'R') {
        return 9;
    }
    return 0;
}

std::uint8_t XorOf(std::string_view bytes)
{
    std::uint8_t sum = 0;
    for (const char c : bytes) {
        sum ^= static_cast<std::uint8_t>(c);
    }
    return sum;
}

std::uint32_t Argument(const std::string& frame)
{
    std::uint32_t value = 0;
    for (std::size_t i = 3; i < 7; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(frame[i]);
    }
    return value;
}

// ESC, the two letters and the argument of the request, then four bytes of
// payload, the checksum of everything after ESC, and CR.
std::string ReplyFrame(const std::string& frame, std::uint32_t payload)
{
    std::string reply = frame.substr(0, 7);
    for (int shift = 24; shift >= 0; shift -= 8) {
        reply += static_cast<char>((payload >> shift) & 0xFF);
    }
    reply += static_cast<char>(XorOf(std::string_view(reply).substr(1)));
    reply += kCr;
    return reply;
}

}  // namespace

ApplicationFirmware::ApplicationFirmware(BoardMemory& memory, const Faults& faults) : memory_(memory), faults_(faults) {}

Reaction ApplicationFirmware::Receive(std::string_view bytes)
{
    Reaction reaction;
    std::string frame;
    std::size_t used = 0;
    for (;;) {
        const bool complete = TakeFrame(frame);
        if (complete || used == bytes.size()) {
            reaction.consumed = used;
            reaction.discarded = std::move(discarded_);
            discarded_.clear();
            if (complete) {
                reaction.request = frame;
                Execute(frame, reaction);
            }
            return reaction;
        }
        pending_ += bytes[used++];
    }
}

bool ApplicationFirmware::TakeFrame(std::string& frame)
{
    for (;;) {
        const auto start = std::min(pending_.find(kEsc), pending_.size());
        discarded_ += pending_.substr(0, start);
        pending_.erase(0, start);
        if (pending_.size() < 3) {
            return false;
        }
        const std::size_t length = FrameLength(pending_[1], pending_[2]);
        if (length == 0) {
            discarded_ += pending_[0];
            pending_.erase(0, 1);
            continue;
        }
        if (pending_.size() < length) {
            return false;
        }
        if (pending_[length - 1] != kCr) {
            discarded_ += pending_[0];
            pending_.erase(0, 1);
            continue;
        }
        frame = pending_.substr(0, length);
        pending_.erase(0, length);
        return true;
    }
}

void ApplicationFirmware::Execute(const std::string& frame, Reaction& reaction)
{
    const std::size_t length = frame.size();
    if (XorOf(std::string_view(frame).substr(1, length - 3)) != static_cast<std::uint8_t>(frame[length - 2])) {
        return;
    }
    const std::uint32_t argument = Argument(frame);
    const std::string operation = frame.substr(1, 2);
    if (operation == "ER") {
        // Addresses beyond the chip read as erased cells, so a wrong address shows.
        const std::uint8_t value = argument < kEepromSize ? memory_.eeprom[argument] : 0xFF;
        reaction.reply = ReplyFrame(frame, value);
    } else if (operation == "EW") {
        if (argument < kEepromSize && faults_.deadEepromAddress != argument) {
            memory_.eeprom[argument] = static_cast<std::uint8_t>(frame[10]);
        }
        reaction.reply = frame;
    } else if (operation == "TR") {
        const bool known = argument >= 1 && argument <= kTestItems;
        const std::int32_t result = known ? memory_.testResults[argument - 1] : -1;
        reaction.reply = ReplyFrame(frame, static_cast<std::uint32_t>(result));
    } else if (argument == 100) {
        reaction.enterBootLoader = true;
    }
}

}  // namespace veltra::sim
