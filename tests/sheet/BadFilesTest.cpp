#include "SheetHarness.h"
#include "StatusTextEvent.h"

#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

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

}  // namespace

// A refused file keeps what the sheet held, and everything goes on naming the
// file it came from. A refused parameter file keeps the list the user had,
// unannounced; an empty one is an empty table, without a word; the default
// file, asked for again, names itself. Why a file is refused is the readers'
// own test.
TEST(SheetBadFiles, RefusedFilesKeepWhatTheSheetHeld)
{
    // Answers the start-up's "No Serial Ports", which the layout test checks.
    auto startup = std::make_unique<MessageBoxes>();
    SheetHarness harness(0);
    startup.reset();
    CFlashkitSheet& sheet = *harness.sheet;
    StatusBar statusBar(harness.view);
    harness.LoadRom(std::vector<uint8_t>(0x300, 0x5A));
    const std::string goodPath = harness.dir.File("firmware.hex");
    ASSERT_EQ(sheet.Rom().loaded, 1);
    const auto named = statusBar.Last();
    ASSERT_EQ(named, std::make_pair(0, (sheet.Caption("FW_MSG", "MSG_STATUS4") + " ").toStdString() + goodPath));
    const RomImage before = sheet.Rom();
    // A refused file must not tick ROM Down for the image of another.
    sheet.Controls().romDown->setChecked(false);
    const std::string hex = harness.dir.Write("top.hex", ":02FFFF00AABB9B\n");
    EXPECT_EQ(Said([&] { FileDialogs dialogs(hex); sheet.ChooseRomFile(); }),
              Texts{"Veltra Downloader: " + hex + ": line 1 puts data from FFFF to 10000, beyond the 64 KiB image"});
    // The image itself is left as it was by the loader, as its own test shows.
    EXPECT_EQ(sheet.Rom().loaded, 1);
    EXPECT_FALSE(sheet.Controls().romDown->isChecked());
    EXPECT_EQ(sheet.Rom().filePath, goodPath);
    EXPECT_EQ(sheet.Rom().fileTime, before.fileTime);
    EXPECT_EQ(statusBar.Last(), named);

    ParameterTable& table = sheet.Parameters();
    ParameterList& list = *sheet.Controls().parameterList;
    ASSERT_GE(table.rows.size(), 2u);  // the default file
    table.rows[1].checked = true;
    table.rows[1].value = "77";  // edited, not yet saved
    list.ShowRow(1);
    const size_t rows = table.rows.size();
    const std::string vtp =
        harness.dir.Write("long.vtp", ",0010,A,1,U,1\n,0011,B,1,U,2\n" + std::string(1000000, '7') + "\n");
    EXPECT_EQ(Said([&] { FileDialogs dialogs(vtp); sheet.ChooseParameterFile(); }),
              Texts{"Veltra Downloader: " + vtp + ": line 3 is too long for a parameter file"});
    ASSERT_EQ(table.rows.size(), rows);
    EXPECT_TRUE(table.rows[1].checked);
    EXPECT_EQ(table.rows[1].value, "77");
    ASSERT_EQ(list.topLevelItemCount(), static_cast<int>(rows));
    EXPECT_EQ(list.topLevelItem(1)->text(7), "77");
    EXPECT_EQ(list.topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(statusBar.Last(), named);

    EXPECT_EQ(sheet.LoadDefaultParameterFile(true), 1);
    EXPECT_EQ(statusBar.Last(), std::make_pair(1, (sheet.Caption("FW_MSG", "MSG_STATUS5") + " ").toStdString() +
                                                      harness.dir.File("Data/VELTRA_EEPROM_DATA_SIGN.vtp")));
    EXPECT_TRUE(Said([&] { harness.LoadParameters(""); }).empty());
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(list.topLevelItemCount(), 0);
}
