#pragma once
// The graph's drawing surface with the members of a picture box: a vertical
// scale, a pen colour, a print position, lines, printed text, text measuring
// and clearing. x runs in pixels from the left edge; y runs from 0 at the
// top edge to ScaleHeight at the bottom edge.
#include <QColor>
#include <QString>

namespace coravel {

class DrawingArea {
 public:
  virtual ~DrawingArea() = default;

  virtual double scaleHeight() const = 0;
  virtual void setScaleHeight(double height) = 0;
  virtual QColor foreColor() const = 0;
  virtual void setForeColor(const QColor& color) = 0;
  virtual double currentX() const = 0;
  virtual double currentY() const = 0;
  virtual void setCurrentX(double x) = 0;
  virtual void setCurrentY(double y) = 0;

  // A line from (x1, y1) to (x2, y2) in `color`, or in ForeColor when
  // `color` is invalid. The print position moves to the end point.
  virtual void line(double x1, double y1, double x2, double y2, const QColor& color = QColor()) = 0;
  // Prints `text` in ForeColor with its top-left corner at the print
  // position, which then moves to the start of the next line.
  virtual void print(const QString& text) = 0;
  // Extent of `text` in drawing units: pixels across, scale units down.
  virtual double textWidth(const QString& text) const = 0;
  virtual double textHeight(const QString& text) const = 0;
  // Clears the drawing; the print position goes back to (0, 0).
  virtual void cls() = 0;
};

}  // namespace coravel
