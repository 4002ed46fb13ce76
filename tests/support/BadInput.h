#pragma once

#include "TempDir.h"

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veltra::testing {

// `size` random bytes from a fixed seed, so a failure can be repeated; every
// byte value comes up, NUL, 0xFF and line feeds included.
inline std::string Junk(unsigned seed, std::size_t size)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// The most memory this process has held so far, in KiB. A reader that took a
// whole gigabyte in would raise it by that much.
inline long PeakMemoryKiB()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Paths that hold no readable file, in this order: nothing, a folder, a FIFO
// nobody writes to, a gigabyte that is all hole after `head` (it reads as NULs
// but takes no room on disk) and, unless the tests run as root (who reads any
// file whatever its permissions), a file nobody may read.
inline std::vector<std::string> UnreadableFiles(const TempDir& dir, const std::string& head)
{
    std::vector<std::string> paths = {dir.File("missing"), dir.File("folder"), dir.File("fifo"), dir.Write("hole", head)};
    std::filesystem::resize_file(paths[3], 1024ull * 1024 * 1024);
    std::filesystem::create_directory(paths[1]);
    ::mkfifo(paths[2].c_str(), 0600);
    if (::geteuid() != 0) {
        paths.push_back(dir.Write("locked", head));
        ::chmod(paths.back().c_str(), 0);
    }
    return paths;
}

// Whether `text` is whole UTF-8: no character cut short, no stray
// continuation byte.
inline bool IsWholeUtf8(std::string_view text)
{
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        const auto lead = static_cast<unsigned char>(text[i]);
        length = lead < 0x80 ? 1 : lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
    }
    return true;
}

}  // namespace veltra::testing
