#include "Console.h"

#include <cstdio>
#include <sstream>

#include "CommandLine.h"

namespace veltra::sim {

std::string Console::Run(const std::string& line)
{
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::string argument;
    const bool hasArgument = static_cast<bool>(in >> argument);
    std::size_t index = 0;
    if (hasArgument) {
        try {
            std::size_t used = 0;
            index = std::stoul(argument, &used);
            if (used != argument.size()) {
                index = bench_.Size();
            }
        } catch (const std::exception&) {
            index = bench_.Size();
        }
        if (index >= bench_.Size()) {
            return "no module " + argument + "; modules are 0 to " + std::to_string(bench_.Size() - 1) + "\n";
        }
    }

    if (command.empty()) {
        return "";
    }
    if (command == "quit" || command == "exit") {
        quit_ = true;
        return "";
    }
    if (command == "help") {
        return kUsage;
    }
    if (command == "state") {
        if (hasArgument) {
            return State(index);
        }
        std::string all;
        for (std::size_t i = 0; i < bench_.Size(); ++i) {
            all += State(i);
        }
        return all;
    }
    if ((command == "app" || command == "boot") && hasArgument) {
        return Restart(index, command == "app" ? Personality::Application : Personality::BootLoader);
    }
    return "unknown command \"" + line + "\"; try help\n";
}

std::string Console::Restart(std::size_t index, Personality personality)
{
    VirtualModule& module = bench_.Module(index);
    module.Restart(personality);
    std::string out = "module " + std::to_string(index) + " restarted into the " + PersonalityName(personality);
    std::string error;
    if (links_ && !links_->Point(index, module.Path(), error)) {
        out += "; " + error;
    }
    return out + "\n" + State(index);
}

std::string Console::State(std::size_t index) const
{
    const VirtualModule& module = bench_.Module(index);
    const auto eeprom = module.Eeprom();
    const auto requests = module.Requests();
    char record[32];
    std::snprintf(record, sizeof record, "%02X %02X %02X %02X", eeprom[464], eeprom[465], eeprom[466], eeprom[467]);
    std::ostringstream out;
    out << "module " << index << ": " << module.Path() << ", " << PersonalityName(module.Running());
    if (module.HungUp()) {
        out << ", hung up";
    } else if (const auto rate = module.LineRate(); rate != 0) {
        out << ", line " << rate << " bit/s";
    } else {
        out << ", line rate not set";
    }
    out << ", " << requests.size() << " requests, test record " << record << "\n";
    return out.str();
}

}  // namespace veltra::sim
