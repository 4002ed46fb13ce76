#pragma once

#include "CaptionSet.h"
#include "OperationDialog.h"

#include <QTimer>

#include <optional>
#include <string>
#include <vector>

class QPushButton;

namespace veltra {

class ProgressListCtrl;

// The modal window of a multi-port run (ROM download, parameter download,
// module test): one row with a progress bar and a step or result text per
// port, and one button that cancels, stops or closes.
class StatusWindow : public OperationDialog {
    Q_OBJECT
public:
    explicit StatusWindow(QWidget* parent = nullptr);

    void ClearPortRows();
    void AddPortRow(const std::string& portName);

    void Notice(const StatusNotice& notice, int range, const std::string& portName) override;
    void ShowPortError(const std::string& portName, const std::string& text) override;
    void SetRowText(const std::string& text, int row) override;
    void SetRowResult(int row, int kind, const std::string& text) override;
    void CloseWithOk();

    ProgressListCtrl* List() const { return list_; }

protected:
    void Prepare() override;
    void Opened() override;

private:
    struct PortRow {
        std::string name;
        int count = 0;
        int maximum = 100;  // of the phase the port is in
        int listRow = -1;   // its row of the list, once the window has shown
        bool barBehind = false;  // the bar does not show `count` yet
    };

    QString Caption(const char* key) const;
    QString StepText(int letter) const;
    PortRow* RowNamed(const std::string& portName);
    void ShowCount(PortRow& row);
    void ShowBar(PortRow& row);
    void CatchUpBars();
    void MarkFinished(const std::string& portName, const QString& text);
    void PortFinished(const StatusNotice& notice, const std::string& portName);

    ProgressListCtrl* list_;
    QPushButton* ok_;
    QPushButton* button_;
    std::vector<PortRow> portRows_;
    QTimer barPace_;
    std::optional<CaptionSet> captions_;
};

}  // namespace veltra
