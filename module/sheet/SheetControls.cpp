#include "SheetControls.h"

#include "ParameterList.h"
#include "PortList.h"

#include <algorithm>

namespace veltra {

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* id)
{
    widget->setObjectName(QString::fromLatin1(id));
    return widget;
}

QCheckBox* Box(QWidget* sheet, const char* id, const char* text, bool enabled)
{
    auto* box = Named(new QCheckBox(QString::fromLatin1(text), sheet), id);
    box->setEnabled(enabled);
    return box;
}

}  // namespace

SheetControls CreateSheetControls(QWidget* sheet, ParameterTable& parameters)
{
    SheetControls c;
    // Frames first, so that the controls placed over them are drawn on top.
    c.upperFrame = Named(new QGroupBox(sheet), "4015");
    c.leftFrame = Named(new QGroupBox(sheet), "4014");
    c.romMode = Box(sheet, "4040", "ROM Down Mode", true);
    c.paramMode = Box(sheet, "4041", "Parameter Down Mode", true);
    c.connect = Named(new QPushButton(QStringLiteral("&Connection"), sheet), "4000");
    c.statusText = Named(new QLabel(sheet), "4032");
    c.statusText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    c.statusText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    c.statusText->setStyleSheet(QStringLiteral("color: #FF0000;"));
    c.disconnect = Named(new QPushButton(QStringLiteral("&Disconnection"), sheet), "4001");
    c.disconnect->setEnabled(false);
    c.startDownload = Named(new QPushButton(QStringLiteral("Start Download"), sheet), "4031");
    c.startDownload->setEnabled(false);
    c.startDownload->setStyleSheet(QStringLiteral("color: #0000FF;"));
    c.baudRate = Named(new QComboBox(sheet), "4030");
    c.baudRate->setEditable(true);
    c.baudRate->addItems({QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
                          QStringLiteral("38400"), QStringLiteral("56000"), QStringLiteral("57600"),
                          QStringLiteral("115200")});
    c.baudRate->setInsertPolicy(QComboBox::NoInsert);
    c.baudRate->setEditText(QString());
    c.initErase = Box(sheet, "4029", "Init. Erase Command", true);
    c.parameterList = new ParameterList(parameters, sheet);
    c.blankCheck = Box(sheet, "4008", "&Blank Check", false);
    c.verify = Box(sheet, "4011", "&Verify", false);
    c.romDown = Box(sheet, "4009", "ROM &Down", false);
    c.erase = Box(sheet, "4007", "&Erase", false);
    c.portList = new PortList(sheet);
    c.baudLabel = Named(new QLabel(QStringLiteral("Baud Rate"), sheet), "4042");
    c.modeLabel = Named(new QLabel(QStringLiteral("MODE:"), sheet), "4026");
    return c;
}

void LayoutSheet(QWidget* sheet, const SheetControls& c, QSize hostSize)
{
    // The sheet covers the host's view. The view already sits below the host's
    // menu and toolbar, so the sheet keeps only the small margins at its sides.
    sheet->setGeometry(2, 0, std::max(0, hostSize.width() - 4), std::max(0, hostSize.height() - 5));
    sheet->show();
    const QRect s = sheet->rect();

    c.statusText->setGeometry(s.left(), s.top(), s.width(), 20);
    const QRect t = c.statusText->geometry();
    c.upperFrame->setGeometry(t.left(), t.bottom() + 1, t.width(), 60);
    const QRect u = c.upperFrame->geometry();
    c.connect->setGeometry(u.left() + 22, u.top() + 14, 90, 30);
    c.disconnect->setGeometry(u.left() + 122, u.top() + 14, 90, 30);
    c.baudLabel->setGeometry(u.left() + 222, u.top() + 25, 70, 20);
    c.baudRate->setGeometry(u.left() + 300, u.top() + 20, 90, 20);
    c.romMode->setGeometry(u.left() + 500, u.top() + 14, 120, 30);
    c.paramMode->setGeometry(u.left() + 620, u.top() + 14, 170, 30);
    c.modeLabel->setGeometry(u.left() + 450, u.top() + 20, 45, 20);
    c.leftFrame->setGeometry(s.left(), u.bottom() + 1, 200, std::max(0, s.bottom() + 1 - 50));
    const QRect l = c.leftFrame->geometry();
    c.startDownload->setGeometry(l.left() + 5, l.top() + 10, l.width() - 9, 30);
    c.initErase->setGeometry(l.left() + 20, l.top() + 50, l.width() - 30, 20);
    c.erase->setGeometry(l.left() + 20, l.top() + 75, l.width() - 30, 20);
    c.blankCheck->setGeometry(l.left() + 20, l.top() + 100, l.width() - 30, 20);
    c.romDown->setGeometry(l.left() + 20, l.top() + 125, l.width() - 30, 20);
    c.verify->setGeometry(l.left() + 20, l.top() + 150, l.width() - 30, 20);
    c.portList->setGeometry(l.left() + 3, l.top() + 185, l.width() - 5, std::max(0, l.bottom() + 1 - (l.top() + 185)));
    c.parameterList->setGeometry(l.right() + 1, l.top(), std::max(0, t.right() - l.right() - 1),
                                 std::max(0, s.height() - l.top() - 1));
}

}  // namespace veltra
