#include "AboutBox.h"

#include "DialogUnits.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace veltra {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QStringLiteral("Corvid 정보"));
    setModal(true);

    auto* text = new QLabel(QStringLiteral("Veltra Downloader Version 1.9 \nLast Updated : 13-May-2008"), this);
    text->setObjectName(QStringLiteral("-1"));

    auto* ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(text, 1);
    layout->addWidget(ok, 0, Qt::AlignRight | Qt::AlignTop);

    setFixedSize(DialogUnitsToPixels(QSize(235, 55), font()));
}

}  // namespace veltra
