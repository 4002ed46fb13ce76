#include "ModuleTestWindow.h"

#include "DialogUnits.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace veltra {

namespace {

constexpr std::array<std::pair<const char*, int>, 11> kColumns = {{
    {"#", 70},
    {"Date", 100},
    {"HEX", 50},
    {"Port", 50},
    {"AD1 Zero", 80},
    {"AD1 Span", 80},
    {"AD2 Zero", 80},
    {"AD2 Span", 80},
    {"Temp.", 70},
    {"RTC", 70},
    {"EEPROM", 80},
}};
constexpr int kDateColumn = 1;
constexpr int kHexColumn = 2;
constexpr int kFirstItemColumn = 3;
constexpr int kRecordRead = 'J';
constexpr int kTimedOut = 11;
constexpr int kWrongReply = 12;
constexpr int kClose = 9;

QString Formatted(const char* format, int a, int b = 0, int c = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return QString::fromLatin1(text);
}

}  // namespace

ModuleTestWindow::ModuleTestWindow(QWidget* parent)
    : OperationDialog(parent),
      list_(new QTableWidget(this)),
      bar_(new QProgressBar(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("148"));
    setWindowTitle(QStringLiteral("Module Test"));
    list_->setObjectName(QStringLiteral("1002"));
    bar_->setObjectName(QStringLiteral("4045"));
    ok_->setObjectName(QStringLiteral("1"));

    list_->setShowGrid(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    bar_->setTextVisible(false);

    const DialogUnits units(*this);
    setFixedSize(units.Size(424, 134));
    list_->setGeometry(units.Rect(7, 7, 410, 100));
    bar_->setGeometry(units.Rect(7, 114, 346, 8));
    ok_->setGeometry(units.Rect(367, 111, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &ModuleTestWindow::accept);
}

void ModuleTestWindow::SetPortCount(int count)
{
    portCount_ = count;
}

void ModuleTestWindow::Prepare()
{
    list_->clear();
    list_->setRowCount(0);
    list_->setColumnCount(static_cast<int>(kColumns.size()));
    for (int column = 0; column < list_->columnCount(); ++column) {
        const auto& [title, width] = kColumns[static_cast<size_t>(column)];
        list_->setHorizontalHeaderItem(column, new QTableWidgetItem(QString::fromLatin1(title)));
        list_->setColumnWidth(column, width);
    }
    rowIndex_ = -1;
    bar_->reset();
}

void ModuleTestWindow::Opened()
{
    Register(request::kRegisterOther);
    if (OperationType() == request::kStartRead && CommandLetter() == kRecordRead)
        bar_->setRange(0, std::max(portCount_, 0));
    Request(OperationType(), CommandLetter());
}

void ModuleTestWindow::RecordReadMovesTo(int port, const std::string& portName)
{
    const int row = std::clamp(port, 0, list_->rowCount());
    list_->insertRow(row);
    for (int column = 0; column < list_->columnCount(); ++column) {
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        list_->setItem(row, column, item);
    }
    list_->item(row, 0)->setText(QString::fromStdString(portName));
    rowIndex_ = row;
    bar_->setValue(port);
}

void ModuleTestWindow::SetCell(int column, const QString& text)
{
    // Before the first row there is no row to fill.
    if (QTableWidgetItem* item = list_->item(rowIndex_, column))
        item->setText(text);
}

// The record is shown as the module holds it, without a plausibility check:
// a blank EEPROM reads as the date "20255-255-255" and FAIL for every item.
void ModuleTestWindow::RecordComplete(int /*port*/, const std::array<uint8_t, 4>& record)
{
    SetCell(kDateColumn, Formatted("20%02d-%02d-%02d", record[0], record[1], record[2]));
    SetCell(kHexColumn, Formatted("0x%02X", record[3]));
    for (int bit = 7; bit >= 0; --bit) {
        const bool failed = ((record[3] >> bit) & 1) != 0;
        SetCell(kFirstItemColumn + 7 - bit, failed ? QStringLiteral("FAIL") : QStringLiteral("PASS"));
    }
}

void ModuleTestWindow::PortOver(int /*port*/, int value)
{
    if (value == kClose)
        CloseWithOk();
    else if (value == kTimedOut)
        SetCell(kDateColumn, QStringLiteral("Timeout!"));
    else if (value == kWrongReply)
        SetCell(kDateColumn, QStringLiteral("Wrong reply!"));
}

// Only the shared notice says that reading is over; the value that comes with
// it may be a port index and means nothing here.
void ModuleTestWindow::RunOver(const StatusNotice& notice, int /*value*/)
{
    if (notice.active != 0 || notice.code != notice::kPhaseDone)
        return;
    bar_->setValue(portCount_);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Veltra Downloader"), QStringLiteral("Compeleted!"),
                    QMessageBox::Ok, this);
    box.exec();
}

void ModuleTestWindow::CloseWithOk()
{
    accept();
}

}  // namespace veltra
