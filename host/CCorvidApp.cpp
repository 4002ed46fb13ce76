#include "CCorvidApp.h"

#include "CCorvidView.h"
#include "CMainFrame.h"
#include "StatusTextEvent.h"
#include "ToolbarArt.h"

#include <QScreen>

namespace veltra {

CCorvidApp::CCorvidApp(QString programFolder)
{
    settings_.root = std::move(programFolder);
}

CCorvidApp::~CCorvidApp() = default;

bool CCorvidApp::InitInstance()
{
    StatusTextEvent::Reserve();

    frame_ = std::make_unique<CMainFrame>(settings_);
    if (const QScreen* screen = frame_->screen()) {
        QRect frameRect = frame_->frameGeometry();
        frameRect.moveCenter(screen->availableGeometry().center());
        frame_->move(frameRect.topLeft());
    }
    frame_->show();

    // The module reads its own settings and captions below the root in the
    // country's language, so both are settled before it loads.
    settings_.country = frame_->GetCountryCode();
    frame_->LoadMenuTexts();
    frame_->View().LoadModule(1);

    frame_->setWindowIcon(ProgramIcon());
    frame_->setWindowTitle(QStringLiteral("Veltra Downloader"));
    frame_->ApplyMenuTexts();
    return true;
}

}  // namespace veltra
