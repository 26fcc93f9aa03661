#include "coravel/graph/picture_box.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <algorithm>

#include "coravel/util/platform_edge.h"

namespace coravel {

namespace {

constexpr int kBorder = 2;
const QColor kBackground = Qt::white;

// A 6-point font at 96 dpi, for the value texts printed into the area.
QFont smallFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(8);
  return font;
}

// Clips a line to `box` (Liang-Barsky); false when nothing of it lies
// inside. Keeps coordinates of far-off points (a huge amount on a small
// scale) within what the painter handles.
bool clipLine(QLineF& line, const QRectF& box) {
  double t0 = 0, t1 = 1;
  const double dx = line.dx(), dy = line.dy();
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {line.x1() - box.left(), box.right() - line.x1(), line.y1() - box.top(),
                      box.bottom() - line.y1()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  line = QLineF(line.x1() + t0 * dx, line.y1() + t0 * dy, line.x1() + t1 * dx, line.y1() + t1 * dy);
  return true;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setFont(smallFont());
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect PictureBox::inside() const { return rect().adjusted(kBorder, kBorder, -kBorder, -kBorder); }

double PictureBox::scaleHeight() const { return scaleHeight_ != 0 ? scaleHeight_ : inside().height() - 1; }

void PictureBox::setScaleHeight(double height) { scaleHeight_ = height; }

// ScaleHeight falls on the last row, so a month without earnings is drawn
// visibly along the bottom edge.
double PictureBox::rowsPerUnit() const {
  ensureDrawing();
  return scaleHeight_ == 0 ? 1.0 : (drawing_.height() - 1) / scaleHeight_;
}

double PictureBox::pixelY(double y) const { return y * rowsPerUnit(); }

void PictureBox::line(double x1, double y1, double x2, double y2, const QColor& color) {
  QLineF pixels(x1, pixelY(y1), x2, pixelY(y2));
  const QRectF reach = QRectF(drawing_.rect()).adjusted(-2, -2, 2, 2);
  if (clipLine(pixels, reach)) {
    QPainter painter(&drawing_);
    painter.setPen(QPen(color.isValid() ? color : foreColor_, 0));
    painter.drawLine(pixels.toLine());
    update();
  }
  currentX_ = x2;
  currentY_ = y2;
}

void PictureBox::print(const QString& text) {
  {
    QPainter painter(&drawing_);
    painter.setFont(font());
    painter.setPen(foreColor_);
    const QFontMetricsF metrics(font());
    painter.drawText(QPointF(currentX_, pixelY(currentY_) + metrics.ascent()), text);
  }
  update();
  currentY_ += textHeight(text);
  currentX_ = 0;
}

double PictureBox::textWidth(const QString& text) const { return QFontMetricsF(font()).horizontalAdvance(text); }

double PictureBox::textHeight(const QString&) const {
  return QFontMetricsF(font()).height() / rowsPerUnit();
}

void PictureBox::cls() {
  ensureDrawing();
  drawing_.fill(kBackground);
  currentX_ = currentY_ = 0;
  update();
}

// The pixmap follows the widget's size at once: a hidden window gets its
// resize event only when shown, and the graph is drawn before that.
void PictureBox::ensureDrawing() const {
  if (drawing_.size() == inside().size().expandedTo(QSize(1, 1))) return;
  QPixmap resized(inside().size().expandedTo(QSize(1, 1)));
  resized.fill(kBackground);
  if (!drawing_.isNull()) QPainter(&resized).drawPixmap(0, 0, drawing_);
  drawing_ = resized;
}

void PictureBox::paintEvent(QPaintEvent*) {
  ensureDrawing();
  QPainter painter(this);
  painter.drawPixmap(inside().topLeft(), drawing_);
  drawPlatformEdge(painter, rect(), edge::kSunken, palette());
}

}  // namespace coravel
