#include "RecordBook.h"

#include <QByteArray>
#include <QJsonDocument>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace veltra {

namespace {

// A day of a busy line is a few MiB; this is far past it and still a bound.
constexpr std::size_t kMaxDayFileBytes = 64 * 1024 * 1024;

CalendarDate UtcDate(std::chrono::system_clock::time_point time)
{
    const std::chrono::year_month_day date{std::chrono::floor<std::chrono::days>(time)};
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day()))};
}

// Each missing folder on the way, readable by the other users of the bench PC.
int MakeFolders(const std::filesystem::path& folder)
{
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0755) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    return 0;
}

// Writes the line in one call; the error number, or 0.
int AppendLine(const std::string& file, const QByteArray& line)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    ssize_t written = 0;
    do {
        written = ::write(fd, line.constData(), static_cast<std::size_t>(line.size()));
    } while (written < 0 && errno == EINTR);
    int error = written < 0 ? errno : 0;
    if (written >= 0 && written < line.size()) {
        // A full disk cut the line: end it, so that the next record starts a
        // line of its own and the piece is skipped as not a record.
        error = ENOSPC;
        if (written > 0) {
            [[maybe_unused]] const ssize_t ended = ::write(fd, "\n", 1);
        }
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Up to `limit` bytes from the start of the file; empty when it cannot be read.
// Non-blocking, so that a FIFO in the file's place cannot stall the caller.
std::string ReadFileStart(const std::string& file, std::size_t limit)
{
    std::string text;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return text;
    }
    char buffer[65536];
    while (text.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - text.size()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

}  // namespace

std::string RecordBook::DefaultFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/veltra/records";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/share/veltra/records";
    }
    return {};
}

RecordBook::RecordBook(bool enabled, std::string folder) : enabled_(enabled), folder_(std::move(folder)) {}

std::string RecordBook::FilePath(const CalendarDate& date) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.jsonl", date.year, date.month, date.day);
    return folder_ + "/" + name;
}

std::string RecordBook::Append(const BoardRecord& record)
{
    if (!enabled_) {
        return {};
    }
    const std::string file = FilePath(UtcDate(record.start));
    int error = folder_.empty() ? ENOENT : MakeFolders(folder_);
    if (error == 0) {
        QByteArray line = QJsonDocument(BoardRecordJson(record)).toJson(QJsonDocument::Compact);
        line.append('\n');
        error = AppendLine(file, line);
    }
    if (error == 0) {
        failing_ = false;
        return {};
    }
    if (failing_) {
        return {};
    }
    failing_ = true;
    const std::string where = folder_.empty() ? std::string("the user's data folder (no home folder is set)") : file;
    return "Records cannot be written to " + where + ": " + std::strerror(error);
}

RecordBook::Tally RecordBook::Today(const std::string& host) const
{
    Tally tally;
    if (folder_.empty()) {
        return tally;
    }
    const std::string text = ReadFileStart(FilePath(TodayUtc()), kMaxDayFileBytes);
    const QString wanted = QString::fromStdString(host);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
        if (!document.isObject() || document.object().value("host").toString() != wanted) {
            continue;
        }
        ++tally.total;
        if (document.object().value("ok").toBool()) {
            ++tally.passed;
        } else {
            ++tally.failed;
        }
    }
    return tally;
}

}  // namespace veltra
