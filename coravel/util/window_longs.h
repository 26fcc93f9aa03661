#pragma once
// A widget's window style and extended style in the platform's bits, of
// which the border bits mean something here: they decide how wide a frame
// the widget keeps around its contents (its contents margins), where an edge
// can be painted. Widgets start with no style bits; the values travel with
// the widget as its dynamic properties "GWL_STYLE" and "GWL_EXSTYLE".
#include <cstdint>

class QWidget;

namespace coravel {

namespace winlong {
inline constexpr int kStyle = -16;    // GWL_STYLE
inline constexpr int kExStyle = -20;  // GWL_EXSTYLE

inline constexpr uint32_t kBorder = 0x00800000;       // WS_BORDER
inline constexpr uint32_t kThickFrame = 0x00040000;   // WS_THICKFRAME
inline constexpr uint32_t kWindowEdge = 0x00000100;   // WS_EX_WINDOWEDGE
inline constexpr uint32_t kClientEdge = 0x00000200;   // WS_EX_CLIENTEDGE
inline constexpr uint32_t kStaticEdge = 0x00020000;   // WS_EX_STATICEDGE
}  // namespace winlong

// The value at `index` (kStyle or kExStyle); 0 for a null widget or another index.
int32_t windowLong(const QWidget* widget, int index);
// Stores the value, moves the contents margins by the change in frame width,
// and returns the previous value (0 when nothing was stored).
int32_t setWindowLong(QWidget* widget, int index, int32_t value);

// The frame width in pixels that a style and extended style reserve.
int frameWidthOf(uint32_t style, uint32_t exStyle);

}  // namespace coravel
