#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace veltra {

// Where the shared files lie below the program folder `root`.
std::string SettingsFilePath(const std::string& root);
std::string HostCaptionPath(const std::string& root, const std::string& country);
std::string ModuleCaptionPath(const std::string& root, const std::string& country);

// The user's own settings file, for what the tool writes when the program
// folder is not writable (installed below /opt, say):
// $XDG_CONFIG_HOME/veltra/VTDown.ini, or ~/.config/veltra/VTDown.ini when that
// variable is not set. Empty when neither names an absolute folder.
std::string UserSettingsFilePath();

// [STARTUP] COUNTRY, "UN" when it is not set.
std::string ReadCountry(const std::string& root);

// The number at the start of `text` as C's atoi reads it: leading white space
// skipped, an optional sign, decimal digits up to the first other character,
// 0 when there are none. Unlike atoi it saturates at the int range instead of
// overflowing, so a long run of digits can never wrap round to 0 or 1.
int ParseLeadingInt(std::string_view text);

// [OPTIONS] FW_DW_OPT01: 0 switches the mode mark before the initial erase off,
// 1 on; any other number leaves it at `current`.
bool ReadModeMarkOption(const std::string& root, bool current);

// [TEST] ITEM_SETTING, one character per test item in item order, each read
// as a number on its own: 0 leaves the item out and any other number selects
// it. A value shorter than eight characters leaves the remaining items out.
// All eight items are selected when the key is not set. A value in the user's
// settings file is read over the program folder's.
std::array<bool, 8> ReadItemSetting(const std::string& root);

// Stores the selection as eight digits, e.g. "10110001", in the program
// folder's settings file; where that cannot be written, in the user's. A value
// the user's file already holds is kept in step, since it is read first.
bool WriteItemSetting(const std::string& root, const std::array<bool, 8>& items, std::string& error);

// [PORTS] RETRY_LIMIT: how often a request goes out again when its reply does
// not come, or comes wrong, before the port gives up; 0 (the default) gives up
// at once. At most 100: each resend waits the whole reply time-out.
uint16_t ReadRetryLimit(const std::string& root);

// [PORTS] EXTRA: serial devices that port discovery cannot find by itself, such
// as the pseudo-terminals of a simulated module. Comma-separated; blanks around
// an item are ignored, and so are empty items, paths that are not absolute and
// repeats of an earlier item.
std::vector<std::string> ReadExtraPorts(const std::string& root);

// [SLOTS]: the names a station gives its adapters' places, as (key, name)
// pairs in file order. The key is a /dev/serial/by-path name, or the device
// path of a port that has none; the value is the name shown ("Nest 17").
std::vector<std::pair<std::string, std::string>> ReadSlotNames(const std::string& root);

// [RECORDS] ENABLED: a value that reads as 0 (as the file's other numbers are
// read) stops the record of every board; without the key it is kept.
bool ReadRecordsEnabled(const std::string& root);

}  // namespace veltra
