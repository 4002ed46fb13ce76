#include "SheetRunObserver.h"

#include "CFlashkitSheet.h"
#include "ParameterList.h"

namespace veltra {

void SheetRunObserver::Notice(const StatusNotice& notice, int range, const std::string& portName)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->Notice(notice, range, portName);
}

void SheetRunObserver::ShowPortError(const std::string& portName, const std::string& text)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->ShowPortError(portName, text);
}

void SheetRunObserver::ShowMessage(const std::string& caption, const std::string& text)
{
    sheet_.ShowMessage(QString::fromStdString(caption), QString::fromStdString(text));
}

void SheetRunObserver::EnableDisconnect()
{
    sheet_.Controls().disconnect->setEnabled(true);
}

void SheetRunObserver::SetRowResult(int row, int kind, const std::string& text)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->SetRowResult(row, kind, text);
}

void SheetRunObserver::RunOver(const StatusNotice& notice, int value)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->RunOver(notice, value);
}

void SheetRunObserver::PortOver(int port, int value)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->PortOver(port, value);
}

void SheetRunObserver::RecordReadMovesTo(int port, const std::string& portName)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->RecordReadMovesTo(port, portName);
}

void SheetRunObserver::RecordComplete(int port, const std::array<uint8_t, 4>& record)
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->RecordComplete(port, record);
}

void SheetRunObserver::ParameterRowChanged(int row)
{
    sheet_.Controls().parameterList->ShowRow(row);
}

}  // namespace veltra

namespace veltra {

void SheetRunObserver::RunEnded()
{
    if (OperationWindow* window = sheet_.CurrentOperationWindow())
        window->RunEnded();
}

}  // namespace veltra
