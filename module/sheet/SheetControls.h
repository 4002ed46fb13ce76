#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace veltra {

class ParameterList;
class PortList;
struct ParameterTable;

// The sheet's controls, each named by its template identifier.
struct SheetControls {
    QCheckBox* romMode = nullptr;         // 4040
    QCheckBox* paramMode = nullptr;       // 4041
    QPushButton* connect = nullptr;       // 4000
    QLabel* statusText = nullptr;         // 4032
    QPushButton* disconnect = nullptr;    // 4001
    QPushButton* startDownload = nullptr; // 4031
    QComboBox* baudRate = nullptr;        // 4030
    QCheckBox* initErase = nullptr;       // 4029
    ParameterList* parameterList = nullptr;  // 4027
    QGroupBox* upperFrame = nullptr;      // 4015
    QGroupBox* leftFrame = nullptr;       // 4014
    QCheckBox* blankCheck = nullptr;      // 4008
    QCheckBox* verify = nullptr;          // 4011
    QCheckBox* romDown = nullptr;         // 4009
    QCheckBox* erase = nullptr;           // 4007
    PortList* portList = nullptr;         // 4005
    QLabel* baudLabel = nullptr;          // 4042
    QLabel* modeLabel = nullptr;          // 4026
    QLabel* tally = nullptr;              // 4046: today's boards of this station
};

// Creates every control of the sheet with its template text and initial
// enabled state.
SheetControls CreateSheetControls(QWidget* sheet, ParameterTable& parameters);

// The least room the sheet needs for every control to show its whole text
// and the port list to show a few rows.
QSize MinimumSheetSize(const SheetControls& controls);

// Places the sheet over the host's view and its controls inside it.
void LayoutSheet(QWidget* sheet, const SheetControls& controls, QSize hostSize);

}  // namespace veltra
