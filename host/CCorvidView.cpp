#include "CCorvidView.h"

#include "DialogUnits.h"
#include "StatusTextEvent.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

namespace veltra {

CCorvidView::CCorvidView(const HostSettings& settings, StatusSink statusSink, QWidget* parent)
    : QWidget(parent), settings_(settings), statusSink_(std::move(statusSink))
{
    setObjectName(QStringLiteral("101"));
}

QSize CCorvidView::sizeHint() const
{
    return DialogUnitsToPixels(QSize(454, 291), font());
}

void CCorvidView::LoadModule(int number)
{
    QWidget* mainWindow = window();
    if (number == moduleNumber_) {
        return;
    }
    number = ValidModuleNumber(number);
    const QString fileName = ModuleFileName(number);

    if (moduleNumber_ >= 1) {
        if (entry_.codeExit != nullptr) {
            entry_.codeExit();
        }
        library_.unload();
    }
    // Whatever was bound belongs to the library just freed; a failed load
    // must not leave those addresses callable.
    entry_ = EntryPoints{};

    moduleNumber_ = number;
    library_.setFileName(QDir(settings_.root).filePath(fileName));
    if (!library_.load()) {
        moduleNumber_ = 0;
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Corvid"), QStringLiteral("DLL %1 not found").arg(fileName),
                        QMessageBox::Ok, mainWindow);
        box.exec();
        return;
    }

    entry_ = BindEntryPoints(library_);
    if (entry_.setWindow != nullptr) {
        entry_.setWindow(static_cast<QWidget*>(this));
    }
    if (entry_.setRoot != nullptr) {
        entry_.setRoot(QFile::encodeName(settings_.root).constData());
    }
    if (entry_.setCountry != nullptr) {
        const std::string country = settings_.country;
        entry_.setCountry(country.c_str());
    }
    if (entry_.codeInit != nullptr) {
        entry_.codeInit();
    }
    if (entry_.codeSize != nullptr) {
        entry_.codeSize();
    }
    mainWindow->update();
}

bool CCorvidView::IsCommandEnabled(const Command& command) const
{
    if (command.toolState == AlwaysEnabled || entry_.getToolMessage == nullptr) {
        return true;
    }
    return entry_.getToolMessage(command.toolState) != 0;
}

void CCorvidView::RunModuleCommand(CommandAction action)
{
    const auto call = [](auto entry) {
        if (entry != nullptr) {
            entry();
        }
    };
    switch (action) {
    case CommandAction::LoadHexFile: call(entry_.loadHexFile); break;
    case CommandAction::LoadParaFile: call(entry_.loadParaFile); break;
    case CommandAction::CodeRomDown: call(entry_.codeRomDown); break;
    case CommandAction::Upload: call(entry_.upload); break;
    case CommandAction::Download: call(entry_.download); break;
    case CommandAction::InitParamData: call(entry_.initParamData); break;
    case CommandAction::SaveParaData: call(entry_.saveParaData); break;
    case CommandAction::Refresh: call(entry_.refresh); break;
    case CommandAction::JigTest: call(entry_.jigTest); break;
    case CommandAction::ShowJigTest: call(entry_.showJigTest); break;
    case CommandAction::ModeRom:
    case CommandAction::ModeParam:
    case CommandAction::Exit:
    case CommandAction::About: break;
    }
}

void CCorvidView::CodeRomMode(int checkedFlag)
{
    if (entry_.codeRomMode != nullptr) {
        entry_.codeRomMode(checkedFlag);
    }
}

void CCorvidView::CodeParamMode(int checkedFlag)
{
    if (entry_.codeParamMode != nullptr) {
        entry_.codeParamMode(checkedFlag);
    }
}

bool CCorvidView::event(QEvent* event)
{
    if (event->type() != StatusTextEvent::TypeId) {
        return QWidget::event(event);
    }
    const auto* status = static_cast<StatusTextEvent*>(event);
    const char* text = status->Text();
    const bool shown = statusSink_(status->Pane(), QString::fromUtf8(text != nullptr ? text : ""));
    event->setAccepted(shown);
    return true;
}

void CCorvidView::resizeEvent(QResizeEvent* event)
{
    if (moduleNumber_ != 0 && entry_.codeSize != nullptr) {
        entry_.codeSize();
    }
    QWidget::resizeEvent(event);
}

}  // namespace veltra
