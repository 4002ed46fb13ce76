#pragma once

#include "CCorvidApp.h"
#include "CCorvidView.h"
#include "CMainFrame.h"
#include "EventLoop.h"
#include "Operator.h"
#include "TempDir.h"

#include <QAction>
#include <QTest>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace veltra::testing {

// A program folder of its own, with copies of modules built for the tests.
struct ProgramFolder : TempDir {
    explicit ProgramFolder(const char* module = nullptr)
    {
        if (module != nullptr)
            AddModule(module, "Tessel01.so");
    }
    void AddModule(const char* source, const std::string& name) const { std::filesystem::copy_file(source, File(name)); }
    QString Root() const { return QString::fromStdString(Path().string()); }
};

// The test's look into a fake module the host has loaded; a handle of its own
// keeps the module mapped after the host frees it.
class FakeModule {
public:
    explicit FakeModule(const std::string& path) : handle_(dlopen(path.c_str(), RTLD_NOW)) {}
    ~FakeModule() { dlclose(handle_); }
    FakeModule(const FakeModule&) = delete;
    FakeModule& operator=(const FakeModule&) = delete;

    template <class T>
    T& Get(const char* name) const
    {
        return *static_cast<T*>(dlsym(handle_, name));
    }
    // Every call in order but the host's idle GetToolMessage queries, which are only counted.
    const std::vector<std::string>& Calls() const { return Get<std::vector<std::string>>("fakeCalls"); }
    std::string LastCall() const { return Calls().empty() ? std::string() : Calls().back(); }
    std::size_t Count(const std::string& call) const { return static_cast<std::size_t>(std::ranges::count(Calls(), call)); }
    std::array<int32_t, 40>& ToolStates() const { return Get<std::array<int32_t, 40>>("fakeToolStates"); }

private:
    void* handle_;
};

inline QAction* FindAction(const CMainFrame& frame, int id)
{
    return frame.findChild<QAction*>(QString::number(id));
}

// Ctrl+key as the operator types it: shortcuts reach only the active window.
inline bool PressControl(CMainFrame& frame, Qt::Key key)
{
    frame.activateWindow();
    if (!RunUntil([&] { return QApplication::activeWindow() == &frame; }))
        return false;
    QTest::keyClick(&frame, key, Qt::ControlModifier);
    return true;
}

}  // namespace veltra::testing
