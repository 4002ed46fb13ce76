#include "RecordBook.h"
#include "TempDir.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <thread>

using namespace std::chrono_literals;
using veltra::BoardRecord;
using veltra::RecordBook;
using veltra::testing::TempDir;

namespace {

BoardRecord Record(bool ok, const std::string& host = "bench-7")
{
    // A moment before midnight UTC: the file is the start's day.
    const auto start = std::chrono::sys_days{std::chrono::year{2024} / 5 / 6} + 23h + 59min + 59s + 250ms;
    return {start, start + 1500ms, host, "Nest 17", "ttyUSB3", "A10K3ZQ5", "rom", ok, ok ? "" : " - Time Out! ",
            {{"erase", 900}, {"program", 600}}, QJsonObject{{"sha256", "ab12"}}};
}

std::vector<std::string> Lines(const std::string& file)
{
    std::vector<std::string> lines;
    std::istringstream in(TempDir::Read(file));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

TEST(RecordBook, OneLinePerRecordAndTodaysTally)
{
    TempDir dir;
    RecordBook book(true, dir.File("data/veltra/records"));
    for (const BoardRecord& record : {Record(true), Record(false), Record(true, "bench-8")})
        EXPECT_EQ(book.Append(record), "");
    const std::string file = book.FilePath({2024, 5, 6});
    EXPECT_EQ(file, dir.File("data/veltra/records/2024-05-06.jsonl"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0644 & ~mask));
    const std::vector<std::string> lines = Lines(file);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1], R"({"adapterSerial":"A10K3ZQ5","data":{"sha256":"ab12"},"end":"2024-05-07T00:00:00.750Z",)"
                        R"("failure":" - Time Out! ","host":"bench-7","ok":false,"operation":"rom",)"
                        R"("phases":[{"ms":900,"name":"erase"},{"ms":600,"name":"program"}],"port":"ttyUSB3",)"
                        R"("slot":"Nest 17","start":"2024-05-06T23:59:59.250Z"})");

    std::ofstream(file, std::ios::app) << "{not json\n[1,2]\n\n";
    book.Append(Record(true));
    veltra::SetUtcClockForTesting([] { return veltra::CalendarDate{2024, 5, 6}; });
    const RecordBook::Tally tally = book.Today("bench-7");
    veltra::SetUtcClockForTesting({});
    EXPECT_EQ(std::tuple(tally.passed, tally.failed, tally.total), std::tuple(2, 1, 3));
}

TEST(RecordBook, AFolderThatCannotBeWrittenIsReportedOnce)
{
    TempDir dir;
    dir.Write("blocked", "a file where the folder should be");
    RecordBook book(true, dir.File("blocked/records"));
    const std::string message = book.Append(Record(true));
    EXPECT_EQ(message, "Records cannot be written to " + book.FilePath({2024, 5, 6}) + ": Not a directory");
    EXPECT_EQ(book.Append(Record(false)), "");
    std::filesystem::remove(dir.File("blocked"));
    EXPECT_EQ(book.Append(Record(true)), "");
    EXPECT_EQ(Lines(book.FilePath({2024, 5, 6})).size(), 1U);
    std::filesystem::remove_all(dir.File("blocked"));
    dir.Write("blocked", "");
    EXPECT_EQ(book.Append(Record(true)), message);  // news again after a success
}

TEST(RecordBook, TwoWritersNeverInterleaveLines)
{
    TempDir dir;
    const auto write = [&dir](const std::string& host) {
        RecordBook book(true, dir.Path().string());
        BoardRecord record = Record(true, host);
        record.data = QJsonObject{{"values", QString(6000, QChar('v'))}};  // past a pipe's atomic size
        for (int i = 0; i < 400; ++i)
            EXPECT_EQ(book.Append(record), "");
    };
    std::thread window(write, "window"), cli(write, "cli");
    window.join();
    cli.join();
    const std::vector<std::string> lines = Lines(dir.File("2024-05-06.jsonl"));
    ASSERT_EQ(lines.size(), 800U);
    for (const std::string& line : lines)
        ASSERT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(line)).isObject());
}
