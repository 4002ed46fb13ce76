#include "SheetHarness.h"

#include "CommandRecord.h"
#include "UploadProgressWindow.h"

#include <QProgressBar>

#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

namespace {

// Every type an upload turns into text, in rows of one to six bytes, at the
// addresses the EEPROM image below fills (which text each size and value
// gives is the value text's own test). The R row's bytes are never asked for.
const char* const kTableFile =
    "# rows for the transfer tests\r\n"
    ",0000,[SYS] One byte,1,U,\r\n"
    ",0001,[SYS] Two bytes,2,U,\r\n"
    ",0003,[SYS] Four bytes,4,U,\r\n"
    ",0007,[CAL] Signed one,1,S,\r\n"
    ",0008,[SYS] Model,6,C,\r\n"
    ",000E,[SYS] Serial,3,H,\r\n"
    ",0011,[SYS] Reserved,2,R,\r\n"
    ",0013,[LOG] Weighings,2,U,\r\n";

constexpr int kRows = 8;
constexpr int kReservedRow = 6;
constexpr int kLogRow = 7;

// What an upload of the image below shows in each row.
const std::vector<std::string> kUploaded = {"200", "300", "2147483647", "-1", "ABCD", "0x0ab0ff", "", "7"};

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
    const std::vector<uint8_t> bytes = {0xC8, 0x01, 0x2C, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 'A',  0xFF, 'B',
                                        0x00, 'C',  'D',  0x0A, 0xB0, 0xFF, 0x12, 0x34, 0x00, 0x07};
    std::copy(bytes.begin(), bytes.end(), eeprom.begin());
    return eeprom;
}

// The requests a module got, every one of which must have been answered at
// 9,600 bit/s. How the tool builds each is the golden exchanges' test.
std::vector<std::string> Sent(const sim::VirtualModule& module)
{
    std::vector<std::string> sent;
    for (const sim::Request& request : module.Requests()) {
        EXPECT_TRUE(request.answered && request.rate == 9600) << sent.size();
        sent.push_back(request.bytes);
    }
    return sent;
}

sim::ModuleOptions WithEeprom(const sim::EepromImage& eeprom)
{
    sim::ModuleOptions options;
    options.eeprom = eeprom;
    return options;
}

class ParameterTransfers : public ::testing::Test {
protected:
    void Prepare(const std::vector<sim::ModuleOptions>& modules, const char* table = kTableFile)
    {
        RunTimeouts timeouts;
        timeouts.application = 3000;
        harness = std::make_unique<SheetHarness>(modules, timeouts);
        harness->LoadParameters(table);
    }

    ParameterTable& Table() { return harness->sheet->Parameters(); }
    std::string Value(int row) { return Table().rows[static_cast<size_t>(row)].value; }
    // The value in the table and in the list the user sees.
    void ExpectShown(int row, const std::string& value)
    {
        EXPECT_EQ(Value(row), value) << row;
        EXPECT_EQ(harness->Controls().parameterList->topLevelItem(row)->text(7).toStdString(), value) << row;
    }
    void TickRows(const std::vector<int>& rows)
    {
        for (size_t row = 0; row < Table().rows.size(); ++row)
            Table().rows[row].checked = std::find(rows.begin(), rows.end(), static_cast<int>(row)) != rows.end();
        harness->Controls().parameterList->ShowTable();
    }
    UploadProgressWindow& UploadWindow()
    {
        return *harness->sheet->findChild<UploadProgressWindow*>(QLatin1String(kUploadWindow));
    }

    std::unique_ptr<SheetHarness> harness;
};

}  // namespace

// Every type is read at the application's rate, whatever the line does to the
// replies: a stray byte before one, a reply cut in two or in pieces. The
// reserved row is never read, even when ticked; the values are what is saved.
// An upload replaces only what it reads: rows it does not read keep their
// value, tick and unsaved edit. A wrong reply or silence stops it with its
// reason; the rows read before keep their values, the row it broke and those
// after it stay empty, and the port is closed.
TEST_F(ParameterTransfers, UploadReadsWhatItIsAskedThroughNoiseAndStopsAtAFault)
{
    Prepare({WithEeprom(UploadEeprom())});
    harness->Tick(0);
    harness->Connect();  // opens the port at the box's 115200
    ASSERT_EQ(harness->sheet->Ports().BaudRate(0), 115200u);
    sim::VirtualModule& module = harness->Module(0);

    std::vector<sim::Faults> noises(4);
    noises[1].strayBeforeReply = 11;
    noises[1].strayBytes = "\x1B\x45\x52";
    noises[2].splitAt = 7;
    noises[2].chunkGap = std::chrono::milliseconds(2);
    noises[3].chunkMax = 3;
    for (const sim::Faults& noise : noises) {
        SCOPED_TRACE(&noise - noises.data());
        module.SetFaults(noise);
        module.ClearRequests();
        TickRows({0, 1, 2, 3, 4, 5, 6, 7});
        Table().rows[0].value = "stale";
        harness->sheet->StartUpload();  // returns once the window has closed itself

        UploadProgressWindow& window = UploadWindow();
        ASSERT_EQ(window.result(), QDialog::Accepted);
        EXPECT_EQ(window.windowTitle(), "Parameter upload is completed!");
        const auto* bar = window.findChild<QProgressBar*>(QStringLiteral("4033"));
        EXPECT_EQ(bar->maximum(), kRows - 1);  // the reserved row unticked
        EXPECT_EQ(bar->value(), kRows - 1);
        EXPECT_FALSE(Table().rows[kReservedRow].checked);
        for (int row = 0; row < kRows; ++row)
            ExpectShown(row, kUploaded[static_cast<size_t>(row)]);
        EXPECT_EQ(harness->sheet->Ports().BaudRate(0), 9600u);
        EXPECT_TRUE(harness->sheet->Ports().IsOpen(0));  // a finished run keeps its port
    }
    std::vector<std::string> reads;
    for (uint32_t a = 0; a < 0x15; ++a)
        if (a != 0x11 && a != 0x12)
            reads.push_back(BuildEepromRead(a));
    EXPECT_EQ(Sent(module), reads);

    // How a saved table reads back is the parameter file's own test.
    const std::string saved = harness->dir.File("uploaded.vtp");
    EXPECT_EQ(Said([&] { FileDialogs dialogs(saved); harness->sheet->SaveParameterFile(); }),
              Texts{"Save Parameter: Save is done!"});
    EXPECT_NE(TempDir::Read(saved).find(",000E,[SYS] Serial,3,H,0x0ab0ff\r\n"), std::string::npos);

    for (int row = 0; row < kRows; ++row)
        Table().rows[static_cast<size_t>(row)].value = "edit " + std::to_string(row);
    TickRows({1, 5, kReservedRow});
    harness->sheet->StartUpload();
    ASSERT_EQ(UploadWindow().result(), QDialog::Accepted);
    for (int row = 0; row < kRows; ++row) {
        ExpectShown(row, row == 1 ? "300" : row == 5 ? "0x0ab0ff" : "edit " + std::to_string(row));
        EXPECT_EQ(Table().rows[static_cast<size_t>(row)].checked, row == 1 || row == 5) << row;
    }

    const struct {
        std::function<void(sim::Faults&)> fault;
        std::vector<int> rows;
        std::string message;
        int lastRead;  // the last row that keeps what was read
    } cases[] = {
        {[](sim::Faults& f) { f.garbledReply = 3; }, {0, 1, 2, 3, 4, 5, 7}, "Parameter Upload: Wrong reply!", 1},
        {[](sim::Faults& f) { f.silentAfterRequests = 2; }, {0, 1, 2}, "Veltra Downloader: Time Out!", 0},
    };
    for (const auto& stop : cases) {
        sim::Faults faults;
        stop.fault(faults);
        module.SetFaults(faults);
        TickRows(stop.rows);
        MessageBoxes boxes;
        PressWhen closer(kUploadWindow, "2", [&] { return !boxes.Texts().empty(); });
        harness->sheet->StartUpload();
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{stop.message}));
        EXPECT_EQ(UploadWindow().result(), QDialog::Rejected);
        for (const int row : stop.rows)
            EXPECT_EQ(Value(row), row <= stop.lastRead ? kUploaded[static_cast<size_t>(row)] : "") << stop.message << row;
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(0));
        EXPECT_EQ(harness->Ports().Image(0), port_image::kClosed);
    }
}

// A download writes only values that mean what they say: every ticked row is
// checked before the first write, one message names every row that is wrong
// and no module gets a byte (which values fit is the value text's own test).
// Put right, the ticked rows go out at 9,600 bit/s, and only they: R and
// [LOG] rows are unticked for the user to see. A wrong reply or a silent
// module stops only its port, in red, and closing the window then closes
// every port. How writes get through a noisy line is the upload's case above.
TEST_F(ParameterTransfers, DownloadChecksEveryValueFirstAndWritesOnlyTheTickedRows)
{
    std::vector<sim::ModuleOptions> modules(3, WithEeprom(PatternEeprom()));
    modules[1].faults.garbledReply = 2;
    modules[2].faults.silent = true;
    Prepare(modules,
            "# one good row, one wrong row of every kind, and rows a download never writes\r\n"
            ",0000,[SYS] Good,2,U,258\r\n"
            ",0002,[SYS] Unsigned,1,U,256\r\n"
            ",0003,[SYS] Word,2,U,12a\r\n"
            ",0005,[SYS] Odd,2,H,0x123\r\n"
            ",0007,[SYS] Long,2,H,0x010203\r\n"
            ",0009,[SYS] Model,4,C,ABCDE\r\n"
            ",000D,[SYS] Sized,x,U,1\r\n"
            ",000E,[SYS] Reserved,2,R,\r\n"
            ",0010,[LOG] Weighings,1,U,9\r\n"
            ",0011,[SYS] Unticked,1,U,300\r\n");
    TickRows({0, 1, 2, 3, 4, 5, 6, 7, 8});
    harness->TickAll();
    harness->Connect();  // at the box's 115200
    {
        PressWhen noWindow(kStatusWindow, "2", [] { return true; });
        EXPECT_EQ(Said([&] { harness->sheet->StartDownload(); }), (Texts{
                                     "Parameter Download: Please, check the parameter data:\n"
                                     "ID 2 [SYS] Unsigned: 256 does not fit 1 byte (0 to 255)\n"
                                     "ID 3 [SYS] Word: \"12a\" is not a whole number\n"
                                     "ID 4 [SYS] Odd: \"0x123\" is not \"0x\" followed by pairs of hexadecimal digits\n"
                                     "ID 5 [SYS] Long: 0x010203 holds 3 bytes, more than 2\n"
                                     "ID 6 [SYS] Model: \"ABCDE\" has 5 characters, more than 4\n"
                                     "ID 7 [SYS] Sized: Size \"x\" is not a number of bytes from 1 to 512\n"}));
        EXPECT_EQ(noWindow.Presses(), 0);
    }
    for (int m = 0; m < 3; ++m)
        EXPECT_TRUE(harness->Module(m).Requests().empty());

    // The same rows at the edges of their ranges.
    const std::vector<std::string> edges = {"258", "255", "65535", "0x1234", "0x0102", "ABCD", "7"};
    for (size_t row = 0; row < edges.size(); ++row)
        Table().rows[row].value = edges[row];
    Table().rows[6].size = "1";
    MessageBoxes boxes;
    PressWhen closer(kStatusWindow, "2", [this] {
        return harness->Row(1) == " - Wrong reply! " && harness->Row(2) == " - Time Out! " &&
               harness->sheet->Dispatcher().DoneCount() == 1;
    });
    harness->sheet->StartDownload();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(harness->sheet->Status().result(), QDialog::Rejected);
    const std::vector<uint8_t> written = {0x01, 0x02, 0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x01, 0x02, 'A', 'B', 'C', 'D', 0x07};
    std::vector<std::string> writes;
    for (uint32_t a = 0; a < written.size(); ++a)
        writes.push_back(BuildEepromWrite(a, written[a]));
    EXPECT_EQ(Sent(harness->Module(0)), writes);
    EXPECT_EQ(harness->Row(0), "Completed!");
    for (int m = 1; m < 3; ++m)
        EXPECT_EQ(harness->sheet->Status().List()->RowColour(m), 0x0000FF);  // red
    EXPECT_EQ(harness->sheet->Dispatcher().FailCount(), 2);
    EXPECT_FALSE(Table().rows[7].checked || Table().rows[8].checked);
    EXPECT_EQ(harness->Controls().parameterList->topLevelItem(8)->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(harness->sheet->IsConnected());
    for (int port = 0; port < 3; ++port)
        EXPECT_FALSE(harness->sheet->Ports().IsOpen(port));
}

// A refused operation says why, shows no window and sends nothing.
TEST_F(ParameterTransfers, RefusalsSayWhyAndStartNothing)
{
    Prepare(std::vector<sim::ModuleOptions>(2, WithEeprom(PatternEeprom())));
    CFlashkitSheet& sheet = *harness->sheet;
    PressWhen statusCloser(kStatusWindow, "2", [] { return true; });
    PressWhen uploadCloser(kUploadWindow, "2", [] { return true; });
    const auto upload = [&] { return Said([&] { sheet.StartUpload(); }); };
    const auto download = [&] { return Said([&] { sheet.StartDownload(); }); };

    TickRows({0});
    EXPECT_EQ(upload(), (Texts{"Parameter Upload: Please, select a port"}));
    EXPECT_EQ(download(), (Texts{"Parameter Download: Please, select ports"}));
    harness->TickAll();
    EXPECT_EQ(upload(), (Texts{"Parameter Upload: You should select a only ONE scale."}));
    EXPECT_FALSE(sheet.Ports().IsOpen(0) || sheet.Ports().IsOpen(1));
    harness->Tick(1, false);
    TickRows({});
    EXPECT_EQ(upload(), (Texts{"Parameter Upload: There is no selected parameter."}));
    // Only rows a download never writes: nothing is left to send.
    TickRows({kReservedRow, kLogRow});
    EXPECT_EQ(download(), (Texts{"Parameter Download: There is no selected parameter."}));

    // Another program holds the port.
    Table().rows[0].value = "1";
    TickRows({0});
    {
        HeldPort held(harness->Module(0).Path());
        ASSERT_TRUE(held.Held());
        const std::string name = harness->Ports().PortName(0);
        EXPECT_EQ(upload(), (Texts{"Parameter Upload: Can not open a serial port: " + name}));
        EXPECT_EQ(download(), (Texts{"Parameter Download: Can not open a serial port: " + name}));
    }
    EXPECT_TRUE(harness->Module(0).Requests().empty() && harness->Module(1).Requests().empty());
    EXPECT_EQ(statusCloser.Presses() + uploadCloser.Presses(), 0);
}
