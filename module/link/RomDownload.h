#pragma once

#include "Prompts.h"
#include "ReplyDispatcher.h"
#include "RomImage.h"
#include "RunSettings.h"
#include "Sequence.h"

#include <functional>
#include <vector>

namespace veltra {

// The ROM download: through each module's boot loader the handshake, then
// erase, blank check, program blocks with their finalisation records and
// read-back ranges, as the options select, every port at its own pace. Also
// the initial erase, which tells running application firmware to give way
// to the boot loader.
class RomDownload : public Sequence {
public:
    RomDownload(ReplyDispatcher& dispatcher, Prompts& prompts, const RomImage& image, const RunTexts& texts,
                const RunTimeouts& timeouts);

    // Read when each next phase is chosen, and the rate the run opens its ports at.
    void SetOptions(std::function<RomOptions()> options) { options_ = std::move(options); }
    void SetRunRate(std::function<uint32_t()> rate) { rate_ = std::move(rate); }

    // Programming and verification need an image: without one, false with
    // the reason shown, before anything is sent.
    bool RomImageReady();
    void BeginRomRun();
    // Every selected port opened afresh at the application's rate, then the
    // mode mark (when `modeMark`) and the initial erase request; the ports
    // are closed and shown so. The ports the request did not go out to.
    std::vector<int> RunInitialErase(bool modeMark);

    void OnReply(int port, PortSlot& slot, bool right) override;
    void OnTimeout(int port, int eventCode, char lastCode) override;

private:
    struct Progress {
        int step = 0;              // 0 connected, 1 erased, 2 blank-checked, 3 programmed, 4 verified
        uint32_t total = 0;        // hexadecimal characters of addresses 0..lastAddress
        uint32_t remaining = 0;    // characters not yet programmed
        uint32_t done = 0;         // characters programmed or verified so far
        uint32_t rangeChars = 0;   // characters the current read-back range asks for
        uint32_t rangeStart = 0;
        int finalIndex = 0;
    };

    bool NextRomStep(int port);
    void SendErase(int port);
    void SendBlankCheck(int port);
    void SendFirstBlock(int port);
    void SendNextBlock(int port);
    void SendFinalisation(int port, int index);
    void SendFirstReadBack(int port);
    void SendNextReadBack(int port);
    void ReadBackReply(int port, PortSlot& slot);
    Progress& State(int port) { return states_.at(static_cast<size_t>(port)); }

    ReplyDispatcher& dispatcher_;
    PortBank& bank_;
    Prompts& prompts_;
    const RomImage& image_;
    const RunTexts& texts_;
    const RunTimeouts& timeouts_;
    std::function<RomOptions()> options_;
    std::function<uint32_t()> rate_;
    std::vector<Progress> states_;
    int initialEraseTimeouts_ = 0;
};

}  // namespace veltra
