// The program's own pictures, painted when first asked for: a 1U CubeSat
// with its solar cells and whip antennas.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tavro::ui {

// The window icon (16, 32, 48 and 64 pixels).
QIcon CubeSatIcon();

// The Info window's picture, 249 x 222 pixels on white.
QPixmap InfoPicture();

}  // namespace tavro::ui
