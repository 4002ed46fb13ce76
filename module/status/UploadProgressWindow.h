#pragma once

#include "CaptionSet.h"
#include "OperationDialog.h"

#include <optional>

class QProgressBar;
class QPushButton;

namespace veltra {

// The modal window of a parameter upload: one bar counting the parameter rows
// read from the single selected module, a button to stop, and a close of its
// own when the upload is complete.
class UploadProgressWindow : public OperationDialog {
    Q_OBJECT
public:
    explicit UploadProgressWindow(QWidget* parent = nullptr);

    // The ticked parameter rows: the top of the progress range.
    void SetRowCount(int rows);

    void RunOver(const StatusNotice& notice, int value) override;
    void CloseWithOk();

protected:
    void Prepare() override;
    void Opened() override;

private:
    QString Caption(const char* key) const;
    void ShowPosition(int position);

    QProgressBar* bar_;
    QPushButton* ok_;
    QPushButton* button_;
    int rowCount_ = 0;
    int total_ = 0;
    std::optional<CaptionSet> captions_;
};

}  // namespace veltra
