#include "UploadProgressWindow.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace veltra {
namespace {

using testing::FakeOwner;
using testing::OpenAndWaitForStart;

StatusNotice Upload(int code)
{
    return StatusNotice{0, code, 0, 0};
}

class UploadProgressWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.SetOwner(&owner);
        window.SetOperation(request::kStartRead, 'P');
        window.SetPortIndex(2);
    }

    QProgressBar* Bar() { return window.findChild<QProgressBar*>("4033"); }
    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }

    FakeOwner owner;
    UploadProgressWindow window;
};

TEST_F(UploadProgressWindowTest, CountsRowsAndClosesItselfWhenComplete)
{
    window.SetRowCount(5);
    ASSERT_TRUE(OpenAndWaitForStart(window, owner));
    EXPECT_EQ(window.objectName(), "4023");
    EXPECT_EQ(owner.log, (std::vector<std::pair<int, int>>{{11, 0}, {0, 'P'}}));
    EXPECT_EQ(owner.registered, &window);
    EXPECT_EQ(window.PortIndex(), 2);
    EXPECT_EQ(window.windowTitle(), "Parameter Uploading...");
    EXPECT_EQ(Bar()->minimum(), 0);
    EXPECT_EQ(Bar()->maximum(), 5);
    EXPECT_EQ(Button("2")->text(), "Cancel");
    EXPECT_FALSE(Button("1")->isVisible());

    // A status window's notice (active 1) is not for this window.
    window.RunOver(StatusNotice{1, notice::kProgress, 0, 0}, 1);
    window.RunOver(StatusNotice{1, notice::kPhaseDone, 0, 0}, 5);
    EXPECT_EQ(Button("2")->text(), "Cancel");
    EXPECT_TRUE(window.isVisible());

    for (int row = 1; row <= 5; ++row) {
        window.RunOver(Upload(notice::kProgress), 1);
        EXPECT_EQ(Bar()->value(), row);
        EXPECT_EQ(Button("2")->text(), "Stop");
    }
    window.RunOver(Upload(notice::kPhaseStarts), 1);
    EXPECT_TRUE(window.isVisible());

    // The end carries the number of rows in the list, more than were ticked.
    window.RunOver(Upload(notice::kPhaseDone), 9);
    EXPECT_EQ(window.windowTitle(), "Parameter upload is completed!");
    EXPECT_EQ(Bar()->value(), 5);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(owner.Has(request::kEnd, 0));
}

TEST_F(UploadProgressWindowTest, ButtonAndEscapeEndTheUploadEnterClosesQuietly)
{
    enum class Way { CancelButton, StopButton, Escape, Enter };
    for (const Way way : {Way::CancelButton, Way::StopButton, Way::Escape, Way::Enter}) {
        FakeOwner sheet;
        UploadProgressWindow upload;
        upload.SetOwner(&sheet);
        upload.SetOperation(request::kStartRead, 'P');
        upload.SetRowCount(3);
        ASSERT_TRUE(OpenAndWaitForStart(upload, sheet));
        if (way == Way::StopButton) {
            upload.RunOver(Upload(notice::kProgress), 1);
            ASSERT_EQ(upload.findChild<QPushButton*>("2")->text(), "Stop");
        }
        const Qt::Key key = way == Way::Escape ? Qt::Key_Escape : Qt::Key_Return;
        if (way == Way::Escape || way == Way::Enter) {
            // Keys are ignored while the upload runs.
            QTest::keyClick(&upload, key);
            EXPECT_TRUE(upload.isVisible());
            upload.RunEnded();
            QTest::keyClick(&upload, key);
        } else
            QTest::mouseClick(upload.findChild<QPushButton*>("2"), Qt::LeftButton);
        EXPECT_FALSE(upload.isVisible());
        if (way == Way::Enter) {
            EXPECT_EQ(upload.result(), QDialog::Accepted);
            EXPECT_FALSE(sheet.Has(request::kEnd, 0));
        } else {
            EXPECT_EQ(upload.result(), QDialog::Rejected);
            EXPECT_EQ(sheet.log.back(), (std::pair<int, int>{request::kEnd, 0}));
        }
    }
}

TEST_F(UploadProgressWindowTest, EachShowingStartsAgainAndLargeCountsKeepTheirRange)
{
    window.SetRowCount(70000);
    owner.onStart = [this] {
        for (int row = 0; row < 3; ++row)
            window.RunOver(Upload(notice::kProgress), 1);
        window.CloseWithOk();
    };
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_EQ(Bar()->maximum(), 70000);
    EXPECT_EQ(Bar()->value(), 3);

    owner.onStart = nullptr;
    window.SetRowCount(4);
    ASSERT_TRUE(OpenAndWaitForStart(window, owner, 4));
    EXPECT_EQ(Bar()->maximum(), 4);
    EXPECT_EQ(Button("2")->text(), "Cancel");
    EXPECT_EQ(window.windowTitle(), "Parameter Uploading...");
    window.RunOver(Upload(notice::kProgress), 1);
    EXPECT_EQ(Bar()->value(), 1);
    window.reject();
}

}  // namespace
}  // namespace veltra
