#include "LockKeyState.h"

#include <fstream>
#include <string>
#include <system_error>

namespace veltra {
namespace {

bool Lit(const std::filesystem::path& led)
{
    std::ifstream in(led / "brightness");
    int brightness = 0;
    return (in >> brightness) && brightness > 0;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

LockKeys ReadLockKeys(const std::filesystem::path& ledsFolder)
{
    LockKeys keys;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ledsFolder, error)) {
        const std::string name = entry.path().filename().string();
        if (EndsWith(name, "::capslock")) {
            keys.caps = keys.caps || Lit(entry.path());
        } else if (EndsWith(name, "::numlock")) {
            keys.num = keys.num || Lit(entry.path());
        } else if (EndsWith(name, "::scrolllock")) {
            keys.scroll = keys.scroll || Lit(entry.path());
        }
    }
    return keys;
}

}  // namespace veltra
