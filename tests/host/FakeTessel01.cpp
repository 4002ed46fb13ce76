// A stand-in code module: records every call, answers GetToolMessage from a
// table the test sets, and reports opened files to the host view the way the
// real module does. Built twice, once without a few entry points.
#include "FakeTessel01.h"

#include "StatusTextEvent.h"

#include <QCoreApplication>
#include <QObject>

#include <array>
#include <string>

namespace {

std::string callLog;
std::array<int32_t, 40> toolStates{};
void* hostView = nullptr;

void Record(const std::string& call)
{
    callLog += call;
    callLog += '\n';
}

int32_t Called(const char* name)
{
    Record(name);
    return 0;
}

// The text lives on this stack frame only, as it does in the real module.
void SendStatus(int pane, const std::string& text)
{
    std::string transient = text;
    veltra::StatusTextEvent event(pane, transient.c_str());
    QCoreApplication::sendEvent(static_cast<QObject*>(hostView), &event);
    transient.assign(transient.size(), '#');
}

}  // namespace

extern "C" {

const char* FakeCallLog(void) { return callLog.c_str(); }
void FakeSetToolState(int32_t index, int32_t value) { toolStates.at(static_cast<std::size_t>(index)) = value; }
void* FakeWindow(void) { return hostView; }

void CodeExit(void) { Record("CodeExit"); }
void CodeGetCommand(char* out) { Record("CodeGetCommand"); out[0] = '\0'; }
int32_t CodeHide(void) { return Called("CodeHide"); }
int32_t CodeInit(void) { return Called("CodeInit"); }
int32_t CodeParamMode(int32_t on) { Record("CodeParamMode(" + std::to_string(on) + ")"); return 0; }
int32_t CodeRomDown(void) { return Called("CodeRomDown"); }
void CodeRomMode(int32_t flag) { Record("CodeRomMode(" + std::to_string(flag) + ")"); }
int32_t CodeShow(void) { return Called("CodeShow"); }
int32_t Download(void) { return Called("Download"); }
int32_t InitParamData(void) { return Called("InitParamData"); }
int32_t JigTest(void) { return Called("JigTest"); }
int32_t Refresh(void) { Record("Refresh"); return 20; }
int32_t SaveParaData(void) { return Called("SaveParaData"); }
int32_t SetCommandEvent(int32_t, int32_t event) { Record("SetCommandEvent"); return event; }
void SetCountry(const char* country) { Record(std::string("SetCountry(") + country + ")"); }
int32_t SetLocalEvent(int32_t) { return Called("SetLocalEvent"); }
uint32_t SetRoot(const char* path)
{
    const std::string root(path);
    Record("SetRoot(" + root + ")");
    return static_cast<uint32_t>(root.size() + 1);
}
void* SetWindow(void* view) { Record("SetWindow"); hostView = view; return view; }
int32_t ShowJigTest(void) { return Called("ShowJigTest"); }
int32_t Upload(void) { return Called("Upload"); }

int32_t LoadHexFile(void)
{
    Record("LoadHexFile");
    SendStatus(0, "The opened ROM file: /work/a.hex");
    return 0;
}

int32_t LoadParaFile(void)
{
    Record("LoadParaFile");
    SendStatus(1, "The opened Parameter file: /work/b.vtp");
    return 0;
}

#ifndef FAKE_WITHOUT_SIZE_AND_TOOLS
int32_t CodeSize(void) { return Called("CodeSize"); }
int32_t GetToolMessage(int32_t index)
{
    Record("GetToolMessage(" + std::to_string(index) + ")");
    return toolStates.at(static_cast<std::size_t>(index));
}
#endif

}  // extern "C"
