#include "EventLoop.h"
#include "Operator.h"
#include "ModuleTestWindow.h"
#include "ProgressListCtrl.h"
#include "SmoothProgressBar.h"
#include "StatusWindow.h"
#include "TempDir.h"
#include "TestOptionsDialog.h"
#include "UploadProgressWindow.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

// What only the windows decide. What a run shows in them against real modules
// (row texts and colours, records, titles at the end) is checked through the
// sheet in tests/sheet.
namespace veltra {
namespace {

using testing::RunUntil;

// The sheet as a window sees it: every register, as (type, 0), and request in
// order. `onStart` may answer a start request at once, as the sheet does.
class FakeOwner : public OperationOwner {
public:
    void RegisterOperationWindow(int type, RunObserver*) override { log.emplace_back(type, 0); }
    void OnOperationRequest(int type, int value) override
    {
        log.emplace_back(type, value);
        if (type != request::kEnd && onStart)
            onStart();
    }
    bool Ended() const { return !log.empty() && log.back() == std::pair{request::kEnd, 0}; }

    std::vector<std::pair<int, int>> log;
    std::function<void()> onStart;
};

// Shows the dialog without blocking and waits for its register and start request.
bool OpenAndWaitForStart(QDialog& dialog, FakeOwner& owner)
{
    owner.log.clear();
    dialog.open();
    return RunUntil([&] { return owner.log.size() >= 2; }, 5000);
}

// A status window's notice is active (1); an upload or record read's is not.
StatusNotice Active(int code, int value, int port = 0) { return StatusNotice{1, code, value, port}; }
StatusNotice Upload(int code) { return StatusNotice{0, code, 0, 0}; }

class StatusWindowTest : public ::testing::Test {
protected:
    void Prepare(const std::vector<std::string>& ports, int letter = '?')
    {
        window.SetOwner(&owner);
        window.SetOperation(request::kStartRun, letter);
        window.ClearPortRows();
        for (const std::string& port : ports)
            window.AddPortRow(port);
    }
    ProgressListCtrl& List() { return *window.List(); }
    QString StepText(int row) { return List().CellText(row, 3); }

    FakeOwner owner;
    StatusWindow window;
};

TEST_F(StatusWindowTest, ProgressIsCappedPerPortOnlyTheStepColumnIsColouredAndBarsScrollWithRows)
{
    const std::string longName = "/dev/pts/long-pseudo-terminal-7";
    std::vector<std::string> ports = {"ttyUSB0", longName};
    for (int i = 2; i < 64; ++i)
        ports.push_back("ttyUSB" + std::to_string(i));
    Prepare(ports);
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    EXPECT_EQ(List().CellText(1, 1), QString::fromStdString(longName));  // kept whole
    auto* button = window.findChild<QPushButton*>("2");

    // Bars follow their counts at a pace: a step after a quiet spell at once,
    // the next ones soon after.
    const auto barShows = [this](int row, int value) {
        return RunUntil([&] { return List().ProgressBar(row)->value() == value; }, 5000);
    };
    window.Notice(Active(notice::kPhaseStarts, 'B', 0), 300, "ttyUSB0");
    window.Notice(Active(notice::kProgress, 120), 0, "ttyUSB0");
    EXPECT_EQ(List().ProgressBar(0)->value(), 120);
    for (const int value : {240, 300}) {
        window.Notice(Active(notice::kProgress, 120), 0, "ttyUSB0");
        EXPECT_TRUE(barShows(0, value)) << value;
    }
    EXPECT_EQ(button->text(), "Stop");
    // Notices that are not active, or name a port without a row, change nothing.
    window.Notice(StatusNotice{0, notice::kPhaseDone, 300, 0}, 0, "ttyUSB0");
    window.Notice(Active(notice::kProgress, 50), 0, "ttyS9");
    window.Notice(Active(notice::kPhaseStarts, '@', 7), 100, "ttyS9");
    EXPECT_EQ(StepText(0), "ROM Downloading...");
    EXPECT_EQ(List().ProgressBar(1)->value(), 0);
    EXPECT_EQ(List().ProgressBar(0)->maximum(), 300);
    // Another port starting a short phase leaves this port's count alone.
    window.Notice(Active(notice::kPhaseStarts, '@', 1), 100, longName);
    window.Notice(Active(notice::kProgress, 14), 0, longName);
    window.Notice(Active(notice::kProgress, 0), 0, "ttyUSB0");
    EXPECT_TRUE(barShows(1, 14));
    EXPECT_EQ(List().ProgressBar(0)->value(), 300);

    window.ShowPortError(longName, "Time Out!");
    EXPECT_EQ(List().item(1, 3)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(button->text(), "Stop");
    window.Notice(Active(notice::kPhaseDone, 300), 0, "ttyUSB0");
    EXPECT_EQ(List().item(0, 3)->foreground().color(), QColor(Qt::blue));
    EXPECT_EQ(List().item(0, 1)->foreground().color(), QColor(Qt::black));
    EXPECT_EQ(button->text(), "Close");

    const auto barsOnRows = [this] {
        for (int row = 0; row < List().rowCount(); ++row) {
            if (!List().visualRect(List().model()->index(row, 2)).contains(List().ProgressBar(row)->geometry().center()))
                return false;
        }
        return true;
    };
    QScrollBar* scroll = List().verticalScrollBar();
    ASSERT_TRUE(RunUntil([scroll] { return scroll->maximum() > 0; }, 5000));
    for (const int position : {scroll->maximum() / 2, 0, scroll->maximum()}) {
        scroll->setValue(position);
        EXPECT_TRUE(RunUntil(barsOnRows, 5000)) << "scrolled to " << position;
    }
    // The last row is in view, the first scrolled out above it.
    EXPECT_TRUE(List().viewport()->rect().contains(List().ProgressBar(63)->geometry().center()));
    EXPECT_FALSE(List().viewport()->rect().intersects(List().ProgressBar(0)->geometry()));
}

// A row's bar covers its cell: its steps must not have the list paint beneath it.
TEST_F(StatusWindowTest, ABarsStepPaintsTheBarAlone)
{
    Prepare({"ttyUSB0", "ttyUSB1"});
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    QProgressBar* bar = List().ProgressBar(0);
    ASSERT_TRUE(RunUntil([bar] { return bar->isVisible(); }, 5000));
    QCoreApplication::processEvents();
    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } list, steps;
    List().viewport()->installEventFilter(&list);
    bar->installEventFilter(&steps);
    for (int value = 10; value <= 50; value += 10)
        bar->setValue(value);  // each a repaint of its own
    QCoreApplication::processEvents();
    EXPECT_EQ(steps.paints, 5);
    EXPECT_EQ(list.paints, 0);
}

// The bar paints itself: its fill must be its value's share of the inside,
// whatever the range, and nothing when the range is empty or the bar reset.
TEST(SmoothProgressBar, FillsItsValuesShareOfTheInside)
{
    SmoothProgressBar bar;
    bar.resize(102, 12);  // a pixel of border on every side
    const QColor fill = bar.palette().highlight().color();
    auto filledPixels = [&] {
        const QImage image = bar.grab().toImage();
        EXPECT_NE(QColor(image.pixel(0, 6)), fill);  // the border stays
        int filled = 0;
        for (int x = 1; x <= 100; ++x)
            filled += QColor(image.pixel(x, 6)) == fill ? 1 : 0;
        return filled;
    };
    struct Case {
        int minimum, maximum, value, filled;  // filled: of the 100 pixels inside
    };
    const Case cases[] = {
        {0, 100, 0, 0},      {0, 100, 1, 1}, {0, 200, 100, 50}, {0, 100, 100, 100},
        {100, 300, 200, 50}, {0, 3, 1, 33},  {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        bar.setRange(c.minimum, c.maximum);
        bar.setValue(c.value);
        EXPECT_EQ(filledPixels(), c.filled) << c.minimum << ".." << c.maximum << " at " << c.value;
    }
    bar.setRange(0, 100);
    bar.setValue(50);
    bar.reset();  // below the range
    EXPECT_EQ(filledPixels(), 0);
}

// Both progress windows ignore Escape and Enter while the run goes, so that a
// key pressed by accident never leaves a run going unseen; once it is over
// Escape ends the operation as the button does and Enter closes quietly. The
// button itself is pressed in the sheet's runs.
TEST(OperationWindows, KeysOnlyCloseOnceTheRunIsOver)
{
    for (const bool isStatus : {true, false}) {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            SCOPED_TRACE(::testing::Message() << (isStatus ? "status" : "upload") << " key " << key);
            FakeOwner owner;
            StatusWindow status;
            UploadProgressWindow upload;
            OperationDialog& window = isStatus ? static_cast<OperationDialog&>(status) : upload;
            window.SetOwner(&owner);
            window.SetOperation(isStatus ? request::kStartRun : request::kStartRead, isStatus ? 'Q' : 'P');
            status.AddPortRow("ttyUSB0");
            upload.SetRowCount(3);
            ASSERT_TRUE(OpenAndWaitForStart(window, owner));
            QTest::keyClick(&window, key);
            EXPECT_TRUE(window.isVisible());
            if (isStatus) {
                // Another port's last progress may come after one has finished.
                status.Notice(Active(notice::kPhaseDone, 5), 0, "ttyUSB0");
                status.Notice(Active(notice::kProgress, 1), 0, "ttyUSB0");
            }
            window.RunEnded();
            QTest::keyClick(&window, key);
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(window.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
            EXPECT_EQ(owner.Ended(), key == Qt::Key_Escape);
        }
    }
}

TEST_F(StatusWindowTest, ModuleTestRetitlesStrayRowCallsAreIgnoredAndEachShowingStartsAgain)
{
    Prepare({"ttyUSB0"}, 'H');
    QString titles;
    owner.onStart = [&] {
        titles = window.windowTitle();
        window.Notice(Active(notice::kPhaseStarts, 'H', 0), 8, "ttyUSB0");
        titles += " / " + window.windowTitle();
        window.Notice(Active(notice::kRunFinished, 8), 0, "ttyUSB0");
    };
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(titles, "Download... / Module Test");

    owner.onStart = nullptr;
    Prepare({"ttyUSB3", "ttyUSB4"});
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    ASSERT_EQ(List().rowCount(), 2);
    EXPECT_EQ(StepText(0), "");
    EXPECT_EQ(window.findChild<QPushButton*>("2")->text(), "Cancel");
    window.SetRowText("Not used", 5);
    window.SetRowResult(-1, 2, "x");
    window.SetRowResult(0, 7, "kept colour");
    EXPECT_EQ(StepText(0), "kept colour");
    EXPECT_EQ(List().RowColour(0), row_colour::kBlack);
    window.reject();
}

TEST(UploadProgressWindow, CountsOnlyItsOwnNoticesKeepsLargeCountsAndStartsAgainEachShowing)
{
    FakeOwner owner;
    UploadProgressWindow window;
    window.SetOwner(&owner);
    window.SetOperation(request::kStartRead, 'P');
    auto* bar = window.findChild<QProgressBar*>("4033");
    window.SetRowCount(70000);
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    // A status window's notice (active 1), or a phase start, is neither progress nor the end.
    window.RunOver(StatusNotice{1, notice::kProgress, 0, 0}, 1);
    window.RunOver(StatusNotice{1, notice::kPhaseDone, 0, 0}, 5);
    window.RunOver(Upload(notice::kPhaseStarts), 1);
    for (int row = 0; row < 3; ++row)
        window.RunOver(Upload(notice::kProgress), 1);
    EXPECT_EQ(window.findChild<QPushButton*>("2")->text(), "Stop");
    EXPECT_EQ(bar->maximum(), 70000);
    EXPECT_EQ(bar->value(), 3);
    window.reject();

    window.SetRowCount(4);
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(window.findChild<QPushButton*>("2")->text(), "Cancel");
    window.RunOver(Upload(notice::kProgress), 1);
    EXPECT_EQ(bar->value(), 1);
    window.reject();
}

TEST(ModuleTestWindow, MovesPortByPortAndOnlyItsOwnEndCompletes)
{
    FakeOwner owner;
    ModuleTestWindow window;
    window.SetOwner(&owner);
    window.SetOperation(request::kStartRead, 'J');
    window.SetPortCount(4);
    testing::ModalWatcher boxes([](QDialog& dialog) {
        if (qobject_cast<QMessageBox*>(&dialog))
            dialog.accept();  // the window under test is a modal dialog too
    });
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    // Before the first row there is nothing to mark.
    window.PortOver(0, 11);
    window.RecordComplete(0, {1, 2, 3, 4});
    EXPECT_EQ(window.List()->rowCount(), 0);

    for (const int port : {0, 2, 3}) {
        window.RecordReadMovesTo(port, "ttyUSB" + std::to_string(port));
        EXPECT_EQ(window.Progress()->value(), port);
        window.RecordComplete(port, {0x08, 0x05, 0x0D, 0x3F});
    }

    // A notice that is active, or of another code, is not the end of reading.
    window.RunOver(StatusNotice{1, notice::kPhaseDone, 0, 0}, 0);
    window.RunOver(StatusNotice{0, 'J', 0, 0}, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(window.Progress()->value(), 3);
    window.RunOver(StatusNotice{0, notice::kPhaseDone, 0, 0}, 0);
    EXPECT_EQ(window.Progress()->value(), 4);
    EXPECT_EQ(boxes.texts, (std::vector<QString>{"Compeleted!"}));
    QTest::mouseClick(window.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(owner.log.size(), 2u);  // closing tells the sheet nothing

    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    EXPECT_EQ(window.List()->rowCount(), 0);
    window.reject();
}

// What the sheet's runs cannot show: the country's texts, Cancel after a
// change, and the ticks handed over even where they cannot be stored.
TEST(TestOptionsDialog, OkHandsOverTheTicksEvenUnstoredCancelChangesNothing)
{
    testing::TempDir dir;
    const std::string stored = "[STARTUP]\nCOUNTRY=UN\n[TEST]\nITEM_SETTING=01011110\n";
    const std::string settings = dir.Write("config/VTDown.ini", stored);
    dir.Write("config/DE/flashkit_DE.cap", "[COMM_STATUS]\nSTATUS_MSG9=Pruefungen waehlen\n");
    TestOptionsDialog dialog;
    dialog.SetRootDirectory(dir.Path().string());
    dialog.SetCountryCode("DE");
    dialog.SetItemCount(8);
    const auto box = [&](int item) { return dialog.findChild<QCheckBox*>(QString::number(4035 + item)); };
    const auto click = [&](QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, 4)); };

    dialog.open();
    EXPECT_EQ(dialog.findChild<QLabel*>("4044")->text(), "Pruefungen waehlen");
    click(box(1));
    click(dialog.findChild<QPushButton*>("2"));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(testing::TempDir::Read(settings), stored);

    dialog.open();
    click(box(1));
    click(dialog.findChild<QPushButton*>("1"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_NE(testing::TempDir::Read(settings).find("ITEM_SETTING=11011110"), std::string::npos);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{1, 1, 0, 1, 1, 1, 1, 0}));

    // A root below a plain file: the settings file can be neither made nor written.
    dialog.open();
    dialog.SetRootDirectory(dir.Write("plain-file", "x"));
    click(box(2));
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{1, 0, 0, 1, 1, 1, 1, 0}));
}

}  // namespace
}  // namespace veltra
