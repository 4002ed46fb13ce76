#pragma once

#include "ModuleFacts.h"

#include <cstdint>
#include <string>

namespace veltra {

// Reply time-outs of the requests, in milliseconds.
struct RunTimeouts {
    uint32_t bootLoader = module_facts::kBootLoaderTimeoutMs;
    uint32_t application = module_facts::kApplicationTimeoutMs;
    uint32_t testRecord = module_facts::kTestRecordTimeoutMs;
};

// Which phases of a ROM download run, read when each next phase is chosen.
struct RomOptions {
    bool erase = false;
    bool blankCheck = false;
    bool romDown = false;
    bool verify = false;
};

// Texts the engine shows, from the module's caption file.
struct RunTexts {
    std::string timeOut = "Time Out!";
    std::string checkSum = "Check sum";
    std::string verificationFail = "Verification Fail!";
    std::string wrongReply = "Wrong reply!";
    std::string loadRomFirst = "Please, load a ROM file...";
    std::string downloaderCaption = "Veltra Downloader";
    std::string uploadCaption = "Parameter Upload";
    std::string downloadCaption = "Parameter Download";
    std::string romCaption = "ROM Download";
    std::string testCaption = "Module Test";
    std::string cannotOpen = "Can not open a serial port:";
    std::string selectPort = "Please, select a port";
    std::string selectPorts = "Please, select ports";
    std::string onlyOneScale = "You should select a only ONE scale.";
    std::string noParameter = "There is no selected parameter.";
    std::string checkParameter = "Please, check the parameter data:";
    std::string testPassed = "Test Passed";
    std::string testFailed = "Fail!";
    std::string initialEraseOk = "Initial erase is OK!";
    std::string releaseCalMode = "Release CAL MODE switch and restart the scale";
};

class CaptionSet;

// The engine's texts from the module's caption file, with its English defaults.
RunTexts RunTextsFrom(const CaptionSet& captions);

}  // namespace veltra
