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
    // Sets the picture of the first row named `name` and clears its reason.
    void SetImage(const std::string& name, int image);
    // The picture with a word on why, for a port that would not open.
    void SetImageWithReason(const std::string& name, int image, const std::string& reason);
    QString StatusText(int row) const;

private:
    int RowOf(const std::string& name) const;

    std::vector<QPixmap> images_;
};

}  // namespace veltra
