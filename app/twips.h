#pragma once
// The window was designed in twips; at 96 dpi a pixel is 15 twips.

#include <QRect>

namespace velmar {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return (twips + (twips >= 0 ? kTwipsPerPixel / 2 : -kTwipsPerPixel / 2)) / kTwipsPerPixel;
}

// Left, top, width, height in twips to a pixel rectangle.
inline QRect twipsToPixels(QRect twips) {
    return {twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
            twipsToPixels(twips.height())};
}

// The designed client area below the menu bar: 7,335 x 2,130 twips.
inline constexpr int kClientWidthTwips = 7335;
inline constexpr int kClientHeightTwips = 2130;

}  // namespace velmar
