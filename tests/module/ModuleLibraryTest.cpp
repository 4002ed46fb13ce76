#include "CCorvidApp.h"
#include "CCorvidView.h"
#include "CMainFrame.h"
#include "Commands.h"
#include "Profile.h"
#include "TempDir.h"
#include "VirtualBench.h"
#include "WaitFor.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

using veltra::testing::TempDir;
using veltra::testing::WaitFor;

namespace {

// A program folder as the build makes it: the real module and the shipped
// settings, captions and parameter file, with virtual modules as extra ports.
class RealProgramFolder {
public:
    explicit RealProgramFolder(const veltra::sim::VirtualBench& bench)
    {
        namespace fs = std::filesystem;
        fs::copy_file(TESSEL01_MODULE, dir.File("Tessel01.so"));
        fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
        fs::copy(VELTRA_SOURCE_DIR "/Data", dir.File("Data"), fs::copy_options::recursive);
        std::string extra;
        for (size_t i = 0; i < bench.Size(); ++i)
            extra += (i ? "," : "") + bench.Module(i).Path();
        std::string error;
        veltra::WriteProfileString(dir.File("config/VTDown.ini"), "PORTS", "EXTRA", extra, error);
    }
    QString Root() const { return QString::fromStdString(dir.Path().string()); }

    TempDir dir;
};

// The module's own GetToolMessage, found in the copy the host has loaded.
int ToolState(const std::string& modulePath, int index)
{
    void* handle = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return -1;
    auto get = reinterpret_cast<int32_t (*)(int32_t)>(dlsym(handle, "GetToolMessage"));
    const int value = get ? get(index) : -1;
    dlclose(handle);
    return value;
}

}  // namespace

TEST(ModuleLibrary, ExportsTheTwentyFourEntryPointsAndNothingElse)
{
    FILE* pipe = ::popen("nm -D --defined-only " TESSEL01_MODULE, "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        char address[64], type[8], name[256];
        if (std::sscanf(line, "%63s %7s %255s", address, type, name) == 3)
            names.insert(name);
    }
    ASSERT_EQ(::pclose(pipe), 0);
    const std::set<std::string> expected = {
        "CodeExit",      "CodeGetCommand", "CodeHide",      "CodeInit",        "CodeParamMode", "CodeRomDown",
        "CodeRomMode",   "CodeShow",       "CodeSize",      "Download",        "GetToolMessage", "InitParamData",
        "JigTest",       "LoadHexFile",    "LoadParaFile",  "Refresh",         "SaveParaData",   "SetCommandEvent",
        "SetCountry",    "SetLocalEvent",  "SetRoot",       "SetWindow",       "ShowJigTest",    "Upload"};
    EXPECT_EQ(names, expected);
}

TEST(ModuleLibrary, TheHostDrivesTheRealSheet)
{
    veltra::sim::VirtualBench bench(1);
    RealProgramFolder folder(bench);
    const std::string modulePath = folder.dir.File("Tessel01.so");
    veltra::CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    veltra::CMainFrame& frame = app.MainFrame();
    veltra::CCorvidView& view = frame.View();

    // The sheet covers the host's view and follows its size.
    auto* sheet = view.findChild<QWidget*>(QStringLiteral("105"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    frame.resize(1000, 760);
    EXPECT_TRUE(WaitFor([&] { return sheet->width() == view.width() - 4; }));
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(ToolState(modulePath, i), 0) << i;

    // Tick the virtual module's port and connect: the host's ROM download is enabled.
    auto* ports = sheet->findChild<QTreeWidget*>(QStringLiteral("4005"));
    ASSERT_NE(ports, nullptr);
    const QString wanted = QString::fromStdString(bench.Module(0).Path()).mid(5);
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < ports->topLevelItemCount(); ++i) {
        if (ports->topLevelItem(i)->text(1) == wanted)
            row = ports->topLevelItem(i);
    }
    ASSERT_NE(row, nullptr);
    row->setCheckState(0, Qt::Checked);
    sheet->findChild<QAbstractButton*>(QStringLiteral("4000"))->click();
    EXPECT_EQ(ToolState(modulePath, 21), 1);
    EXPECT_EQ(ToolState(modulePath, 7), 1);
    QAction* romDown = frame.findChild<QAction*>(QString::number(veltra::ROM_DOWN));
    ASSERT_NE(romDown, nullptr);
    EXPECT_TRUE(WaitFor([&] { return romDown->isEnabled(); }));

    // Opening files through the host's menu writes the host's status panes.
    const std::string hex = folder.dir.Write("fw.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
    const std::string vtp = folder.dir.File("Data/VELTRA_EEPROM_DATA_SIGN.vtp");
    std::string answer = hex;
    QTimer files;
    QObject::connect(&files, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (dialog && dialog->isVisible()) {
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(QString::fromStdString(answer));
                dialog->selectFile(QString::fromStdString(answer));
                static_cast<QDialog*>(dialog)->accept();
            }
        }
    });
    files.start(5);
    frame.findChild<QAction*>(QString::number(veltra::FILE_OPEN_HEX))->trigger();
    // Parameter files open only in parameter mode, which the sheet's box sets.
    answer = vtp;
    sheet->findChild<QAbstractButton*>(QStringLiteral("4041"))->click();
    EXPECT_EQ(ToolState(modulePath, 2), 1);
    frame.findChild<QAction*>(QString::number(veltra::FILE_OPEN_PARAM))->trigger();
    auto* pane0 = frame.findChild<QLabel*>(QStringLiteral("StatusPane0"));
    auto* pane1 = frame.findChild<QLabel*>(QStringLiteral("StatusPane1"));
    ASSERT_TRUE(pane0 && pane1);
    EXPECT_EQ(pane0->text().toStdString(), "The opened ROM file:  " + hex);
    EXPECT_EQ(pane1->text().toStdString(), "The opened Parameter file:  " + vtp);
}
