#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

// What the operator does with the dialogs the tool opens, for the tests and
// the benchmarks that drive the real sheet. Dialogs open inside the tool's own
// modal loops, so whatever answers them is polled from inside those loops.
namespace veltra::testing {

// The test options dialog, by its template number.
inline constexpr const char* kOptionsDialog = "4024";

class Poller {
public:
    Poller(std::function<void()> poll, int intervalMs) : poll_(std::move(poll))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll_(); });
        timer_.start(intervalMs);
    }

private:
    QTimer timer_;
    std::function<void()> poll_;
};

// Answers the modal dialogs that open while it lives: hands each to `handle`,
// which must close it, or else accepts it; keeps the texts of message boxes.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QDialog&)> handle = {})
        : handle_(std::move(handle)), poller_([this] { Poll(); }, 1)
    {
    }
    std::vector<QString> texts;

private:
    void Poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == last_)
            return;
        last_ = dialog;
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            texts.push_back(box->text());
        handle_ ? handle_(*dialog) : dialog->accept();
    }

    std::function<void(QDialog&)> handle_;
    QPointer<QDialog> last_;
    Poller poller_;  // last: it polls only once the rest is made, and stops first
};

// Presses the box's first button whose role is `answer`, or its first button;
// returns what the box said, as "title: text".
inline std::string AnswerMessageBox(QMessageBox& box, QMessageBox::StandardButton answer)
{
    const std::string said = box.windowTitle().toStdString() + ": " + box.text().toStdString();
    QAbstractButton* button = box.button(answer);
    if (button == nullptr && !box.buttons().isEmpty())
        button = box.buttons().front();
    if (button != nullptr)
        button->click();
    return said;
}

// Types `path` into the name box, as the operator would: the dialog does not
// let selectFile() overwrite a box that has the focus. The dialog's own check
// on accepting waits for a folder listing that may come late on a loaded
// machine, so once it holds the file it is closed as accepted; until then the
// next poll tries again.
inline void AnswerFileDialog(QFileDialog& dialog, const std::string& path)
{
    const QString file = QString::fromStdString(path);
    if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(file);
    dialog.selectFile(file);
    if (dialog.selectedFiles() == QStringList{file})
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);
}

// Ticks the test items in `items` ("10100001", item 1 first; shorter leaves
// the rest as they are) and presses OK or Cancel. Returns the boxes as the
// dialog opened them, in the same form.
inline std::string AnswerTestOptions(QWidget& dialog, const std::string& items, bool ok)
{
    std::string shown;
    // The item boxes are 4036 to 4043, item 1 first.
    for (int item = 0; item < 8; ++item) {
        auto* box = dialog.findChild<QCheckBox*>(QString::number(4036 + item));
        shown += box != nullptr && box->isChecked() ? '1' : '0';
        if (box != nullptr && item < static_cast<int>(items.size()))
            box->setChecked(items[static_cast<size_t>(item)] == '1');
    }
    if (auto* button = dialog.findChild<QAbstractButton*>(QLatin1String(ok ? "1" : "2")))
        button->click();
    return shown;
}

// Calls `each` for every top-level widget that shows now.
inline void ForEachShown(const std::function<void(QWidget&)>& each)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            each(*widget);
    }
}

}  // namespace veltra::testing
