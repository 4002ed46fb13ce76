#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltra {

constexpr uint32_t kRomSize = 0x10000;

// Modification time of a file at full resolution, kept as two halves so that
// a change in either half counts.
struct FileTime {
    uint32_t high = 0;
    uint32_t low = 0;
    bool operator==(const FileTime&) const = default;
};

// The firmware image that a ROM download programs into a module.
struct RomImage {
    std::array<uint8_t, kRomSize> bytes{};
    uint32_t lastAddress = 0;  // highest address a record reaches; the download sends 0..lastAddress
    std::string filePath;
    uint32_t fileLength = 0;
    FileTime fileTime;
    int loaded = 0;  // 1 once a file has been read completely; never goes back to 0

    RomImage() { bytes.fill(0xFF); }
};

// Outcome of a load: on failure `errorCode` is the errno of a system failure (0
// for a malformed file) and `message` names the file and, for a malformed
// file, the line and what is wrong with it.
struct RomLoadResult {
    bool ok = false;
    int errorCode = 0;
    std::string message;
};

// The value of a hexadecimal text field the way "%x" reads it: the leading
// hexadecimal digits of the field, either letter case; a field without any is 0.
uint32_t HexField(std::string_view field);

// Reads the Intel HEX file at `path` into `image`. The whole file is checked
// before anything is stored, so a refused file leaves the image, `lastAddress`
// and `loaded` exactly as they were. Sets `fileLength` from the file.
RomLoadResult LoadRomFile(RomImage& image, const std::string& path);

// Parses `fileLength` bytes of the HEX file at `path` into `image`; the
// checks and the all-or-nothing rule of LoadRomFile apply.
RomLoadResult ParseHexFile(RomImage& image, const std::string& path);

// The file's current modification time; false when it cannot be looked up.
bool ReadFileTime(const std::string& path, FileTime& time);

// True only when the file can still be found and its modification time equals
// the one remembered at load. A file that has gone counts as changed, so the
// user is asked before a download rather than silently sent the old image.
bool IsRomFileUnchanged(const RomImage& image, const std::string& path);

}  // namespace veltra
