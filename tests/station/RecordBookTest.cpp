#include "RecordBook.h"
#include "TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using veltra::BoardRecord;
using veltra::RecordBook;
using veltra::testing::TempDir;

namespace {

// 2024-05-06T23:59:59.250Z, a moment before midnight UTC.
const auto kLateStart = std::chrono::sys_days{std::chrono::year{2024} / 5 / 6} + 23h + 59min + 59s + 250ms;

BoardRecord Record(bool ok, const std::string& host = "bench-7")
{
    BoardRecord record;
    record.start = kLateStart;
    record.end = kLateStart + 1500ms;
    record.host = host;
    record.slot = "Nest 17";
    record.port = "ttyUSB3";
    record.adapterSerial = "A10K3ZQ5";
    record.operation = "rom";
    record.ok = ok;
    record.failure = ok ? "" : " - Time Out! ";
    record.phases = {{"erase", 900}, {"program", 600}};
    record.data = QJsonObject{{"hexSize", 6144}, {"sha256", "ab12"}};
    return record;
}

std::vector<QJsonObject> Lines(const std::string& file)
{
    std::vector<QJsonObject> lines;
    std::istringstream in(TempDir::Read(file));
    for (std::string line; std::getline(in, line);)
        lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return lines;
}

}  // namespace

TEST(RecordBook, OneLinePerRecordInTheFileOfItsStartDay)
{
    TempDir dir;
    RecordBook book(true, dir.File("data/veltra/records"));
    EXPECT_EQ(book.Append(Record(true)), "");
    EXPECT_EQ(book.Append(Record(false)), "");
    const std::string file = dir.File("data/veltra/records/2024-05-06.jsonl");
    EXPECT_EQ(book.FilePath({2024, 5, 6}), file);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0644 & ~mask));
    const std::vector<QJsonObject> lines = Lines(file);
    ASSERT_EQ(lines.size(), 2U);
    const QJsonObject& passed = lines[0];
    EXPECT_EQ(passed.size(), 11);
    EXPECT_EQ(passed["start"].toString(), "2024-05-06T23:59:59.250Z");
    EXPECT_EQ(passed["end"].toString(), "2024-05-07T00:00:00.750Z");
    EXPECT_EQ(passed["host"].toString(), "bench-7");
    EXPECT_EQ(passed["slot"].toString(), "Nest 17");
    EXPECT_EQ(passed["port"].toString(), "ttyUSB3");
    EXPECT_EQ(passed["adapterSerial"].toString(), "A10K3ZQ5");
    EXPECT_EQ(passed["operation"].toString(), "rom");
    EXPECT_TRUE(passed["ok"].toBool());
    EXPECT_EQ(passed["failure"].toString(), "");
    EXPECT_EQ(passed["phases"].toArray(), (QJsonArray{QJsonObject{{"name", "erase"}, {"ms", 900}},
                                                      QJsonObject{{"name", "program"}, {"ms", 600}}}));
    EXPECT_EQ(passed["data"].toObject(), Record(true).data);
    EXPECT_FALSE(lines[1]["ok"].toBool(true));
    EXPECT_EQ(lines[1]["failure"].toString(), " - Time Out! ");

    RecordBook off(false, dir.File("off"));
    EXPECT_EQ(off.Append(Record(true)), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("off")));
}

TEST(RecordBook, AFolderThatCannotBeWrittenIsReportedOnce)
{
    TempDir dir;
    dir.Write("blocked", "a file where the folder should be");
    RecordBook book(true, dir.File("blocked/records"));
    const std::string message = book.Append(Record(true));
    EXPECT_EQ(message, "Records cannot be written to " + dir.File("blocked/records/2024-05-06.jsonl") + ": Not a directory");
    EXPECT_EQ(book.Append(Record(false)), "");
    std::filesystem::remove(dir.File("blocked"));
    EXPECT_EQ(book.Append(Record(true)), "");
    EXPECT_EQ(Lines(book.FilePath({2024, 5, 6})).size(), 1U);
    // After a success the next failure is news again.
    std::filesystem::remove_all(dir.File("blocked"));
    dir.Write("blocked", "");
    EXPECT_EQ(book.Append(Record(true)), message);
}

TEST(RecordBook, TodaysTallyAndDefaultFolder)
{
    TempDir dir;
    veltra::SetUtcClockForTesting([] { return veltra::CalendarDate{2024, 5, 6}; });
    RecordBook book(true, dir.Path().string());
    EXPECT_EQ(book.Today("bench-7").total, 0);
    book.Append(Record(true));
    book.Append(Record(true));
    book.Append(Record(false));
    book.Append(Record(true, "bench-8"));
    std::ofstream(book.FilePath({2024, 5, 6}), std::ios::app) << "{not json\n[1,2]\n\n";
    book.Append(Record(false));
    const RecordBook::Tally tally = book.Today("bench-7");
    EXPECT_EQ(tally.passed, 2);
    EXPECT_EQ(tally.failed, 2);
    EXPECT_EQ(tally.total, 4);
    veltra::SetUtcClockForTesting({});
    EXPECT_EQ(book.Today("bench-7").total, 0);

    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("HOME", "/home/op", 1);
    EXPECT_EQ(RecordBook::DefaultFolder(), "/home/op/.local/share/veltra/records");
    ::setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(RecordBook::DefaultFolder(), "/data/veltra/records");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv("HOME", home.c_str(), 1);
}

TEST(RecordBook, TwoWritersNeverInterleaveLines)
{
    TempDir dir;
    constexpr int kEach = 400;
    const auto write = [&dir](const std::string& host) {
        RecordBook book(true, dir.Path().string());
        BoardRecord record = Record(true, host);
        record.data = QJsonObject{{"values", QString(6000, QChar('v'))}};  // past a pipe's atomic size
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(book.Append(record), "");
    };
    std::thread window(write, "window");
    std::thread cli(write, "cli");
    window.join();
    cli.join();
    const std::vector<QJsonObject> lines = Lines(dir.File("2024-05-06.jsonl"));
    ASSERT_EQ(lines.size(), 2U * kEach);
    for (const QJsonObject& line : lines)
        ASSERT_EQ(line["data"].toObject()["values"].toString().size(), 6000);
}
