#pragma once

#include "OperationDialog.h"

#include <array>
#include <cstdint>
#include <string>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace veltra {

// The test record log: reads the record that the module test left in every
// ticked module and shows it as one row per module, PASS or FAIL per item.
class ModuleTestWindow : public OperationDialog {
    Q_OBJECT
public:
    explicit ModuleTestWindow(QWidget* parent = nullptr);

    // The ports of the sheet's list: the range of the progress bar.
    void SetPortCount(int count);

    void RecordReadMovesTo(int port, const std::string& portName) override;
    void RecordComplete(int port, const std::array<uint8_t, 4>& record) override;
    void PortOver(int port, int value) override;
    void RunOver(const StatusNotice& notice, int value) override;
    void CloseWithOk();

    QTableWidget* List() const { return list_; }
    QProgressBar* Progress() const { return bar_; }

protected:
    void Prepare() override;
    void Opened() override;

private:
    void SetCell(int column, const QString& text);

    QTableWidget* list_;
    QProgressBar* bar_;
    QPushButton* ok_;
    int portCount_ = 0;
    int rowIndex_ = -1;
};

}  // namespace veltra
