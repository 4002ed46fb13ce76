#pragma once

#include "Prompts.h"
#include "ReplyDispatcher.h"
#include "RunSettings.h"
#include "Sequence.h"

#include <array>
#include <cstdint>

namespace veltra {

// The test record read: the four bytes a module test left in each ticked
// module's EEPROM, read port by port in list order.
class TestRecordRead : public Sequence {
public:
    TestRecordRead(ReplyDispatcher& dispatcher, Prompts& prompts, const RunTexts& texts, const RunTimeouts& timeouts);

    void PrepareRecordRead();
    void ReadTestRecords();

    void OnReply(int port, PortSlot& slot, bool right) override;
    void OnTimeout(int port, int eventCode, char lastCode) override;

private:
    void MoveRecordReadTo(int port);
    void ReadTestRecordByte(int port, uint32_t address);
    void ReadNextTestRecord(int port, bool openOnly);
    void PortNotRead(int port, int why, const std::string& text);

    ReplyDispatcher& dispatcher_;
    PortBank& bank_;
    Prompts& prompts_;
    const RunTexts& texts_;
    const RunTimeouts& timeouts_;
    uint32_t address_ = 0;  // of the byte being read
    std::array<uint8_t, 4> record_{};
};

}  // namespace veltra
