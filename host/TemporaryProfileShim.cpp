// Stands in for the profile and caption reader of module/files until that
// lands; built only while module/files has no Caption.h.
#include "Caption.h"
#include "Profile.h"
#include "Settings.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace veltra {
namespace {

std::string Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool SameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    std::ifstream in(path);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string t = Trimmed(line);
        if (t.empty() || t[0] == ';') {
            continue;
        }
        if (t.front() == '[' && t.back() == ']') {
            inSection = SameName(Trimmed(std::string_view(t).substr(1, t.size() - 2)), section);
            continue;
        }
        const auto eq = t.find('=');
        if (inSection && eq != std::string::npos && SameName(Trimmed(std::string_view(t).substr(0, eq)), key)) {
            std::string value = Trimmed(std::string_view(t).substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return value.substr(0, 511);
        }
    }
    return std::string(defaultValue);
}

std::string ReadCaption(const std::string& captionFile, std::string_view section, std::string_view key,
                        std::string_view defaultText)
{
    const std::string raw = ReadProfileString(captionFile, section, key, defaultText);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            out += raw[i];
            continue;
        }
        if (++i == raw.size()) {
            break;
        }
        switch (raw[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        default: break;
        }
    }
    return out;
}

std::string ReadCountry(const std::string& root)
{
    return ReadProfileString(root + "/config/VTDown.ini", "STARTUP", "COUNTRY", "UN");
}

std::string HostCaptionPath(const std::string& root, const std::string& country)
{
    return root + "/config/" + country + "/main_" + country + ".cap";
}

}  // namespace veltra
