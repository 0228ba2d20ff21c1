// An image as a palette image of at most maxColours colours.
//   - An image of maxColours colours or fewer keeps every colour exactly.
//   - A richer one is cut by median cut (weighted by pixel count) into boxes
//     of similar colours, each drawn in its mean colour; the same image always
//     gives the same palette.
//   - Pixels whose red, green and blue equal `transparent` get a palette entry
//     of their own with alpha 0, whatever the reduction does to the others.
#pragma once

#include <QImage>
#include <optional>

namespace nconvert {

// maxColours from 2 to 256.
QImage ReduceColours(const QImage& image, int maxColours, std::optional<QRgb> transparent);

// Without a colour limit: the image as 32-bit ARGB with the transparent colour cleared.
QImage ClearColour(const QImage& image, QRgb transparent);

}  // namespace nconvert
