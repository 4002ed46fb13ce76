#pragma once

#include <QIcon>
#include <QSize>

namespace veltra {

inline constexpr QSize ToolbarPictureSize{36, 31};
inline constexpr int ToolbarPictureCount = 9;

// The toolbar's pictures in button order, each with its normal and its
// disabled look, drawn at run time.
QIcon ToolbarIcon(int picture);

// The program's icon: a weighing scale.
QIcon ProgramIcon();

}  // namespace veltra
