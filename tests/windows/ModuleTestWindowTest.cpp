#include "ModuleTestWindow.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace veltra {
namespace {

using testing::FakeOwner;
using testing::MessageBoxWatcher;
using testing::OpenAndWaitForStart;

using Record = std::array<uint8_t, 4>;

class ModuleTestWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.SetOwner(&owner);
        window.SetOperation(request::kStartRead, 'J');
        window.SetPortCount(4);
    }

    QStringList Row(int row)
    {
        QStringList cells;
        for (int column = 0; column < window.List()->columnCount(); ++column)
            cells << window.List()->item(row, column)->text();
        return cells;
    }

    FakeOwner owner;
    ModuleTestWindow window;
};

TEST_F(ModuleTestWindowTest, ReadsRecordsPortByPortAndReportsCompletion)
{
    MessageBoxWatcher boxes;
    std::vector<int> positions;
    owner.onStart = [&] {
        window.RecordReadMovesTo(0, "ttyUSB0");
        positions.push_back(window.Progress()->value());
        window.RecordComplete(0, Record{0x08, 0x05, 0x0D, 0x3F});
        window.RecordReadMovesTo(2, "ttyUSB2");
        positions.push_back(window.Progress()->value());
        window.RecordComplete(2, Record{0xFF, 0xFF, 0xFF, 0xFF});
        window.RecordReadMovesTo(3, "/dev/pts/7");
        positions.push_back(window.Progress()->value());
        window.RecordComplete(3, Record{0x26, 0x0C, 0x06, 0x00});
    };
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    EXPECT_EQ(window.objectName(), "148");
    EXPECT_EQ(owner.log, (std::vector<std::pair<int, int>>{{11, 0}, {0, 'J'}}));
    EXPECT_EQ(owner.registered, &window);
    EXPECT_EQ(window.windowTitle(), "Module Test");
    EXPECT_EQ(window.List()->objectName(), "1002");
    EXPECT_EQ(window.Progress()->objectName(), "4045");
    EXPECT_EQ(window.Progress()->maximum(), 4);

    ASSERT_EQ(window.List()->columnCount(), 11);
    EXPECT_EQ(window.List()->horizontalHeaderItem(10)->text(), "EEPROM");

    EXPECT_EQ(positions, (std::vector<int>{0, 2, 3}));
    ASSERT_EQ(window.List()->rowCount(), 3);
    EXPECT_EQ(Row(0), (QStringList{"ttyUSB0", "2008-05-13", "0x3F", "PASS", "PASS", "FAIL", "FAIL", "FAIL", "FAIL",
                                   "FAIL", "FAIL"}));
    EXPECT_EQ(Row(1), (QStringList{"ttyUSB2", "20255-255-255", "0xFF", "FAIL", "FAIL", "FAIL", "FAIL", "FAIL",
                                   "FAIL", "FAIL", "FAIL"}));
    EXPECT_EQ(Row(2), (QStringList{"/dev/pts/7", "2038-12-06", "0x00", "PASS", "PASS", "PASS", "PASS", "PASS",
                                   "PASS", "PASS", "PASS"}));
    EXPECT_EQ(window.List()->item(0, 1)->textAlignment(), Qt::AlignCenter);

    // A notice that is active, or of another code, is not the end of reading.
    window.RunOver(StatusNotice{1, notice::kPhaseDone, 0, 0}, 0);
    window.RunOver(StatusNotice{0, 'J', 0, 0}, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.seen.empty());
    EXPECT_EQ(window.Progress()->value(), 3);

    window.RunOver(StatusNotice{0, notice::kPhaseDone, 0, 0}, 0);
    EXPECT_EQ(window.Progress()->value(), 4);
    EXPECT_EQ(boxes.seen, (std::vector<std::pair<std::string, std::string>>{{"Veltra Downloader", "Compeleted!"}}));
    EXPECT_TRUE(window.isVisible());

    QTest::mouseClick(window.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(owner.log.size(), 2u);  // closing tells the sheet nothing
}

TEST_F(ModuleTestWindowTest, TimedOutPortShowsTimeoutAndCompletionFollows)
{
    MessageBoxWatcher boxes;
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    // Before the first row there is nothing to mark.
    window.PortOver(0, 11);
    window.RecordComplete(0, Record{1, 2, 3, 4});
    EXPECT_EQ(window.List()->rowCount(), 0);

    window.RecordReadMovesTo(1, "ttyUSB1");
    window.RecordComplete(1, Record{0x26, 0x01, 0x1F, 0x80});
    window.RecordReadMovesTo(3, "ttyUSB3");
    window.PortOver(3, 11);
    window.RunOver(StatusNotice{0, notice::kPhaseDone, 0, 3}, 0);
    ASSERT_EQ(window.List()->rowCount(), 2);
    EXPECT_EQ(Row(0), (QStringList{"ttyUSB1", "2038-01-31", "0x80", "FAIL", "PASS", "PASS", "PASS", "PASS", "PASS",
                                   "PASS", "PASS"}));
    EXPECT_EQ(Row(1), (QStringList{"ttyUSB3", "Timeout!", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(boxes.seen.size(), 1u);
    window.reject();
    EXPECT_EQ(owner.log.size(), 2u);
}

TEST_F(ModuleTestWindowTest, SheetClosesItWhenNoPortIsTicked)
{
    owner.onStart = [this] { window.PortOver(0, 9); };
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(window.List()->rowCount(), 0);
    EXPECT_EQ(owner.log, (std::vector<std::pair<int, int>>{{11, 0}, {0, 'J'}}));

    // Opened again, the list starts empty.
    owner.onStart = [this] {
        window.RecordReadMovesTo(0, "ttyUSB0");
        window.PortOver(0, 9);
    };
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    owner.onStart = nullptr;
    ASSERT_TRUE(OpenAndWaitForStart(window, owner, 6));
    EXPECT_EQ(window.List()->rowCount(), 0);
    window.reject();
}

}  // namespace
}  // namespace veltra
