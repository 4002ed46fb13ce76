#pragma once

#include "Faults.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace veltra::soak {

enum class Operation { RomDownload, ParameterDownload, ParameterUpload, ModuleTest, RecordRead };

constexpr int kOperationKinds = 5;

const char* OperationName(Operation operation);
bool TalksToBootLoader(Operation operation);

// What a port must show when an operation is over.
enum class Outcome { Succeed, Fail, Either };

struct Expectation {
    Outcome outcome = Outcome::Succeed;
    // What the port shows when it fails, as the operation shows it: a row's
    // text, a message or a cell; empty when any failure will do.
    std::string failureText;
    // The text shown only begins with failureText (a message naming the port).
    bool prefix = false;
};

// How much an operation asks of every port at the least, so that a fault
// meant to strike part-way is placed where the operation reaches it.
struct PortTraffic {
    size_t requests = 0;
    size_t bytes = 0;
    // ROM download only: the image and its program blocks.
    const std::vector<uint8_t>* firmware = nullptr;
    size_t programBlocks = 0;
};

struct PortFault {
    sim::Faults faults;
    // The adapter is pulled out: before the operation (its port is missing
    // when the operation starts), or when its module hangs up during it.
    enum class Unplug { No, Before, During } unplug = Unplug::No;
    // A fault the operation never meets (a refused program block in a
    // parameter transfer) is not counted as injected; the port must work.
    bool exercised = false;
    Expectation expectation;
    std::string description;
};

// One of the faults a board can have, drawn at random and placed inside the
// operation's traffic, with what the operation must make of it.
// `firstPort`: the operation's first port, which some operations open before
// anything else and which is then not pulled out beforehand.
PortFault DrawFault(Operation operation, const PortTraffic& traffic, uint32_t replyTimeoutMs, bool firstPort,
                    std::mt19937_64& random);

// How each operation shows a port's time-out.
std::string TimeOutText(Operation operation);

// The record read's message once every ticked port has been read.
inline const char* const kRecordsRead = "Veltra Downloader: Compeleted!";
// What Connection says when none of the ticked ports would open.
inline const char* const kNoPortOpened = "Veltra Downloader: Please, check a port and select a port...";
// The question before a ROM download whose file changed since it was read.
inline const char* const kFirmwareChanged =
    "ROM Download: The ROM file is changed. \nDo you want to down this changed file?";

}  // namespace veltra::soak
