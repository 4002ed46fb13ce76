// veltra-sim: virtual Veltra modules on pseudo-terminals for the demo and for
// trying the tool by hand. Prints one device path per module and serves them
// until SIGINT or SIGTERM (or "quit" on standard input).
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "CommandLine.h"
#include "Console.h"
#include "DeviceLinks.h"
#include "EepromFile.h"
#include "VirtualBench.h"

namespace {

using namespace veltra::sim;

bool DumpModules(VirtualBench& bench, const std::string& folder)
{
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    bool ok = true;
    for (std::size_t i = 0; i < bench.Size(); ++i) {
        const auto flash = bench.Module(i).Flash();
        const auto eeprom = bench.Module(i).Eeprom();
        const std::string base = folder + "/module" + std::to_string(i);
        std::string error;
        if (!veltra::WriteFileAtomically(base + ".flash.bin", std::string(flash.begin(), flash.end()), error) ||
            !veltra::WriteFileAtomically(base + ".eeprom.bin", std::string(eeprom.begin(), eeprom.end()), error)) {
            std::cerr << "veltra-sim: " << error << "\n";
            ok = false;
        }
    }
    return ok;
}

int Serve(VirtualBench& bench, const DeviceLinks* links)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    Console console(bench, links);
    bool stdinOpen = true;
    std::string pending;
    while (!console.QuitRequested()) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            break;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[512];
            const auto count = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (count <= 0) {
                // Without a console (run in the background) it serves until signalled.
                stdinOpen = false;
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(count));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
                std::cout << console.Run(pending.substr(0, end)) << std::flush;
            }
        }
    }
    ::close(signals);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    ProgramOptions options;
    std::string error;
    if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "veltra-sim: " << error << "\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    if (!options.eepromFile.empty()) {
        const auto image = LoadEepromFile(options.eepromFile, error);
        if (!image) {
            std::cerr << "veltra-sim: " << error << "\n";
            return 1;
        }
        for (auto& module : options.perModule) {
            module.eeprom = *image;
        }
    }

    // Blocked before any module thread starts, so that every thread inherits the
    // mask and the signals reach only the signalfd. A shell starts background
    // jobs with SIGINT ignored, which would discard it before the signalfd saw it.
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<VirtualBench> bench;
    try {
        bench = std::make_unique<VirtualBench>(options.perModule);
    } catch (const std::exception& e) {
        std::cerr << "veltra-sim: " << e.what() << "\n";
        return 1;
    }
    for (const auto& failing : options.failingItems) {
        bench->Module(failing.module).SetTestResult(failing.item, failing.code);
    }
    std::unique_ptr<DeviceLinks> links;
    if (!options.linkDir.empty()) {
        links = std::make_unique<DeviceLinks>(options.linkDir);
    }
    for (std::size_t i = 0; i < bench->Size(); ++i) {
        std::cout << bench->Module(i).Path() << "\n";
        if (links && !links->Point(i, bench->Module(i).Path(), error)) {
            std::cerr << "veltra-sim: " << error << "\n";
            return 1;
        }
    }
    std::cout << std::flush;

    Serve(*bench, links.get());

    int status = 0;
    if (!options.dumpDir.empty() && !DumpModules(*bench, options.dumpDir)) {
        status = 1;
    }
    if (links) {
        for (std::size_t i = 0; i < bench->Size(); ++i) {
            links->Remove(i);
        }
    }
    return status;
}
