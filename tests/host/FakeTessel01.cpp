// A stand-in code module: logs every call, counts the host's GetToolMessage
// queries and answers them from a table the test fills, and reports opened
// files to the host view the way the real module does. Built twice, once
// without a few entry points. Tests reach it through the variables below.
#include "StatusTextEvent.h"
#include "Tessel01.h"

#include <QCoreApplication>
#include <QObject>

#include <array>
#include <string>
#include <vector>

extern "C" {
TESSEL_EXPORT std::vector<std::string> fakeCalls;
TESSEL_EXPORT int fakeToolQueries = 0;
TESSEL_EXPORT std::array<int32_t, 40> fakeToolStates{};
TESSEL_EXPORT void* fakeHostView = nullptr;
}

namespace {

int32_t Called(const std::string& call)
{
    fakeCalls.push_back(call);
    return 0;
}

// The text lives on this stack frame only, as it does in the real module.
int32_t OpenFile(const char* entry, int pane, const std::string& text)
{
    std::string transient = text;
    veltra::StatusTextEvent event(pane, transient.c_str());
    QCoreApplication::sendEvent(static_cast<QObject*>(fakeHostView), &event);
    transient.assign(transient.size(), '#');
    return Called(entry);
}

}  // namespace

extern "C" {

void CodeExit(void) { Called("CodeExit"); }
void CodeGetCommand(char* out) { out[0] = static_cast<char>(Called("CodeGetCommand")); }
int32_t CodeHide(void) { return Called("CodeHide"); }
int32_t CodeInit(void) { return Called("CodeInit"); }
int32_t CodeParamMode(int32_t on) { return Called("CodeParamMode(" + std::to_string(on) + ")"); }
int32_t CodeRomDown(void) { return Called("CodeRomDown"); }
void CodeRomMode(int32_t flag) { Called("CodeRomMode(" + std::to_string(flag) + ")"); }
int32_t CodeShow(void) { return Called("CodeShow"); }
int32_t Download(void) { return Called("Download"); }
int32_t InitParamData(void) { return Called("InitParamData"); }
int32_t JigTest(void) { return Called("JigTest"); }
int32_t LoadHexFile(void) { return OpenFile("LoadHexFile", 0, "The opened ROM file: /work/a.hex"); }
int32_t LoadParaFile(void) { return OpenFile("LoadParaFile", 1, "The opened Parameter file: /work/b.vtp"); }
int32_t Refresh(void) { return Called("Refresh"); }
int32_t SaveParaData(void) { return Called("SaveParaData"); }
int32_t SetCommandEvent(int32_t, int32_t) { return Called("SetCommandEvent"); }
void SetCountry(const char* country) { Called(std::string("SetCountry(") + country + ")"); }
int32_t SetLocalEvent(int32_t) { return Called("SetLocalEvent"); }
uint32_t SetRoot(const char* path) { return static_cast<uint32_t>(Called(std::string("SetRoot(") + path + ")")); }
void* SetWindow(void* view) { Called("SetWindow"); return fakeHostView = view; }
int32_t ShowJigTest(void) { return Called("ShowJigTest"); }
int32_t Upload(void) { return Called("Upload"); }

#ifndef FAKE_WITHOUT_SIZE_AND_TOOLS
int32_t CodeSize(void) { return Called("CodeSize"); }
int32_t GetToolMessage(int32_t index)
{
    ++fakeToolQueries;
    return fakeToolStates.at(static_cast<std::size_t>(index));
}
#endif

}  // extern "C"
