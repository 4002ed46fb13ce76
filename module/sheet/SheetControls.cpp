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
    // Over the right end of the status strip, after it, so that it is drawn on top.
    c.tally = Named(new QLabel(sheet), "4046");
    c.tally->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return c;
}

namespace {

// A control is never narrower than its text needs, in whatever language the
// captions are; the template's width is the least it gets.
int WidthFor(const QWidget* control, int templateWidth)
{
    return std::max(templateWidth, control->sizeHint().width());
}

constexpr int kGap = 8;
constexpr int kStatusHeight = 20;
constexpr int kUpperHeight = 60;
constexpr int kPortListTop = 185;
// Room for the port list's heading and a few rows: below that the list could
// not show the row it scrolls to.
constexpr int kPortListMinimum = 110;
constexpr int kParameterListMinimum = 200;

struct UpperRow {
    int connect, disconnect, baudLabel, baudRate, modeLabel, romMode, paramMode, right;
};

// The connection controls go left to right, each after the one before it and
// no further left than the template puts it. The mode group keeps the
// template's right edge while it has room there, taking from the gap after
// the baud rate what its longer texts need.
UpperRow PlaceUpperRow(const SheetControls& c)
{
    UpperRow x{};
    x.connect = 22;
    x.disconnect = std::max(122, x.connect + WidthFor(c.connect, 90) + 10);
    x.baudLabel = std::max(222, x.disconnect + WidthFor(c.disconnect, 90) + 10);
    x.baudRate = std::max(300, x.baudLabel + WidthFor(c.baudLabel, 70) + kGap);
    const int modeWidth = WidthFor(c.modeLabel, 45) + 5 + WidthFor(c.romMode, 120) + WidthFor(c.paramMode, 170);
    x.modeLabel = std::max(x.baudRate + WidthFor(c.baudRate, 90) + kGap, std::min(450, 790 - modeWidth));
    x.romMode = x.modeLabel + WidthFor(c.modeLabel, 45) + 5;
    x.paramMode = x.romMode + WidthFor(c.romMode, 120);
    x.right = x.paramMode + WidthFor(c.paramMode, 170) + 2;
    return x;
}

// Wide enough for every option, and for the port list's names and states as
// far as a third of the sheet allows.
int LeftFrameWidth(const SheetControls& c, int sheetWidth)
{
    int width = std::max(200, WidthFor(c.startDownload, 0) + 9);
    width = std::max(width, std::min(c.portList->WantedWidth() + 5, sheetWidth / 3));
    for (const QWidget* option : {static_cast<const QWidget*>(c.initErase), static_cast<const QWidget*>(c.erase),
                                  static_cast<const QWidget*>(c.blankCheck), static_cast<const QWidget*>(c.romDown),
                                  static_cast<const QWidget*>(c.verify)})
        width = std::max(width, option->sizeHint().width() + 30);
    return width;
}

}  // namespace

QSize MinimumSheetSize(const SheetControls& c)
{
    const int width = std::max(PlaceUpperRow(c).right, LeftFrameWidth(c, 0) + kParameterListMinimum);
    return {width, kStatusHeight + kUpperHeight + kPortListTop + kPortListMinimum};
}

void LayoutSheet(QWidget* sheet, const SheetControls& c, QSize hostSize)
{
    // The sheet covers the host's view. The view already sits below the host's
    // menu and toolbar, so the sheet keeps only the small margins at its sides.
    sheet->setGeometry(2, 0, std::max(0, hostSize.width() - 4), std::max(0, hostSize.height() - 5));
    sheet->show();
    const QRect s = sheet->rect();

    c.statusText->setGeometry(s.left(), s.top(), s.width(), kStatusHeight);
    const QRect t = c.statusText->geometry();
    const int tallyWidth = std::min(t.width() / 2, c.tally->sizeHint().width() + kGap);
    c.tally->setGeometry(t.right() - tallyWidth - 2, t.top() + 1, tallyWidth, kStatusHeight - 2);
    c.upperFrame->setGeometry(t.left(), t.bottom() + 1, t.width(), kUpperHeight);
    const QRect u = c.upperFrame->geometry();
    const UpperRow x = PlaceUpperRow(c);
    c.connect->setGeometry(u.left() + x.connect, u.top() + 14, WidthFor(c.connect, 90), 30);
    c.disconnect->setGeometry(u.left() + x.disconnect, u.top() + 14, WidthFor(c.disconnect, 90), 30);
    c.baudLabel->setGeometry(u.left() + x.baudLabel, u.top() + 25, WidthFor(c.baudLabel, 70), 20);
    c.baudRate->setGeometry(u.left() + x.baudRate, u.top() + 20, WidthFor(c.baudRate, 90), 20);
    c.modeLabel->setGeometry(u.left() + x.modeLabel, u.top() + 20, WidthFor(c.modeLabel, 45), 20);
    c.romMode->setGeometry(u.left() + x.romMode, u.top() + 14, WidthFor(c.romMode, 120), 30);
    c.paramMode->setGeometry(u.left() + x.paramMode, u.top() + 14, WidthFor(c.paramMode, 170), 30);
    // The left frame reaches down to the sheet's bottom edge and no further,
    // so the port list inside it is seen whole and its last row can be
    // scrolled to.
    c.leftFrame->setGeometry(s.left(), u.bottom() + 1, LeftFrameWidth(c, s.width()), std::max(0, s.bottom() - u.bottom()));
    const QRect l = c.leftFrame->geometry();
    c.startDownload->setGeometry(l.left() + 5, l.top() + 10, l.width() - 9, 30);
    c.initErase->setGeometry(l.left() + 20, l.top() + 50, l.width() - 30, 20);
    c.erase->setGeometry(l.left() + 20, l.top() + 75, l.width() - 30, 20);
    c.blankCheck->setGeometry(l.left() + 20, l.top() + 100, l.width() - 30, 20);
    c.romDown->setGeometry(l.left() + 20, l.top() + 125, l.width() - 30, 20);
    c.verify->setGeometry(l.left() + 20, l.top() + 150, l.width() - 30, 20);
    c.portList->setGeometry(l.left() + 3, l.top() + kPortListTop, l.width() - 5,
                            std::max(0, l.bottom() - 2 - (l.top() + kPortListTop)));
    c.parameterList->setGeometry(l.right() + 1, l.top(), std::max(0, t.right() - l.right() - 1),
                                 std::max(0, s.height() - l.top() - 1));
}

}  // namespace veltra
