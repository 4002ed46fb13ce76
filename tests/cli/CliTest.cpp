// veltra-cli as a process, against virtual modules in this process: what it
// leaves in the modules, what it prints, and how it ends.
#include "LinkTestSupport.h"

#include "BootLoader.h"
#include "HexText.h"
#include "ParameterFile.h"
#include "Profile.h"
#include "PosixSerial.h"
#include "TempDir.h"
#include "VirtualBench.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace veltra;
using veltra::testing::BootLoader;
using veltra::testing::TempDir;

namespace {

struct Outcome {
    int exit = -1;
    std::vector<QJsonObject> lines;  // standard output as JSON Lines
    std::string out;
    std::string err;

    std::vector<QJsonObject> Events(const char* event) const
    {
        std::vector<QJsonObject> found;
        for (const QJsonObject& line : lines) {
            if (line["event"].toString() == QLatin1String(event))
                found.push_back(line);
        }
        return found;
    }
    QJsonObject Result(const std::string& port) const
    {
        for (const QJsonObject& result : Events("result")) {
            if (result["port"].toString().toStdString() == port)
                return result;
        }
        return {};
    }
};

// A program folder of its own (the shipped config/ and Data/) and a records folder.
struct Cli {
    Cli()
    {
        veltra::testing::App();
        namespace fs = std::filesystem;
        fs::copy(VELTRA_SOURCE_DIR "/config", root.Path() / "config", fs::copy_options::recursive);
        fs::copy(VELTRA_SOURCE_DIR "/Data", root.Path() / "Data", fs::copy_options::recursive);
    }

    void Start(QProcess& process, QStringList arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(data.Path().string()));
        process.setProcessEnvironment(environment);
        arguments << QStringLiteral("--root") << QString::fromStdString(root.Path().string());
        process.start(QStringLiteral(VELTRA_PROGRAM_DIR "/veltra-cli"), arguments);
    }

    static Outcome Finish(QProcess& process, int limitMs = 60000)
    {
        Outcome outcome;
        if (!process.waitForFinished(limitMs)) {
            process.kill();
            process.waitForFinished();
            return outcome;
        }
        outcome.exit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        outcome.out = process.readAllStandardOutput().toStdString();
        outcome.err = process.readAllStandardError().toStdString();
        for (const QByteArray& line : QByteArray::fromStdString(outcome.out).split('\n')) {
            if (line.startsWith('{'))
                outcome.lines.push_back(QJsonDocument::fromJson(line).object());
        }
        return outcome;
    }

    Outcome Run(const QStringList& arguments) const
    {
        QProcess process;
        Start(process, arguments);
        return Finish(process);
    }

    // Waits until standard output holds `count` times `text`, without taking it.
    static bool WaitForOutput(QProcess& process, const QByteArray& text, qsizetype count)
    {
        QDeadlineTimer deadline(20000);
        while (process.peek(process.bytesAvailable()).count(text) < count) {
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(50);
        }
        return true;
    }

    std::string File(const std::string& name) const { return root.File(name); }
    std::string Write(const std::string& name, const std::string& content) const { return root.Write(name, content); }

    TempDir root;
    TempDir data;
};

QStringList Paths(const sim::VirtualBench& bench)
{
    QStringList paths;
    for (size_t m = 0; m < bench.Size(); ++m)
        paths << QString::fromStdString(bench.Module(m).Path());
    return paths;
}

}  // namespace

// Four modules programmed and verified, one through a link and one by its
// port name; every field of a result, the phases as they start, the summary
// and the station's records.
TEST(Cli, RomProgramsEveryPortAndReportsEachField)
{
    Cli cli;
    sim::VirtualBench bench(4, BootLoader());
    std::vector<uint8_t> firmware(0x600);
    for (size_t i = 0; i < firmware.size(); ++i)
        firmware[i] = static_cast<uint8_t>(i * 13 + 5);
    const std::string hex = cli.Write("f.hex", sim::HexFileText(firmware));
    const std::string link = cli.root.File("nest0");
    std::filesystem::create_symlink(bench.Module(0).Path(), link);
    QStringList ports = Paths(bench);
    ports[0] = QString::fromStdString(link);
    ports[1] = ports[1].mid(5);  // "pts/N", as the port list names it
    const Outcome run = cli.Run(QStringList{"rom", "--json", "--verify", "--hex", QString::fromStdString(hex)} + ports);
    ASSERT_EQ(run.exit, 0) << run.err;

    const QString sha = QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(firmware.data()), 0x600),
                                                 QCryptographicHash::Sha256).toHex();
    const QStringList phases{"handshake", "erase", "blank check", "program", "verify"};
    for (int m = 0; m < 4; ++m) {
        const std::vector<uint8_t> flash = bench.Module(static_cast<size_t>(m)).Flash();
        EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), flash.begin())) << m;
        const QJsonObject result = run.Result(ports[m].toStdString());
        const QJsonObject fields{{"device", QString::fromStdString(bench.Module(static_cast<size_t>(m)).Path())},
                                 {"operation", "rom"}, {"ok", true}, {"failure", QJsonValue()}, {"row", "Completed!"},
                                 {"attempts", 1}, {"data", QJsonObject{{"size", 0x600}, {"sha256", sha}, {"hex", QString::fromStdString(hex)},
                                 {"erase", true}, {"blankCheck", true}, {"program", true}, {"verify", true}}}};
        for (const QString& key : fields.keys())
            EXPECT_EQ(result[key], fields[key]) << key.toStdString();
        const QDateTime start = QDateTime::fromString(result["start"].toString(), Qt::ISODateWithMs);
        const QDateTime end = QDateTime::fromString(result["end"].toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(start.isValid() && end.isValid());
        EXPECT_EQ(start.msecsTo(end), result["ms"].toInteger());
        QStringList named, started;
        for (const QJsonValue phase : result["phases"].toArray()) {
            named << phase["name"].toString();
            EXPECT_GE(phase["ms"].toInteger(-1), 0);
        }
        for (const QJsonObject& phase : run.Events("phase"))
            if (phase["port"] == ports[m])
                started << phase["phase"].toString();
        EXPECT_EQ(named, phases);
        EXPECT_EQ(started, phases);
    }
    const std::vector<QJsonObject> summary = run.Events("summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0], (QJsonObject{{"event", "summary"}, {"operation", "rom"}, {"ports", 4}, {"passed", 4},
                                       {"failed", 0}, {"interrupted", false}, {"exit", 0}, {"ms", summary[0]["ms"]}}));
    std::ifstream records(cli.data.File("veltra/records/" +
                                        QDateTime::currentDateTimeUtc().toString("yyyy-MM-dd").toStdString() + ".jsonl"));
    int count = 0;
    for (std::string line; std::getline(records, line);)
        count += line.find("\"operation\":\"rom\"") != std::string::npos ? 1 : 0;
    EXPECT_EQ(count, 4);
}

// Every row a download writes lands in each module, R and [LOG] rows never;
// the module test stamps each module, and the record read finds the stamp.
// An upload then reads one module's rows back.
TEST(Cli, ParametersTestAndRecordsOnFourPorts)
{
    Cli cli;
    sim::VirtualBench bench(4);
    bench.Module(3).SetTestResult(3, 7);
    const QStringList ports = Paths(bench);
    const QString vtp = QString::fromStdString(cli.File("Data/VELTRA_EEPROM_DATA_SIGN.vtp"));

    ParameterTable table;
    std::string error;
    ASSERT_EQ(LoadParameterFile(vtp.toStdString(), table, error), ParameterLoadStatus::Loaded);
    const auto writable = std::count_if(table.rows.begin(), table.rows.end(),
                                        [](const ParameterEntry& row) { return TransferMaskOf(row) == 1; });
    const Outcome down = cli.Run(QStringList{"params-down", "--json", "--vtp", vtp} + ports);
    ASSERT_EQ(down.exit, 0) << down.err;
    for (size_t m = 0; m < 4; ++m) {
        const sim::EepromImage eeprom = bench.Module(m).Eeprom();
        EXPECT_EQ(std::string(eeprom.begin() + 2, eeprom.begin() + 10), "VT-AD100");
        EXPECT_EQ(eeprom[0x0F], 0xFF) << "an R row was written";
        EXPECT_EQ(eeprom[0x1D0], 0xFF) << "a [LOG] row was written";
        const QJsonArray written = down.Result(ports[static_cast<int>(m)].toStdString())["data"].toObject()["written"].toArray();
        EXPECT_EQ(written.size(), writable);
        for (const QJsonValue row : written) {
            const QByteArray bytes = QByteArray::fromHex(row["bytes"].toString().toLatin1());
            const char* at = reinterpret_cast<const char*>(eeprom.data()) + row["address"].toString().toInt(nullptr, 16);
            EXPECT_EQ(QByteArray(at, bytes.size()), bytes) << row["id"].toString().toStdString();
        }
    }

    const Outcome test = cli.Run(QStringList{"test", "--json", "--items", "11110000"} + ports);
    EXPECT_EQ(test.exit, 1) << test.err;
    for (size_t m = 0; m < 4; ++m) {
        const QJsonObject result = test.Result(ports[static_cast<int>(m)].toStdString());
        const QJsonObject data = result["data"].toObject();
        const sim::EepromImage eeprom = bench.Module(m).Eeprom();
        const QDate date = QDate::fromString(data["date"].toString(), Qt::ISODate);
        EXPECT_EQ((std::vector<int>{eeprom[464], eeprom[465], eeprom[466], eeprom[467]}),
                  (std::vector<int>{date.year() % 100, date.month(), date.day(), m == 3 ? 0x3F : 0x0F}));
        EXPECT_EQ(data["resultByte"].toInt(), eeprom[467]);
        EXPECT_EQ(result["failure"].toString(), m == 3 ? "7 - AD Ch1 Low Fail!" : QString());
    }

    const Outcome records = cli.Run(QStringList{"records"} + ports);
    ASSERT_EQ(records.exit, 0) << records.err;
    const QString day = QDateTime::currentDateTimeUtc().toString("yyyy-MM-dd");
    for (int m = 0; m < 4; ++m) {
        const QString line = ports[m] + "  ok  " + day + (m == 3 ? " 0x3F  " : " 0x0F  ");
        EXPECT_NE(records.out.find(line.toStdString()), std::string::npos) << records.out;
    }
    EXPECT_NE(records.out.find("records: 4 port(s), 4 passed, 0 failed"), std::string::npos);

    // The upload reads the rows asked for into a copy of the file, leaving the
    // others as the file has them (row 3 holds 9 now, the file 0).
    const uint8_t stored[] = {0x00, 0x07, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0x00, 0x00, 0x00, 0x09};
    bench.Module(0).SetEeprom(0, stored);
    const std::string copy = cli.root.File("up.vtp");
    const Outcome up = cli.Run({"params-up", "--vtp", vtp, "--out", QString::fromStdString(copy), "--rows", "1,2", ports[0]});
    ASSERT_EQ(up.exit, 0) << up.err;
    ASSERT_EQ(LoadParameterFile(copy, table, error), ParameterLoadStatus::Loaded) << error;
    ASSERT_GT(table.rows.size(), 3u);
    EXPECT_EQ(table.rows[0].value, "7");
    EXPECT_EQ(table.rows[1].value, "ABCDEFGH");
    EXPECT_EQ(table.rows[2].value, "0");
}

// A silent module fails alone; --retry runs it again and nothing else.
TEST(Cli, OnlyFailedPortsAreRunAgain)
{
    Cli cli;
    sim::VirtualBench bench(4, BootLoader());
    sim::Faults silent;
    silent.silent = true;
    bench.Module(2).SetFaults(silent);
    const std::string hex = cli.Write("f.hex", sim::HexFileText(std::vector<uint8_t>(0x100, 0x5A)));
    const QStringList ports = Paths(bench);
    const Outcome run = cli.Run(QStringList{"rom", "--json", "--timeout-ms", "300", "--retry", "2", "--hex",
                                            QString::fromStdString(hex)} + ports);
    EXPECT_EQ(run.exit, 1) << run.err;
    for (int m = 0; m < 4; ++m) {
        const QJsonObject result = run.Result(ports[m].toStdString());
        EXPECT_EQ(result["ok"].toBool(), m != 2);
        EXPECT_EQ(result["attempts"].toInt(), m == 2 ? 3 : 1);
        EXPECT_EQ(std::ranges::count(bench.Module(static_cast<size_t>(m)).Requests(), "U", &sim::Request::bytes), m == 2 ? 3 : 1);
    }
    EXPECT_EQ(run.Result(ports[2].toStdString())["failure"].toString(), "Time Out!");
    EXPECT_EQ(run.Events("summary").at(0)["failed"].toInt(), 1);
}

// Whatever is refused is refused before a byte reaches any line.
TEST(Cli, RefusalsSendNothing)
{
    Cli cli;
    sim::VirtualBench bench(2, BootLoader());
    const QStringList ports = Paths(bench);
    const QString badHex = QString::fromStdString(cli.Write("bad.hex", ":10000000000102030405060708090A0B0C0D0E0F00\n"));
    const QString badValue = QString::fromStdString(cli.Write("bad.vtp", ",0000,Version,2,U,70000\n"));
    const struct {
        QStringList arguments;
        int exit;
        const char* said;
    } cases[] = {
        {QStringList{"rom", "--hex", badHex} + ports, 4, "bad.hex"},
        {QStringList{"params-down", "--vtp", badValue} + ports, 4, "Please, check the parameter data"},
        {QStringList{"params-down", "--vtp", badValue, "--rows", "9"} + ports, 3, "no row with ID 9"},
        {QStringList{"test", "--items", "1111"} + ports, 3, "--items"},
        {QStringList{"params-up", "--vtp", badValue, "--out", "x.vtp"} + ports, 3, "exactly one PORT"},
        {QStringList{"rom", "--vtp", badValue} + ports, 3, "--vtp is not an option of rom"},
        {QStringList{"records", ports[0], ports[0].mid(5)}, 3, "are the same port"},
    };
    for (const auto& c : cases) {
        const Outcome run = cli.Run(c.arguments + QStringList{"--json"});
        EXPECT_EQ(run.exit, c.exit) << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    for (size_t m = 0; m < 2; ++m)
        EXPECT_TRUE(bench.Module(m).Requests().empty()) << m;
}

// A signal in the middle of an erase ends the run at once: results and
// summary printed, every port closed, the process gone.
TEST(Cli, SignalStopsTheRunAndFreesEveryPort)
{
    // Every module starts before the first veltra-cli does: under
    // ThreadSanitizer a process may start no thread once it has forked.
    sim::VirtualBench interrupted(2, BootLoader(std::chrono::seconds(5))), terminated(2, BootLoader(std::chrono::seconds(5)));
    for (const auto& [signal, bench] : {std::pair{SIGINT, &interrupted}, std::pair{SIGTERM, &terminated}}) {
        Cli cli;
        const QStringList ports = Paths(*bench);
        const QString hex = QString::fromStdString(cli.Write("f.hex", sim::HexFileText(std::vector<uint8_t>(0x100, 1))));
        QProcess process;
        cli.Start(process, QStringList{"rom", "--json", "--hex", hex} + ports);
        ASSERT_TRUE(Cli::WaitForOutput(process, R"("event":"phase","phase":"erase")", 2));
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), signal), 0);
        const Outcome run = Cli::Finish(process, 10000);
        EXPECT_EQ(run.exit, 2) << run.err;
        for (int m = 0; m < 2; ++m) {
            EXPECT_EQ(run.Result(ports[m].toStdString())["failure"].toString(), "interrupted");
            EXPECT_LE(bench->Module(static_cast<size_t>(m)).Requests().size(), 2u) << "more than handshake and erase";
            int error = 0;
            const int fd = posix::OpenSerialPort(ports[m].toStdString(), 115200, error);
            EXPECT_GE(fd, 0) << posix::ErrorText(error);
            if (fd >= 0)
                posix::CloseSerialPort(fd, 115200);
        }
        ASSERT_EQ(run.Events("summary").size(), 1u);
        EXPECT_TRUE(run.Events("summary")[0]["interrupted"].toBool());
        EXPECT_EQ(process.state(), QProcess::NotRunning);
    }
}

// The list the sheet would show: the extra ports, whether each opens now and
// why not; a run on a port held elsewhere says why it failed, not "Timeout!".
TEST(Cli, PortsListsTheExtraPortsAndWhetherTheyOpen)
{
    Cli cli;
    sim::VirtualBench bench(2);
    const QStringList ports = Paths(bench);
    std::string problem;
    ASSERT_TRUE(WriteProfileString(cli.File("config/VTDown.ini"), "PORTS", "EXTRA", ports.join(',').toStdString(), problem));
    int error = 0;
    const int held = posix::OpenSerialPort(ports[1].toStdString(), 9600, error);
    ASSERT_GE(held, 0);
    const Outcome run = cli.Run({"ports", "--json"});
    const Outcome records = cli.Run({"records", "--json", ports[1]});
    posix::CloseSerialPort(held, 9600);
    EXPECT_EQ(records.exit, 5) << records.err;
    const QJsonObject refused = records.Result(ports[1].toStdString());
    EXPECT_TRUE(refused["failure"].toString().startsWith("Can not open a serial port")) << records.out;
    EXPECT_FALSE(refused["row"].toString().contains("Timeout")) << records.out;
    ASSERT_EQ(run.exit, 0) << run.err;
    for (int m = 0; m < 2; ++m) {
        const auto listed = std::find_if(run.lines.begin(), run.lines.end(),
                                         [&](const QJsonObject& line) { return line["device"] == ports[m]; });
        ASSERT_NE(listed, run.lines.end()) << run.out;
        EXPECT_EQ((*listed)["open"].toBool(), m == 0);
        EXPECT_EQ((*listed)["reason"].isNull(), m == 0);
    }
}
