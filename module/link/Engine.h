#pragma once

#include "ModuleTest.h"
#include "ParameterTransfer.h"
#include "PortBank.h"
#include "Prompts.h"
#include "ReplyDispatcher.h"
#include "RomDownload.h"
#include "RunObserver.h"
#include "RunSettings.h"
#include "TestRecordRead.h"

#include <functional>

namespace veltra {

struct ParameterTable;
struct RomImage;

// The engine of every operation, with no window of its own: the ports, the
// dispatcher and one sequence per operation. The sheet drives it through its
// windows, the command-line program without any; both hear of the run
// through a RunObserver and speak to the operator through Prompts.
class Engine {
public:
    Engine(RomImage& image, ParameterTable& parameters, Prompts& prompts, RunTexts texts = {},
           RunTimeouts timeouts = {});

    PortBank& Ports() { return bank_; }
    ReplyDispatcher& Dispatcher() { return dispatcher_; }
    RomDownload& Rom() { return rom_; }
    ParameterTransfer& Parameters() { return parameters_; }
    ModuleTest& Test() { return test_; }
    TestRecordRead& Records() { return records_; }
    const RunTexts& Texts() const { return texts_; }

    // The operation window asks for its run: (1, '?') the ROM download, (1,
    // 'Q') the parameter download, (1, 'H') the module test, (0, 'P') the
    // upload, (0, 'J') the test record read.
    void OnStatusRequest(int type, int value);
    // The run is stopped from outside (its window closed with the button, a
    // signal to the command-line program): every port is closed.
    void StopRun(const std::string& why);

private:
    RunTexts texts_;
    RunTimeouts timeouts_;
    PortBank bank_;
    ReplyDispatcher dispatcher_;
    RomDownload rom_;
    ParameterTransfer parameters_;
    ModuleTest test_;
    TestRecordRead records_;
};

}  // namespace veltra
