#include "HostHarness.h"

#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace veltra::testing {
namespace {

using Calls = std::vector<std::string>;

std::vector<std::string> Prefix(const Calls& calls, std::size_t n)
{
    return {calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(std::min(n, calls.size()))};
}

QStringList MenuTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

TEST(HostStartup, StartsTheModuleInOrderWithItsViewRootAndCountry)
{
    ProgramFolder folder(FAKE_MODULE);
    folder.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=KR\n");
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    const FakeModule module(folder.ModulePath());

    const std::string root = folder.Root().toStdString();
    EXPECT_EQ(Prefix(module.Calls(), 5),
              (Calls{"SetWindow", "SetRoot(" + root + ")", "SetCountry(KR)", "CodeInit", "CodeSize"}));
    EXPECT_EQ(module.Window(), static_cast<void*>(static_cast<QWidget*>(&app.MainFrame().View())));
    for (const char* never : {"SetCommandEvent", "SetLocalEvent", "CodeExit", "CodeHide", "CodeShow", "CodeGetCommand"}) {
        EXPECT_EQ(module.Count(never), 0u) << never;
    }

    EXPECT_TRUE(app.MainFrame().isVisible());
    EXPECT_EQ(app.MainFrame().windowTitle(), QStringLiteral("Veltra Downloader"));
    EXPECT_FALSE(app.MainFrame().windowIcon().isNull());
    EXPECT_EQ(app.Settings().country, "KR");
}

TEST(HostStartup, WithoutSettingsOrCaptionsUsesUnAndTheEnglishMenu)
{
    ProgramFolder folder(FAKE_MODULE);
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    const FakeModule module(folder.ModulePath());
    EXPECT_EQ(module.Calls().at(2), "SetCountry(UN)");

    QStringList titles;
    for (const QAction* action : app.MainFrame().menuBar()->actions()) {
        titles << action->text();
    }
    EXPECT_EQ(titles, (QStringList{"File(&F)", "Rom(&R)", "Parameter(&P)", "Mode(&M)", "Help(&H)"}));

    const auto* file = app.MainFrame().findChild<QMenu*>("MENU_FILE");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(MenuTexts(*file),
              (QStringList{"Open HEX File(&O)\tCtrl+O", "Open Parameter File(&P)\tCtrl+P", "-", "Exit(&x)"}));
    EXPECT_EQ(MenuTexts(*app.MainFrame().findChild<QMenu*>("MENU_ROM")), QStringList{"Download ROM(&D)"});
    EXPECT_EQ(MenuTexts(*app.MainFrame().findChild<QMenu*>("MENU_PARAMETER")),
              (QStringList{"Upload Parameter(Scale to PC)(&U)", "Download Paramter(PC to Scale)(&D)"}));
    EXPECT_EQ(MenuTexts(*app.MainFrame().findChild<QMenu*>("MENU_MODE")),
              (QStringList{"ROM Down Mode(&R)", "Parameter Up/Down Mode(&P)"}));
    EXPECT_EQ(MenuTexts(*app.MainFrame().findChild<QMenu*>("MENU_HELP")),
              QStringList{"About Veltra Downloader(&A)..."});

    // The shipped menu has the ROM mode checked; relabelling clears both marks.
    EXPECT_FALSE(FindAction(app.MainFrame(), MODE_ROM)->isChecked());
    EXPECT_FALSE(FindAction(app.MainFrame(), MODE_PARAM)->isChecked());

    // Rom's one item starts the ROM download once a port is connected.
    module.SetToolState(21, 1);
    FindAction(app.MainFrame(), ROM_DOWN)->trigger();
    EXPECT_EQ(module.LastCall(), "CodeRomDown");
}

TEST(HostStartup, MenuTextsComeFromTheCountrysCaptionFile)
{
    ProgramFolder folder(FAKE_MODULE);
    folder.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=DE\n");
    folder.Write("config/DE/main_DE.cap",
                 "[MAIN_MENU]\nMENU_FILE=Datei(&D)\n"
                 "[MENU_FILE]\nFILE_OPEN_HEX=Datei öffnen\\tStrg+O\nFILE_EXIT=\n");
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    const FakeModule module(folder.ModulePath());
    CMainFrame& frame = app.MainFrame();

    EXPECT_EQ(frame.findChild<QMenu*>("MENU_FILE")->title(), QStringLiteral("Datei(&D)"));
    EXPECT_EQ(frame.findChild<QMenu*>("MENU_ROM")->title(), QStringLiteral("Rom(&R)"));
    // What follows the tab is the menu's shortcut column.
    EXPECT_EQ(FindAction(frame, FILE_OPEN_HEX)->text(), QStringLiteral("Datei öffnen\tStrg+O"));
    EXPECT_EQ(FindAction(frame, FILE_OPEN_PARAM)->text(), QStringLiteral("Open Parameter File(&P)\tCtrl+P"));
    EXPECT_EQ(FindAction(frame, FILE_EXIT)->text(), QString());

    // The translated shortcut text does not change the key.
    frame.activateWindow();
    ASSERT_TRUE(RunUntil([&] { return QApplication::activeWindow() == &frame; }));
    QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(module.LastCall(), "LoadHexFile");
}

TEST(HostStartup, AMissingModuleIsReportedAndLeavesEveryCommandEnabledAndHarmless)
{
    ProgramFolder folder;
    ModalWatcher watcher;
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = app.MainFrame();

    ASSERT_EQ(watcher.Texts(), std::vector<QString>{QStringLiteral("DLL Tessel01.so not found")});
    EXPECT_EQ(watcher.Buttons().front(), QMessageBox::Ok);
    EXPECT_EQ(frame.View().ModuleNumber(), 0);
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Veltra Downloader"));
    EXPECT_TRUE(frame.View().findChildren<QWidget*>().isEmpty());

    EXPECT_TRUE(RunUntil([&] { return FindAction(frame, JIG_TEST)->isEnabled(); }));
    for (const Command& command : AllCommands()) {
        if (command.action == CommandAction::Exit || command.action == CommandAction::About) {
            continue;
        }
        QAction* action = FindAction(frame, command.id);
        ASSERT_NE(action, nullptr) << command.id;
        EXPECT_TRUE(action->isEnabled()) << command.id;
        action->trigger();
    }
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(watcher.Texts().size(), 1u);
}

TEST(HostStartup, MissingEntryPointsAreSkippedAndTheOthersWork)
{
    ProgramFolder folder(FAKE_MODULE_PARTIAL);
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    const FakeModule module(folder.ModulePath());
    CMainFrame& frame = app.MainFrame();

    const std::string root = folder.Root().toStdString();
    EXPECT_EQ(module.Calls(), (Calls{"SetWindow", "SetRoot(" + root + ")", "SetCountry(UN)", "CodeInit"}));

    // Without GetToolMessage nothing is ever greyed.
    frame.resize(frame.size() + QSize(40, 40));
    EXPECT_FALSE(RunUntil([&] { return !FindAction(frame, JIG_SHOW)->isEnabled(); }, 100));
    FindAction(frame, JIG_SHOW)->trigger();
    EXPECT_EQ(module.LastCall(), "ShowJigTest");
}

TEST(HostStartup, ModuleNumbersNameTheFileInLowerCaseHex)
{
    ProgramFolder folder;
    folder.AddModule(FAKE_MODULE, "Tessel02.so");
    ModalWatcher watcher;
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    CCorvidView& view = app.MainFrame().View();

    view.LoadModule(0);  // no module is number 0 already
    view.LoadModule(0x1a);
    view.LoadModule(200);  // out of range means module 1
    EXPECT_EQ(watcher.Texts(), (std::vector<QString>{"DLL Tessel01.so not found", "DLL Tessel1a.so not found",
                                                     "DLL Tessel01.so not found"}));

    view.LoadModule(2);
    const FakeModule second(folder.ModulePath("Tessel02.so"));
    EXPECT_EQ(Prefix(second.Calls(), 1), Calls{"SetWindow"});
    EXPECT_EQ(view.ModuleNumber(), 2);
}

TEST(HostStartup, SwitchingModulesExitsTheOldOneAndAFailedLoadLeavesNothingCallable)
{
    ProgramFolder folder(FAKE_MODULE);
    folder.AddModule(FAKE_MODULE, "Tessel02.so");
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    CCorvidView& view = app.MainFrame().View();
    const FakeModule first(folder.ModulePath());
    const FakeModule second(folder.ModulePath("Tessel02.so"));

    view.LoadModule(1);
    EXPECT_EQ(first.Count("SetWindow"), 1u);

    view.LoadModule(2);
    EXPECT_EQ(first.LastCall(), "CodeExit");
    EXPECT_EQ(second.Count("CodeInit"), 1u);

    ModalWatcher watcher;
    view.LoadModule(3);
    EXPECT_EQ(watcher.Texts(), std::vector<QString>{"DLL Tessel03.so not found"});
    EXPECT_EQ(second.LastCall(), "CodeExit");
    EXPECT_EQ(view.ModuleNumber(), 0);

    // Module 2 has been freed: none of its entry points may be reached.
    FindAction(app.MainFrame(), FILE_OPEN_HEX)->trigger();
    app.MainFrame().resize(app.MainFrame().size() + QSize(30, 30));
    EXPECT_FALSE(RunUntil([&] { return second.Calls(true).back() != "CodeExit"; }, 200));
}

}  // namespace
}  // namespace veltra::testing
