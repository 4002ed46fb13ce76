#pragma once

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace veltra {

// Lets the user choose which of the eight test items the module test runs,
// and remembers the choice in the settings file.
class TestOptionsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kItems = 8;

    explicit TestOptionsDialog(QWidget* parent = nullptr);

    void SetRootDirectory(std::string root);
    void SetCountryCode(std::string country);
    // OK does nothing until the owner has given a positive item count.
    void SetItemCount(int count);

    // The states chosen with OK, in item order, 0 or 1 each.
    std::array<int, kItems> Items() const { return items_; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::array<QCheckBox*, kItems> boxes_{};
    QLabel* prompt_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::string rootDirectory_;
    std::string countryCode_;
    int itemCount_ = 0;
    std::array<int, kItems> items_{};
};

}  // namespace veltra
