#include "BadInput.h"
#include "SheetHarness.h"
#include "StatusTextEvent.h"

#include <QHeaderView>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace veltra;
using veltra::testing::CanMakeUnreadableFiles;
using veltra::testing::FileDialogs;
using veltra::testing::HexFileText;
using veltra::testing::Junk;
using veltra::testing::kGiB;
using veltra::testing::MessageBoxes;
using veltra::testing::SheetHarness;
using veltra::testing::SparseFile;
using veltra::testing::TempDir;

namespace {

// What the sheet sends to the host's status bar: pane and text.
class StatusBar : public QObject {
public:
    explicit StatusBar(QWidget& view) { view.installEventFilter(this); }
    std::pair<int, std::string> Last() const { return texts_.empty() ? std::pair<int, std::string>{} : texts_.back(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == StatusTextEvent::TypeId) {
            const auto* text = static_cast<StatusTextEvent*>(event);
            texts_.emplace_back(text->Pane(), text->Text());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::vector<std::pair<int, std::string>> texts_;
};

// A sheet without ports; the start-up message about that is answered here.
std::unique_ptr<SheetHarness> PortlessSheet(const std::function<void(SheetHarness&)>& beforeStart = {})
{
    MessageBoxes startup;
    auto harness = std::make_unique<SheetHarness>(std::vector<sim::ModuleOptions>{}, RunTimeouts{},
                                                  std::vector<std::array<std::string, 3>>{}, beforeStart);
    EXPECT_EQ(startup.Texts(), (std::vector<std::string>{"Setting Ports: No Serial Ports"}));
    return harness;
}

struct Refusal {
    std::string path;
    std::string expected;  // part of the message after the file's name
};

}  // namespace

TEST(SheetBadFiles, RefusedHexFileKeepsTheImageAndSaysWhereItIsWrong)
{
    auto harness = PortlessSheet();
    CFlashkitSheet& sheet = *harness->sheet;
    StatusBar statusBar(harness->view);
    std::vector<uint8_t> firmware(0x300);
    for (size_t i = 0; i < firmware.size(); ++i)
        firmware[i] = static_cast<uint8_t>(i * 7);
    const std::string good = HexFileText(firmware);
    const std::string goodPath = harness->dir.Write("good.hex", good);
    {
        FileDialogs dialogs(goodPath);
        sheet.ChooseRomFile();
    }
    ASSERT_EQ(sheet.Rom().loaded, 1);
    const auto named = statusBar.Last();
    ASSERT_EQ(named, std::make_pair(0, (sheet.Caption("FW_MSG", "MSG_STATUS4") + " ").toStdString() + goodPath));
    const RomImage before = sheet.Rom();
    // A refused file must not tick ROM Down for the image of another.
    sheet.Controls().romDown->setChecked(false);

    const TempDir& dir = harness->dir;
    const Refusal cases[] = {
        {dir.Write("junk.hex", Junk(3, 4096)), "line "},
        {dir.Write("long.hex", good.substr(0, 45) + ":" + std::string(999999, 'A') + "\n"),
         "line 2 is longer than any HEX record can be"},
        {SparseFile(dir, "hole.hex", good.substr(0, 90), kGiB),
         "line 3 is longer than any HEX record can be"},
        {dir.Write("empty.hex", ""), "holds no HEX records"},
        {dir.Write("top.hex", ":02FFFF00AABB9B\n"), "line 1 puts data from FFFF to 10000, beyond the 64 KiB image"},
    };
    for (const Refusal& c : cases) {
        MessageBoxes boxes;
        FileDialogs dialogs(c.path);
        sheet.ChooseRomFile();
        ASSERT_EQ(boxes.Texts().size(), 1u) << c.path;
        const std::string& text = boxes.Texts().front();
        EXPECT_EQ(text.rfind("Veltra Downloader: " + c.path + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        EXPECT_EQ(sheet.Rom().bytes, before.bytes) << c.path;
        EXPECT_EQ(sheet.Rom().lastAddress, before.lastAddress);
        EXPECT_EQ(sheet.Rom().loaded, 1);
        EXPECT_FALSE(sheet.Controls().romDown->isChecked());
        // Everything names the file whose image the sheet still holds.
        EXPECT_EQ(sheet.Rom().filePath, goodPath);
        EXPECT_EQ(sheet.Rom().fileTime, before.fileTime);
        EXPECT_EQ(statusBar.Last(), named);
    }
}

TEST(SheetBadFiles, RefusedParameterFileKeepsTheListTheUserHad)
{
    auto harness = PortlessSheet();
    CFlashkitSheet& sheet = *harness->sheet;
    StatusBar statusBar(harness->view);
    ParameterTable& table = sheet.Parameters();
    ParameterList& list = *sheet.Controls().parameterList;
    ASSERT_GE(table.rows.size(), 2u);  // the default file
    table.rows[1].checked = true;
    table.rows[1].value = "77";  // edited, not yet saved
    list.ShowRow(1);
    const std::vector<ParameterEntry> before = table.rows;

    const TempDir& dir = harness->dir;
    std::vector<Refusal> cases = {
        {dir.Write("long.vtp", ",0010,A,1,U,1\n,0011,B,1,U,2\n" + std::string(1000000, '7') + "\n"),
         "line 3 is too long for a parameter file"},
        {SparseFile(dir, "hole.vtp", ",0010,A,1,U,1\n", kGiB), "is too large for a parameter file"},
    };
    if (CanMakeUnreadableFiles()) {
        cases.push_back({dir.Write("locked.vtp", ",0010,A,1,U,1\n"), "Permission denied"});
        ::chmod(cases.back().path.c_str(), 0);
    }
    for (const Refusal& c : cases) {
        MessageBoxes boxes;
        FileDialogs dialogs(c.path);
        sheet.ChooseParameterFile();
        ASSERT_EQ(boxes.Texts().size(), 1u) << c.path;
        const std::string& text = boxes.Texts().front();
        EXPECT_EQ(text.rfind("Veltra Downloader: " + c.path + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
        ASSERT_EQ(table.rows.size(), before.size());
        EXPECT_TRUE(table.rows[1].checked);
        EXPECT_EQ(table.rows[1].value, "77");
        EXPECT_EQ(table.rows.back().name, before.back().name);
        ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(before.size()));
        EXPECT_EQ(list.topLevelItem(1)->text(7), "77");
        EXPECT_EQ(list.topLevelItem(1)->checkState(0), Qt::Checked);
        EXPECT_EQ(statusBar.Last(), (std::pair<int, std::string>{}));  // a refused file is not announced
    }

    // The default file, asked for again, names itself.
    EXPECT_EQ(sheet.LoadDefaultParameterFile(true), 1);
    EXPECT_EQ(statusBar.Last(), std::make_pair(1, (sheet.Caption("FW_MSG", "MSG_STATUS5") + " ").toStdString() +
                                                      harness->dir.File("Data/VELTRA_EEPROM_DATA_SIGN.vtp")));
    sheet.Parameters().rows = before;
    list.ShowTable();

    // Junk and an empty file are read as they are, without a word: nothing
    // in a parameter line is checked, and an empty file is an empty table.
    MessageBoxes boxes;
    {
        FileDialogs dialogs(dir.Write("junk.vtp", Junk(5, 2048)));
        sheet.ChooseParameterFile();
    }
    EXPECT_FALSE(table.rows.empty());
    EXPECT_EQ(list.topLevelItemCount(), static_cast<int>(table.rows.size()));
    {
        FileDialogs dialogs(dir.Write("empty.vtp", ""));
        sheet.ChooseParameterFile();
    }
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_TRUE(boxes.Texts().empty());
}

// Whatever lies where the module's caption file or the settings file should
// be, the sheet starts, in English, and leaves it as it was.
TEST(SheetBadFiles, CaptionAndSettingsFilesThatCannotBeReadGiveEnglish)
{
    const std::string captions = "config/UN/flashkit_UN.cap";
    const std::string settings = "config/VTDown.ini";
    const struct {
        const char* what;
        std::function<void(const TempDir&)> make;
    } cases[] = {
        {"junk captions", [&](const TempDir& dir) { dir.Write(captions, Junk(9, 65536)); }},
        {"gigabyte captions",
         [&](const TempDir& dir) {
             SparseFile(dir, captions, "[SET_TITLE]\nSET_CONNET=Verbinden\n", kGiB);
         }},
        {"folder for captions",
         [&](const TempDir& dir) {
             std::filesystem::remove(dir.File(captions));
             std::filesystem::create_directory(dir.File(captions));
         }},
        {"FIFO for captions",
         [&](const TempDir& dir) {
             std::filesystem::remove(dir.File(captions));
             ::mkfifo(dir.File(captions).c_str(), 0600);
         }},
        {"gigabyte settings",
         [&](const TempDir& dir) {
             SparseFile(dir, settings, "[STARTUP]\nCOUNTRY=UN\n", kGiB);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto harness = PortlessSheet([&](SheetHarness& h) { c.make(h.dir); });
        const SheetControls& controls = harness->sheet->Controls();
        EXPECT_EQ(controls.connect->text(), "Connection");
        EXPECT_EQ(controls.startDownload->text(), "Start Download");
        EXPECT_EQ(controls.initErase->text(), "Init. Erase Command");
        EXPECT_EQ(controls.portList->headerItem()->text(1), "Comm. Port");
        EXPECT_EQ(controls.parameterList->headerItem()->text(7), "Value");
        EXPECT_FALSE(harness->sheet->Parameters().rows.empty());
    }
}

// A caption of a million characters labels its button with the first ones,
// never half a character.
TEST(SheetBadFiles, MillionCharacterCaptionIsCutOnAWholeCharacter)
{
    std::string value;
    while (value.size() < 1000000)
        value += "\xE2\x82\xAC";  // the euro sign, three bytes
    auto harness = PortlessSheet([&](SheetHarness& h) {
        std::string error;
        WriteProfileString(h.dir.File("config/UN/flashkit_UN.cap"), "SET_TITLE", "SET_CONNET", value, error);
    });
    const QString label = harness->sheet->Controls().connect->text();
    EXPECT_EQ(label, QString(170, QChar(0x20AC)));
}
