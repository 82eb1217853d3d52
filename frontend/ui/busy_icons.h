#pragma once

#include <QPixmap>

namespace vorsel {

// The two 32 x 32 pictures of the busy indicator: an hourglass with its sand at the top
// (Image1) and one with its sand run down (Image2).
QPixmap BusyIcon(bool sandRunDown);

}  // namespace vorsel
