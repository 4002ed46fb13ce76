#include "TestOptionsDialog.h"

#include "CaptionSet.h"
#include "DialogUnits.h"
#include "Settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace veltra {

namespace {

constexpr std::array<const char*, TestOptionsDialog::kItems> kItemNames = {
    "Port Test", "AD Ch1. Zero", "AD Ch1. Span", "AD Ch2. Zero",
    "AD Ch2. Span", "Temp. Sensor", "RTC", "EEP ROM",
};
constexpr int kFirstBoxId = 4036;

}  // namespace

TestOptionsDialog::TestOptionsDialog(QWidget* parent)
    : QDialog(parent),
      prompt_(new QLabel(QStringLiteral("Seclet the Test items..."), this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("4024"));
    setWindowTitle(QStringLiteral("Module Test Options"));
    prompt_->setObjectName(QStringLiteral("4044"));
    ok_->setObjectName(QStringLiteral("1"));
    cancel_->setObjectName(QStringLiteral("2"));

    const DialogUnits units(*this);
    setFixedSize(units.Size(123, 172));
    prompt_->setGeometry(units.Rect(7, 7, 109, 10));
    for (int i = 0; i < kItems; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(kItemNames[static_cast<size_t>(i)]), this);
        box->setObjectName(QString::number(kFirstBoxId + i));
        box->setGeometry(units.Rect(14, 22 + 15 * i, 102, 10));
        boxes_[static_cast<size_t>(i)] = box;
    }
    ok_->setGeometry(units.Rect(7, 151, 50, 14));
    cancel_->setGeometry(units.Rect(66, 151, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &TestOptionsDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &TestOptionsDialog::reject);
}

void TestOptionsDialog::SetRootDirectory(std::string root)
{
    rootDirectory_ = std::move(root);
}

void TestOptionsDialog::SetCountryCode(std::string country)
{
    countryCode_ = std::move(country);
}

void TestOptionsDialog::SetItemCount(int count)
{
    itemCount_ = count;
}

void TestOptionsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    const CaptionSet captions = CaptionSet::ForCountry(rootDirectory_, countryCode_, CaptionReader::TestOptions);
    const auto text = [&captions](const char* key) {
        return QString::fromStdString(captions.Text("COMM_STATUS", key));
    };
    setWindowTitle(text("STATUS_TITLE5"));
    prompt_->setText(text("STATUS_MSG9"));
    ok_->setText(text("BTN_OK"));
    cancel_->setText(text("BTN_CANCEL"));

    const std::array<bool, kItems> selected = ReadItemSetting(rootDirectory_);
    for (size_t i = 0; i < boxes_.size(); ++i)
        boxes_[i]->setChecked(selected[i]);
    // Focus left on a button by the last showing would make that button take Enter.
    boxes_[0]->setFocus();
}

void TestOptionsDialog::accept()
{
    if (itemCount_ <= 0)
        return;
    std::array<bool, kItems> selected{};
    for (size_t i = 0; i < boxes_.size(); ++i) {
        selected[i] = boxes_[i]->isChecked();
        items_[i] = selected[i] ? 1 : 0;
    }
    // A settings file that cannot be written still leaves the choice with the
    // test that follows; only the next opening misses it.
    std::string error;
    WriteItemSetting(rootDirectory_, selected, error);
    QDialog::accept();
}

}  // namespace veltra
