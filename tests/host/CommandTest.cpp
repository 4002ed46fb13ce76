#include "HostHarness.h"

#include "StatusTextEvent.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>

namespace veltra::testing {
namespace {

class HostCommands : public ::testing::Test {
protected:
    HostCommands() : app_(folder_.Root())
    {
        app_.InitInstance();
        module_ = std::make_unique<FakeModule>(folder_.File("Tessel01.so"));
    }

    CMainFrame& Frame() { return app_.MainFrame(); }
    QAction* Action(int id) { return FindAction(Frame(), id); }
    QString Pane(int pane) { return Frame().findChild<QLabel*>(QStringLiteral("StatusPane%1").arg(pane))->text(); }
    void Press(Qt::Key key) { ASSERT_TRUE(PressControl(Frame(), key)); }

    ProgramFolder folder_{FAKE_MODULE};
    CCorvidApp app_;
    std::unique_ptr<FakeModule> module_;
};

TEST_F(HostCommands, EachCommandReachesItsEntryPoint)
{
    module_->ToolStates().fill(1);
    const std::map<int, std::string> routes{
        {FILE_OPEN_HEX, "LoadHexFile"}, {FILE_OPEN_PARAM, "LoadParaFile"}, {ROM_DOWN, "CodeRomDown"},
        {PARAM_UP, "Upload"},           {PARAM_DOWN, "Download"},          {PARAM_INIT, "InitParamData"},
        {PARAM_SAVE, "SaveParaData"},   {TOOL_OPEN_ROM, "LoadHexFile"},    {TOOL_OPEN_PARAM, "LoadParaFile"},
        {TOOL_REFRESH, "Refresh"},      {TOOL_DOWNLOAD, "Download"},       {TOOL_UPLOAD, "Upload"},
        {JIG_TEST, "JigTest"},          {JIG_SHOW, "ShowJigTest"},
    };
    for (const auto& [id, entry] : routes) {
        const std::size_t before = module_->Calls().size();
        Action(id)->trigger();
        EXPECT_EQ(module_->Calls().size(), before + 1) << id;
        EXPECT_EQ(module_->LastCall(), entry) << id;
    }
    for (const auto& [key, entry] : std::map<Qt::Key, std::string>{
             {Qt::Key_N, "InitParamData"}, {Qt::Key_O, "LoadHexFile"}, {Qt::Key_S, "SaveParaData"}, {Qt::Key_P, "LoadParaFile"}}) {
        Press(key);
        EXPECT_EQ(module_->LastCall(), entry) << key;
    }
}

TEST_F(HostCommands, EnablingFollowsTheModulesToolStates)
{
    for (const auto& [index, value] : std::map<int, int>{{4, 1}, {6, 1}, {21, 1}, {23, 1}})
        module_->ToolStates()[index] = value;
    // The toolbar is refreshed while the program is idle, the menus when they open.
    for (const char* name : {"MENU_FILE", "MENU_ROM", "MENU_PARAMETER", "MENU_MODE", "MENU_HELP"}) {
        auto* menu = Frame().findChild<QMenu*>(name);
        menu->popup(Frame().mapToGlobal(QPoint(10, 10)));
        menu->hide();
    }
    const std::map<int, bool> enabled{
        {PARAM_INIT, false},    {TOOL_OPEN_ROM, true},    {TOOL_OPEN_PARAM, false}, {PARAM_SAVE, false},
        {TOOL_REFRESH, true},   {TOOL_DOWNLOAD, false},   {TOOL_UPLOAD, true},      {JIG_TEST, false},
        {JIG_SHOW, false},      {FILE_OPEN_HEX, true},    {FILE_OPEN_PARAM, false}, {FILE_EXIT, true},
        {ROM_DOWN, true},       {PARAM_UP, true},         {PARAM_DOWN, false},      {MODE_ROM, true},
        {MODE_PARAM, true},     {HELP_ABOUT, true}};
    RunUntil([&] { return std::ranges::all_of(enabled, [&](const auto& e) { return Action(e.first)->isEnabled() == e.second; }); });
    for (const auto& [id, on] : enabled)
        EXPECT_EQ(Action(id)->isEnabled(), on) << id;

    // A greyed button does nothing, and neither does the shortcut of a
    // disabled command.
    auto* jigButton = Frame().findChild<QToolButton*>(QString::number(JIG_TEST));
    QTest::mouseClick(jigButton, Qt::LeftButton);
    Press(Qt::Key_S);
    Press(Qt::Key_P);
    EXPECT_EQ(module_->Count("JigTest") + module_->Count("SaveParaData") + module_->Count("LoadParaFile"), 0u);

    // Connecting in the module enables the test commands on the next idle pass.
    module_->ToolStates()[7] = 1;
    EXPECT_TRUE(RunUntil([&] { return Action(JIG_TEST)->isEnabled() && Action(JIG_SHOW)->isEnabled(); }));
    QTest::mouseClick(jigButton, Qt::LeftButton);
    EXPECT_EQ(module_->LastCall(), "JigTest");
}

TEST_F(HostCommands, ModeItemsKeepTheirOwnCheckMarks)
{
    QAction* rom = Action(MODE_ROM);
    QAction* param = Action(MODE_PARAM);
    for (QAction* item : {param, param, rom, rom, param})
        item->trigger();
    const std::vector<std::string> modes = {"CodeParamMode(8)", "CodeParamMode(0)", "CodeRomMode(8)", "CodeRomMode(8)",
                                            "CodeParamMode(8)"};
    const std::vector<std::string> calls = module_->Calls();
    EXPECT_EQ(std::vector(calls.end() - 5, calls.end()), modes);
    EXPECT_TRUE(rom->isChecked() && param->isChecked());
}

TEST_F(HostCommands, OnlyTheModuleWritesTheFilePanes)
{
    EXPECT_EQ(Pane(0), QStringLiteral("No ROM File"));
    EXPECT_EQ(Pane(1), QStringLiteral("Default Parameter File is Opened"));
    // The fake module reports its file the way the real one does, with a text
    // that is gone once the call returns.
    Action(FILE_OPEN_HEX)->trigger();
    module_->ToolStates()[2] = 1;
    Action(TOOL_OPEN_PARAM)->trigger();
    EXPECT_EQ(Pane(0), QStringLiteral("The opened ROM file: /work/a.hex"));
    EXPECT_EQ(Pane(1), QStringLiteral("The opened Parameter file: /work/b.vtp"));

    // The lock indicators and panes that do not exist are not the module's to
    // write, and hovering over the toolbar and menus leaves the panes alone.
    for (const int pane : {2, 5, -1}) {
        StatusTextEvent event(pane, "overwritten");
        QCoreApplication::sendEvent(&Frame().View(), &event);
        EXPECT_FALSE(event.isAccepted()) << pane;
    }
    EXPECT_EQ(Pane(2), QStringLiteral("CAP"));
    QStatusTipEvent tip(QStringLiteral("fly-by"));
    QCoreApplication::sendEvent(&Frame(), &tip);
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(Frame().findChild<QLabel*>(QStringLiteral("StatusPane0"))->isVisible());
}

TEST_F(HostCommands, AboutBoxAndExit)
{
    QStringList seen;
    ModalWatcher watcher([&](QDialog& dialog) {
        auto* ok = dialog.findChild<QPushButton*>("1");
        seen << dialog.windowTitle() << dialog.findChild<QLabel*>("-1")->text() << ok->text();
        ok->click();
    });
    Action(HELP_ABOUT)->trigger();
    EXPECT_EQ(seen, (QStringList{"Corvid 정보", "Veltra Downloader Version 1.9 \nLast Updated : 13-May-2008", "확인"}));

    // Exit closes the window; the module is not told.
    Action(FILE_EXIT)->trigger();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_EQ(module_->Count("CodeExit"), 0u);
}

}  // namespace
}  // namespace veltra::testing
