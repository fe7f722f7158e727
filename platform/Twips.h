#pragma once

/**
 * Window positions and sizes are remembered in twips (1/1440 inch), as the
 * stored settings always have been; the screen works in pixels. At the usual
 * 96 dots per inch one pixel is 15 twips.
 */
namespace Twips
{
constexpr int kTwipsPerPixel = 15;

inline int toPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline int fromPixels(int pixels)
{
    return pixels * kTwipsPerPixel;
}
} // namespace Twips
