#include "coravel/util/smart_edge.h"

#include <QGroupBox>
#include <QImage>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

#include "coravel/util/window_longs.h"

namespace coravel {
namespace {

constexpr int32_t kPlainStyle = 0x50000000 | int32_t(winlong::kBorder);
constexpr int32_t kPlainExStyle = int32_t(winlong::kWindowEdge) | 0x4;

const char* const kEdgeProperties[] = {"SED_OLDPROC", "SED_OLDGWLSTYLE", "SED_OLDGWLEXSTYLE", "SED_BORDERS"};

// A widget with a one-pixel border style of its own and a plain background.
struct PlainWidget {
  PlainWidget() {
    widget.resize(40, 30);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, qRgb(10, 200, 30));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
    setWindowLong(&widget, winlong::kStyle, kPlainStyle);
    setWindowLong(&widget, winlong::kExStyle, kPlainExStyle);
  }
  QImage image() { return widget.grab().toImage(); }
  QRgb pixel(int x, int y) { return image().pixel(x, y); }
  QRgb palette(QPalette::ColorRole role) const { return widget.palette().color(role).rgb(); }
  uint32_t style() const { return windowLong(&widget, winlong::kStyle); }
  uint32_t exStyle() const { return windowLong(&widget, winlong::kExStyle); }
  bool hasEdgeProperties() const {
    for (const char* name : kEdgeProperties)
      if (widget.property(name).isValid()) return true;
    return false;
  }
  QWidget widget;
};

TEST(SmartEdge, RepeatedAttachKeepsTheFirstStateAndDetachRestoresIt) {
  PlainWidget w;
  const QImage plain = w.image();
  const QMargins plainMargins = w.widget.contentsMargins();

  ASSERT_TRUE(AttachEdge(&w.widget, 5));
  const QVariant ownProcedure = w.widget.property("SED_OLDPROC");
  EXPECT_NE(ownProcedure.value<quintptr>(), 0u);
  EXPECT_EQ(w.widget.property("SED_OLDGWLSTYLE").toInt(), kPlainStyle);
  EXPECT_EQ(w.widget.property("SED_OLDGWLEXSTYLE").toInt(), kPlainExStyle);
  EXPECT_EQ(w.widget.property("SED_BORDERS").toInt(), 5);
  EXPECT_EQ(w.style(), 0x50000000u) << "border bits cleared";
  EXPECT_EQ(w.exStyle(), winlong::kClientEdge | 0x4);
  EXPECT_EQ(w.widget.contentsMargins(), plainMargins + QMargins(1, 1, 1, 1)) << "a two-pixel frame";
  // Bump: raised outer border, sunken inner border.
  EXPECT_EQ(w.pixel(0, 0), w.palette(QPalette::Midlight));
  EXPECT_EQ(w.pixel(39, 29), w.palette(QPalette::Shadow));
  EXPECT_EQ(w.pixel(1, 1), w.palette(QPalette::Shadow));
  EXPECT_EQ(w.pixel(38, 28), w.palette(QPalette::Midlight));
  EXPECT_EQ(w.pixel(2, 2), qRgb(10, 200, 30)) << "the widget still paints itself";

  ASSERT_TRUE(AttachEdge(&w.widget, 2));
  EXPECT_EQ(w.widget.property("SED_OLDPROC"), ownProcedure);
  EXPECT_EQ(w.widget.property("SED_OLDGWLSTYLE").toInt(), kPlainStyle);
  EXPECT_EQ(w.widget.property("SED_OLDGWLEXSTYLE").toInt(), kPlainExStyle);
  EXPECT_EQ(w.widget.property("SED_BORDERS").toInt(), 2);
  EXPECT_EQ(w.exStyle(), winlong::kStaticEdge | 0x4);
  EXPECT_EQ(w.widget.contentsMargins(), plainMargins);
  // Thin sunken: one pixel, shadow at the top left, highlight at the bottom right.
  EXPECT_EQ(w.pixel(0, 0), w.palette(QPalette::Dark));
  EXPECT_EQ(w.pixel(39, 29), w.palette(QPalette::Light));
  EXPECT_EQ(w.pixel(1, 1), qRgb(10, 200, 30));

  ASSERT_TRUE(DetachEdge(&w.widget));
  EXPECT_EQ(w.style(), uint32_t(kPlainStyle));
  EXPECT_EQ(w.exStyle(), uint32_t(kPlainExStyle));
  EXPECT_EQ(w.widget.contentsMargins(), plainMargins);
  EXPECT_FALSE(w.hasEdgeProperties());
  EXPECT_EQ(w.widget.children().size(), 0) << "the edge's painting is gone";
  EXPECT_EQ(w.image(), plain);
  EXPECT_FALSE(DetachEdge(&w.widget)) << "a second detach finds no edge";
}

TEST(SmartEdge, DetachWithoutAnEdgeChangesNothing) {
  PlainWidget w;
  w.widget.setProperty("SED_BORDERS", 3);  // a stray value, but no saved procedure
  EXPECT_FALSE(DetachEdge(&w.widget));
  EXPECT_EQ(w.widget.property("SED_BORDERS").toInt(), 3);
  EXPECT_EQ(w.style(), uint32_t(kPlainStyle));
  EXPECT_EQ(w.exStyle(), uint32_t(kPlainExStyle));
  EXPECT_FALSE(DetachEdge(nullptr));
  EXPECT_FALSE(AttachEdge(nullptr, 5));
}

TEST(SmartEdge, KindsWithoutABorderTakeOverThePaintingButDrawNothing) {
  for (int32_t kind : {0, 9, -1}) {
    PlainWidget w;
    const QImage plain = w.image();
    ASSERT_TRUE(AttachEdge(&w.widget, kind)) << kind;
    EXPECT_EQ(w.style(), 0x50000000u) << kind;
    EXPECT_EQ(w.exStyle(), 0x4u) << kind << ": every edge bit cleared";
    EXPECT_EQ(w.widget.property("SED_BORDERS").toInt(), kind);
    EXPECT_EQ(w.image(), plain) << kind;
    EXPECT_TRUE(DetachEdge(&w.widget)) << kind;
  }
}

// A frame's own border is left out while the edge is attached: inside the
// edge's pixels (none for kind 0) the frame shows only its background.
TEST(SmartEdge, AFramesOwnBorderIsNotPaintedUnderTheEdge) {
  const std::pair<int32_t, int> kindsAndWidths[] = {{0, 0}, {9, 0}, {2, 1}, {4, 1}, {5, 2}, {6, 2}};
  for (auto [kind, edgeWidth] : kindsAndWidths) {
    QGroupBox box;
    box.resize(60, 40);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Window, qRgb(10, 200, 30));
    box.setPalette(palette);
    box.setAutoFillBackground(true);
    ASSERT_TRUE(AttachEdge(&box, kind));
    const QImage image = box.grab().toImage();
    int otherPixels = 0;
    for (int y = edgeWidth; y < image.height() - edgeWidth; ++y)
      for (int x = edgeWidth; x < image.width() - edgeWidth; ++x) otherPixels += image.pixel(x, y) != qRgb(10, 200, 30);
    EXPECT_EQ(otherPixels, 0) << "kind " << kind;
    EXPECT_TRUE(DetachEdge(&box));
  }
}

TEST(SmartEdge, EdgeValuesOfTheKinds) {
  const std::pair<int32_t, uint32_t> cases[] = {{0, 0},      {1, 0x000A}, {2, 0x0002}, {3, 0x0005},
                                                {4, 0x0004}, {5, 0x0009}, {6, 0x0006}, {7, 0}, {9, 0}};
  for (auto [kind, value] : cases) EXPECT_EQ(edgeValueOf(kind), value) << kind;
}

}  // namespace
}  // namespace coravel
