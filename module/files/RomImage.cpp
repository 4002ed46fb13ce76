#include "RomImage.h"

#include "AtomicFile.h"
#include "HexFileReader.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace veltra {

uint32_t HexField(std::string_view field)
{
    uint32_t value = 0;
    for (const char c : field) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

RomLoadResult Failure(const std::string& path, int code)
{
    return {false, code, DescribeFileError(path, code)};
}

}  // namespace

RomLoadResult ParseHexFile(RomImage& image, const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return Failure(path, errno);

    // Parsed into a scratch image so that a refused file changes nothing.
    auto scratch = std::make_unique<std::array<uint8_t, kRomSize>>();
    scratch->fill(0xFF);
    const HexParseOutcome outcome = ReadHexRecords(file.get(), image.fileLength, *scratch);
    if (!outcome.ok) {
        if (outcome.errorCode != 0)
            return {false, outcome.errorCode, DescribeFileError(path, outcome.errorCode) + " (" + outcome.problem + ")"};
        return {false, 0, path + ": " + outcome.problem};
    }
    image.bytes = *scratch;
    image.lastAddress = outcome.lastAddress;
    return {true, 0, {}};
}

RomLoadResult LoadRomFile(RomImage& image, const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return Failure(path, errno);
    if (S_ISDIR(st.st_mode))
        return Failure(path, EISDIR);
    // A FIFO would hold the window until something writes to it, and a device
    // has no length to bound the pass.
    if (!S_ISREG(st.st_mode))
        return {false, 0, path + ": is not a regular file"};
    // A firmware image is at most a few hundred KiB of text; the length only
    // bounds the pass, and files past 4 GiB are read up to that bound.
    image.fileLength = st.st_size > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
    RomLoadResult result = ParseHexFile(image, path);
    if (result.ok)
        image.loaded = 1;
    return result;
}

bool ReadFileTime(const std::string& path, FileTime& time)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const uint64_t ns = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<uint64_t>(st.st_mtim.tv_nsec);
    time.high = static_cast<uint32_t>(ns >> 32);
    time.low = static_cast<uint32_t>(ns & 0xFFFFFFFFu);
    return true;
}

bool IsRomFileUnchanged(const RomImage& image, const std::string& path)
{
    FileTime now;
    return ReadFileTime(path, now) && now == image.fileTime;
}

}  // namespace veltra
