#include "Commands.h"

#include <algorithm>
#include <array>

namespace veltra {
namespace {

using enum CommandAction;

constexpr std::array commands{
    Command{FILE_OPEN_HEX, LoadHexFile, AlwaysEnabled},
    Command{FILE_OPEN_PARAM, LoadParaFile, 2},
    Command{FILE_EXIT, Exit, AlwaysEnabled},
    Command{ROM_DOWN, CodeRomDown, 21},
    Command{PARAM_UP, Upload, 23},
    Command{PARAM_DOWN, Download, 22},
    Command{MODE_ROM, ModeRom, AlwaysEnabled},
    Command{MODE_PARAM, ModeParam, AlwaysEnabled},
    Command{HELP_ABOUT, About, AlwaysEnabled},
    Command{PARAM_INIT, InitParamData, 2},
    Command{TOOL_OPEN_ROM, LoadHexFile, AlwaysEnabled},
    Command{TOOL_OPEN_PARAM, LoadParaFile, 2},
    Command{PARAM_SAVE, SaveParaData, 2},
    Command{TOOL_REFRESH, Refresh, 4},
    Command{TOOL_DOWNLOAD, Download, 5},
    Command{TOOL_UPLOAD, Upload, 6},
    Command{JIG_TEST, JigTest, 7},
    Command{JIG_SHOW, ShowJigTest, 7},
};

}  // namespace

std::span<const Command> AllCommands()
{
    return commands;
}

const Command* FindCommand(int id)
{
    const auto* found = std::find_if(commands.begin(), commands.end(), [id](const Command& c) { return c.id == id; });
    return found == commands.end() ? nullptr : found;
}

}  // namespace veltra
