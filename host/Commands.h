#pragma once

#include <span>

namespace veltra {

// Command identifiers; each menu item and toolbar button carries its number
// as objectName.
enum CommandId : int {
    FILE_OPEN_HEX = 32771,
    TOOL_REFRESH = 32772,
    TOOL_DOWNLOAD = 32776,
    TOOL_UPLOAD = 32777,
    FILE_OPEN_PARAM = 32779,
    PARAM_UP = 32780,
    PARAM_DOWN = 32781,
    ROM_DOWN = 32782,
    TOOL_OPEN_ROM = 32783,
    TOOL_OPEN_PARAM = 32784,
    JIG_TEST = 32785,
    MODE_ROM = 32787,
    MODE_PARAM = 32788,
    JIG_SHOW = 32789,
    PARAM_INIT = 57600,
    PARAM_SAVE = 57603,
    HELP_ABOUT = 57664,
    FILE_EXIT = 57665,
};

// What choosing a command does.
enum class CommandAction {
    LoadHexFile,
    LoadParaFile,
    CodeRomDown,
    Upload,
    Download,
    InitParamData,
    SaveParaData,
    Refresh,
    JigTest,
    ShowJigTest,
    ModeRom,
    ModeParam,
    Exit,
    About,
};

inline constexpr int AlwaysEnabled = -1;

struct Command {
    int id;
    CommandAction action;
    int toolState;  // the module's tool-state entry that enables it, or AlwaysEnabled
};

std::span<const Command> AllCommands();

// nullptr for an identifier that is not one of ours.
const Command* FindCommand(int id);

}  // namespace veltra
