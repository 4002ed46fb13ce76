#include "Settings.h"
#include "TempDir.h"
#include "TestOptionsDialog.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace veltra {
namespace {

using veltra::testing::TempDir;

class TestOptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.SetRootDirectory(dir.Path().string());
        dialog.SetCountryCode("UN");
        dialog.SetItemCount(8);
    }

    void WriteSetting(const std::string& value)
    {
        dir.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=UN\n[TEST]\nITEM_SETTING=" + value + "\n");
    }
    std::string SettingsText() const { return TempDir::Read(dir.File("config/VTDown.ini")); }

    QCheckBox* Box(int item) { return dialog.findChild<QCheckBox*>(QString::number(4035 + item)); }
    QPushButton* Button(const char* name) { return dialog.findChild<QPushButton*>(name); }

    std::string Ticks()
    {
        std::string ticks;
        for (int item = 1; item <= 8; ++item)
            ticks += Box(item)->isChecked() ? '1' : '0';
        return ticks;
    }

    TempDir dir;
    TestOptionsDialog dialog;
};

TEST_F(TestOptionsDialogTest, OpensWithTheStoredSelectionAndItsCaptions)
{
    dialog.open();
    EXPECT_EQ(dialog.objectName(), "4024");
    EXPECT_EQ(Ticks(), "11111111");  // no settings file
    EXPECT_EQ(dialog.windowTitle(), "Module Test Options");
    EXPECT_EQ(dialog.findChild<QLabel*>("4044")->text(), "Seclet the Test items...");
    EXPECT_EQ(Button("1")->text(), "OK");
    EXPECT_EQ(Button("2")->text(), "CANCEL");
    EXPECT_EQ(Box(1)->text(), "Port Test");
    EXPECT_EQ(Box(8)->text(), "EEP ROM");
    dialog.reject();

    const std::pair<std::string, std::string> cases[] = {
        {"10000001", "10000001"},
        {"101", "10100000"},
        {"1x111111", "10111111"},
    };
    for (const auto& [stored, ticks] : cases) {
        WriteSetting(stored);
        dialog.open();
        EXPECT_EQ(Ticks(), ticks) << "ITEM_SETTING=" << stored;
        dialog.reject();
    }

    dir.Write("config/DE/flashkit_DE.cap", "[COMM_STATUS]\nSTATUS_MSG9=Pruefungen waehlen\n");
    dialog.SetCountryCode("DE");
    dialog.open();
    EXPECT_EQ(dialog.findChild<QLabel*>("4044")->text(), "Pruefungen waehlen");
    EXPECT_EQ(dialog.windowTitle(), "Module Test Options");
    dialog.reject();
}

TEST_F(TestOptionsDialogTest, OkStoresAndHandsOverTheTicksCancelChangesNothing)
{
    WriteSetting("01011110");
    dialog.open();
    for (int item = 1; item <= 8; ++item)
        Box(item)->setChecked(false);
    for (const int item : {1, 3, 8})
        QTest::mouseClick(Box(item), Qt::LeftButton, {}, QPoint(4, Box(item)->height() / 2));
    QTest::mouseClick(Button("1"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_NE(SettingsText().find("ITEM_SETTING=10100001"), std::string::npos);
    EXPECT_NE(SettingsText().find("COUNTRY=UN"), std::string::npos);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{1, 0, 1, 0, 0, 0, 0, 1}));

    const std::string before = SettingsText();
    dialog.open();
    EXPECT_EQ(Ticks(), "10100001");
    Box(2)->setChecked(true);
    QTest::mouseClick(Button("2"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(SettingsText(), before);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{1, 0, 1, 0, 0, 0, 0, 1}));

    // Nothing ticked is a valid choice; the test then has nothing to run.
    dialog.open();
    for (int item = 1; item <= 8; ++item)
        Box(item)->setChecked(false);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_NE(SettingsText().find("ITEM_SETTING=00000000"), std::string::npos);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{}));
}

TEST_F(TestOptionsDialogTest, OkWaitsForTheItemCountAndUnwritableSettingsStillHandOver)
{
    WriteSetting("11111111");
    dialog.SetItemCount(0);
    dialog.open();
    Box(1)->setChecked(false);
    QTest::mouseClick(Button("1"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(SettingsText().find("ITEM_SETTING=11111111"), std::string::npos);

    dialog.SetItemCount(8);
    // A root below a plain file: the settings file can be neither made nor written.
    dialog.SetRootDirectory(dir.Write("plain-file", "x"));
    QTest::mouseClick(Button("1"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Items(), (std::array<int, 8>{0, 1, 1, 1, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace veltra
