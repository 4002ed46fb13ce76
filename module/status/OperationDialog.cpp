#include "OperationDialog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace veltra {

OperationDialog::OperationDialog(QWidget* parent) : QDialog(parent) {}

void OperationDialog::SetOwner(OperationOwner* owner)
{
    owner_ = owner;
}

void OperationDialog::SetRootDirectory(std::string root)
{
    rootDirectory_ = std::move(root);
}

void OperationDialog::SetCountryCode(std::string country)
{
    countryCode_ = std::move(country);
}

void OperationDialog::SetOperation(int type, int letter)
{
    operationType_ = type;
    commandLetter_ = letter;
}

void OperationDialog::RunEnded()
{
    running_ = false;
    // Progress disables OK, and one port's last progress may come after
    // another port has finished: once no port runs, none can come any more.
    if (hiddenOk_ != nullptr)
        hiddenOk_->setEnabled(true);
}

void OperationDialog::Request(int type, int value)
{
    if (type == request::kStartRead || type == request::kStartRun)
        running_ = true;
    if (owner_ != nullptr)
        owner_->OnOperationRequest(type, value);
}

void OperationDialog::Register(int type)
{
    if (owner_ != nullptr)
        owner_->RegisterOperationWindow(type, this);
}

void OperationDialog::UseEndingButton(QPushButton* button, QPushButton* ok)
{
    endsOnReject_ = true;
    hiddenOk_ = ok;
    // Neither button may take Enter for itself: Enter belongs to the hidden OK.
    button->setAutoDefault(false);
    ok->setAutoDefault(false);
    ok->hide();
    connect(button, &QPushButton::clicked, this, &OperationDialog::reject);
}

void OperationDialog::reject()
{
    if (endsOnReject_)
        Request(request::kEnd, 0);
    QDialog::reject();
}

void OperationDialog::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (running_ && (enter || event->key() == Qt::Key_Escape))
        return;
    if (enter && hiddenOk_ != nullptr) {
        if (hiddenOk_->isEnabled())
            accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void OperationDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    const int showing = ++showing_;
    running_ = false;
    Prepare();
    QTimer::singleShot(0, this, [this, showing] {
        if (showing == showing_ && isVisible())
            Opened();
    });
}

}  // namespace veltra
