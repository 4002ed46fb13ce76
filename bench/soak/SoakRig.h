#pragma once

#include "DeviceLinks.h"
#include "FaultPlan.h"
#include "ModuleMemory.h"
#include "ParameterTable.h"
#include "ProgramFolder.h"
#include "RowHistory.h"
#include "SheetDriver.h"
#include "SoakOptions.h"
#include "SoakTally.h"
#include "VirtualBench.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace veltra::soak {

// The sheet on the offscreen platform and its virtual modules, one port each,
// worked through one operation after another as an operator would, with
// faults switched on here and there, and every outcome checked.
class SoakRig {
public:
    SoakRig(const SoakOptions& options, SoakTally& tally);
    ~SoakRig();
    SoakRig(const SoakRig&) = delete;
    SoakRig& operator=(const SoakRig&) = delete;

    // Why the rig could not be set up; empty when it is ready.
    const std::string& SetUpFailure() const { return setUpFailure_; }

    // One operation of every kind without faults, checked but not counted:
    // Qt and the tool set up much on first use, and the peak memory at the
    // first counted operation must not include that.
    void WarmUp();
    // One operation of the given kind, numbered from 1; its checks go to the tally.
    void Run(int number, Operation operation);

private:
    struct OperationRun {
        int number = 0;
        Operation operation = Operation::RomDownload;
        std::vector<int> ports;            // ticked, in list order
        std::map<int, PortFault> faults;   // the ports that got one
        std::set<int> failed;              // ports that ended without finishing
        size_t messagesBefore = 0;
        bool hung = false;
        std::string refusal;  // the message the operation may be refused with, if any
        int records = -1;     // record lines the operation must leave; -1: one per port
        bool noneOpened = false;  // every ticked port was unplugged, and Connection said so
    };

    // What one port of a status window run showed.
    struct RowOutcome {
        bool finished = false;
        std::vector<std::string> texts;
    };

    // One file per kind of operation.
    void RomDownload(OperationRun& run);
    void ParameterDownload(OperationRun& run);
    void ParameterUpload(OperationRun& run);
    void ModuleTest(OperationRun& run);
    void RecordRead(OperationRun& run);

    // Faults for a random share of the run's ports, placed within the
    // traffic the operation sends each of them.
    void PlanFaults(OperationRun& run, const PortTraffic& traffic);
    // Every port's module in the program the operation talks to, with its
    // faults; a faulty one starts afresh, so that its counts of bytes and
    // requests start with the operation.
    void PrepareModules(const OperationRun& run, sim::Personality personality);
    // Writes the firmware file with a modification time of its own; its
    // path, or empty when it could not be written.
    std::string WriteFirmware(const std::vector<uint8_t>& firmware);
    void Connect(OperationRun& run, const QString& baudRate);
    // Runs an operation whose modal window `start` opens, pressing its
    // `button` once `pressWhen` holds, as the operator would, under the
    // watchdog; whether the button was pressed.
    bool RunWindow(OperationRun& run, QDialog& window, const std::string& name, const char* button,
                   const std::function<bool()>& pressWhen, const std::function<void()>& start);
    std::vector<RowOutcome> RunInStatusWindow(OperationRun& run, const std::function<void()>& start);
    // The message boxes the operation has shown so far, and how often one said `text`.
    std::vector<std::string> MessagesSince(const OperationRun& run) const;
    int MessageCount(const OperationRun& run, const std::string& text) const;

    // Weighs what a port showed against what it had to show and counts it.
    void Judge(OperationRun& run, int port, const Expectation& expected, bool finished,
               const std::vector<std::string>& shown);
    const PortFault* FaultOf(const OperationRun& run, int port) const;
    void CheckMemory(const OperationRun& run, int port, const ModuleMemory& expected);
    void EndOperation(OperationRun& run, sim::Personality personality);
    void CheckNothingLeft(const OperationRun& run, int threadsBefore, size_t descriptorsBefore);
    // Points the port's link at its module's terminal; the error, if any.
    std::string Relink(int port);
    void Restart(const OperationRun& run, int port, sim::Personality personality);
    void Fail(const OperationRun& run, int port, const std::string& what);

    // The adapters pulled out during the operation, as their modules hang up.
    void PullHungUpAdapters();
    size_t RecordLines() const;
    bool Unplugged(const OperationRun& run, int port) const;

    int Between(int low, int high);
    bool Chance(double probability);

    SoakOptions options_;
    SoakTally& tally_;
    std::mt19937_64 random_;
    std::string setUpFailure_;
    bench::ProgramFolder folder_;
    std::unique_ptr<sim::VirtualBench> modules_;
    std::unique_ptr<sim::DeviceLinks> links_;
    std::unique_ptr<bench::SheetDriver> driver_;
    std::unique_ptr<RowHistory> statusRows_;
    ParameterTable layout_;          // the shipped parameter file's rows
    int firmwareVersion_ = 0;
    std::vector<ModuleMemory> model_;  // what every module holds between operations
    std::vector<int> pullWhenHungUp_;
    size_t recordLinesBefore_ = 0;
};

}  // namespace veltra::soak
