#pragma once

#include <QDialog>

namespace veltra {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent);
};

}  // namespace veltra
