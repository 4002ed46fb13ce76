#include "Profile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltra {

namespace {

// Settings and caption files are a few KiB. Anything far larger is not one of
// them, and reading it whole could exhaust memory; a line of a million
// characters still fits.
constexpr off_t kMaxProfileFileSize = 2 * 1024 * 1024;

// Reads the whole file; on failure returns the errno value, with ENOENT for a
// file that is not there and EFBIG for one past the size above.
int ReadWholeFile(const std::string& path, std::string& content)
{
    // Non-blocking, so that a FIFO in the file's place cannot stall start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > kMaxProfileFileSize) {
        ::close(fd);
        return EFBIG;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : 0;
            ::close(fd);
            return code;
        }
        // A device such as /dev/zero has no length and never ends.
        if (content.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(kMaxProfileFileSize)) {
            ::close(fd);
            return EFBIG;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

ProfileDocument LoadProfileDocument(const std::string& path)
{
    std::string content;
    if (ReadWholeFile(path, content) != 0)
        return {};
    return ProfileDocument(content);
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view defaultValue)
{
    return LoadProfileDocument(path).ValueOr(section, key, defaultValue);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string& error)
{
    if (!ProfileDocument::CanStore(section, key, value)) {
        error = path + ": cannot store [" + std::string(section) + "] " + std::string(key)
            + " as one line that reads back the same";
        return false;
    }
    // A file that exists but cannot be read must not be replaced by one that
    // holds only the new key.
    std::string content;
    if (const int code = ReadWholeFile(path, content); code != 0 && code != ENOENT) {
        error = DescribeFileError(path, code);
        return false;
    }
    ProfileDocument document(content);
    document.Set(section, key, value);
    return WriteFileAtomically(path, document.Text(), error);
}

}  // namespace veltra
