#include "CaptionCatalogue.h"

#include <array>

namespace veltra {

namespace {

using enum CaptionFile;
using enum CaptionReader;

constexpr std::array kCatalogue{
    CaptionEntry{Main, Host, "MAIN_MENU", "MENU_FILE", "File(&F)"},
    CaptionEntry{Main, Host, "MAIN_MENU", "MENU_ROM", "Rom(&R)"},
    CaptionEntry{Main, Host, "MAIN_MENU", "MENU_PARAMETER", "Parameter(&P)"},
    CaptionEntry{Main, Host, "MAIN_MENU", "MENU_MODE", "Mode(&M)"},
    CaptionEntry{Main, Host, "MAIN_MENU", "MENU_HELP", "Help(&H)"},
    CaptionEntry{Main, Host, "MENU_FILE", "FILE_OPEN_HEX", "Open HEX File(&O)\tCtrl+O"},
    CaptionEntry{Main, Host, "MENU_FILE", "FILE_OPEN_PARAM", "Open Parameter File(&P)\tCtrl+P"},
    CaptionEntry{Main, Host, "MENU_FILE", "FILE_EXIT", "Exit(&x)"},
    CaptionEntry{Main, Host, "MENU_ROM", "ROM_DOWN", "Download ROM(&D)"},
    CaptionEntry{Main, Host, "MENU_PARAMETER", "PARAM_UP", "Upload Parameter(Scale to PC)(&U)"},
    CaptionEntry{Main, Host, "MENU_PARAMETER", "PARAM_DOWN", "Download Paramter(PC to Scale)(&D)"},
    CaptionEntry{Main, Host, "MENU_MODE", "MODE_ROM", "ROM Down Mode(&R)"},
    CaptionEntry{Main, Host, "MENU_MODE", "MODE_PARAM", "Parameter Up/Down Mode(&P)"},
    CaptionEntry{Main, Host, "MENU_HELP", "HELP_ABOUT", "About Veltra Downloader(&A)..."},

    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_CONNET", "Connection"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_DISCONNET", "Disconnection"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_START_DOWN", "Start Download"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_BAUDRATE", "Baud Rate"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_MODE", "MODE:"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_ROM_MODE", "ROM Down Mode"},
    CaptionEntry{Flashkit, Sheet, "SET_TITLE", "SET_PARAM_MODE", "Parameter Up/Down Mode"},
    CaptionEntry{Flashkit, Sheet, "OPTION_CTRL", "OPT_INIT_ERASE", "Init. Erase Command"},
    CaptionEntry{Flashkit, Sheet, "OPTION_CTRL", "OPT_ERASE", "Erase"},
    CaptionEntry{Flashkit, Sheet, "OPTION_CTRL", "OPT_BLANK_CHECK", "Blank Check"},
    CaptionEntry{Flashkit, Sheet, "OPTION_CTRL", "OPT_ROM_DOWN", "ROM Down"},
    CaptionEntry{Flashkit, Sheet, "OPTION_CTRL", "OPT_VERIFY", "Verify"},
    CaptionEntry{Flashkit, Sheet, "PORT_LIST", "PORT_HEAD0", "CHK"},
    CaptionEntry{Flashkit, Sheet, "PORT_LIST", "PORT_HEAD1", "Comm. Port"},
    CaptionEntry{Flashkit, Sheet, "PORT_LIST", "PORT_HEAD2", "Status"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD0", "CHK"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD1", "ID"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD2", "DESC#"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD3", "HEX#"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD4", "Description"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD5", "Size"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD6", "Type"},
    CaptionEntry{Flashkit, Sheet, "PARAM_LIST", "PARAM_HEAD7", "Value"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS0", "No ROM file"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS1", "Defualt parameter file is opened"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS2", "  The ports are connecting..."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS3", "   Ready"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS4", "The opened ROM file: "},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS5", "The opened Parameter file: "},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS6", "  The ports are disconnecting..."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS7", "Test Passed"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_STATUS8", "Fail!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION0", "Setting Ports"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION1", "Veltra Downloader"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION2", "Parameter Upload"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION3", "Parameter Download"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION4", "ROM Download"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION5", "Open ROM file"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION6", "Module Test"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_CAPTION7", "Save Parameter"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM0", "Time Out!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM1", "No Serial Ports"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM2", "Can not open a serial port:"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM3", "Please, check a port and select a port..."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM4", "Please, select a port"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM5", "Please, select ports"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM6", "You should select a only ONE scale."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM7", "Check sum"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM8", "Verification Fail!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_COMM9", "Wrong reply!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_ROM0", "Please, load a ROM file..."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_ROM1", "The ROM file is changed. \nDo you want to down this changed file?"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_ROM2", "Initial erase is OK!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_ROM3", "Release CAL MODE switch and restart the scale"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_PARAM0", "There is no selected parameter."},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_PARAM1", "Please, check the parameter data:"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_SAVE0", "Save is done!"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_UNPLUGGED", "unplugged"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_LATENCY", "latency timer %1 ms: see the udev rule in the README"},
    CaptionEntry{Flashkit, Sheet, "FW_MSG", "MSG_TALLY", "Today: %1 passed, %2 failed, %3 in all"},

    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_HEAD0", "No"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_HEAD1", "Scale"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_HEAD2", "Progress"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_HEAD3", "Step / Status"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "BTN_CANCEL", "Cancel"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "BTN_STOP", "Stop"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "BTN_CLOSE", "Close"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_TITLE0", "Download..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_TITLE1", "Upload..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_TITLE2", "Module Test"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_TITLE3", "Parameter Uploading..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_TITLE4", "Parameter upload is completed!"},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG0", "Comm. Initializing..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG1", "ROM Erasing..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG2", "ROM Blank Checking..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG3", "ROM Downloading..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG4", "ROM Data Verifing..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG5", "Parameter Downloading..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG6", "Module Testing..."},
    CaptionEntry{Flashkit, StatusWindow, "COMM_STATUS", "STATUS_MSG7", "Completed!"},
    CaptionEntry{Flashkit, TestOptions, "COMM_STATUS", "STATUS_TITLE5", "Module Test Options"},
    CaptionEntry{Flashkit, TestOptions, "COMM_STATUS", "STATUS_MSG9", "Seclet the Test items..."},
    CaptionEntry{Flashkit, TestOptions, "COMM_STATUS", "BTN_OK", "OK"},
    CaptionEntry{Flashkit, TestOptions, "COMM_STATUS", "BTN_CANCEL", "CANCEL"},
    CaptionEntry{Flashkit, UploadWindow, "COMM_STATUS", "BTN_STOP", "Stop"},
    CaptionEntry{Flashkit, UploadWindow, "COMM_STATUS", "STATUS_TITLE4", "Parameter upload is completed!"},
    CaptionEntry{Flashkit, UploadWindow, "COMM_STATUS", "STATUS_TITLE3", "Parameter Uploading..."},
};

}  // namespace

std::span<const CaptionEntry> CaptionCatalogue()
{
    return kCatalogue;
}

CaptionFile FileOf(CaptionReader reader)
{
    return reader == CaptionReader::Host ? CaptionFile::Main : CaptionFile::Flashkit;
}

}  // namespace veltra
