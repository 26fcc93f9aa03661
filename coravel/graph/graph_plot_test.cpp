#include "coravel/graph/graph_plot.h"

#include <QFontMetricsF>
#include <QImage>
#include <gtest/gtest.h>

#include "coravel/graph/picture_box.h"
#include "coravel/graph/recording_drawing_area.h"

namespace coravel {
namespace {

using core::Money;
using Kind = RecordingDrawingArea::Kind;

Money money(double amount) { return Money::fromDouble(amount); }

// Figures as given: month totals and the statistics of a loaded list.
struct FixedFigures : GraphFigures {
  void GetMonthDate() override { ++monthDateCalls; }
  Money MonthTotal(int month) const override { return months[month - 1]; }
  int32_t GraphYear() const override { return year; }
  double GetHighestMonth() override { return highest; }
  void setHighestMonth(Money amount) override { highestSet = amount; }
  double GetLowestMonth() override { return lowest; }
  double GetColumnNetPay() override { return ytd; }
  void computeYearlyAverage(const QString& shown) override { averagedFrom = shown; }
  Money YearlyAverage() const override { return average; }

  std::array<Money, 12> months{};
  int32_t year = 0;
  double highest = 0, lowest = 0, ytd = 0;
  Money average;
  Money highestSet = Money::fromWhole(-1);
  QString averagedFrom;
  int monthDateCalls = 0;
};

struct Graph {
  RecordingDrawingArea area;
  FixedFigures figures;
  GraphPlot plot{area, figures, QLocale(QLocale::English, QLocale::UnitedStates)};

  void refresh(GraphOptions options) {
    plot.ResetDrawing();
    area.ops.clear();
    plot.RefreshData(options);
  }
  QList<RecordingDrawingArea::Op> linesIn(const QColor& color) const {
    QList<RecordingDrawingArea::Op> found;
    for (const auto& op : area.of(Kind::Line))
      if (op.color == color) found.append(op);
    return found;
  }
};

TEST(GraphPlot, HeadroomByTheHighestMonth) {
  const std::pair<int64_t, int64_t> cases[] = {
      {-300, -275}, {0, 25},      {499, 524},    {500, 540},    {800, 840},     {801, 851},     {1000, 1050},
      {1001, 1151}, {3000, 3150}, {3001, 3401},  {8000, 8400},  {8001, 8501},   {10000, 10500}, {10001, 11401}};
  for (auto [v, expected] : cases)
    EXPECT_EQ(GraphPlot::AddScaleHeadroom(Money::fromWhole(v)), Money::fromWhole(expected)) << v;

  Graph g;  // the highest month comes to whole units first, halves to even
  g.figures.highest = 499.50;
  g.refresh({});
  EXPECT_EQ(g.plot.ScaleMax(), 540);
  EXPECT_EQ(g.figures.highestSet, money(499.50));
  g.figures.highest = 1234.50;
  g.refresh({});
  EXPECT_EQ(g.plot.ScaleMax(), 1384);
}

TEST(GraphPlot, NoEarningsDrawsAlongTheBottomWithTwelveZeroTexts) {
  Graph g;
  g.refresh({.horizontalGrid = true, .verticalGrid = true, .average = false});
  const GraphCaptions& c = g.plot.captions();
  EXPECT_EQ(g.plot.ScaleMax(), 25);
  EXPECT_EQ(c.scale[0], "$2");
  EXPECT_EQ(c.scale[4], "$10");
  EXPECT_EQ(c.scale[9], "$20");
  EXPECT_EQ(QStringList({c.lowEarning, c.netPayTotal, c.highestEarning, c.average, c.year}),
            QStringList({"$0.00", "$0.00", "$0.00", "$0.00", "Year of: 0"}));
  EXPECT_EQ(g.figures.monthDateCalls, 1);

  const auto grid = g.linesIn(graph::kGridColor);
  ASSERT_EQ(grid.size(), 26);
  EXPECT_EQ(std::tuple(grid[0].x1, grid[0].y1, grid[0].x2, grid[0].y2), std::tuple(541., 2., 0., 2.));
  EXPECT_EQ(std::tuple(grid[1].x1, grid[1].y1, grid[1].x2, grid[1].y2), std::tuple(41., 0., 41., 25.));
  EXPECT_EQ(std::tuple(grid[25].x1, grid[25].y1, grid[25].x2, grid[25].y2), std::tuple(533., 0., 533., 25.));

  const auto origin = g.linesIn(graph::kOriginLineColor);
  ASSERT_EQ(origin.size(), 1);
  EXPECT_EQ(std::tuple(origin[0].x1, origin[0].y1, origin[0].x2, origin[0].y2), std::tuple(0., 0., 0., 25.));
  const auto month = g.linesIn(graph::kMonthLineColor);
  ASSERT_EQ(month.size(), 12);
  for (int m = 1; m <= 12; ++m) {
    const auto& l = month[m - 1];
    EXPECT_EQ(std::tuple(l.x1, l.y1, l.x2, l.y2), std::tuple(41. * (m - 1), 25., 41. * m, 25.)) << m;
  }
  const auto texts = g.area.of(Kind::Print);
  ASSERT_EQ(texts.size(), 12);
  for (const auto& t : texts) {
    EXPECT_EQ(t.text, "$0.00");
    EXPECT_EQ(t.color, graph::kMonthTextColor);
  }
  EXPECT_TRUE(g.linesIn(graph::kAverageColor).isEmpty());
}

TEST(GraphPlot, ScaleLabelsOfAHighestMonthOf1234_50) {
  Graph g;
  g.figures.highest = 1234.50;
  g.figures.months[2] = money(1234.50);
  g.refresh({});
  const auto& scale = g.plot.captions().scale;
  EXPECT_EQ(QStringList(scale.begin(), scale.end()),
            QStringList({"$138", "$276", "$414", "$552", "$690", "$828", "$966", "$1,104", "$1,242", "$1,380"}));
  EXPECT_EQ(g.plot.captions().highestEarning, "$1,234.50");
  EXPECT_TRUE(g.linesIn(graph::kGridColor).isEmpty()) << "labels are filled with both grids off";
}

TEST(GraphPlot, MonthPointsAndTheirTexts) {
  Graph g;
  g.figures.highest = 300;
  g.figures.months[5] = money(300);     // June
  g.figures.months[11] = money(-12.5);  // December, below the bottom edge
  g.refresh({});
  ASSERT_EQ(g.plot.ScaleMax(), 325);
  const auto month = g.linesIn(graph::kMonthLineColor);
  EXPECT_EQ(std::tuple(month[5].x1, month[5].y1, month[5].x2, month[5].y2), std::tuple(205., 325., 246., 25.));
  EXPECT_EQ(std::tuple(month[6].x1, month[6].y1, month[6].x2, month[6].y2), std::tuple(246., 25., 287., 325.));
  EXPECT_EQ(std::tuple(month[11].x2, month[11].y2), std::tuple(492., 337.5));
  const auto texts = g.area.of(Kind::Print);
  // "$300.00" is 42 units wide and 10 high: centred over the point, bottom on it.
  EXPECT_EQ(std::tuple(texts[5].text, texts[5].x1, texts[5].y1), std::tuple(QString("$300.00"), 225., 15.));
  EXPECT_EQ(std::tuple(texts[11].text, texts[11].x1, texts[11].y1), std::tuple(QString("-$12.50"), 471., 328.));
  EXPECT_EQ(g.plot.PenX(), 492);
  EXPECT_EQ(g.plot.PenY(), 338) << "337.5 to even";
}

TEST(GraphPlot, AverageLineAndTextFromTheShownTotal) {
  Graph g;
  g.figures.months[0] = money(300);
  g.figures.months[1] = money(500);
  g.figures.months[2] = money(200);
  g.figures.months[3] = money(234.50);
  g.figures.highest = 500;
  g.figures.ytd = 1234.50;
  g.figures.average = Money::fromWhole(308);
  g.refresh({.average = true});
  EXPECT_EQ(g.figures.averagedFrom, "$1,234.50") << "averaged from the total as shown";
  EXPECT_EQ(g.plot.captions().average, "$308.00");

  // Average line, origin line, average text, then the months.
  const auto& ops = g.area.ops;
  QList<QColor> lineColors;
  for (const auto& op : ops)
    if (op.kind == Kind::Line) lineColors.append(op.color);
  ASSERT_GE(lineColors.size(), 3);
  EXPECT_EQ(lineColors.mid(0, 3), QList<QColor>({graph::kAverageColor, graph::kOriginLineColor,
                                                  graph::kMonthLineColor}));
  const auto average = g.linesIn(graph::kAverageColor).front();
  EXPECT_EQ(std::tuple(average.x1, average.y1, average.x2, average.y2), std::tuple(0., 232., 641., 232.));
  const auto origin = g.linesIn(graph::kOriginLineColor).front();
  EXPECT_EQ(std::tuple(origin.x1, origin.y1, origin.x2, origin.y2), std::tuple(0., 232., 0., 540.));
  const auto text = g.area.of(Kind::Print).front();
  EXPECT_EQ(std::tuple(text.text, text.x1, text.y1), std::tuple(QString("Average: $308.00"), 1., 222.));
  EXPECT_EQ(text.color, graph::kAverageColor);

  g.refresh({.average = false});
  EXPECT_EQ(g.plot.captions().average, "$308.00");
  EXPECT_TRUE(g.linesIn(graph::kAverageColor).isEmpty());
  EXPECT_EQ(g.area.of(Kind::Print).size(), 12);

}

TEST(PictureBox, DrawsOnItsScaleAndKeepsTheDrawing) {
  PictureBox box;
  box.setGeometry(0, 0, 536, 250);  // 532 x 246 inside the border
  box.cls();
  box.setScaleHeight(25);
  box.line(0, 25, 100, 25, Qt::red);
  box.line(0, 0, 41, -1e12, Qt::blue);  // far off the area: clipped, not lost in overflow
  EXPECT_DOUBLE_EQ(box.textHeight("$0.00"), QFontMetricsF(box.font()).height() * 25.0 / 245);
  const QImage drawing = box.drawing().toImage();
  EXPECT_EQ(drawing.size(), QSize(532, 246));
  EXPECT_EQ(drawing.pixelColor(50, 245), QColor(Qt::red));
  EXPECT_EQ(drawing.pixelColor(50, 100), QColor(Qt::white));
  const QImage shown = box.grab().toImage();
  EXPECT_EQ(shown.pixelColor(52, 247), QColor(Qt::red)) << "drawn inside the border";
}

}  // namespace
}  // namespace coravel
