#include "CCorvidApp.h"
#include "CCorvidView.h"
#include "CMainFrame.h"
#include "Commands.h"
#include "EventLoop.h"
#include "Operator.h"
#include "Profile.h"
#include "TempDir.h"
#include "VirtualBench.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

using veltra::testing::RunUntil;

TEST(ModuleLibrary, ExportsTheTwentyFourEntryPointsAndNothingElse)
{
    FILE* pipe = ::popen("nm -D --defined-only " TESSEL01_MODULE, "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char address[64], type[8], name[256];
    while (std::fscanf(pipe, "%63s %7s %255s", address, type, name) == 3)
        names.insert(name);
    ASSERT_EQ(::pclose(pipe), 0);
    const std::set<std::string> expected = {
        "CodeExit",      "CodeGetCommand", "CodeHide",      "CodeInit",        "CodeParamMode", "CodeRomDown",
        "CodeRomMode",   "CodeShow",       "CodeSize",      "Download",        "GetToolMessage", "InitParamData",
        "JigTest",       "LoadHexFile",    "LoadParaFile",  "Refresh",         "SaveParaData",   "SetCommandEvent",
        "SetCountry",    "SetLocalEvent",  "SetRoot",       "SetWindow",       "ShowJigTest",    "Upload"};
    EXPECT_EQ(names, expected);
}

// A program folder as the build makes it, the real module and the shipped
// files, with a virtual module as its extra port.
TEST(ModuleLibrary, TheHostDrivesTheRealSheet)
{
    namespace fs = std::filesystem;
    veltra::sim::VirtualBench bench(1);
    veltra::testing::TempDir dir;
    fs::copy_file(TESSEL01_MODULE, dir.File("Tessel01.so"));
    fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
    fs::copy(VELTRA_SOURCE_DIR "/Data", dir.File("Data"), fs::copy_options::recursive);
    std::string error;
    ASSERT_TRUE(veltra::WriteProfileString(dir.File("config/VTDown.ini"), "PORTS", "EXTRA", bench.Module(0).Path(), error));
    veltra::CCorvidApp app(QString::fromStdString(dir.Path().string()));
    ASSERT_TRUE(app.InitInstance());
    veltra::CMainFrame& frame = app.MainFrame();

    // The sheet covers the host's view and follows its size.
    auto* sheet = frame.View().findChild<QWidget*>(QStringLiteral("105"));
    ASSERT_NE(sheet, nullptr);
    frame.resize(1000, 760);
    EXPECT_TRUE(RunUntil([&] { return sheet->isVisible() && sheet->width() == frame.View().width() - 4; }));

    // Ticking the virtual module's port and connecting enables the host's ROM
    // download, which the Rom menu asks the module about when it opens.
    auto* ports = sheet->findChild<QTreeWidget*>(QStringLiteral("4005"));
    const auto rows = ports->findItems(QString::fromStdString(bench.Module(0).Path()).mid(5), Qt::MatchExactly, 1);
    ASSERT_EQ(rows.size(), 1);
    rows[0]->setCheckState(0, Qt::Checked);
    auto* romMenu = frame.findChild<QMenu*>(QStringLiteral("MENU_ROM"));
    const auto romDownEnabled = [&] {
        romMenu->popup(frame.mapToGlobal(QPoint(10, 10)));
        romMenu->hide();
        return frame.findChild<QAction*>(QString::number(veltra::ROM_DOWN))->isEnabled();
    };
    EXPECT_FALSE(romDownEnabled());
    sheet->findChild<QAbstractButton*>(QStringLiteral("4000"))->click();
    EXPECT_TRUE(romDownEnabled());

    // Files opened through the host's menu are named in the host's status panes;
    // parameter files open in parameter mode, which the sheet's box sets.
    const std::string hex = dir.Write("fw.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
    const std::string vtp = dir.File("Data/VELTRA_EEPROM_DATA_SIGN.vtp");
    std::string answer = hex;
    veltra::testing::ModalWatcher files([&](QDialog& dialog) {
        if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QString::fromStdString(answer));
        static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(answer));
        dialog.accept();
    });
    frame.findChild<QAction*>(QString::number(veltra::FILE_OPEN_HEX))->trigger();
    answer = vtp;
    sheet->findChild<QAbstractButton*>(QStringLiteral("4041"))->click();
    frame.findChild<QAction*>(QString::number(veltra::FILE_OPEN_PARAM))->trigger();
    EXPECT_EQ(frame.findChild<QLabel*>(QStringLiteral("StatusPane0"))->text().toStdString(), "The opened ROM file:  " + hex);
    EXPECT_EQ(frame.findChild<QLabel*>(QStringLiteral("StatusPane1"))->text().toStdString(),
              "The opened Parameter file:  " + vtp);
}
