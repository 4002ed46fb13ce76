#pragma once

#include <QString>

#include <array>
#include <string>

namespace veltra {

// The fourteen menu texts, in the order they are read.
enum MenuText {
    MENU_FILE,
    MENU_ROM,
    MENU_PARAMETER,
    MENU_MODE,
    MENU_HELP,
    TEXT_FILE_OPEN_HEX,
    TEXT_FILE_OPEN_PARAM,
    TEXT_FILE_EXIT,
    TEXT_ROM_DOWN,
    TEXT_PARAM_UP,
    TEXT_PARAM_DOWN,
    TEXT_MODE_ROM,
    TEXT_MODE_PARAM,
    TEXT_HELP_ABOUT,
    MenuTextCount
};

using MenuTexts = std::array<QString, MenuTextCount>;

// [STARTUP] COUNTRY of the settings file below root, "UN" when absent.
std::string ReadCountryCode(const QString& root);

// From the country's host caption file, each text falling back to its
// built-in English default.
MenuTexts ReadMenuTexts(const QString& root, const std::string& country);

// The built-in English texts, what a missing caption file gives.
MenuTexts DefaultMenuTexts();

}  // namespace veltra
