#include "ModuleBinding.h"

#include <QLibrary>

namespace veltra {
namespace {

template <typename Fn>
void Bind(QLibrary& library, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(library.resolve(name));
}

}  // namespace

int ValidModuleNumber(int number)
{
    return (number < 0 || number > HighestModuleNumber) ? 1 : number;
}

QString ModuleFileName(int number)
{
    return QStringLiteral("Tessel%1.so").arg(number, 2, 16, QLatin1Char('0'));
}

EntryPoints BindEntryPoints(QLibrary& library)
{
    EntryPoints e;
    Bind(library, "SetWindow", e.setWindow);
    Bind(library, "SetRoot", e.setRoot);
    Bind(library, "SetCountry", e.setCountry);
    Bind(library, "CodeInit", e.codeInit);
    Bind(library, "CodeExit", e.codeExit);
    Bind(library, "CodeSize", e.codeSize);
    Bind(library, "SetCommandEvent", e.setCommandEvent);
    Bind(library, "SetLocalEvent", e.setLocalEvent);
    Bind(library, "GetToolMessage", e.getToolMessage);
    Bind(library, "InitParamData", e.initParamData);
    Bind(library, "LoadHexFile", e.loadHexFile);
    Bind(library, "LoadParaFile", e.loadParaFile);
    Bind(library, "SaveParaData", e.saveParaData);
    Bind(library, "Refresh", e.refresh);
    Bind(library, "Download", e.download);
    Bind(library, "Upload", e.upload);
    Bind(library, "CodeRomDown", e.codeRomDown);
    Bind(library, "JigTest", e.jigTest);
    Bind(library, "ShowJigTest", e.showJigTest);
    Bind(library, "CodeRomMode", e.codeRomMode);
    Bind(library, "CodeParamMode", e.codeParamMode);
    return e;
}

}  // namespace veltra
