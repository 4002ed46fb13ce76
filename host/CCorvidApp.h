#pragma once

#include "HostSettings.h"

#include <QString>

#include <memory>

namespace veltra {

class CMainFrame;

// Start-up of the program: decides the root folder and the country, shows
// the main window and loads code module 1 into it. The QApplication itself
// must exist before this object is made.
class CCorvidApp {
public:
    explicit CCorvidApp(QString programFolder);
    ~CCorvidApp();
    CCorvidApp(const CCorvidApp&) = delete;
    CCorvidApp& operator=(const CCorvidApp&) = delete;

    bool InitInstance();

    CMainFrame& MainFrame() const { return *frame_; }
    const HostSettings& Settings() const { return settings_; }

private:
    HostSettings settings_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace veltra
