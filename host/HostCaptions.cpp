#include "HostCaptions.h"

#include "Caption.h"
#include "Settings.h"

#include <QFile>

namespace veltra {
namespace {

struct CaptionKey {
    const char* section;
    const char* key;
    const char* defaultText;
};

// The tab in the two File items puts their shortcut text in the menu's
// right-hand column.
constexpr std::array<CaptionKey, MenuTextCount> menuKeys{{
    {"MAIN_MENU", "MENU_FILE", "File(&F)"},
    {"MAIN_MENU", "MENU_ROM", "Rom(&R)"},
    {"MAIN_MENU", "MENU_PARAMETER", "Parameter(&P)"},
    {"MAIN_MENU", "MENU_MODE", "Mode(&M)"},
    {"MAIN_MENU", "MENU_HELP", "Help(&H)"},
    {"MENU_FILE", "FILE_OPEN_HEX", "Open HEX File(&O)\tCtrl+O"},
    {"MENU_FILE", "FILE_OPEN_PARAM", "Open Parameter File(&P)\tCtrl+P"},
    {"MENU_FILE", "FILE_EXIT", "Exit(&x)"},
    {"MENU_ROM", "ROM_DOWN", "Download ROM(&D)"},
    {"MENU_PARAMETER", "PARAM_UP", "Upload Parameter(Scale to PC)(&U)"},
    {"MENU_PARAMETER", "PARAM_DOWN", "Download Paramter(PC to Scale)(&D)"},
    {"MENU_MODE", "MODE_ROM", "ROM Down Mode(&R)"},
    {"MENU_MODE", "MODE_PARAM", "Parameter Up/Down Mode(&P)"},
    {"MENU_HELP", "HELP_ABOUT", "About Veltra Downloader(&A)..."},
}};

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

std::string ReadCountryCode(const QString& root)
{
    return ReadCountry(LocalPath(root));
}

MenuTexts ReadMenuTexts(const QString& root, const std::string& country)
{
    const std::string captionFile = HostCaptionPath(LocalPath(root), country);
    MenuTexts texts;
    for (std::size_t i = 0; i < menuKeys.size(); ++i) {
        const CaptionKey& k = menuKeys[i];
        texts[i] = QString::fromStdString(ReadCaption(captionFile, k.section, k.key, k.defaultText));
    }
    return texts;
}

MenuTexts DefaultMenuTexts()
{
    MenuTexts texts;
    for (std::size_t i = 0; i < menuKeys.size(); ++i) {
        texts[i] = QString::fromUtf8(menuKeys[i].defaultText);
    }
    return texts;
}

}  // namespace veltra
