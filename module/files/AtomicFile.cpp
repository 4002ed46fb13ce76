#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltra {

std::string DescribeFileError(const std::string& path, int code)
{
    return path + ": " + std::strerror(code);
}

namespace {

bool WriteAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error)
{
    std::string pattern = path + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = DescribeFileError(path, errno);
        return false;
    }
    // Keep the permissions of the file being replaced; a new file gets the usual
    // mode for documents instead of mkstemp's owner-only 0600.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);

    if (!WriteAll(fd, content) || ::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        error = DescribeFileError(path, code);
        return false;
    }
    if (::close(fd) != 0 || ::rename(pattern.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(pattern.c_str());
        error = DescribeFileError(path, code);
        return false;
    }
    return true;
}

}  // namespace veltra
