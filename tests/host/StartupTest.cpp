#include "HostHarness.h"

#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace veltra::testing {
namespace {

using Calls = std::vector<std::string>;

QStringList MenuTexts(const QMenu& menu)
{
    QStringList texts{menu.title()};
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// The module is started in order with its view, root and country; a module
// without some entry points has them skipped. That nothing is greyed without
// GetToolMessage is the missing module's case below, which binds none.
TEST(HostStartup, StartsTheModuleInOrderAndSkipsMissingEntryPoints)
{
    for (const bool partial : {false, true}) {
        ProgramFolder folder(partial ? FAKE_MODULE_PARTIAL : FAKE_MODULE);
        folder.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=KR\n");
        CCorvidApp app(folder.Root());
        ASSERT_TRUE(app.InitInstance());
        const FakeModule module(folder.File("Tessel01.so"));
        Calls expected{"SetWindow", "SetRoot(" + folder.Root().toStdString() + ")", "SetCountry(KR)", "CodeInit", "CodeSize"};
        if (partial)
            expected.pop_back();
        EXPECT_EQ(module.Calls(), expected);
        EXPECT_EQ(module.Get<void*>("fakeHostView"), static_cast<void*>(static_cast<QWidget*>(&app.MainFrame().View())));
        EXPECT_TRUE(app.MainFrame().isVisible());
        EXPECT_EQ(app.MainFrame().windowTitle(), QStringLiteral("Veltra Downloader"));
        EXPECT_FALSE(app.MainFrame().windowIcon().isNull());
    }
}

// Without caption files the menus are in English; with them, what a file
// leaves out stays English, and a translated shortcut text keeps its key.
TEST(HostStartup, MenuTextsComeFromTheCountrysCaptionFile)
{
    ProgramFolder english(FAKE_MODULE);
    CCorvidApp englishApp(english.Root());
    ASSERT_TRUE(englishApp.InitInstance());
    const CMainFrame& frame = englishApp.MainFrame();
    const std::vector<QStringList> menus = {
        {"File(&F)", "Open HEX File(&O)\tCtrl+O", "Open Parameter File(&P)\tCtrl+P", "-", "Exit(&x)"},
        {"Rom(&R)", "Download ROM(&D)"},
        {"Parameter(&P)", "Upload Parameter(Scale to PC)(&U)", "Download Paramter(PC to Scale)(&D)"},
        {"Mode(&M)", "ROM Down Mode(&R)", "Parameter Up/Down Mode(&P)"},
        {"Help(&H)", "About Veltra Downloader(&A)..."}};
    ASSERT_EQ(frame.menuBar()->actions().size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(MenuTexts(*frame.menuBar()->actions()[i]->menu()), menus[static_cast<size_t>(i)]);
    // Relabelling clears the check mark the shipped menu gives ROM mode.
    EXPECT_FALSE(FindAction(frame, MODE_ROM)->isChecked() || FindAction(frame, MODE_PARAM)->isChecked());

    ProgramFolder folder(FAKE_MODULE);
    folder.Write("config/VTDown.ini", "[STARTUP]\nCOUNTRY=DE\n");
    folder.Write("config/DE/main_DE.cap", "[MAIN_MENU]\nMENU_FILE=Datei(&D)\n"
                                          "[MENU_FILE]\nFILE_OPEN_HEX=Datei öffnen\\tStrg+O\nFILE_EXIT=\n");
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    const FakeModule module(folder.File("Tessel01.so"));
    EXPECT_EQ(MenuTexts(*app.MainFrame().findChild<QMenu*>("MENU_FILE")),
              (QStringList{"Datei(&D)", "Datei öffnen\tStrg+O", "Open Parameter File(&P)\tCtrl+P", "-", ""}));
    ASSERT_TRUE(PressControl(app.MainFrame(), Qt::Key_O));
    EXPECT_EQ(module.LastCall(), "LoadHexFile");
}

// A module that is not there is reported by the file name tried, and leaves
// every command enabled and harmless; switching modules exits the old one,
// and once a load has failed nothing of the freed module can be reached.
TEST(HostStartup, ModulesAreLoadedByNumberAndFailedLoadsLeaveNothingCallable)
{
    ProgramFolder folder;
    folder.AddModule(FAKE_MODULE, "Tessel02.so");
    ModalWatcher watcher;
    CCorvidApp app(folder.Root());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = app.MainFrame();
    CCorvidView& view = frame.View();
    EXPECT_TRUE(view.findChildren<QWidget*>().isEmpty());
    EXPECT_TRUE(RunUntil([&] { return FindAction(frame, JIG_TEST)->isEnabled(); }));
    for (const Command& command : AllCommands()) {
        if (command.action != CommandAction::Exit && command.action != CommandAction::About) {
            EXPECT_TRUE(FindAction(frame, command.id)->isEnabled()) << command.id;
            FindAction(frame, command.id)->trigger();
        }
    }
    view.LoadModule(0x1a);
    view.LoadModule(200);  // out of range means module 1
    EXPECT_EQ(watcher.texts, (std::vector<QString>{"DLL Tessel01.so not found", "DLL Tessel1a.so not found",
                                                   "DLL Tessel01.so not found"}));

    folder.AddModule(FAKE_MODULE, "Tessel01.so");
    const FakeModule first(folder.File("Tessel01.so"));
    const FakeModule second(folder.File("Tessel02.so"));
    view.LoadModule(1);
    view.LoadModule(2);
    EXPECT_EQ(first.LastCall(), "CodeExit");
    EXPECT_EQ(second.Calls().front(), "SetWindow");
    EXPECT_EQ(view.ModuleNumber(), 2);
    view.LoadModule(3);
    EXPECT_EQ(watcher.texts.back(), "DLL Tessel03.so not found");
    EXPECT_EQ(view.ModuleNumber(), 0);
    EXPECT_EQ(second.LastCall(), "CodeExit");
    FindAction(frame, FILE_OPEN_HEX)->trigger();
    frame.resize(frame.size() + QSize(30, 30));
    const int queries = second.Get<int>("fakeToolQueries");
    EXPECT_FALSE(RunUntil([&] { return second.LastCall() != "CodeExit" || second.Get<int>("fakeToolQueries") != queries; }, 200));
}

}  // namespace
}  // namespace veltra::testing
