#pragma once

#include "Tessel01.h"

#include <QString>

class QLibrary;

namespace veltra {

// The entry points the host binds, in lookup order. The host never looks up
// CodeHide, CodeShow or CodeGetCommand, and never calls SetCommandEvent or
// SetLocalEvent although it binds them.
struct EntryPoints {
    SetWindowFn setWindow = nullptr;
    SetRootFn setRoot = nullptr;
    SetCountryFn setCountry = nullptr;
    CodeInitFn codeInit = nullptr;
    CodeExitFn codeExit = nullptr;
    CodeSizeFn codeSize = nullptr;
    SetCommandEventFn setCommandEvent = nullptr;
    SetLocalEventFn setLocalEvent = nullptr;
    GetToolMessageFn getToolMessage = nullptr;
    InitParamDataFn initParamData = nullptr;
    LoadHexFileFn loadHexFile = nullptr;
    LoadParaFileFn loadParaFile = nullptr;
    SaveParaDataFn saveParaData = nullptr;
    RefreshFn refresh = nullptr;
    DownloadFn download = nullptr;
    UploadFn upload = nullptr;
    CodeRomDownFn codeRomDown = nullptr;
    JigTestFn jigTest = nullptr;
    ShowJigTestFn showJigTest = nullptr;
    CodeRomModeFn codeRomMode = nullptr;
    CodeParamModeFn codeParamMode = nullptr;
};

inline constexpr int HighestModuleNumber = 0x99;

// Numbers outside 0 to 153 fall back to module 1.
int ValidModuleNumber(int number);

// "Tessel%02x.so": two lower-case hexadecimal digits, so 26 gives Tessel1a.so.
QString ModuleFileName(int number);

// A name the library lacks leaves its slot empty.
EntryPoints BindEntryPoints(QLibrary& library);

}  // namespace veltra
