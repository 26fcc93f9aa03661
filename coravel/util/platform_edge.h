#pragma once
// Three-dimensional edges drawn as the platform draws them: each edge is an
// outer and an inner one-pixel border, raised or sunken, in the palette's
// highlight, light, shadow and dark shadow colours.
#include <QPalette>
#include <QRect>
#include <cstdint>

class QPainter;

namespace coravel {

// The platform's edge values: border bits and their combinations.
namespace edge {
inline constexpr uint32_t kRaisedOuter = 0x0001;
inline constexpr uint32_t kSunkenOuter = 0x0002;
inline constexpr uint32_t kRaisedInner = 0x0004;
inline constexpr uint32_t kSunkenInner = 0x0008;
inline constexpr uint32_t kRaised = kRaisedOuter | kRaisedInner;  // 0x0005
inline constexpr uint32_t kSunken = kSunkenOuter | kSunkenInner;  // 0x000A
inline constexpr uint32_t kEtched = kSunkenOuter | kRaisedInner;  // 0x0006
inline constexpr uint32_t kBump = kRaisedOuter | kSunkenInner;    // 0x0009
}  // namespace edge

// Draws `edgeValue` on all four sides just inside `rect`: the outer border
// on its outermost pixels, the inner border one pixel further in. A value
// with neither outer nor inner bits draws nothing.
void drawPlatformEdge(QPainter& painter, const QRect& rect, uint32_t edgeValue, const QPalette& palette);

}  // namespace coravel
