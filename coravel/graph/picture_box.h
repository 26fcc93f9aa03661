#pragma once
// The drawing area as a widget: a picture box with a two-pixel sunken border
// that keeps its drawing in a pixmap, so what was drawn stays when the window
// is covered and uncovered. The horizontal unit is the pixel; the vertical
// scale runs from 0 at the top to ScaleHeight at the bottom of the inside.
#include <QPixmap>
#include <QWidget>

#include "coravel/graph/drawing_area.h"

namespace coravel {

class PictureBox : public QWidget, public DrawingArea {
  Q_OBJECT  // its class name picks its accessibility interface (a picture)

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  double scaleHeight() const override;
  void setScaleHeight(double height) override;
  QColor foreColor() const override { return foreColor_; }
  void setForeColor(const QColor& color) override { foreColor_ = color; }
  double currentX() const override { return currentX_; }
  double currentY() const override { return currentY_; }
  void setCurrentX(double x) override { currentX_ = x; }
  void setCurrentY(double y) override { currentY_ = y; }

  void line(double x1, double y1, double x2, double y2, const QColor& color = QColor()) override;
  void print(const QString& text) override;
  double textWidth(const QString& text) const override;
  double textHeight(const QString& text) const override;
  void cls() override;

  // The drawing as it stands, without the border.
  const QPixmap& drawing() const {
    ensureDrawing();
    return drawing_;
  }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect inside() const;
  // Pixel row of a scale position.
  double rowsPerUnit() const;
  double pixelY(double y) const;
  void ensureDrawing() const;

  mutable QPixmap drawing_;  // sized on first use
  double scaleHeight_ = 0;  // 0 until set: one unit a pixel
  QColor foreColor_ = Qt::black;
  double currentX_ = 0;
  double currentY_ = 0;
};

}  // namespace coravel
