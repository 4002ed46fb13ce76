#pragma once

#include <QPixmap>
#include <QTreeWidget>

#include <string>
#include <vector>

namespace veltra {

// Images of the port list's status column.
namespace port_image {
constexpr int kOpen = 0;
constexpr int kClosed = 1;
constexpr int kInitialEraseDone = 3;
constexpr int kUnplugged = 5;
}  // namespace port_image

// The sheet's list of serial ports: a check box, the port name and a status
// picture per row.
class PortList : public QTreeWidget {
    Q_OBJECT

public:
    explicit PortList(QWidget* parent = nullptr);

    void SetHeadings(const QString& check, const QString& port, const QString& status);
    void AddPort(const std::string& name);
    int PortCount() const { return topLevelItemCount(); }
    std::string PortName(int row) const;
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    int Image(int row) const;
    // The row's picture and the word beside it: why a port would not open,
    // that its adapter is gone, or a warning about it.
    void SetImage(int row, int image, const QString& text = {});
    QString StatusText(int row) const;
    // What the row is called and, on its tooltip, what adapter it has.
    void SetRow(int row, const std::string& label, const std::string& adapter);
    // How wide the list would like to be to show every name and status whole.
    int WantedWidth() const;

private:
    // The name and status columns grow with what they show, never below
    // their first widths.
    void FitColumns();

    std::vector<QPixmap> images_;
};

}  // namespace veltra
