#include "coravel/util/platform_edge.h"

#include <QPainter>

namespace coravel {

namespace {

struct BorderColors {
  QColor topLeft;
  QColor bottomRight;
};

// One border: the left and top sides in one colour, the right and bottom
// sides (corners included) in the other, as the platform draws them.
void drawBorder(QPainter& painter, const QRect& r, const BorderColors& colors) {
  if (r.width() <= 0 || r.height() <= 0) return;
  painter.setPen(colors.topLeft);
  painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
  painter.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
  painter.setPen(colors.bottomRight);
  painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
  painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
}

}  // namespace

void drawPlatformEdge(QPainter& painter, const QRect& rect, uint32_t edgeValue, const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Light);
  const QColor light = palette.color(QPalette::Midlight);
  const QColor shadow = palette.color(QPalette::Dark);
  const QColor darkShadow = palette.color(QPalette::Shadow);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  QRect r = rect;
  if (edgeValue & (edge::kRaisedOuter | edge::kSunkenOuter)) {
    if (edgeValue & edge::kRaisedOuter) drawBorder(painter, r, {light, darkShadow});
    else drawBorder(painter, r, {shadow, highlight});
    r.adjust(1, 1, -1, -1);
  }
  if (edgeValue & edge::kRaisedInner) drawBorder(painter, r, {highlight, shadow});
  else if (edgeValue & edge::kSunkenInner) drawBorder(painter, r, {darkShadow, light});
  painter.restore();
}

}  // namespace coravel
