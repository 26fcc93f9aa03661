#pragma once
// The refresh of the yearly graph: fills the statistics and year captions
// and draws the month line with its value texts, the grids, the scale labels
// and the yearly-average line into the drawing area.
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>

#include "coravel/graph/drawing_area.h"
#include "coravel/graph/graph_figures.h"
#include "core/money.h"

namespace coravel {

// The check boxes the drawing follows.
struct GraphOptions {
  bool horizontalGrid = false;  // ckHorizontal
  bool verticalGrid = false;    // ckVertical
  bool average = false;         // ckAverage
};

// The captions the refresh fills; the window shows them in its labels.
struct GraphCaptions {
  QString lowEarning;      // lblLowEarning
  QString netPayTotal;     // lblNetPayTotal2
  QString highestEarning;  // lblHighestEarning2
  QString year;            // lblYear
  QString average;         // lblAverage2
  std::array<QString, 10> scale;  // Label5(0) lowest to Label5(9) highest
};

// Fixed geometry and colours of the graph.
namespace graph {
inline constexpr int kMonthWidth = 41;  // month m is drawn at x = 41 * m
inline constexpr int kGridLines = 13;
inline constexpr int kHorizontalGridStep = 541;
inline constexpr int kAverageLineEnd = 641;
inline const QColor kGridColor{239, 238, 238};
inline const QColor kAverageColor{154, 154, 154};
inline const QColor kMonthLineColor{255, 0, 0};
inline const QColor kMonthTextColor{0, 0, 255};
// The menu background of the platform's classic colour scheme.
inline const QColor kOriginLineColor{212, 208, 200};
}  // namespace graph

class GraphPlot {
 public:
  // Money texts follow `locale`.
  GraphPlot(DrawingArea& area, GraphFigures& figures, const QLocale& locale = QLocale());

  // Computes the figures and captions and draws the graph on the area, which
  // the last reset cleared.
  void RefreshData(const GraphOptions& options);
  // The drawing part of the window's reset: clears the area, the flags and
  // the pen. ScaleMax stays.
  void ResetDrawing();

  // `v` (a whole number of units) plus the room left above the highest month.
  static core::Money AddScaleHeadroom(core::Money v);

  const GraphCaptions& captions() const { return captions_; }
  int32_t ScaleMax() const { return scaleMax_; }
  int32_t PenX() const { return penX_; }
  int32_t PenY() const { return penY_; }

 private:
  void DrawGrid(int32_t scaleMax);
  void DrawAverage();
  void StartGraphLine();
  void DrawMonthSegment(core::Money v);
  void DisplayMonthValueText(core::Money moneyValue, int32_t X2, int32_t Y2);
  void DisplayAverageValueText(core::Money moneyValue, int32_t X2, int32_t Y2);
  QString currency(double amount) const;
  QString currency(core::Money amount) const;

  DrawingArea& area_;
  GraphFigures& figures_;
  QLocale locale_;
  GraphOptions options_;
  GraphCaptions captions_;

  int32_t scaleMax_ = 0;
  int32_t penX_ = 0;
  int32_t penY_ = 0;
  bool gridDrawn_ = false;
  bool lineStarted_ = false;
  int32_t averageTextX_ = 0;
  int32_t averageTextY_ = 0;
};

}  // namespace coravel
