#pragma once
// Test double of the drawing area: records every line, printed text, scale
// change and clearing in order, and measures text with fixed metrics (six
// units a character across, ten units down), so tests can check exact
// coordinates.
#include <QList>

#include "coravel/graph/drawing_area.h"

namespace coravel {

class RecordingDrawingArea : public DrawingArea {
 public:
  enum class Kind { Line, Print, Cls, ScaleHeight };
  struct Op {
    Kind kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a line; a print uses (x1, y1); a scale change x1
    QColor color;                           // the colour drawn with
    QString text;
  };

  static constexpr double kCharWidth = 6;
  static constexpr double kTextHeight = 10;

  double scaleHeight() const override { return scaleHeight_; }
  void setScaleHeight(double height) override {
    scaleHeight_ = height;
    ops.append({Kind::ScaleHeight, height, 0, 0, 0, QColor(), QString()});
  }
  QColor foreColor() const override { return foreColor_; }
  void setForeColor(const QColor& color) override { foreColor_ = color; }
  double currentX() const override { return currentX_; }
  double currentY() const override { return currentY_; }
  void setCurrentX(double x) override { currentX_ = x; }
  void setCurrentY(double y) override { currentY_ = y; }

  void line(double x1, double y1, double x2, double y2, const QColor& color) override {
    ops.append({Kind::Line, x1, y1, x2, y2, color.isValid() ? color : foreColor_, QString()});
    currentX_ = x2;
    currentY_ = y2;
  }
  void print(const QString& text) override {
    ops.append({Kind::Print, currentX_, currentY_, 0, 0, foreColor_, text});
    currentX_ = 0;
    currentY_ += kTextHeight;
  }
  double textWidth(const QString& text) const override { return kCharWidth * double(text.size()); }
  double textHeight(const QString&) const override { return kTextHeight; }
  void cls() override {
    ops.append({Kind::Cls, 0, 0, 0, 0, QColor(), QString()});
    currentX_ = currentY_ = 0;
  }

  // The recorded operations of one kind, in order.
  QList<Op> of(Kind kind) const {
    QList<Op> found;
    for (const Op& op : ops)
      if (op.kind == kind) found.append(op);
    return found;
  }

  QList<Op> ops;

 private:
  double scaleHeight_ = 246;
  QColor foreColor_ = Qt::black;
  double currentX_ = 0;
  double currentY_ = 0;
};

}  // namespace coravel
