#pragma once
// Twips: 1/1440 inch. Windows are laid out at 96 dots an inch, 15 twips a pixel.
#include <cmath>

namespace core {

constexpr int kTwipsPerInch = 1440;
constexpr int kTwipsPerPoint = 20;
constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }
constexpr int pixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }
constexpr double pointsToTwips(double points) { return points * kTwipsPerPoint; }
constexpr double twipsToPoints(double twips) { return twips / kTwipsPerPoint; }
// Device units at `dpi` dots an inch.
inline double twipsToDevice(double twips, double dpi) { return twips * dpi / kTwipsPerInch; }
inline double deviceToTwips(double device, double dpi) { return device * kTwipsPerInch / dpi; }

}  // namespace core
