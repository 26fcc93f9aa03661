#include "coravel/graph/graph_plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/regional_format.h"

namespace coravel {

using core::Money;

namespace {

// Positions and the scale are 32-bit numbers; a figure beyond them is held
// at the limit, so an absurd amount draws off the area instead of failing.
int32_t toInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t wholeUnits(Money m) { return toInt32(m.toWholeUnits()); }

// A drawing extent brought to whole units, halves to even, as positions are.
int32_t wholeUnits(double v) {
  if (!(v > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (!(v < std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::nearbyint(v));
}

// The headroom above the highest month by its size in whole units.
int64_t headroomFor(int64_t v) {
  if (v < 500) return 25;
  if (v <= 800) return 40;
  if (v <= 1000) return 50;
  if (v <= 3000) return 150;
  if (v <= 8000) return 400;
  if (v <= 10000) return 500;
  return 1400;
}

}  // namespace

GraphPlot::GraphPlot(DrawingArea& area, GraphFigures& figures, const QLocale& locale)
    : area_(area), figures_(figures), locale_(locale) {}

Money GraphPlot::AddScaleHeadroom(Money v) { return v + Money::fromWhole(headroomFor(v.toWholeUnits())); }

void GraphPlot::ResetDrawing() {
  area_.cls();
  gridDrawn_ = false;
  lineStarted_ = false;
  penX_ = 0;
  penY_ = 0;
}

void GraphPlot::RefreshData(const GraphOptions& options) {
  options_ = options;
  figures_.GetMonthDate();
  const Money highestMonth = Money::fromDouble(figures_.GetHighestMonth());
  figures_.setHighestMonth(highestMonth);
  captions_.lowEarning = currency(figures_.GetLowestMonth());
  captions_.netPayTotal = currency(figures_.GetColumnNetPay());
  captions_.highestEarning = currency(figures_.GetHighestMonth());
  captions_.year = QStringLiteral("Year of: ") + QString::number(figures_.GraphYear());

  scaleMax_ = wholeUnits(AddScaleHeadroom(Money::fromWhole(highestMonth.toWholeUnits())));
  area_.setScaleHeight(scaleMax_);
  if (!gridDrawn_) DrawGrid(scaleMax_);
  DrawAverage();
  captions_.average = currency(figures_.YearlyAverage());
  if (options_.average) DisplayAverageValueText(figures_.YearlyAverage(), averageTextX_, averageTextY_);
  for (int month = 1; month <= 12; ++month) DrawMonthSegment(figures_.MonthTotal(month));
}

void GraphPlot::DrawGrid(int32_t scaleMax) {
  const int32_t step = scaleMax / 10;
  area_.setForeColor(graph::kGridColor);
  for (int k = 1; k <= graph::kGridLines; ++k) {
    const int32_t y = toInt32(int64_t(k) * step);
    if (options_.horizontalGrid) area_.line(graph::kHorizontalGridStep * k, y, -penX_, y);
    if (k <= 10) captions_.scale[k - 1] = core::formatPattern(y, QStringLiteral("$#,###"));
    if (options_.verticalGrid) area_.line(graph::kMonthWidth * k, penY_, graph::kMonthWidth * k, area_.scaleHeight());
  }
  gridDrawn_ = true;
}

void GraphPlot::DrawAverage() {
  figures_.computeYearlyAverage(captions_.netPayTotal);
  if (!options_.average) return;
  area_.setScaleHeight(scaleMax_);
  const Money y = Money::fromWhole(scaleMax_) - figures_.YearlyAverage();
  penY_ = wholeUnits(y);
  averageTextX_ = penX_;
  averageTextY_ = penY_;
  area_.line(penX_, penY_, graph::kAverageLineEnd, y.toDouble(), graph::kAverageColor);
  StartGraphLine();
}

void GraphPlot::StartGraphLine() {
  lineStarted_ = true;
  area_.setScaleHeight(scaleMax_);
  area_.line(penX_, penY_, penX_, area_.scaleHeight(), graph::kOriginLineColor);
  penY_ = wholeUnits(area_.scaleHeight());
}

void GraphPlot::DrawMonthSegment(Money v) {
  area_.setScaleHeight(scaleMax_);
  if (!lineStarted_) StartGraphLine();
  const int32_t x = toInt32(int64_t(penX_) + graph::kMonthWidth);
  const Money y = Money::fromWhole(scaleMax_) - v;
  area_.line(penX_, penY_, x, y.toDouble(), graph::kMonthLineColor);
  DisplayMonthValueText(v, x, wholeUnits(y));
  penX_ = x;
  penY_ = wholeUnits(y);
}

void GraphPlot::DisplayMonthValueText(Money moneyValue, int32_t X2, int32_t Y2) {
  const QString text = currency(moneyValue);
  // Whole-unit division, truncated toward zero: the text sits where the
  // design's integer arithmetic puts it.
  const int32_t halfWidth = wholeUnits(area_.textWidth(text)) / 2;
  area_.setCurrentX(double(X2) - halfWidth);
  area_.setCurrentY(double(Y2) - wholeUnits(area_.textHeight(text)));
  area_.setForeColor(graph::kMonthTextColor);
  area_.print(text);
}

void GraphPlot::DisplayAverageValueText(Money moneyValue, int32_t X2, int32_t Y2) {
  const QString text = currency(moneyValue);
  // A hundredth of the width, truncated: the average text starts just
  // right of its point.
  const int32_t nudge = wholeUnits(area_.textWidth(text)) / 100;
  area_.setCurrentX(double(X2) + 1 - nudge);
  area_.setCurrentY(double(Y2) - wholeUnits(area_.textHeight(text)));
  area_.setForeColor(graph::kAverageColor);
  area_.print(QStringLiteral("Average: ") + text);
}

QString GraphPlot::currency(double amount) const { return core::formatCurrency(amount, locale_); }
QString GraphPlot::currency(Money amount) const { return core::formatCurrency(amount, locale_); }

}  // namespace coravel
