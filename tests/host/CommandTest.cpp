#include "HostHarness.h"

#include "StatusPanes.h"
#include "StatusTextEvent.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>

namespace veltra::testing {
namespace {

class HostCommands : public ::testing::Test {
protected:
    HostCommands() : folder_(FAKE_MODULE), app_(folder_.Root())
    {
        app_.InitInstance();
        module_ = std::make_unique<FakeModule>(folder_.ModulePath());
    }

    CMainFrame& Frame() { return app_.MainFrame(); }
    QAction* Action(int id) { return FindAction(Frame(), id); }
    QString Pane(int pane) { return Frame().findChild<QLabel*>(QStringLiteral("StatusPane%1").arg(pane))->text(); }

    void Activate()
    {
        Frame().activateWindow();
        ASSERT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &Frame(); }));
    }

    ProgramFolder folder_;
    CCorvidApp app_;
    std::unique_ptr<FakeModule> module_;
};

TEST_F(HostCommands, EachCommandReachesItsEntryPoint)
{
    module_->SetAllToolStates(1);
    const std::map<int, std::string> routes{
        {FILE_OPEN_HEX, "LoadHexFile"},     {FILE_OPEN_PARAM, "LoadParaFile"}, {ROM_DOWN, "CodeRomDown"},
        {PARAM_UP, "Upload"},               {PARAM_DOWN, "Download"},          {PARAM_INIT, "InitParamData"},
        {PARAM_SAVE, "SaveParaData"},       {TOOL_OPEN_ROM, "LoadHexFile"},    {TOOL_OPEN_PARAM, "LoadParaFile"},
        {TOOL_REFRESH, "Refresh"},          {TOOL_DOWNLOAD, "Download"},       {TOOL_UPLOAD, "Upload"},
        {JIG_TEST, "JigTest"},              {JIG_SHOW, "ShowJigTest"},
    };
    for (const auto& [id, entry] : routes) {
        const std::size_t before = module_->Calls().size();
        Action(id)->trigger();
        EXPECT_EQ(module_->Calls().size(), before + 1) << id;
        EXPECT_EQ(module_->LastCall(), entry) << id;
    }

    // The accelerators, when their command is enabled.
    Activate();
    const std::map<Qt::Key, std::string> keys{
        {Qt::Key_N, "InitParamData"}, {Qt::Key_O, "LoadHexFile"}, {Qt::Key_S, "SaveParaData"}, {Qt::Key_P, "LoadParaFile"}};
    for (const auto& [key, entry] : keys) {
        QTest::keyClick(&Frame(), key, Qt::ControlModifier);
        EXPECT_EQ(module_->LastCall(), entry) << key;
    }
}

TEST_F(HostCommands, EnablingFollowsTheModulesToolStates)
{
    const std::map<int, int> states{{2, 0}, {4, 1}, {5, 0}, {6, 1}, {7, 0}, {21, 1}, {22, 0}, {23, 1}};
    for (const auto& [index, value] : states) {
        module_->SetToolState(index, value);
    }

    // The toolbar is refreshed while the program is idle.
    const std::map<int, bool> toolbar{{PARAM_INIT, false},   {TOOL_OPEN_ROM, true},  {TOOL_OPEN_PARAM, false},
                                      {PARAM_SAVE, false},   {TOOL_REFRESH, true},   {TOOL_DOWNLOAD, false},
                                      {TOOL_UPLOAD, true},   {JIG_TEST, false},      {JIG_SHOW, false}};
    const auto toolbarMatches = [&] {
        return std::all_of(toolbar.begin(), toolbar.end(),
                           [&](const auto& entry) { return Action(entry.first)->isEnabled() == entry.second; });
    };
    EXPECT_TRUE(RunUntil(toolbarMatches));
    for (const auto& [id, enabled] : toolbar) {
        EXPECT_EQ(Action(id)->isEnabled(), enabled) << id;
    }

    // Menus are refreshed when they open.
    for (const char* name : {"MENU_FILE", "MENU_ROM", "MENU_PARAMETER", "MENU_MODE", "MENU_HELP"}) {
        auto* menu = Frame().findChild<QMenu*>(name);
        menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
        menu->hide();
    }
    const std::map<int, bool> menu{{FILE_OPEN_HEX, true}, {FILE_OPEN_PARAM, false}, {FILE_EXIT, true},
                                   {ROM_DOWN, true},      {PARAM_UP, true},         {PARAM_DOWN, false},
                                   {MODE_ROM, true},      {MODE_PARAM, true},       {HELP_ABOUT, true}};
    for (const auto& [id, enabled] : menu) {
        EXPECT_EQ(Action(id)->isEnabled(), enabled) << id;
    }

    // A greyed button does nothing, and neither does the shortcut of a
    // disabled command.
    auto* jigButton = Frame().findChild<QToolButton*>(QString::number(JIG_TEST));
    ASSERT_NE(jigButton, nullptr);
    QTest::mouseClick(jigButton, Qt::LeftButton);
    Activate();
    QTest::keyClick(&Frame(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&Frame(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(module_->Count("JigTest") + module_->Count("SaveParaData") + module_->Count("LoadParaFile"), 0u);

    // Connecting in the module enables the test commands on the next idle pass.
    module_->SetToolState(7, 1);
    EXPECT_TRUE(RunUntil([&] { return Action(JIG_TEST)->isEnabled() && Action(JIG_SHOW)->isEnabled(); }));
    QTest::mouseClick(jigButton, Qt::LeftButton);
    EXPECT_EQ(module_->LastCall(), "JigTest");
}

TEST_F(HostCommands, ModeItemsKeepTheirOwnCheckMarks)
{
    QAction* rom = Action(MODE_ROM);
    QAction* param = Action(MODE_PARAM);

    param->trigger();
    EXPECT_EQ(module_->LastCall(), "CodeParamMode(8)");
    EXPECT_TRUE(param->isChecked());
    param->trigger();
    EXPECT_EQ(module_->LastCall(), "CodeParamMode(0)");
    EXPECT_FALSE(param->isChecked());

    rom->trigger();
    EXPECT_EQ(module_->LastCall(), "CodeRomMode(8)");
    rom->trigger();
    EXPECT_EQ(module_->LastCall(), "CodeRomMode(8)");
    EXPECT_EQ(module_->Count("CodeRomMode(8)"), 2u);
    EXPECT_TRUE(rom->isChecked());

    param->trigger();
    EXPECT_TRUE(param->isChecked());
    EXPECT_TRUE(rom->isChecked());
}

TEST_F(HostCommands, OnlyTheModuleWritesTheFilePanes)
{
    EXPECT_EQ(Pane(0), QStringLiteral("No ROM File"));
    EXPECT_EQ(Pane(1), QStringLiteral("Default Parameter File is Opened"));
    EXPECT_EQ(Pane(2), QStringLiteral("CAP"));
    EXPECT_EQ(Pane(3), QStringLiteral("NUM"));
    EXPECT_EQ(Pane(4), QStringLiteral("SCRL"));

    // The fake module's LoadHexFile and LoadParaFile report their file the
    // way the real one does, and the text is gone once the call returns.
    Action(FILE_OPEN_HEX)->trigger();
    EXPECT_EQ(Pane(0), QStringLiteral("The opened ROM file: /work/a.hex"));
    EXPECT_EQ(Pane(1), QStringLiteral("Default Parameter File is Opened"));
    module_->SetToolState(2, 1);
    Action(TOOL_OPEN_PARAM)->trigger();
    EXPECT_EQ(Pane(1), QStringLiteral("The opened Parameter file: /work/b.vtp"));
    EXPECT_EQ(Pane(0), QStringLiteral("The opened ROM file: /work/a.hex"));

    // The indicators and panes that do not exist are not the module's to write.
    for (const int pane : {2, 5, -1}) {
        StatusTextEvent event(pane, "overwritten");
        QCoreApplication::sendEvent(&Frame().View(), &event);
        EXPECT_FALSE(event.isAccepted()) << pane;
    }
    EXPECT_EQ(Pane(2), QStringLiteral("CAP"));

    // Hovering over the toolbar and the menus leaves the panes alone.
    QStatusTipEvent tip(QStringLiteral("fly-by"));
    QCoreApplication::sendEvent(&Frame(), &tip);
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(Frame().findChild<QLabel*>(QStringLiteral("StatusPane0"))->isVisible());
}

TEST_F(HostCommands, EveryResizeOfTheWindowLaysTheSheetOutAgain)
{
    const std::size_t atStart = module_->Count("CodeSize");
    EXPECT_EQ(atStart, 1u);
    Frame().resize(Frame().size() + QSize(50, 40));
    EXPECT_TRUE(RunUntil([&] { return module_->Count("CodeSize") == atStart + 1; }));
    Frame().resize(Frame().size() - QSize(20, 10));
    EXPECT_TRUE(RunUntil([&] { return module_->Count("CodeSize") == atStart + 2; }));
}

TEST_F(HostCommands, AboutBoxAndExit)
{
    QString title;
    QString text;
    QString button;
    ModalWatcher watcher([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("100"));
        title = dialog.windowTitle();
        text = dialog.findChild<QLabel*>("-1")->text();
        auto* ok = dialog.findChild<QPushButton*>("1");
        button = ok->text();
        ok->click();
    });
    Action(HELP_ABOUT)->trigger();
    EXPECT_EQ(title, QStringLiteral("Corvid 정보"));
    EXPECT_EQ(text, QStringLiteral("Veltra Downloader Version 1.9 \nLast Updated : 13-May-2008"));
    EXPECT_EQ(button, QStringLiteral("확인"));

    Action(FILE_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(module_->Count("CodeExit"), 0u);
}

}  // namespace
}  // namespace veltra::testing
