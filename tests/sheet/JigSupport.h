#pragma once

#include "SheetHarness.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>

#include <initializer_list>
#include <string>
#include <vector>

namespace veltra::testing {

// Bytes as they go over the line, written out one by one.
inline std::string Frame(std::initializer_list<int> bytes)
{
    std::string frame;
    for (const int byte : bytes)
        frame.push_back(static_cast<char>(byte));
    return frame;
}

// The visible top-level window with this template number, if any.
inline QWidget* VisibleWindow(const char* objectName)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->objectName() == QLatin1String(objectName))
            return widget;
    }
    return nullptr;
}

// Answers the test options dialog whenever it shows: notes the boxes as the
// dialog opened them ("10110001"), ticks `wanted` when it is given, and presses
// OK or Cancel.
class OptionsAnswer {
public:
    OptionsAnswer(std::string wanted, bool ok) : wanted_(std::move(wanted)), ok_(ok)
    {
        App();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    void Set(std::string wanted, bool ok)
    {
        wanted_ = std::move(wanted);
        ok_ = ok;
    }
    const std::vector<std::string>& Shown() const { return shown_; }

private:
    void Poll()
    {
        QWidget* dialog = VisibleWindow("4024");
        if (!dialog)
            return;
        std::string states;
        for (int i = 0; i < 8; ++i) {
            auto* box = dialog->findChild<QCheckBox*>(QString::number(4036 + i));
            states += box && box->isChecked() ? '1' : '0';
            if (box && i < static_cast<int>(wanted_.size()))
                box->setChecked(wanted_[static_cast<size_t>(i)] == '1');
        }
        shown_.push_back(states);
        dialog->findChild<QAbstractButton*>(QLatin1String(ok_ ? "1" : "2"))->click();
    }

    QTimer timer_;
    std::string wanted_;
    bool ok_;
    std::vector<std::string> shown_;
};

// Presses a window's button once the window shows and `ready` holds, as the
// user would; counts the presses.
class PressWhen {
public:
    PressWhen(const char* window, const char* button, std::function<bool()> ready)
        : window_(window), button_(button), ready_(std::move(ready))
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* shown = VisibleWindow(window_);
            if (!shown || !ready_())
                return;
            ++presses_;
            shown->findChild<QAbstractButton*>(QLatin1String(button_))->click();
        });
        timer_.start();
    }
    int Presses() const { return presses_; }

private:
    QTimer timer_;
    const char* window_;
    const char* button_;
    std::function<bool()> ready_;
    int presses_ = 0;
};

}  // namespace veltra::testing
