#include "CommandLine.h"

#include <functional>
#include <optional>

namespace veltra::sim {

const char* const kUsage =
    "usage: veltra-sim [--modules N] [--boot|--app] [--eeprom FILE] [--line-rate]\n"
    "                  [--erase-ms MS] [--seed N] [--link-dir DIR] [--dump DIR]\n"
    "                  [--on N|all] [fault options]\n"
    "fault options: --silent  --silent-after N  --nak-block K  --stuck-bit ADDR:BIT[:LEVEL]\n"
    "               --readback-mark X|L  --noise N  --chunks MAX  --chunk-gap-us US\n"
    "               --delay MS  --hang-up-after N  --fail-item ITEM:CODE  --dead-eeprom ADDR\n"
    "               --split-at K  --stray-before N  --garble N\n"
    "commands on standard input: app N, boot N, state [N], help, quit\n";

namespace {

// Decimal, or hexadecimal with 0x; the whole text must be the number.
std::optional<std::int64_t> Number(const std::string& text)
{
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used, 0);
        if (used == text.size()) {
            return value;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::vector<std::string> Fields(const std::string& text)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1) {
        fields.push_back(text.substr(start, colon - start));
    }
    fields.push_back(text.substr(start));
    return fields;
}

std::size_t CountModules(const std::vector<std::string>& args)
{
    std::size_t count = 1;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--modules") {
            count = static_cast<std::size_t>(Number(args[i + 1]).value_or(0));
        }
    }
    return count;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options, std::string& error)
{
    options.modules = CountModules(args);
    if (options.modules < 1 || options.modules > 256) {
        error = "--modules wants a count from 1 to 256";
        return false;
    }
    ModuleOptions base;
    // Long enough for the erase progress to be seen in the demo.
    base.eraseTime = std::chrono::milliseconds(2000);
    options.perModule.assign(options.modules, base);
    std::optional<std::size_t> target;
    std::int64_t seed = 1;

    const auto forEach = [&](const std::function<void(ModuleOptions&)>& change) {
        for (std::size_t m = 0; m < options.modules; ++m) {
            if (!target || *target == m) {
                change(options.perModule[m]);
            }
        }
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::string text;
        std::optional<std::int64_t> number;
        const auto takeValue = [&]() {
            if (i + 1 >= args.size()) {
                error = option + " needs a value";
                return false;
            }
            text = args[++i];
            number = Number(text);
            return true;
        };
        const auto takeNumber = [&](std::int64_t low, std::int64_t high) {
            if (!takeValue()) {
                return false;
            }
            if (!number || *number < low || *number > high) {
                error = option + " wants a number from " + std::to_string(low) + " to " + std::to_string(high) +
                        ", not \"" + text + "\"";
                return false;
            }
            return true;
        };
        constexpr std::int64_t kMany = 1'000'000'000;

        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--modules") {
            ++i;
        } else if (option == "--boot" || option == "--app") {
            const auto start = option == "--boot" ? Personality::BootLoader : Personality::Application;
            forEach([&](ModuleOptions& m) { m.start = start; });
        } else if (option == "--line-rate") {
            forEach([](ModuleOptions& m) { m.lineRateEmulation = true; });
        } else if (option == "--eeprom") {
            if (!takeValue()) {
                return false;
            }
            options.eepromFile = text;
        } else if (option == "--link-dir" || option == "--dump") {
            if (!takeValue()) {
                return false;
            }
            (option == "--link-dir" ? options.linkDir : options.dumpDir) = text;
        } else if (option == "--erase-ms") {
            if (!takeNumber(0, kMany)) {
                return false;
            }
            forEach([&](ModuleOptions& m) { m.eraseTime = std::chrono::milliseconds(*number); });
        } else if (option == "--seed") {
            if (!takeNumber(0, 0xFFFFFFFF)) {
                return false;
            }
            seed = *number;
        } else if (option == "--on") {
            if (!takeValue()) {
                return false;
            }
            if (text == "all") {
                target.reset();
            } else if (number && *number >= 0 && static_cast<std::size_t>(*number) < options.modules) {
                target = static_cast<std::size_t>(*number);
            } else {
                error = "--on wants \"all\" or a module from 0 to " + std::to_string(options.modules - 1);
                return false;
            }
        } else if (option == "--silent") {
            forEach([](ModuleOptions& m) { m.faults.silent = true; });
        } else if (option == "--silent-after" || option == "--nak-block" || option == "--hang-up-after" ||
                   option == "--split-at" || option == "--stray-before" || option == "--garble") {
            if (!takeNumber(0, kMany)) {
                return false;
            }
            const auto n = static_cast<std::size_t>(*number);
            forEach([&](ModuleOptions& m) {
                (option == "--silent-after"   ? m.faults.silentAfterRequests
                 : option == "--nak-block"    ? m.faults.nakBlock
                 : option == "--split-at"     ? m.faults.splitAt
                 : option == "--stray-before" ? m.faults.strayBeforeReply
                 : option == "--garble"       ? m.faults.garbledReply
                                              : m.faults.hangUpAfterBytes) = n;
            });
        } else if (option == "--noise" || option == "--chunks") {
            if (!takeNumber(option == "--noise" ? 0 : 1, 4096)) {
                return false;
            }
            forEach([&](ModuleOptions& m) {
                if (option == "--noise") {
                    // What a UART typically makes of a line still settling.
                    m.faults.handshakeNoise.assign(static_cast<std::size_t>(*number), '\xF8');
                } else {
                    m.faults.chunkMax = static_cast<std::size_t>(*number);
                }
            });
        } else if (option == "--chunk-gap-us" || option == "--delay") {
            if (!takeNumber(0, kMany)) {
                return false;
            }
            forEach([&](ModuleOptions& m) {
                if (option == "--delay") {
                    m.faults.replyDelay = std::chrono::milliseconds(*number);
                } else {
                    m.faults.chunkGap = std::chrono::microseconds(*number);
                }
            });
        } else if (option == "--readback-mark") {
            if (!takeValue()) {
                return false;
            }
            if (text != "X" && text != "L") {
                error = "--readback-mark wants X or L";
                return false;
            }
            forEach([&](ModuleOptions& m) { m.faults.readBackMark = text[0]; });
        } else if (option == "--dead-eeprom") {
            if (!takeNumber(0, 0xFFFFFFFF)) {
                return false;
            }
            forEach([&](ModuleOptions& m) { m.faults.deadEepromAddress = static_cast<std::uint32_t>(*number); });
        } else if (option == "--stuck-bit") {
            if (!takeValue()) {
                return false;
            }
            const auto fields = Fields(text);
            const std::int64_t address = Number(fields[0]).value_or(-1);
            const std::int64_t bit = fields.size() > 1 ? Number(fields[1]).value_or(-1) : -1;
            const std::int64_t level = fields.size() > 2 ? Number(fields[2]).value_or(-1) : 1;
            if (fields.size() > 3 || address < 0 || address > 0xFFFF || bit < 0 || bit > 7 || (level != 0 && level != 1)) {
                error = "--stuck-bit wants ADDR:BIT[:LEVEL], address 0 to 0xFFFF, bit 0 to 7, level 0 or 1";
                return false;
            }
            forEach([&](ModuleOptions& m) {
                m.faults.stuckBit = StuckBit{static_cast<std::uint16_t>(address), static_cast<int>(bit), static_cast<int>(level)};
            });
        } else if (option == "--fail-item") {
            if (!takeValue()) {
                return false;
            }
            const auto fields = Fields(text);
            const std::int64_t item = Number(fields[0]).value_or(0);
            const std::int64_t code = fields.size() == 2 ? Number(fields[1]).value_or(0) : 0;
            if (item < 1 || item > kTestItems || code == 0 || code < INT32_MIN || code > INT32_MAX) {
                error = "--fail-item wants ITEM:CODE, item 1 to 8, a non-zero 32-bit code";
                return false;
            }
            for (std::size_t m = 0; m < options.modules; ++m) {
                if (!target || *target == m) {
                    options.failingItems.push_back({m, static_cast<int>(item), static_cast<std::int32_t>(code)});
                }
            }
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    for (std::size_t m = 0; m < options.modules; ++m) {
        options.perModule[m].seed = static_cast<std::uint32_t>(seed) + static_cast<std::uint32_t>(m);
    }
    return true;
}

}  // namespace veltra::sim
