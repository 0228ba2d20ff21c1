// The program's own pictures, painted when first asked for: a 1U CubeSat
// with its solar cells and whip antennas.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace tavro::ui {

// The sizes of the window icon, which are also the installed icon's
// (hicolor theme, painted by tavro-iconpaint at build time).
inline constexpr int kCubeSatIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The window icon, in every size above.
QIcon CubeSatIcon();

// One size of it, on a transparent ground. Needs no QGuiApplication.
QImage CubeSatIconImage(int size);

// The Info window's picture, 249 x 222 pixels on white.
QPixmap InfoPicture();

}  // namespace tavro::ui
