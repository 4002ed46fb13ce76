#pragma once

#include <QPixmap>
#include <vector>

namespace veltra {

// The port list's status pictures, 31 x 18, in list order: 0 open, 1 closed,
// 2 busy, 3 initial erase done, 4 failed, 5 unplugged.
std::vector<QPixmap> MakeStatusImages();

}  // namespace veltra
