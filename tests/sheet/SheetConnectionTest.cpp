#include "SheetHarness.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltra;
using veltra::testing::App;
using veltra::testing::MessageBoxes;
using veltra::testing::SheetHarness;
using veltra::testing::WaitFor;

namespace {

std::vector<int> ToolStates(const CFlashkitSheet& sheet)
{
    std::vector<int> enabled;
    for (int i = 0; i < 40; ++i) {
        if (sheet.GetToolMessage(i) != 0)
            enabled.push_back(i);
    }
    return enabled;
}

}  // namespace

TEST(SheetConnection, ToolStatesFollowConnectModeAndBaudRate)
{
    SheetHarness harness(2);
    CFlashkitSheet& sheet = *harness.sheet;
    const SheetControls& c = sheet.Controls();
    ASSERT_EQ(harness.Ports().PortCount(), 2);
    EXPECT_EQ(harness.Ports().PortName(0), PortNameFromPath(harness.bench->Module(0).Path()));
    EXPECT_TRUE(ToolStates(sheet).empty());
    EXPECT_EQ(c.baudRate->currentText(), "115200");
    EXPECT_FALSE(sheet.Parameters().rows.empty());  // the default parameter file

    {
        MessageBoxes boxes;
        c.connect->click();
        EXPECT_EQ(boxes.Last(), "Veltra Downloader: Please, check a port and select a port...");
    }
    EXPECT_FALSE(sheet.IsConnected());
    EXPECT_EQ(c.statusText->text(), "   Ready");

    harness.Tick(0);
    c.connect->click();
    ASSERT_TRUE(sheet.IsConnected());
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{7, 21}));
    EXPECT_EQ(harness.Ports().Image(0), port_image::kOpen);
    EXPECT_EQ(harness.Ports().Image(1), port_image::kClosed);
    EXPECT_TRUE(WaitFor([&] { return harness.bench->Module(0).LineRate() == 115200; }));
    EXPECT_TRUE(c.startDownload->isEnabled());
    EXPECT_TRUE(c.erase->isEnabled());
    EXPECT_FALSE(c.romDown->isEnabled());  // ROM Down is not ticked yet

    // Parameter mode while connected adds the parameter commands; the click
    // sets 0, 2 and 3 too.
    QTest::mouseClick(c.paramMode, Qt::LeftButton, {}, QPoint(5, c.paramMode->height() / 2));
    EXPECT_TRUE(c.paramMode->isChecked());
    EXPECT_TRUE(c.parameterList->isEnabled());
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{0, 2, 3, 5, 6, 7, 21, 22, 23}));

    // A new rate disconnects: everything off but entry 2, which follows the box.
    c.baudRate->setCurrentIndex(0);
    emit c.baudRate->activated(0);
    EXPECT_FALSE(sheet.IsConnected());
    EXPECT_FALSE(sheet.Ports().IsOpen(0));
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{2}));
    EXPECT_FALSE(c.disconnect->isEnabled());

    // Connect in parameter mode sets 5, 6, 22 and 23 at once; Disconnection
    // resets everything and leaves its status text.
    c.connect->click();
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{2, 5, 6, 7, 21, 22, 23}));
    c.disconnect->click();
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{2}));
    EXPECT_EQ(c.statusText->text(), "  The ports are disconnecting...");
    EXPECT_EQ(harness.Ports().Image(0), port_image::kClosed);
}

TEST(SheetConnection, RateComesFromTheBoxOrIsTheApplicationRate)
{
    SheetHarness harness(1);
    CFlashkitSheet& sheet = *harness.sheet;
    const SheetControls& c = sheet.Controls();
    harness.Tick(0);
    c.baudRate->setEditText("4800");
    c.connect->click();
    ASSERT_TRUE(sheet.IsConnected());
    EXPECT_EQ(sheet.Ports().BaudRate(0), 4800u);
    EXPECT_TRUE(WaitFor([&] { return harness.bench->Module(0).LineRate() == 4800; }));
    c.disconnect->click();

    // Init. Erase Command talks to the application firmware: 9,600 whatever
    // the box says, and the ROM options stay off.
    c.baudRate->setEditText("115200");
    c.initErase->click();
    c.connect->click();
    EXPECT_EQ(sheet.Ports().BaudRate(0), 9600u);
    EXPECT_FALSE(c.erase->isEnabled());
    EXPECT_FALSE(c.blankCheck->isEnabled());
    EXPECT_FALSE(c.romDown->isEnabled());
    EXPECT_FALSE(c.verify->isEnabled());
    // Unticking it while connected enables all four, ROM Down included.
    c.initErase->click();
    EXPECT_TRUE(c.erase->isEnabled());
    EXPECT_TRUE(c.blankCheck->isEnabled());
    EXPECT_TRUE(c.romDown->isEnabled());
    EXPECT_TRUE(c.verify->isEnabled());
}

TEST(SheetConnection, ListAndModeControls)
{
    SheetHarness harness(3);
    CFlashkitSheet& sheet = *harness.sheet;
    const SheetControls& c = sheet.Controls();

    // Any heading ticks every port, the next click unticks them all.
    emit harness.Ports().header()->sectionClicked(2);
    for (int port = 0; port < 3; ++port)
        EXPECT_TRUE(harness.Ports().IsChecked(port));
    emit harness.Ports().header()->sectionClicked(0);
    for (int port = 0; port < 3; ++port)
        EXPECT_FALSE(harness.Ports().IsChecked(port));

    // ROM Down Mode cannot be unticked.
    EXPECT_TRUE(c.romMode->isChecked());
    c.romMode->click();
    EXPECT_TRUE(c.romMode->isChecked());

    // The initial states of the option boxes.
    EXPECT_TRUE(c.erase->isChecked());
    EXPECT_TRUE(c.blankCheck->isChecked());
    EXPECT_FALSE(c.romDown->isChecked());
    EXPECT_FALSE(c.verify->isChecked());
    EXPECT_FALSE(c.erase->isEnabled());
    EXPECT_FALSE(c.startDownload->isEnabled());
    EXPECT_TRUE(c.initErase->isEnabled());
    EXPECT_FALSE(c.parameterList->isEnabled());

    // The host's parameter-mode switch does not touch the tool states.
    sheet.CodeParamMode(true);
    EXPECT_TRUE(c.paramMode->isChecked());
    EXPECT_TRUE(c.parameterList->isEnabled());
    EXPECT_EQ(sheet.GetToolMessage(2), 0);
    sheet.CodeParamMode(false);
    EXPECT_FALSE(c.parameterList->isEnabled());
}

TEST(SheetConnection, NoSerialPortsIsSaidOnceAndConnectNeverConnects)
{
    MessageBoxes boxes;
    SheetHarness harness(0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Setting Ports: No Serial Ports"}));
    EXPECT_EQ(harness.Ports().PortCount(), 0);
    harness.sheet->Controls().connect->click();
    EXPECT_EQ(boxes.Last(), "Veltra Downloader: Please, check a port and select a port...");
}

TEST(SheetConnection, APortThatWillNotOpenSaysWhy)
{
    SheetHarness harness(2);
    CFlashkitSheet& sheet = *harness.sheet;
    // Another program holds the first port.
    veltra::testing::HeldPort other(harness.bench->Module(0).Path());
    ASSERT_TRUE(other.Held());
    harness.TickAll();
    sheet.Controls().connect->click();
    EXPECT_TRUE(sheet.IsConnected());  // the second port opened
    EXPECT_EQ(harness.Ports().Image(0), port_image::kClosed);
    EXPECT_FALSE(harness.Ports().StatusText(0).isEmpty());
    EXPECT_EQ(harness.Ports().Image(1), port_image::kOpen);
}

TEST(SheetConnection, SheetCoversTheViewAndHidesTheAddressColumns)
{
    SheetHarness harness(1);
    harness.view.resize(800, 600);
    harness.sheet->LayoutSheet();
    EXPECT_EQ(harness.sheet->geometry(), QRect(2, 0, 796, 595));
    const ParameterList& list = *harness.sheet->Controls().parameterList;
    for (const int hidden : {2, 3, 5})
        EXPECT_EQ(list.columnWidth(hidden), 0) << hidden;
    EXPECT_EQ(list.columnWidth(4), 280);
}

// Nothing on the sheet is cut off, in any shipped language and at every size
// the host's window can take: each control lies whole inside the sheet and is
// as wide as its text, and the last port of a long list can be scrolled to,
// seen and ticked.
TEST(SheetConnection, NothingIsCutOffInAnyLanguageOrWindowSize)
{
    App();
    for (const char* country : {"UN", "KR", "DE"}) {
        veltra::testing::TempDir dir;
        namespace fs = std::filesystem;
        fs::copy(VELTRA_SOURCE_DIR "/config", dir.File("config"), fs::copy_options::recursive);
        fs::create_directories(dir.File("sys/class/tty"));
        QWidget view;
        view.resize(1024, 700);
        view.show();
        SheetEnvironment environment;
        environment.sysfsRoot = dir.File("sys");
        MessageBoxes noPorts;
        CFlashkitSheet sheet(&view, dir.Path().string(), country, environment);
        sheet.Initialise();
        PortList& ports = *sheet.Controls().portList;
        for (int i = 0; i < 40; ++i)
            ports.AddPort("ttyUSB" + std::to_string(i));
        for (const QSize size : {view.minimumSize(), QSize(800, 600), QSize(1600, 1000)}) {
            view.resize(size.expandedTo(view.minimumSize()));
            sheet.LayoutSheet();
            const std::string where = std::string(country) + " at " + std::to_string(view.width()) + "x" +
                                      std::to_string(view.height());
            for (QWidget* child : sheet.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (child->isWindow() || child->objectName().isEmpty())
                    continue;
                const std::string name = child->objectName().toStdString() + " " + where;
                EXPECT_TRUE(sheet.rect().contains(child->geometry())) << name;
                if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child)) {
                    EXPECT_GE(child->width(), child->sizeHint().width()) << name;
                }
            }
            QTreeWidgetItem* last = ports.topLevelItem(ports.PortCount() - 1);
            ports.scrollToItem(last);
            const QRect shown = ports.visualItemRect(last);
            EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < ports.viewport()->height()) << where;
            QTest::mouseClick(ports.viewport(), Qt::LeftButton, {}, QPoint(shown.left() + 8, shown.center().y()));
            EXPECT_TRUE(ports.IsChecked(ports.PortCount() - 1)) << where;
            ports.SetChecked(ports.PortCount() - 1, false);
        }
    }
}
