#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "Board.h"
#include "ModuleLoop.h"
#include "ModuleOptions.h"
#include "PseudoTerminal.h"
#include "Request.h"
#include "Transmitter.h"

namespace veltra::sim {

// One virtual Veltra board on its own pseudo-terminal, served from construction
// to destruction by `loop`, shared with other modules, or by a loop of its own.
// Every method may be called from any thread while the module runs.
class VirtualModule : private ServedLine {
public:
    explicit VirtualModule(const ModuleOptions& options = {}, ModuleLoop* loop = nullptr);
    ~VirtualModule();
    VirtualModule(const VirtualModule&) = delete;
    VirtualModule& operator=(const VirtualModule&) = delete;

    // The slave device the tool opens, e.g. /dev/pts/7. After a hang-up it names
    // the closed terminal until Restart opens a new one.
    std::string Path() const;
    bool HungUp() const;
    // The bit rate the tool has set on its end, 0 when unknown.
    std::uint32_t LineRate() const;

    // The operator's power cycle, with the CAL MODE switch choosing what runs.
    // Whatever was on the line is lost; a hung-up module gets a new terminal.
    void Restart(Personality personality);
    Personality Running() const;

    std::vector<std::uint8_t> Flash() const;
    EepromImage Eeprom() const;
    void SetEeprom(std::uint32_t address, std::span<const std::uint8_t> bytes);
    // Item 1 to 8; 0 passes, anything else is the failure code the board reports.
    std::int32_t TestResult(int item) const;
    void SetTestResult(int item, std::int32_t code);

    Faults CurrentFaults() const;
    void SetFaults(const Faults& faults);
    void SetLineRateEmulation(bool on);

    std::vector<Request> Requests() const;
    // Forgets the log, which otherwise keeps every request for the module's
    // whole life: a long run clears it between its checks.
    void ClearRequests();
    // Waits until the log holds at least `count` entries; false when `limit` passed first.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

private:
    struct Incoming {
        char value;
        std::uint32_t rate;
        SteadyTime due;
    };

    LineWait Prepare(SteadyTime now, std::optional<SteadyTime>& deadline) override;
    void Serve(std::uint32_t events, SteadyTime now) override;
    void ReadLine(SteadyTime now);
    void ProcessInput();
    void FlushOutput();
    void HangUp();
    void Wake() const;
    Transmitter::Shape OutputShape(std::uint32_t rate) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable logGrew_;
    Board board_;
    bool lineRateEmulation_;
    std::unique_ptr<PseudoTerminal> terminal_;
    std::string path_;
    bool hungUp_ = false;
    std::uint64_t descriptor_ = 0;  // counts terminals opened and closed
    std::deque<Incoming> input_;
    LinePacer inputPacer_;
    Transmitter output_;
    bool outputBlocked_ = false;
    SteadyTime busyUntil_{};
    SteadyTime toolAbsentUntil_{};
    std::size_t received_ = 0;
    std::unique_ptr<ModuleLoop> ownLoop_;
    ModuleLoop* loop_;
};

}  // namespace veltra::sim
