#pragma once

#include "Prompts.h"
#include "UtcClock.h"
#include "ReplyDispatcher.h"
#include "RunSettings.h"
#include "Sequence.h"

#include <array>
#include <string>
#include <vector>

namespace veltra {

// The name a module test item (1 to 8) goes by in the status window's rows.
std::string TestItemName(int item);

// The module test: every ticked module runs the chosen self-checks one by
// one, and its EEPROM is stamped with the date and a result byte.
class ModuleTest : public Sequence {
public:
    ModuleTest(ReplyDispatcher& dispatcher, Prompts& prompts, const RunTexts& texts, const RunTimeouts& timeouts);

    // The items selected, entry n - 1 for item n.
    void SetTestItems(const std::array<int, 8>& flags) { testItemFlags_ = flags; }
    int TestItemCount() const;
    // Whether a test can start: a ticked port, said when there is none.
    bool HasPorts();
    void StartModuleTest();

    void OnReply(int port, PortSlot& slot, bool right) override;
    void OnTimeout(int port, int eventCode, char lastCode) override;

private:
    struct Progress {
        int testItem = 0;         // the item running, 9 once all have passed
        int stampWrites = 0;      // date bytes sent, 0 to 3
        CalendarDate stampDate;   // read once, so a test across midnight stamps one date
        bool itemPassed = false;
        bool resultWritten = false;
        uint8_t resultBits = 0xFF;
    };

    void EvaluateTestReply(int port, PortSlot& slot);
    void NextTestItem(int port);
    void WriteTestStamp(int port);
    void WriteTestResult(int port);
    void AfterWrite(int port);
    Progress& At(int port) { return states_.at(static_cast<size_t>(port)); }

    ReplyDispatcher& dispatcher_;
    PortBank& bank_;
    Prompts& prompts_;
    const RunTexts& texts_;
    const RunTimeouts& timeouts_;
    std::array<int, 8> testItemFlags_{1, 1, 1, 1, 1, 1, 1, 1};
    std::vector<Progress> states_;
};

}  // namespace veltra
