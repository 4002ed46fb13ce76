#include "FaultPlan.h"

#include <algorithm>

namespace veltra::soak {

namespace {

enum class Kind { Silent, SilentAfter, RefusedBlock, StuckBit, Noise, Split, Delay, HangUp, Stray, Unplugged, Pulled };
constexpr size_t kKinds = 11;

size_t Between(std::mt19937_64& random, size_t low, size_t high)
{
    return std::uniform_int_distribution<size_t>(low, std::max(low, high))(random);
}

Expectation MustFail(std::string text)
{
    return {Outcome::Fail, std::move(text)};
}

// A bit that an image programs to 0, stuck at 1: programming cannot clear it
// and verification must see it.
sim::StuckBit BitThatMustClear(const std::vector<uint8_t>& firmware, std::mt19937_64& random)
{
    for (;;) {
        const size_t address = Between(random, 0, firmware.size() - 1);
        const uint8_t byte = firmware[address];
        if (byte == 0xFF)
            continue;
        int bit = static_cast<int>(Between(random, 0, 7));
        while ((byte >> bit) & 1)
            bit = (bit + 1) % 8;
        return {static_cast<uint16_t>(address), bit, 1};
    }
}

}  // namespace

const char* OperationName(Operation operation)
{
    switch (operation) {
    case Operation::RomDownload:
        return "ROM download";
    case Operation::ParameterDownload:
        return "parameter download";
    case Operation::ParameterUpload:
        return "parameter upload";
    case Operation::ModuleTest:
        return "module test";
    case Operation::RecordRead:
        return "test record read";
    }
    return "";
}

bool TalksToBootLoader(Operation operation)
{
    return operation == Operation::RomDownload;
}

std::string TimeOutText(Operation operation)
{
    switch (operation) {
    case Operation::ParameterUpload:
        return "Veltra Downloader: Time Out!";
    case Operation::RecordRead:
        return "Timeout!";
    default:
        return " - Time Out! ";
    }
}

PortFault DrawFault(Operation operation, const PortTraffic& traffic, uint32_t replyTimeoutMs, bool firstPort,
                    std::mt19937_64& random)
{
    PortFault fault;
    const bool rom = operation == Operation::RomDownload;
    const Expectation timeOut = MustFail(TimeOutText(operation));
    const auto kind = static_cast<Kind>(Between(random, 0, kKinds - 1));
    switch (kind) {
    case Kind::Silent:
        fault.faults.silent = true;
        fault.exercised = true;
        fault.expectation = timeOut;
        fault.description = "silent";
        break;
    case Kind::SilentAfter: {
        // With a single request to answer, the module falls silent at once.
        const size_t answered = traffic.requests > 1 ? Between(random, 1, traffic.requests - 1) : 0;
        fault.faults.silentAfterRequests = answered;
        fault.exercised = true;
        fault.expectation = timeOut;
        fault.description = "silent after " + std::to_string(answered) + " requests";
        break;
    }
    case Kind::RefusedBlock: {
        const size_t block = rom ? Between(random, 0, traffic.programBlocks - 1) : Between(random, 0, 40);
        fault.faults.nakBlock = block;
        fault.exercised = rom;
        // The refusal shows at once; the port's time-out follows it.
        fault.expectation = rom ? MustFail(" - Check sum ") : Expectation{};
        fault.description = "refuses program block " + std::to_string(block);
        break;
    }
    case Kind::StuckBit: {
        sim::StuckBit stuck;
        if (rom && Between(random, 0, 1) == 0) {
            stuck = BitThatMustClear(*traffic.firmware, random);
            fault.expectation = MustFail(" - Verification Fail! ");
        } else {
            // Stuck at 0 anywhere in the blank-checked half: the blank check
            // is refused, and a refused blank check waits for its time-out.
            stuck = {static_cast<uint16_t>(Between(random, 0, 0x7FFF)), static_cast<int>(Between(random, 0, 7)), 0};
            fault.expectation = rom ? timeOut : Expectation{};
        }
        fault.faults.stuckBit = stuck;
        fault.exercised = rom;
        fault.description = "flash bit " + std::to_string(stuck.address) + ":" + std::to_string(stuck.bit) +
                            " stuck at " + std::to_string(stuck.level);
        break;
    }
    case Kind::Noise: {
        const size_t bytes = Between(random, 1, 8);
        fault.faults.handshakeNoise.assign(bytes, '\xF8');
        fault.exercised = rom;
        // Noise that reaches the tool in the handshake's own chunk spoils the
        // handshake, which stops the port at once; noise in a chunk of its
        // own is dropped and the "U" after it taken.
        fault.expectation = rom ? Expectation{Outcome::Either, " - Wrong reply! "} : Expectation{};
        fault.description = std::to_string(bytes) + " noise bytes before the handshake";
        break;
    }
    case Kind::Split:
        fault.faults.chunkMax = Between(random, 1, 16);
        fault.faults.chunkGap = std::chrono::microseconds(Between(random, 20, 300));
        fault.exercised = true;
        fault.description = "replies split into pieces of up to " + std::to_string(fault.faults.chunkMax) + " bytes";
        break;
    case Kind::Delay: {
        const bool late = Between(random, 0, 1) == 0;
        const size_t ms = late ? replyTimeoutMs + Between(random, 300, 800) : Between(random, 1, 15);
        fault.faults.replyDelay = std::chrono::milliseconds(ms);
        fault.exercised = true;
        fault.expectation = late ? timeOut : Expectation{};
        fault.description = "replies " + std::to_string(ms) + " ms late";
        break;
    }
    case Kind::Stray: {
        // Bytes the line picked up before one reply. The application
        // firmware's frames must come through them with every value right;
        // the boot loader's replies are judged by their exact length, so
        // there the port must fail, whichever reply it was.
        const size_t reply = Between(random, 0, traffic.requests > 0 ? traffic.requests - 1 : 0);
        static const char kNoise[] = {'\0', '\x1B', '\r', '\xF8', 'E', 'R'};
        fault.faults.strayBeforeReply = reply;
        fault.faults.strayBytes.clear();
        for (size_t n = Between(random, 1, 3); n > 0; --n)
            fault.faults.strayBytes += kNoise[Between(random, 0, sizeof kNoise - 1)];
        fault.exercised = true;
        fault.expectation = rom ? MustFail({}) : Expectation{};
        fault.description = std::to_string(fault.faults.strayBytes.size()) + " stray bytes before reply " +
                            std::to_string(reply);
        break;
    }
    case Kind::HangUp:
    case Kind::Pulled: {
        // Pulled: the adapter goes with the line, and its port leaves the list.
        const size_t after = Between(random, 1, traffic.bytes - 1);
        fault.faults.hangUpAfterBytes = after;
        fault.exercised = true;
        fault.expectation = timeOut;
        const bool pulled = kind == Kind::Pulled;
        fault.unplug = pulled ? PortFault::Unplug::During : PortFault::Unplug::No;
        fault.description = (pulled ? "pulled out after " : "hangs up after ") + std::to_string(after) + " bytes";
        break;
    }
    case Kind::Unplugged: {
        // Pulled out before the operation: its slot is unplugged when the
        // operation starts, and the port must fail at once. The record read
        // passes over such a port without a row, and the operations that open
        // their first port before any other refuse to start without it.
        fault.unplug = PortFault::Unplug::Before;
        fault.exercised = true;
        fault.description = "unplugged before the operation";
        if (operation == Operation::RecordRead || (firstPort && operation == Operation::ParameterDownload)) {
            fault.unplug = PortFault::Unplug::No;
            fault.exercised = false;
            fault.description = "left plugged in";
        } else if (operation == Operation::ParameterUpload) {
            fault.expectation = {Outcome::Fail, "Parameter Upload: Can not open a serial port: ", true};
        } else {
            fault.expectation = MustFail(" - Can not open a serial port: unplugged ");
        }
        break;
    }
    }
    return fault;
}

}  // namespace veltra::soak
