#pragma once

#include "RunObserver.h"

#include <QDialog>

#include <string>

class QPushButton;

namespace veltra {

// The sheet as its operation windows see it.
class OperationOwner {
public:
    virtual ~OperationOwner() = default;
    // 10 or 11: `window` has opened and the run reports to it from now on.
    virtual void RegisterOperationWindow(int type, RunObserver* window) = 0;
    // 0 or 1 with the command letter: start the run; 9: the window was closed
    // with its button.
    virtual void OnOperationRequest(int type, int value) = 0;
};

// What every operation window shares: the owner it reports to, where its
// caption file lies, the operation it asks the owner to start, and an opening
// that waits for the dialog's own event loop. The owner may answer the start
// request by running the whole operation at once, and a window that closes
// itself before its loop runs would leave exec() waiting for ever.
class OperationDialog : public QDialog, public RunObserver {
    Q_OBJECT
public:
    explicit OperationDialog(QWidget* parent = nullptr);

    void SetOwner(OperationOwner* owner);
    void SetRootDirectory(std::string root);
    void SetCountryCode(std::string country);
    void SetOperation(int type, int letter);

    int OperationType() const { return operationType_; }
    int CommandLetter() const { return commandLetter_; }

    void RunEnded() override;

protected:
    // Runs once per showing, before the dialog is on screen: texts and controls.
    virtual void Prepare() = 0;
    // Runs once per showing inside the dialog's event loop: the requests.
    virtual void Opened() = 0;

    void Request(int type, int value);
    void Register(int type);

    // The window's visible button ends the operation at any time: it tells the
    // owner (9, 0) and closes with the cancel result. Once the run has ended,
    // Escape does the same, and Enter acts on the hidden `ok`: it closes with
    // the OK result, telling the owner nothing, but only while `ok` is enabled,
    // as the run's end leaves it. While the run goes on, both keys are ignored.
    void UseEndingButton(QPushButton* button, QPushButton* ok);

    const std::string& RootDirectory() const { return rootDirectory_; }
    const std::string& CountryCode() const { return countryCode_; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

public slots:
    void reject() override;

private:
    OperationOwner* owner_ = nullptr;
    std::string rootDirectory_;
    std::string countryCode_;
    int operationType_ = 0;
    int commandLetter_ = 0;
    QPushButton* hiddenOk_ = nullptr;
    bool endsOnReject_ = false;
    int showing_ = 0;  // counts showings, so a late opening of an earlier one is dropped
    // From the request to start until every port has ended: Enter and Escape
    // must not close the window, and so leave the run going unseen.
    bool running_ = false;
};

}  // namespace veltra
