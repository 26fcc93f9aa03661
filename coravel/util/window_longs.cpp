#include "coravel/util/window_longs.h"

#include <QVariant>
#include <QWidget>

namespace coravel {

namespace {

const char* propertyFor(int index) {
  switch (index) {
    case winlong::kStyle: return "GWL_STYLE";
    case winlong::kExStyle: return "GWL_EXSTYLE";
  }
  return nullptr;
}

// The sizing frame the platform draws for a resizable window.
constexpr int kThickFrameWidth = 4;

}  // namespace

int frameWidthOf(uint32_t style, uint32_t exStyle) {
  int width = 0;
  if (style & winlong::kThickFrame) width += kThickFrameWidth;
  else if (style & winlong::kBorder) width += 1;
  if (exStyle & winlong::kClientEdge) width += 2;
  if (exStyle & winlong::kStaticEdge) width += 1;
  return width;
}

int32_t windowLong(const QWidget* widget, int index) {
  const char* name = propertyFor(index);
  if (!widget || !name) return 0;
  return widget->property(name).toInt();
}

int32_t setWindowLong(QWidget* widget, int index, int32_t value) {
  const char* name = propertyFor(index);
  if (!widget || !name) return 0;
  const uint32_t style = windowLong(widget, winlong::kStyle);
  const uint32_t exStyle = windowLong(widget, winlong::kExStyle);
  const int32_t previous = windowLong(widget, index);
  widget->setProperty(name, value);
  const int before = frameWidthOf(style, exStyle);
  const int after = frameWidthOf(windowLong(widget, winlong::kStyle), windowLong(widget, winlong::kExStyle));
  if (after != before) {
    const int d = after - before;
    widget->setContentsMargins(widget->contentsMargins() + QMargins(d, d, d, d));
  }
  return previous;
}

}  // namespace coravel
