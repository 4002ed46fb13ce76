#include "SheetHarness.h"

#include "ProgressListCtrl.h"
#include "StatusWindow.h"
#include "UploadProgressWindow.h"
#include "ValueText.h"

#include <QProgressBar>
#include <QPushButton>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

using namespace veltra;
using veltra::testing::FileDialogs;
using veltra::testing::MessageBoxes;
using veltra::testing::CloseWhen;
using veltra::testing::SheetHarness;
using veltra::testing::WaitFor;

namespace {

// Every type and size an upload turns into text, at the addresses the EEPROM
// image below fills. The R row's bytes are never asked for.
const char* const kTableFile =
    "# rows for the transfer tests\r\n"
    ",0000,[SYS] One byte,1,U,\r\n"
    ",0001,[SYS] Two bytes,2,U,\r\n"
    ",0003,[SYS] Four bytes,4,U,\r\n"
    ",0007,[SYS] Four bytes at 2^31,4,U,\r\n"
    ",000B,[SYS] Four bytes near the top,4,U,\r\n"
    ",000F,[CAL] Signed one,1,S,\r\n"
    ",0010,[CAL] Signed two,2,S,\r\n"
    ",0012,[CAL] Signed four,4,S,\r\n"
    ",0016,[SYS] Model,6,C,\r\n"
    ",001C,[SYS] Serial,3,H,\r\n"
    ",001F,[SYS] Reserved,2,R,\r\n"
    ",0021,[LOG] Weighings,2,U,\r\n";

constexpr int kRows = 12;
constexpr int kReservedRow = 10;
constexpr int kLogRow = 11;

sim::EepromImage PatternEeprom()
{
    sim::EepromImage eeprom{};
    for (size_t a = 0; a < eeprom.size(); ++a)
        eeprom[a] = static_cast<uint8_t>(a * 7 + 3);
    return eeprom;
}

sim::EepromImage UploadEeprom()
{
    sim::EepromImage eeprom = PatternEeprom();
    const std::vector<uint8_t> bytes = {
        0xC8,                    // 200
        0x01, 0x2C,              // 300
        0x7F, 0xFF, 0xFF, 0xFF,  // 2147483647
        0x80, 0x00, 0x00, 0x00,  // 2147483648
        0xFF, 0xFF, 0xFF, 0xFE,  // 4294967294
        0xFF,                    // -1
        0xFF, 0xFE,              // -2
        0x80, 0x00, 0x00, 0x00,  // -2147483648
        'A', 0xFF, 'B', 0x00, 'C', 'D',
        0x0A, 0xB0, 0xFF,
        0x12, 0x34,              // reserved
        0x00, 0x07,              // 7
    };
    std::copy(bytes.begin(), bytes.end(), eeprom.begin());
    return eeprom;
}

// The EEPROM addresses a module was asked to read ('R') or write ('W').
std::multiset<uint32_t> Addresses(const sim::VirtualModule& module, char kind)
{
    std::multiset<uint32_t> addresses;
    for (const sim::Request& request : module.Requests()) {
        const std::string& b = request.bytes;
        if (b.size() < 9 || b[0] != '\x1B' || b[1] != 'E' || b[2] != kind)
            continue;
        uint32_t address = 0;
        for (int k = 3; k < 7; ++k)
            address = (address << 8) | static_cast<uint8_t>(b[static_cast<size_t>(k)]);
        addresses.insert(address);
    }
    return addresses;
}

bool EveryRequestAnsweredAt9600(const sim::VirtualModule& module)
{
    const auto requests = module.Requests();
    return !requests.empty() && std::all_of(requests.begin(), requests.end(), [](const sim::Request& r) {
        return r.answered && r.rate == 9600;
    });
}

class ParameterTransfers : public ::testing::Test {
protected:
    void Prepare(const std::vector<sim::ModuleOptions>& modules, RunTimeouts timeouts = {},
                 const char* table = kTableFile)
    {
        harness = std::make_unique<SheetHarness>(modules, timeouts);
        FileDialogs dialogs(harness->dir.Write("table.vtp", table));
        harness->sheet->ChooseParameterFile();
        ASSERT_EQ(Table().rows.size(), static_cast<size_t>(std::count(table, table + std::strlen(table), '\n') - 1));
    }

    ParameterTable& Table() { return harness->sheet->Parameters(); }
    void TickRows(const std::vector<int>& rows)
    {
        for (const int row : rows)
            Table().rows[static_cast<size_t>(row)].checked = true;
        harness->sheet->Controls().parameterList->ShowTable();
    }
    void SetValue(int row, const std::string& value) { Table().rows[static_cast<size_t>(row)].value = value; }
    UploadProgressWindow& UploadWindow()
    {
        return *harness->sheet->findChild<UploadProgressWindow*>(QStringLiteral("4023"));
    }
    QString RowText(int row) { return harness->sheet->Status().List()->CellText(row, 3); }

    std::unique_ptr<SheetHarness> harness;
};

sim::ModuleOptions WithEeprom(const sim::EepromImage& eeprom)
{
    sim::ModuleOptions options;
    options.eeprom = eeprom;
    return options;
}

}  // namespace

TEST_F(ParameterTransfers, UploadReadsEveryTypeAtApplicationRateAndSaveRoundTrips)
{
    Prepare({WithEeprom(UploadEeprom())});
    const SheetControls& c = harness->sheet->Controls();
    c.paramMode->click();
    // The CHK heading ticks every row but the reserved one.
    c.parameterList->ToggleAllParameters();
    EXPECT_FALSE(Table().rows[kReservedRow].checked);
    Table().rows[kReservedRow].checked = true;  // and even when ticked it is never read
    Table().rows[0].value = "stale";
    harness->Tick(0);
    c.connect->click();  // opens the port at the box's 115200
    ASSERT_TRUE(harness->sheet->Ports().IsOpen(0));
    EXPECT_EQ(harness->sheet->Ports().BaudRate(0), 115200u);

    harness->sheet->StartUpload();  // returns once the window has closed itself

    UploadProgressWindow& window = UploadWindow();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.windowTitle(), "Parameter upload is completed!");
    const auto* bar = window.findChild<QProgressBar*>(QStringLiteral("4033"));
    EXPECT_EQ(bar->maximum(), kRows - 1);  // the ticked rows, the reserved one unticked
    EXPECT_EQ(bar->value(), kRows - 1);
    EXPECT_EQ(harness->sheet->Ports().BaudRate(0), 9600u);
    EXPECT_TRUE(harness->sheet->Ports().IsOpen(0));  // a finished run keeps its port
    const sim::VirtualModule& module = harness->bench->Module(0);
    EXPECT_TRUE(EveryRequestAnsweredAt9600(module));
    std::multiset<uint32_t> expectedReads;
    for (uint32_t a = 0; a < 0x23; ++a)
        if (a != 0x1F && a != 0x20)
            expectedReads.insert(a);
    EXPECT_EQ(Addresses(module, 'R'), expectedReads);

    const std::vector<std::string> expected = {"200",  "300",         "2147483647", "2147483648", "4294967294", "-1",
                                               "-2",   "-2147483648", "ABCD",       "0x0ab0ff",   "",           "7"};
    for (int row = 0; row < kRows; ++row) {
        EXPECT_EQ(Table().rows[static_cast<size_t>(row)].value, expected[static_cast<size_t>(row)]) << row;
        EXPECT_EQ(c.parameterList->topLevelItem(row)->text(7).toStdString(), expected[static_cast<size_t>(row)]);
    }
    EXPECT_FALSE(Table().rows[kReservedRow].checked);
    // Sending the numbers and the hex string back gives the module's bytes.
    const sim::EepromImage eeprom = module.Eeprom();
    for (const int row : {0, 1, 2, 3, 4, 5, 6, 7, 9, 11}) {
        const ParameterEntry& entry = Table().rows[static_cast<size_t>(row)];
        const size_t at = std::stoul(entry.hexAddress, nullptr, 16);
        const int size = std::stoi(entry.size);
        EXPECT_EQ(ValueTextToBytes(entry.type, size, entry.value),
                  std::vector<uint8_t>(eeprom.begin() + static_cast<long>(at),
                                       eeprom.begin() + static_cast<long>(at) + size))
            << row;
    }

    // Saved and read back, every row comes back as it was.
    const std::vector<ParameterEntry> uploaded = Table().rows;
    const std::string saved = harness->dir.File("uploaded.vtp");
    {
        MessageBoxes boxes;
        FileDialogs dialogs(saved);
        harness->sheet->SaveParameterFile();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Save Parameter: Save is done!"}));
    }
    {
        FileDialogs dialogs(harness->dir.Write("table.vtp", kTableFile));
        harness->sheet->ChooseParameterFile();
        ASSERT_EQ(Table().rows[0].value, "");
    }
    FileDialogs dialogs(saved);
    harness->sheet->ChooseParameterFile();
    ASSERT_EQ(Table().rows.size(), uploaded.size());
    for (size_t row = 0; row < uploaded.size(); ++row) {
        const ParameterEntry& now = Table().rows[row];
        EXPECT_EQ(now.hexAddress, uploaded[row].hexAddress) << row;
        EXPECT_EQ(now.name, uploaded[row].name) << row;
        EXPECT_EQ(now.size, uploaded[row].size) << row;
        EXPECT_EQ(now.type, uploaded[row].type) << row;
        EXPECT_EQ(now.value, uploaded[row].value) << row;
        EXPECT_EQ(c.parameterList->topLevelItem(static_cast<int>(row))->text(7).toStdString(), uploaded[row].value);
    }
}

TEST_F(ParameterTransfers, DownloadWritesOnlyTheTickedRowsIntoThreeModules)
{
    Prepare(std::vector<sim::ModuleOptions>(3, WithEeprom(PatternEeprom())));
    const std::map<int, std::string> values = {{0, "200"},  {1, "300"},        {2, "4294967295"}, {6, "-2"},
                                               {8, "AB"},   {9, "0x0ab0ff"},   {kLogRow, "9"},    {4, "17"}};
    for (const auto& [row, value] : values)
        SetValue(row, value);
    TickRows({0, 1, 2, 6, 8, 9, kReservedRow, kLogRow});  // row 4 has a value but no tick
    EXPECT_EQ(harness->sheet->Controls().baudRate->currentText(), "115200");
    harness->TickAll();
    harness->sheet->Controls().connect->click();

    harness->sheet->StartDownload();  // returns once the window has closed itself

    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 3);
    // The rows a download never writes were unticked for the user to see.
    EXPECT_FALSE(Table().rows[kReservedRow].checked);
    EXPECT_FALSE(Table().rows[kLogRow].checked);
    EXPECT_EQ(harness->sheet->Controls().parameterList->topLevelItem(kLogRow)->checkState(0), Qt::Unchecked);

    sim::EepromImage expected = PatternEeprom();
    const std::vector<std::pair<size_t, std::vector<uint8_t>>> writes = {
        {0x00, {0xC8}},
        {0x01, {0x01, 0x2C}},
        {0x03, {0xFF, 0xFF, 0xFF, 0xFF}},
        {0x10, {0xFF, 0xFE}},
        {0x16, {'A', 'B', 0xFF, 0xFF, 0xFF, 0xFF}},
        {0x1C, {0x0A, 0xB0, 0xFF}},
    };
    std::multiset<uint32_t> addresses;
    for (const auto& [at, bytes] : writes) {
        for (size_t k = 0; k < bytes.size(); ++k) {
            expected[at + k] = bytes[k];
            addresses.insert(static_cast<uint32_t>(at + k));
        }
    }
    for (size_t m = 0; m < 3; ++m) {
        const sim::VirtualModule& module = harness->bench->Module(m);
        EXPECT_EQ(module.Eeprom(), expected) << "module " << m;
        EXPECT_EQ(Addresses(module, 'W'), addresses) << "module " << m;
        EXPECT_TRUE(EveryRequestAnsweredAt9600(module)) << "module " << m;
        EXPECT_EQ(harness->sheet->Ports().BaudRate(static_cast<int>(m)), 9600u);
    }
}

TEST_F(ParameterTransfers, SilentModuleTimesOutWhileTheOthersFinish)
{
    std::vector<sim::ModuleOptions> modules(3, WithEeprom(PatternEeprom()));
    modules[1].faults.silent = true;
    RunTimeouts timeouts;
    timeouts.application = 3000;
    Prepare(modules, timeouts);
    SetValue(0, "66");
    SetValue(1, "513");
    TickRows({0, 1});
    harness->TickAll();

    CloseWhen closer(harness->sheet->Status(), [this] {
        return harness->sheet->Dispatcher().DoneCount() == 2 && RowText(1) == " - Time Out! ";
    });
    harness->sheet->StartDownload();

    // Still open when the two finished: closed by its button.
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
    EXPECT_EQ(harness->sheet->Status().List()->RowColour(1), 0x0000FF);  // red
    for (const size_t m : {size_t{0}, size_t{2}}) {
        const auto eeprom = harness->bench->Module(m).Eeprom();
        EXPECT_EQ(eeprom[0], 66);
        EXPECT_EQ(eeprom[1], 0x02);
        EXPECT_EQ(eeprom[2], 0x01);
    }
    EXPECT_FALSE(harness->sheet->IsConnected());
    for (int port = 0; port < 3; ++port)
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(port));
}

TEST_F(ParameterTransfers, UploadFromAModuleThatFallsSilentSaysTimeOut)
{
    sim::ModuleOptions options = WithEeprom(UploadEeprom());
    options.faults.silentAfterRequests = 2;
    RunTimeouts timeouts;
    timeouts.application = 3000;
    Prepare({options}, timeouts);
    TickRows({0, 1, 2});
    harness->Tick(0);
    MessageBoxes boxes;
    CloseWhen closer(UploadWindow(), [&] { return !boxes.Texts().empty(); });

    harness->sheet->StartUpload();

    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Veltra Downloader: Time Out!"}));
    EXPECT_EQ(UploadWindow().result(), QDialog::Rejected);
    EXPECT_EQ(Table().rows[0].value, "200");
    EXPECT_EQ(Table().rows[1].value, "");  // its second byte never came
    EXPECT_FALSE(harness->sheet->Ports().IsOpen(0));
    EXPECT_EQ(harness->Ports().Image(0), port_image::kClosed);
}

// A download writes only values that mean what they say: every ticked row is
// checked before the first write, one message names every row that is wrong
// and no module gets a byte; the same rows at the edges of their ranges go out.
TEST_F(ParameterTransfers, WrongValuesAreRefusedBeforeAnyModuleIsWritten)
{
    Prepare(std::vector<sim::ModuleOptions>(2, WithEeprom(PatternEeprom())), {},
            "# one good row, then one wrong row of every kind\r\n"
            ",0000,[SYS] Good,2,U,258\r\n"
            ",0002,[SYS] Unsigned,1,U,256\r\n"
            ",0003,[CAL] Signed,1,S,-129\r\n"
            ",0004,[SYS] Word,2,U,12a\r\n"
            ",0006,[SYS] Odd,2,H,0x123\r\n"
            ",0008,[SYS] Long,2,H,0x010203\r\n"
            ",000A,[SYS] Key,3,H,0ab0ff\r\n"
            ",000D,[SYS] Model,4,C,ABCDE\r\n"
            ",0011,[SYS] Sized,x,U,1\r\n");
    TickRows({0, 1, 2, 3, 4, 5, 6, 7, 8});
    harness->TickAll();
    bool windowShown = false;
    {
        CloseWhen closer(harness->sheet->Status(), [&] { return windowShown = true; });
        MessageBoxes boxes;
        harness->sheet->StartDownload();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                     "Parameter Download: Please, check the parameter data:\n"
                                     "ID 2 [SYS] Unsigned: 256 does not fit 1 byte (0 to 255)\n"
                                     "ID 3 [CAL] Signed: -129 does not fit 1 byte (-128 to 127)\n"
                                     "ID 4 [SYS] Word: \"12a\" is not a whole number\n"
                                     "ID 5 [SYS] Odd: \"0x123\" is not \"0x\" followed by pairs of hexadecimal digits\n"
                                     "ID 6 [SYS] Long: 0x010203 holds 3 bytes, more than 2\n"
                                     "ID 7 [SYS] Key: \"0ab0ff\" is not \"0x\" followed by pairs of hexadecimal digits\n"
                                     "ID 8 [SYS] Model: \"ABCDE\" has 5 characters, more than 4\n"
                                     "ID 9 [SYS] Sized: Size \"x\" is not a number of bytes from 1 to 512\n"}));
    }
    EXPECT_FALSE(windowShown);
    for (int m = 0; m < 2; ++m) {
        EXPECT_TRUE(harness->bench->Module(m).Requests().empty());
        EXPECT_EQ(harness->bench->Module(m).Eeprom(), PatternEeprom());
    }

    const std::vector<std::string> edges = {"258", "255", "-128", "65535", "0x1234", "0x0102", "0x0ab0ff", "ABCD", "7"};
    for (size_t row = 0; row < edges.size(); ++row)
        SetValue(static_cast<int>(row), edges[row]);
    Table().rows[8].size = "1";
    MessageBoxes boxes;
    harness->sheet->StartDownload();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Accepted);
    const std::vector<uint8_t> written = {0x01, 0x02, 0xFF, 0x80, 0xFF, 0xFF, 0x12, 0x34, 0x01, 0x02,
                                          0x0A, 0xB0, 0xFF, 'A',  'B',  'C',  'D',  0x07};
    for (int m = 0; m < 2; ++m) {
        const sim::EepromImage eeprom = harness->bench->Module(m).Eeprom();
        EXPECT_TRUE(std::equal(written.begin(), written.end(), eeprom.begin())) << m;
    }
}

// An upload replaces only what it reads: rows it does not read keep their
// value, tick and unsaved edit.
TEST_F(ParameterTransfers, UploadReplacesOnlyTheRowsItReads)
{
    Prepare({WithEeprom(UploadEeprom())});
    for (int row = 0; row < kRows; ++row)
        SetValue(row, "edit " + std::to_string(row));
    TickRows({1, 9, kReservedRow});
    harness->Tick(0);
    harness->sheet->StartUpload();
    ASSERT_EQ(UploadWindow().result(), QDialog::Accepted);
    for (int row = 0; row < kRows; ++row) {
        const std::string value = Table().rows[static_cast<size_t>(row)].value;
        EXPECT_EQ(value, row == 1 ? "300" : row == 9 ? "0x0ab0ff" : "edit " + std::to_string(row)) << row;
        EXPECT_EQ(Table().rows[static_cast<size_t>(row)].checked, row == 1 || row == 9) << row;
    }
}

// Noise on the line never shifts a value: with a stray byte before a reply,
// or every reply cut at any byte, an upload gives exactly what the module
// holds. A reply that is wrong stops the upload with its reason; the rows read
// before it keep their values and the row it broke stays empty.
TEST_F(ParameterTransfers, UploadValuesSurviveNoiseAndAWrongReplyStopsIt)
{
    Prepare({WithEeprom(UploadEeprom())});
    const std::vector<std::string> expected = {"200",  "300",         "2147483647", "2147483648", "4294967294", "-1",
                                               "-2",   "-2147483648", "ABCD",       "0x0ab0ff",   "",           "7"};
    std::vector<sim::Faults> noises;
    for (const auto& [reply, bytes] : std::vector<std::pair<size_t, std::string>>{
             {0, std::string(1, '\0')}, {5, "\x1B"}, {11, "\x1B\x45\x52"}, {20, "\x0D\x1B\x1B"}}) {
        noises.emplace_back();
        noises.back().strayBeforeReply = reply;
        noises.back().strayBytes = bytes;
    }
    for (const size_t at : {1, 7, 10, 12}) {
        noises.emplace_back();
        noises.back().splitAt = at;
        noises.back().chunkGap = std::chrono::milliseconds(2);
    }
    noises.emplace_back();
    noises.back().chunkMax = 3;
    sim::VirtualModule& module = harness->bench->Module(0);
    harness->Tick(0);
    for (const sim::Faults& noise : noises) {
        module.SetFaults(noise);
        harness->sheet->Controls().parameterList->ToggleAllParameters();
        if (!Table().rows[0].checked)
            harness->sheet->Controls().parameterList->ToggleAllParameters();
        harness->sheet->StartUpload();
        ASSERT_EQ(UploadWindow().result(), QDialog::Accepted) << noise.strayBytes.size() << " " << noise.splitAt.value_or(0);
        for (int row = 0; row < kRows; ++row)
            EXPECT_EQ(Table().rows[static_cast<size_t>(row)].value, expected[static_cast<size_t>(row)]) << row;
    }

    sim::Faults garbled;
    garbled.garbledReply = 3;  // the second byte of the "Four bytes" row
    module.SetFaults(garbled);
    harness->sheet->Controls().parameterList->ToggleAllParameters();
    if (!Table().rows[0].checked)
        harness->sheet->Controls().parameterList->ToggleAllParameters();
    MessageBoxes boxes;
    CloseWhen closer(UploadWindow(), [&] { return !boxes.Texts().empty(); });
    harness->sheet->StartUpload();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Parameter Upload: Wrong reply!"}));
    EXPECT_EQ(Table().rows[0].value, "200");
    EXPECT_EQ(Table().rows[1].value, "300");
    for (int row = 2; row < kRows; ++row)
        EXPECT_EQ(Table().rows[static_cast<size_t>(row)].value, "") << row;
    EXPECT_FALSE(harness->sheet->Ports().IsOpen(0));
}

// The same for a download: every byte reaches its address whatever the line
// does to the replies, and a wrong reply stops its port in red while the
// others finish.
TEST_F(ParameterTransfers, DownloadSurvivesNoiseAndAWrongReplyStopsOnlyItsPort)
{
    std::vector<sim::ModuleOptions> modules(3, WithEeprom(PatternEeprom()));
    modules[0].faults.strayBeforeReply = 4;
    modules[0].faults.strayBytes = "\x1B";
    modules[1].faults.splitAt = 6;
    modules[1].faults.chunkGap = std::chrono::milliseconds(2);
    modules[2].faults.garbledReply = 2;
    RunTimeouts timeouts;
    timeouts.application = 3000;
    Prepare(modules, timeouts,
            "# two rows\r\n"
            ",0000,[SYS] Word,2,U,258\r\n"
            ",0002,[SYS] Key,3,H,0x0ab0ff\r\n");
    TickRows({0, 1});
    harness->TickAll();
    CloseWhen closer(harness->sheet->Status(), [this] {
        return RowText(2) == " - Wrong reply! " && harness->sheet->Dispatcher().DoneCount() == 2;
    });
    harness->sheet->StartDownload();
    const std::vector<uint8_t> written = {0x01, 0x02, 0x0A, 0xB0, 0xFF};
    for (int m = 0; m < 2; ++m) {
        const sim::EepromImage eeprom = harness->bench->Module(m).Eeprom();
        EXPECT_TRUE(std::equal(written.begin(), written.end(), eeprom.begin())) << m;
        EXPECT_EQ(RowText(m), "Completed!");
    }
    EXPECT_EQ(harness->sheet->Dispatcher().DoneCount(), 2);
    EXPECT_EQ(harness->sheet->Dispatcher().FailCount(), 1);
}

TEST_F(ParameterTransfers, RefusalsSayWhyAndStartNothing)
{
    Prepare(std::vector<sim::ModuleOptions>(2, WithEeprom(PatternEeprom())));
    const auto noRequests = [this] {
        return harness->bench->Module(0).Requests().empty() && harness->bench->Module(1).Requests().empty();
    };
    const auto refusal = [](const std::function<void()>& start) {
        MessageBoxes boxes;
        start();
        return boxes.Texts();
    };
    using Texts = std::vector<std::string>;
    CFlashkitSheet& sheet = *harness->sheet;
    // A refused operation shows no window; one that shows anyway is closed
    // at once, so that the fault fails the test instead of hanging it.
    bool windowShown = false;
    const auto shown = [&] { return windowShown = true; };
    CloseWhen statusCloser(sheet.Status(), shown);
    CloseWhen uploadCloser(UploadWindow(), shown);
    const auto upload = [&] { sheet.StartUpload(); };
    const auto download = [&] { sheet.StartDownload(); };

    TickRows({0});
    EXPECT_EQ(refusal(upload), (Texts{"Parameter Upload: Please, select a port"}));
    EXPECT_EQ(refusal(download), (Texts{"Parameter Download: Please, select ports"}));
    harness->TickAll();
    EXPECT_EQ(refusal(upload), (Texts{"Parameter Upload: You should select a only ONE scale."}));
    EXPECT_FALSE(sheet.Ports().IsOpen(0));
    EXPECT_FALSE(sheet.Ports().IsOpen(1));
    harness->Tick(1, false);
    Table().rows[0].checked = false;
    EXPECT_EQ(refusal(upload), (Texts{"Parameter Upload: There is no selected parameter."}));
    // Only rows a download never writes: nothing is left to send.
    TickRows({kReservedRow, kLogRow});
    EXPECT_EQ(refusal(download), (Texts{"Parameter Download: There is no selected parameter."}));
    EXPECT_TRUE(noRequests());

    // Another program holds the port.
    SetValue(0, "1");
    auto held = std::make_unique<veltra::testing::HeldPort>(harness->bench->Module(0).Path());
    ASSERT_TRUE(held->Held());
    TickRows({0});
    const std::string name = harness->Ports().PortName(0);
    EXPECT_EQ(refusal(upload), (Texts{"Parameter Upload: Can not open a serial port: " + name}));
    EXPECT_EQ(harness->Ports().Image(0), port_image::kClosed);
    EXPECT_EQ(refusal(download), (Texts{"Parameter Download: Can not open a serial port: " + name}));
    held.reset();
    EXPECT_TRUE(noRequests());
    EXPECT_FALSE(windowShown);
}
