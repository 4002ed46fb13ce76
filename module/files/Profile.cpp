#include "Profile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace veltra {

namespace {

// Reads the whole file; on failure returns the errno value, with ENOENT for a
// file that is not there.
int ReadWholeFile(const std::string& path, std::string& content)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
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
