// The module's 24 entry points. Each is a thin door into the one sheet that
// CodeInit creates inside the host's view; none reports failure to the host.
#include "Tessel01.h"

#include "CFlashkitSheet.h"

#include <QPointer>

#include <cstring>
#include <string>

namespace {

struct ModuleState {
    std::string root;
    std::string country = "UN";
    QWidget* hostView = nullptr;
    int32_t operationWindow = 0;
    int32_t commandEvent = 0;
    int32_t localEvent = 0;
    QPointer<veltra::CFlashkitSheet> sheet;
};

ModuleState& State()
{
    static ModuleState state;
    return state;
}

veltra::CFlashkitSheet* Sheet()
{
    return State().sheet.data();
}

// Paths and codes are kept to 511 bytes, the most the settings and caption
// readers ever take.
std::string Bounded(const char* text)
{
    if (text == nullptr)
        return {};
    return std::string(text, strnlen(text, 511));
}

}  // namespace

extern "C" {

void CodeExit(void) {}

// One body for both names. The C calling convention leaves the argument to the
// caller, so the body that takes none serves both.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattribute-alias"
void CodeRomMode(int32_t) __attribute__((alias("CodeExit")));
#pragma GCC diagnostic pop

void CodeGetCommand(char* out)
{
    if (out != nullptr)
        out[0] = '\0';
}

int32_t CodeHide(void)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    if (sheet == nullptr)
        return 0;
    const bool visible = sheet->isVisible();
    sheet->setEnabled(false);
    sheet->hide();
    return visible ? 1 : 0;
}

int32_t CodeShow(void)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    if (sheet == nullptr)
        return 0;
    const bool visible = sheet->isVisible();
    sheet->setEnabled(true);
    sheet->show();
    return visible ? 1 : 0;
}

int32_t CodeInit(void)
{
    ModuleState& state = State();
    // A second sheet would hold the same serial ports as the first.
    delete state.sheet.data();
    auto* sheet = new veltra::CFlashkitSheet(state.hostView, state.root, state.country);
    state.sheet = sheet;
    sheet->Initialise();
    const bool visible = sheet->isVisible();
    sheet->hide();
    return visible ? 1 : 0;
}

int32_t CodeParamMode(int32_t on)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->CodeParamMode(on != 0);
    return 0;
}

int32_t CodeRomDown(void)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    return sheet != nullptr ? sheet->CodeRomDown() : 0;
}

int32_t CodeSize(void)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    if (sheet == nullptr)
        return 0;
    sheet->LayoutSheet();
    sheet->show();
    return 1;
}

int32_t Download(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->StartDownload();
    return 0;
}

int32_t GetToolMessage(int32_t index)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    return sheet != nullptr ? sheet->GetToolMessage(index) : 0;
}

int32_t InitParamData(void)
{
    veltra::CFlashkitSheet* sheet = Sheet();
    return sheet != nullptr ? sheet->LoadDefaultParameterFile(true) : 0;
}

int32_t JigTest(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->JigTest();
    return 0;
}

int32_t LoadHexFile(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->ChooseRomFile();
    return 0;
}

int32_t LoadParaFile(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->ChooseParameterFile();
    return 0;
}

int32_t Refresh(void)
{
    return 20;
}

int32_t SaveParaData(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->SaveParameterFile();
    return 0;
}

int32_t SetCommandEvent(int32_t window, int32_t event)
{
    State().operationWindow = window;
    State().commandEvent = event;
    return event;
}

void SetCountry(const char* country)
{
    State().country = Bounded(country);
}

int32_t SetLocalEvent(int32_t event)
{
    State().localEvent = event;
    return 0;
}

uint32_t SetRoot(const char* path)
{
    State().root = Bounded(path);
    return static_cast<uint32_t>(State().root.size() + 1);
}

void* SetWindow(void* hostView)
{
    State().hostView = static_cast<QWidget*>(hostView);
    return hostView;
}

int32_t ShowJigTest(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->ShowJigTest();
    return 0;
}

int32_t Upload(void)
{
    if (veltra::CFlashkitSheet* sheet = Sheet())
        sheet->StartUpload();
    return 0;
}

}  // extern "C"
