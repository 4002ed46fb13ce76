#include "SheetHarness.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltra;
using namespace veltra::testing;

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

// The list headings, the mode and option boxes, and the tool states the host
// enables its commands by, as they follow Connection, the mode and the rate;
// the rate the ports open at.
TEST(SheetConnection, ControlsToolStatesAndRateFollowConnectModeAndBaudRate)
{
    SheetHarness harness(2);
    CFlashkitSheet& sheet = *harness.sheet;
    const SheetControls& c = sheet.Controls();
    EXPECT_TRUE(ToolStates(sheet).empty());
    EXPECT_TRUE(c.erase->isChecked() && c.blankCheck->isChecked() && c.initErase->isEnabled());
    EXPECT_FALSE(c.romDown->isChecked() || c.verify->isChecked() || c.erase->isEnabled() ||
                 c.startDownload->isEnabled() || c.parameterList->isEnabled());
    // ROM Down Mode cannot be unticked.
    c.romMode->click();
    EXPECT_TRUE(c.romMode->isChecked());
    // The host's parameter-mode switch does not touch the tool states.
    sheet.CodeParamMode(true);
    EXPECT_TRUE(c.paramMode->isChecked() && c.parameterList->isEnabled());
    EXPECT_EQ(sheet.GetToolMessage(2), 0);
    sheet.CodeParamMode(false);
    EXPECT_FALSE(c.parameterList->isEnabled());

    // Any heading ticks every port, the next click unticks them all.
    emit harness.Ports().header()->sectionClicked(2);
    EXPECT_TRUE(harness.Ports().IsChecked(0) && harness.Ports().IsChecked(1));
    emit harness.Ports().header()->sectionClicked(0);
    EXPECT_FALSE(harness.Ports().IsChecked(0) || harness.Ports().IsChecked(1));

    harness.Tick(0);
    harness.Connect();
    ASSERT_TRUE(sheet.IsConnected());
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{7, 21}));
    EXPECT_EQ(harness.Ports().Image(0), port_image::kOpen);
    EXPECT_EQ(harness.Ports().Image(1), port_image::kClosed);
    EXPECT_TRUE(RunUntil([&] { return harness.Module(0).LineRate() == 115200; }));
    EXPECT_TRUE(c.startDownload->isEnabled() && c.erase->isEnabled());
    EXPECT_FALSE(c.romDown->isEnabled());  // ROM Down is not ticked yet

    // Parameter mode while connected adds the parameter commands; the click
    // sets 0, 2 and 3 too.
    QTest::mouseClick(c.paramMode, Qt::LeftButton, {}, QPoint(5, c.paramMode->height() / 2));
    EXPECT_TRUE(c.paramMode->isChecked() && c.parameterList->isEnabled());
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
    harness.Connect();
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{2, 5, 6, 7, 21, 22, 23}));
    c.disconnect->click();
    EXPECT_EQ(ToolStates(sheet), (std::vector<int>{2}));
    EXPECT_EQ(c.statusText->text(), "  The ports are disconnecting...");
    EXPECT_EQ(harness.Ports().Image(0), port_image::kClosed);

    // The rate comes from the box, typed or chosen; that the line then runs at
    // the rate a port was opened at is the port bank's test.
    c.romMode->click();
    c.baudRate->setEditText("4800");
    harness.Connect();
    ASSERT_TRUE(sheet.IsConnected());
    EXPECT_EQ(sheet.Ports().BaudRate(0), 4800u);
    c.disconnect->click();

    // Init. Erase Command talks to the application firmware: 9,600 whatever
    // the box says, and the ROM options stay off until it is unticked.
    c.baudRate->setEditText("115200");
    c.initErase->click();
    harness.Connect();
    EXPECT_EQ(sheet.Ports().BaudRate(0), 9600u);
    for (QCheckBox* box : {c.erase, c.blankCheck, c.romDown, c.verify})
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString();
    c.initErase->click();
    for (QCheckBox* box : {c.erase, c.blankCheck, c.romDown, c.verify})
        EXPECT_TRUE(box->isEnabled()) << box->objectName().toStdString();
}

// [PORTS] EXTRA as typed by hand: what exists but is no terminal is listed,
// so the technician sees the entry, and says at Connection why it will not
// open, as does a port another program holds. Which entries are listed, and
// each reason, are the port discovery's and the port bank's own tests.
TEST(SheetConnection, PortsThatWillNotOpenSayWhyAtConnection)
{
    TempDir own;
    const std::string plain = own.Write("notes.txt", "keep me\n");
    SheetHarness harness(std::vector<sim::ModuleOptions>(2), RunTimeouts{}, {}, [&](SheetHarness& h) {
        std::string error;
        ASSERT_TRUE(WriteProfileString(h.dir.File("config/VTDown.ini"), "PORTS", "EXTRA",
                                       h.Module(0).Path() + "," + plain + "," + h.Module(1).Path(), error));
    });
    HeldPort other(harness.Module(0).Path());
    ASSERT_TRUE(other.Held());
    PortList& ports = harness.Ports();
    ASSERT_EQ(ports.PortCount(), 3);
    EXPECT_EQ(ports.PortName(1), plain);
    harness.TickAll();
    CFlashkitSheet& sheet = *harness.sheet;
    harness.Connect();
    EXPECT_TRUE(sheet.IsConnected());  // through the one free port
    EXPECT_EQ(ports.Image(2), port_image::kOpen);
    const char* const reasons[] = {"Device or resource busy", "Inappropriate ioctl for device"};
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(ports.Image(row), port_image::kClosed) << row;
        EXPECT_TRUE(ports.StatusText(row).contains(reasons[row])) << ports.StatusText(row).toStdString();
        EXPECT_FALSE(sheet.Ports().IsOpen(row));
    }

    // With only those ticked, nothing connects and the user is told.
    sheet.Controls().disconnect->click();
    harness.Tick(2, false);
    EXPECT_EQ(Said([&] { harness.Connect(); }), Texts{"Veltra Downloader: Please, check a port and select a port..."});
    EXPECT_FALSE(sheet.IsConnected());
    EXPECT_EQ(ports.StatusText(1).toStdString(), reasons[1]);
    EXPECT_EQ(TempDir::Read(plain), "keep me\n");
}

// Nothing on the sheet is cut off, in any shipped language and at every size
// the host's window can take: each control lies whole inside the sheet and is
// as wide as its text, and the last port of a long list can be scrolled to,
// seen and ticked. The sheet covers the view, and the address columns of the
// parameter list are hidden. A sheet without ports says so once at start-up.
TEST(SheetConnection, NothingIsCutOffInAnyLanguageOrWindowSize)
{
    for (const char* country : {"UN", "KR", "DE"}) {
        MessageBoxes noPorts;
        SheetHarness harness({}, {}, {}, [country](SheetHarness& h) { h.country = country; });
        CFlashkitSheet& sheet = *harness.sheet;
        QWidget& view = harness.view;
        ASSERT_EQ(noPorts.Texts().size(), 1u) << country;
        EXPECT_TRUE(std::string(country) != "UN" || noPorts.Last() == "Setting Ports: No Serial Ports");
        const ParameterList& list = *sheet.Controls().parameterList;
        for (const int hidden : {2, 3, 5})
            EXPECT_EQ(list.columnWidth(hidden), 0) << hidden;
        PortList& ports = *sheet.Controls().portList;
        for (int i = 0; i < 40; ++i)
            ports.AddPort("ttyUSB" + std::to_string(i));
        for (const QSize size : {view.minimumSize(), QSize(800, 600), QSize(1600, 1000)}) {
            view.resize(size.expandedTo(view.minimumSize()));
            sheet.LayoutSheet();
            const std::string where = std::string(country) + " at " + std::to_string(view.width()) + "x" +
                                      std::to_string(view.height());
            EXPECT_EQ(sheet.geometry(), QRect(2, 0, view.width() - 4, view.height() - 5)) << where;
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
