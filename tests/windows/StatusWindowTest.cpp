#include "ProgressListCtrl.h"
#include "StatusWindow.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace veltra {
namespace {

using testing::FakeOwner;
using testing::OpenAndWaitForStart;
using testing::WaitUntil;

StatusNotice Active(int code, int value, int port = 0)
{
    return StatusNotice{1, code, value, port};
}

class StatusWindowTest : public ::testing::Test {
protected:
    void Prepare(const std::vector<std::string>& ports, int letter)
    {
        window.SetOwner(&owner);
        window.SetRootDirectory("/nonexistent-veltra-root");
        window.SetCountryCode("UN");
        window.SetOperation(request::kStartRun, letter);
        window.ClearPortRows();
        for (const std::string& port : ports)
            window.AddPortRow(port);
    }

    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }
    ProgressListCtrl& List() { return *window.List(); }
    QString StepText(int row) { return List().CellText(row, 3); }
    QColor StepColour(int row) { return List().item(row, 3)->foreground().color(); }
    int BarValue(int row) { return List().ProgressBar(row)->value(); }

    FakeOwner owner;
    StatusWindow window;
};

TEST_F(StatusWindowTest, OpensWithNumberedRowsRegistersThenStarts)
{
    Prepare({"ttyUSB0", "ttyUSB1", "/dev/pts/long-pseudo-terminal-7"}, '?');
    // The sheet writes "Not used" into the unticked rows when the window registers.
    owner.onRegister = [this] {
        window.SetRowText("Not used", 1);
        window.SetRowText("Not used", 2);
    };
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));

    EXPECT_EQ(window.objectName(), "4003");
    EXPECT_EQ(owner.log, (std::vector<std::pair<int, int>>{{10, 0}, {1, '?'}}));
    EXPECT_EQ(owner.registered, &window);
    EXPECT_EQ(window.windowTitle(), "Download...");
    EXPECT_EQ(List().objectName(), "4023");
    ASSERT_EQ(List().rowCount(), 3);
    EXPECT_EQ(List().horizontalHeaderItem(3)->text(), "Step / Status");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(List().CellText(row, 0), QString::number(row + 1));
        ASSERT_NE(List().ProgressBar(row), nullptr);
        EXPECT_EQ(List().ProgressBar(row)->objectName(), "4022");
        EXPECT_EQ(List().ProgressBar(row)->value(), List().ProgressBar(row)->minimum());
    }
    EXPECT_EQ(List().CellText(0, 1), "ttyUSB0");
    EXPECT_EQ(List().CellText(2, 1), "/dev/pts/long-pseudo-terminal-7");  // kept whole
    EXPECT_EQ(StepText(0), "");
    EXPECT_EQ(StepText(1), "Not used");
    EXPECT_EQ(StepText(2), "Not used");
    EXPECT_EQ(List().ProgressBar(2)->maximum(), 100);
    EXPECT_EQ(Button("2")->text(), "Cancel");
    EXPECT_TRUE(Button("2")->isVisible());
    EXPECT_FALSE(Button("1")->isVisible());

    // A notice for the long name reaches its row.
    window.Notice(Active(notice::kPhaseStarts, '?', 2), 100, "/dev/pts/long-pseudo-terminal-7");
    window.Notice(Active(notice::kProgress, 40), 0, "/dev/pts/long-pseudo-terminal-7");
    EXPECT_EQ(BarValue(2), 40);
    window.reject();
}

TEST_F(StatusWindowTest, ProgressIsCappedAndFinishedAndFailedPortsAreColoured)
{
    Prepare({"ttyUSB0", "ttyUSB1"}, '?');
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));

    window.Notice(Active(notice::kPhaseStarts, 'B', 0), 300, "ttyUSB0");
    EXPECT_EQ(List().ProgressBar(0)->maximum(), 300);
    EXPECT_EQ(StepText(0), "ROM Downloading...");
    EXPECT_EQ(Button("2")->text(), "Cancel");

    const int expected[] = {120, 240, 300};
    for (const int value : expected) {
        window.Notice(Active(notice::kProgress, 120), 0, "ttyUSB0");
        EXPECT_EQ(BarValue(0), value);
        EXPECT_EQ(Button("2")->text(), "Stop");
        EXPECT_FALSE(Button("1")->isEnabled());
    }
    // Enter does nothing while progress comes in.
    QTest::keyClick(window.List(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());

    // Notices that are not active, or name a port without a row, change nothing.
    window.Notice(StatusNotice{0, notice::kPhaseDone, 300, 0}, 0, "ttyUSB0");
    window.Notice(Active(notice::kProgress, 50), 0, "ttyS9");
    window.Notice(Active(notice::kPhaseStarts, '@', 7), 100, "ttyS9");
    EXPECT_EQ(StepText(0), "ROM Downloading...");
    EXPECT_EQ(BarValue(0), 300);
    EXPECT_EQ(BarValue(1), 0);
    EXPECT_EQ(List().ProgressBar(0)->maximum(), 300);

    // Another port starting a short phase leaves this port's count alone.
    window.Notice(Active(notice::kPhaseStarts, '@', 1), 100, "ttyUSB1");
    window.Notice(Active(notice::kProgress, 14), 0, "ttyUSB1");
    EXPECT_EQ(StepText(1), "ROM Erasing...");
    EXPECT_EQ(BarValue(1), 14);
    window.Notice(Active(notice::kProgress, 0), 0, "ttyUSB0");
    EXPECT_EQ(BarValue(0), 300);

    window.ShowPortError("ttyUSB1", "Time Out!");
    EXPECT_EQ(StepText(1), " - Time Out! ");
    EXPECT_EQ(List().RowColour(1), row_colour::kRed);
    EXPECT_EQ(StepColour(1), QColor(Qt::red));
    EXPECT_EQ(Button("2")->text(), "Stop");

    window.Notice(Active(notice::kPhaseDone, 300), 0, "ttyUSB0");
    EXPECT_EQ(StepText(0), "Completed!");
    EXPECT_EQ(List().RowColour(0), row_colour::kBlue);
    EXPECT_EQ(StepColour(0), QColor(Qt::blue));
    EXPECT_EQ(List().item(0, 1)->foreground().color(), QColor(Qt::black));  // only the step column is coloured
    EXPECT_EQ(BarValue(0), 300);
    EXPECT_EQ(Button("2")->text(), "Close");
    EXPECT_TRUE(Button("1")->isEnabled());

    // While the run goes on Enter does nothing, even with OK enabled; once
    // every port has ended it closes the window, telling the sheet nothing.
    QTest::keyClick(window.List(), Qt::Key_Return);
    EXPECT_TRUE(window.isVisible());
    window.RunEnded();
    QTest::keyClick(window.List(), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(owner.Has(request::kEnd, 0));
}

// The button ends the operation at any time; Escape only once the run is
// over, so that a key pressed by accident never leaves a run going unseen.
TEST_F(StatusWindowTest, ButtonAlwaysAndEscapeAfterTheRunEndTheOperation)
{
    enum class Way { CancelButton, StopButton, CloseButton, Escape };
    for (const Way way : {Way::CancelButton, Way::StopButton, Way::CloseButton, Way::Escape}) {
        FakeOwner sheet;
        StatusWindow status;
        status.SetOwner(&sheet);
        status.SetOperation(request::kStartRun, 'Q');
        status.AddPortRow("ttyUSB0");
        ASSERT_TRUE(OpenAndWaitForStart(status, sheet));
        auto* button = status.findChild<QPushButton*>("2");
        if (way == Way::StopButton)
            status.Notice(Active(notice::kProgress, 1), 0, "ttyUSB0");
        if (way == Way::CloseButton)
            status.Notice(Active(notice::kPhaseDone, 5), 0, "ttyUSB0");
        if (way == Way::Escape) {
            QTest::keyClick(status.List(), Qt::Key_Escape);
            EXPECT_TRUE(status.isVisible());
            status.RunEnded();
            QTest::keyClick(status.List(), Qt::Key_Escape);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        EXPECT_FALSE(status.isVisible());
        EXPECT_EQ(status.result(), QDialog::Rejected);
        EXPECT_EQ(sheet.log.back(), (std::pair<int, int>{request::kEnd, 0}));
    }
}

TEST_F(StatusWindowTest, ModuleTestRunRetitlesAndRunFinishedClosesWithoutEndRequest)
{
    Prepare({"ttyUSB0"}, 'H');
    QString titleBefore;
    QString titleAfter;
    owner.onStart = [&] {
        titleBefore = window.windowTitle();
        window.Notice(Active(notice::kPhaseStarts, 'H', 0), 8, "ttyUSB0");
        titleAfter = window.windowTitle();
        window.SetRowResult(0, 2, "1 - Port Test Fail");
        window.Notice(Active(notice::kProgress, 1), 0, "ttyUSB0");
        window.Notice(Active(notice::kRunFinished, 8), 0, "ttyUSB0");
    };
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(titleBefore, "Download...");
    EXPECT_EQ(titleAfter, "Module Test");
    EXPECT_EQ(StepText(0), "Completed!");
    EXPECT_EQ(List().RowColour(0), row_colour::kBlue);
    EXPECT_EQ(BarValue(0), 8);
    EXPECT_EQ(owner.log, (std::vector<std::pair<int, int>>{{10, 0}, {1, 'H'}}));
}

TEST_F(StatusWindowTest, SheetCanCloseItLikeOkAndRowCallsOutsideTheListAreIgnored)
{
    Prepare({"ttyUSB0"}, 'Q');
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    window.SetRowText("Not used", 5);
    window.SetRowResult(-1, 2, "x");
    window.SetRowResult(0, 7, "kept colour");
    EXPECT_EQ(List().RowColour(0), row_colour::kBlack);
    EXPECT_EQ(StepText(0), "kept colour");
    window.CloseWithOk();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(owner.Has(request::kEnd, 0));

    // Every showing starts again: rows, counts, texts and button.
    window.ClearPortRows();
    window.AddPortRow("ttyUSB3");
    window.AddPortRow("ttyUSB4");
    owner.log.clear();
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    ASSERT_EQ(List().rowCount(), 2);
    EXPECT_EQ(List().CellText(1, 1), "ttyUSB4");
    EXPECT_EQ(StepText(0), "");
    EXPECT_EQ(Button("2")->text(), "Cancel");
    window.reject();
}

TEST_F(StatusWindowTest, BarsStayOnTheirRowsWhenTheListScrolls)
{
    std::vector<std::string> ports;
    for (int i = 0; i < 64; ++i)
        ports.push_back("ttyUSB" + std::to_string(i));
    Prepare(ports, '?');
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));

    const auto barsOnRows = [this] {
        for (int row = 0; row < List().rowCount(); ++row) {
            const QRect cell = List().visualRect(List().model()->index(row, 2));
            if (!cell.contains(List().ProgressBar(row)->geometry().center()))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(WaitUntil(barsOnRows));
    QScrollBar* scroll = List().verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    for (const int position : {scroll->maximum(), scroll->maximum() / 2, 0}) {
        scroll->setValue(position);
        EXPECT_TRUE(WaitUntil(barsOnRows)) << "scrolled to " << position;
    }
    scroll->setValue(scroll->maximum());
    ASSERT_TRUE(WaitUntil(barsOnRows));
    // The last row is in view, the first scrolled out above it.
    const QRect viewport = List().viewport()->rect();
    EXPECT_TRUE(viewport.contains(List().ProgressBar(63)->geometry().center()));
    EXPECT_TRUE(List().ProgressBar(63)->isVisible());
    EXPECT_FALSE(viewport.intersects(List().ProgressBar(0)->geometry()));
    window.reject();
}

}  // namespace
}  // namespace veltra
