#include "Settings.h"

#include "Profile.h"
#include "ProfileText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace veltra {

std::string SettingsFilePath(const std::string& root)
{
    return root + "/config/VTDown.ini";
}

std::string UserSettingsFilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/veltra/VTDown.ini";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.config/veltra/VTDown.ini";
    return {};
}

std::string HostCaptionPath(const std::string& root, const std::string& country)
{
    return root + "/config/" + country + "/main_" + country + ".cap";
}

std::string ModuleCaptionPath(const std::string& root, const std::string& country)
{
    return root + "/config/" + country + "/flashkit_" + country + ".cap";
}

std::string ReadCountry(const std::string& root)
{
    return ReadProfileString(SettingsFilePath(root), "STARTUP", "COUNTRY", "UN");
}

int ParseLeadingInt(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

bool ReadModeMarkOption(const std::string& root, bool current)
{
    switch (ParseLeadingInt(ReadProfileString(SettingsFilePath(root), "OPTIONS", "FW_DW_OPT01", "0"))) {
    case 0: return false;
    case 1: return true;
    default: return current;
    }
}

std::array<bool, 8> ReadItemSetting(const std::string& root)
{
    const std::string user = UserSettingsFilePath();
    std::optional<std::string> own;
    if (!user.empty())
        own = LoadProfileDocument(user).Value("TEST", "ITEM_SETTING");
    const std::string value =
        own ? *own : ReadProfileString(SettingsFilePath(root), "TEST", "ITEM_SETTING", "11111111");
    std::array<bool, 8> items{};
    for (std::size_t i = 0; i < items.size() && i < value.size(); ++i)
        items[i] = ParseLeadingInt(std::string_view(value).substr(i, 1)) != 0;
    return items;
}

bool WriteItemSetting(const std::string& root, const std::array<bool, 8>& items, std::string& error)
{
    std::string value;
    for (const bool selected : items)
        value += selected ? '1' : '0';
    const std::string user = UserSettingsFilePath();
    const bool userHasOne = !user.empty() && LoadProfileDocument(user).Value("TEST", "ITEM_SETTING").has_value();
    const bool shared = WriteProfileString(SettingsFilePath(root), "TEST", "ITEM_SETTING", value, error);
    if ((shared && !userHasOne) || user.empty())
        return shared;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(user).parent_path(), ignored);
    // When neither can be written, the program folder's reason is the one to show.
    std::string userError;
    return WriteProfileString(user, "TEST", "ITEM_SETTING", value, shared ? error : userError);
}

uint16_t ReadRetryLimit(const std::string& root)
{
    const int limit = ParseLeadingInt(ReadProfileString(SettingsFilePath(root), "PORTS", "RETRY_LIMIT", "0"));
    return static_cast<uint16_t>(std::clamp(limit, 0, 100));
}

std::vector<std::string> ReadExtraPorts(const std::string& root)
{
    // The list is ours, not one of the system's settings, and 64 device paths
    // run past the 511 bytes a setting holds; a cut would also leave a partial
    // path that names some other port.
    const std::string list = LoadProfileDocument(SettingsFilePath(root)).WholeValue("PORTS", "EXTRA").value_or("");
    std::vector<std::string> ports;
    std::string_view rest = list;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = TrimBlanks(rest.substr(0, comma));
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        if (item.starts_with('/') && std::ranges::find(ports, item) == ports.end())
            ports.emplace_back(item);
    }
    return ports;
}

std::vector<std::pair<std::string, std::string>> ReadSlotNames(const std::string& root)
{
    const ProfileDocument document = LoadProfileDocument(SettingsFilePath(root));
    std::vector<std::pair<std::string, std::string>> slots;
    for (std::string& key : document.Keys("SLOTS")) {
        std::string name = document.Value("SLOTS", key).value_or("");
        slots.emplace_back(std::move(key), std::move(name));
    }
    return slots;
}

bool ReadRecordsEnabled(const std::string& root)
{
    const std::optional<std::string> value = LoadProfileDocument(SettingsFilePath(root)).Value("RECORDS", "ENABLED");
    return !value || ParseLeadingInt(*value) != 0;
}

}  // namespace veltra
