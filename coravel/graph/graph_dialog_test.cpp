#include "coravel/graph/graph_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

#include "coravel/graph/graph_design.h"
#include "coravel/graph/graph_plot.h"
#include "coravel/graph/picture_box.h"
#include "coravel/leave/test_settings.h"
#include "core/twips.h"
#include "platform/ui/accessibility_check.h"
#include "platform/ui/form_layout.h"

namespace coravel {

using platform::formFont;
using platform::toPixels;

namespace {

// A profile file of one record per (date, total pay).
void writeProfile(const QString& path, const QList<std::pair<const char*, const char*>>& rows) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (auto [date, pay] : rows)
    file.write(QByteArray(date) + ",08:00,16:00,8,8,0," + pay + ",0," + pay + ",0,0,0,30\r\n");
}

// The controls that show no text of their own as assistive technology reads
// them (the labels read their texts); the check boxes and the button in the
// window's tab order.
const platform::test::ExpectedControl kReadAs[] = {
    {"Frame1", QAccessible::Grouping, "Statistics", "", -1},
    {"Frame2", QAccessible::Grouping, "Options", "", -1},
    {"ckAverage", QAccessible::CheckBox, "Show yearly average", "", 0},
    {"ckHorizontal", QAccessible::CheckBox, "Show horizontal grids", "", 1},
    {"ckVertical", QAccessible::CheckBox, "Show vertical grids", "", 2},
    {"Command1", QAccessible::PushButton, "Load other Job Profiles...", "", 3},
    {"Graphic", QAccessible::Graphic, "Yearly graph of net earnings", "", -1},
};

class GraphDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    writeProfile(appPath() + "/jobs/a.dat", {{"01/05/2001", "100"}, {"01/20/2001", "50"}, {"02/03/2001", "25"}});
    ts.store("AppPath", qPrintable(appPath()));
  }
  QString appPath() const { return ts.dir.filePath("profiles"); }

  QString text(const char* label) const { return window().findChild<QLabel*>(label)->text(); }
  QCheckBox* box(const char* name) const { return window().findChild<QCheckBox*>(name); }
  GraphDialog& window() const { return *graph; }
  void open() {
    graph = std::make_unique<GraphDialog>(ts.registry, ts.ui);
    graph->load();
  }
  // Pixels of the grid colour down one column of the drawing.
  int gridPixelsInColumn(int x) const {
    const QImage drawing = window().findChild<PictureBox*>("Graphic")->drawing().toImage();
    int count = 0;
    for (int y = 0; y < drawing.height(); ++y) count += drawing.pixel(x, y) == graph::kGridColor.rgb();
    return count;
  }

  mutable test::TestSettings ts;
  std::unique_ptr<GraphDialog> graph;
};

TEST_F(GraphDialogTest, OpensWithTheStoredOptionsLoadedFiguresAndEdgedFrames) {
  ts.store("ShowHorizonal", "1");
  ts.store("ShowVertical", "abc");
  ts.store("ShowAverage", "1");
  open();
  EXPECT_TRUE(box("ckHorizontal")->isChecked());
  EXPECT_FALSE(box("ckVertical")->isChecked());
  EXPECT_TRUE(box("ckAverage")->isChecked());
  EXPECT_EQ(QStringList({ts.stored("ShowHorizonal"), ts.stored("ShowVertical"), ts.stored("ShowAverage")}),
            QStringList({"1", "abc", "1"}));
  // The boxes set on opening store and draw, and the opening loads once.
  EXPECT_EQ(text("lblcount"), "1");
  EXPECT_EQ(window().listViewGraph().itemCount(), 3);

  EXPECT_EQ(text("lblNetPayTotal2"), "$175.00");
  EXPECT_EQ(text("lblHighestEarning2"), "$150.00");
  EXPECT_EQ(text("lblLowEarning"), "$25.00");
  EXPECT_EQ(text("lblAverage2"), "$87.00");
  EXPECT_EQ(text("lblYear"), "Year of: 2001");
  EXPECT_FALSE(window().findChild<QLabel*>("lblDetectedAnotherYear")->isVisibleTo(graph.get()));
  EXPECT_GT(gridPixelsInColumn(300), 0) << "horizontal grid drawn";
  EXPECT_LT(gridPixelsInColumn(287), 50) << "no vertical grid line at x = 287";

  for (const char* frame : {"Frame1", "Frame2"})
    EXPECT_EQ(window().findChild<QGroupBox*>(frame)->property("SED_BORDERS").toInt(), 5) << frame;
  window().close();
  for (const char* frame : {"Frame1", "Frame2"})
    EXPECT_FALSE(window().findChild<QGroupBox*>(frame)->property("SED_OLDPROC").isValid()) << frame;
}

TEST_F(GraphDialogTest, AssistiveTechnologyReadsTheFiguresButNotTheListNeverShown) {
  ts.store("ShowAverage", "1");
  open();
  platform::test::expectExposedAsDesigned(window(), kReadAs);
  EXPECT_EQ(platform::test::tabChain(window()), platform::test::designTabChain(window(), kReadAs));
  QAccessibleInterface* graphic = QAccessible::queryAccessibleInterface(window().findChild<PictureBox*>("Graphic"));
  EXPECT_EQ(graphic->text(QAccessible::Description).toStdString(),
            "Year of: 2001. Jan $150.00, Feb $25.00, Mar $0.00, Apr $0.00, May $0.00, Jun $0.00, Jul $0.00, "
            "Aug $0.00, Sept $0.00, Oct $0.00, Nov $0.00, Dec $0.00. Y-T-D Totals: $175.00. "
            "Highest Earning: $150.00. Lowest Earning: $25.00. Yearly Average: $87.00.");

  QAccessibleInterface* frmGraph = QAccessible::queryAccessibleInterface(&window());
  QStringList children;
  for (int i = 0; i < frmGraph->childCount(); ++i) children << frmGraph->child(i)->object()->objectName();
  EXPECT_TRUE(children.contains("Graphic"));
  EXPECT_FALSE(children.contains("ListViewGraph"));
  EXPECT_FALSE(children.contains("GrapHolder")) << "it lies under the drawing area";
  EXPECT_EQ(frmGraph->indexOfChild(QAccessible::queryAccessibleInterface(window().findChild<QWidget*>("ListViewGraph"))),
            -1);
}

TEST_F(GraphDialogTest, ChosenFilesReplaceTheListUntilAClickReloadsAppPath) {
  open();
  EXPECT_FALSE(box("ckVertical")->isChecked());
  ASSERT_EQ(window().listViewGraph().itemCount(), 3);

  const QString chosen = ts.dir.filePath("elsewhere/b.dat");
  writeProfile(chosen, {{"03/01/2002", "40"}, {"12/31/2001", "60"}});
  ts.ui.filesToChoose = {chosen};
  QTest::mouseClick(window().findChild<QPushButton*>("Command1"), Qt::LeftButton);
  ASSERT_EQ(ts.ui.fileRequests.size(), 1);
  EXPECT_EQ(ts.ui.fileRequests[0].title, "Select one or more files");
  EXPECT_EQ(window().listViewGraph().itemCount(), 2);
  EXPECT_EQ(text("lblYear"), "Year of: 2002");
  EXPECT_EQ(text("lblNetPayTotal2"), "$100.00");
  EXPECT_TRUE(text("lblDetectedAnotherYear").endsWith(" - not graphed : 12/31/2001"));
  EXPECT_TRUE(window().findChild<QLabel*>("lblDetectedAnotherYear")->isVisibleTo(graph.get()));

  QTest::mouseClick(box("ckVertical"), Qt::LeftButton, {}, QPoint(6, box("ckVertical")->height() / 2));
  EXPECT_EQ(ts.stored("ShowVertical"), "1");
  EXPECT_EQ(window().listViewGraph().itemCount(), 3);
  EXPECT_EQ(text("lblYear"), "Year of: 2001");
  EXPECT_FALSE(window().findChild<QLabel*>("lblDetectedAnotherYear")->isVisibleTo(graph.get()));
  EXPECT_GT(gridPixelsInColumn(287), 200) << "vertical grid line at x = 287";

  QTest::mouseClick(box("ckVertical"), Qt::LeftButton, {}, QPoint(6, box("ckVertical")->height() / 2));
  EXPECT_EQ(ts.stored("ShowVertical"), "0");
  EXPECT_LT(gridPixelsInColumn(287), 50);
}

// The scale labels keep their right edge at the drawing area and show their
// whole text: a year past $12 million takes a smaller size of the same font.
TEST_F(GraphDialogTest, ScaleLabelsShowWholeBesideTheDrawingArea) {
  const int right = core::twipsToPixels(graph_design::kScaleLabelLeft + graph_design::kScaleLabelWidth);
  const QFont form = formFont();
  struct Case {
    QList<std::pair<const char*, const char*>> rows;
    const char* top;
    bool smaller;
  } cases[] = {{{{"01/05/2001", "150"}}, "$170", false},
               {{{"01/05/2001", "12462970"}, {"02/03/2001", "1400"}}, "$12,464,370", true}};
  for (const Case& c : cases) {
    writeProfile(appPath() + "/jobs/a.dat", c.rows);
    open();
    QList<QLabel*> labels = window().findChildren<QLabel*>("Label5");
    ASSERT_EQ(labels.size(), 10);
    std::sort(labels.begin(), labels.end(),
              [](QLabel* a, QLabel* b) { return a->property("index").toInt() < b->property("index").toInt(); });
    EXPECT_EQ(labels[9]->text(), c.top);
    for (QLabel* label : labels) {
      SCOPED_TRACE(label->text().toStdString());
      EXPECT_GE(label->x(), 0);
      EXPECT_EQ(label->geometry().right() + 1, right);
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
      EXPECT_EQ(label->font().family(), form.family());
      EXPECT_GE(label->font().pixelSize(), 8) << "6 points at the least";
      EXPECT_EQ(label->font().pixelSize() < form.pixelSize(), c.smaller);
    }
  }
}

// Boxes keep their design places, and each shows its whole indicator.
TEST_F(GraphDialogTest, CheckBoxesShowTheirWholeSquareAtTheirDesignPlaces) {
  open();
  for (const graph_design::LabelPlace& place : graph_design::kCheckBoxes) {
    QCheckBox* checkBox = box(place.name);
    EXPECT_EQ(checkBox->geometry(), toPixels(place.rect)) << place.name;
    QStyleOptionButton option;
    option.initFrom(checkBox);
    const QRect indicator = checkBox->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, checkBox);
    EXPECT_TRUE(checkBox->rect().contains(indicator)) << place.name << " indicator bottom " << indicator.bottom();
    EXPECT_EQ(indicator.width(), indicator.height()) << place.name;
  }
}

TEST_F(GraphDialogTest, TheCountGrowsDuringALongLoadAndClosingEndsIt) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));  // the reset figures' region
  for (int folder = 0; folder < 100; ++folder)
    writeProfile(appPath() + QStringLiteral("/jobs/%1/p.dat").arg(folder, 3, 10, QChar('0')), {{"04/01/2001", "1"}});
  graph = std::make_unique<GraphDialog>(ts.registry, ts.ui);
  QStringList countsSeen;
  QSet<QString> lowestSeen, averagesSeen;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    countsSeen.append(text("lblcount"));
    lowestSeen.insert(text("lblLowEarning"));
    averagesSeen.insert(text("lblAverage2"));
    if (text("lblcount").toInt() >= 10) window().close();
  });
  watch.start(0);
  graph->load();
  watch.stop();
  EXPECT_TRUE(countsSeen.contains("1")) << "the window ran its events while it loaded";
  // The reset before the load: the region's zero, but the system's own dollars for the average.
  EXPECT_EQ(lowestSeen, QSet<QString>{QString::fromUtf8("0,00\u00a0\u20ac")});
  EXPECT_EQ(averagesSeen, QSet<QString>{"$0.00"});
  const int read = text("lblcount").toInt();
  EXPECT_GE(read, 10);
  EXPECT_LT(read, 101) << "the load ended when the window closed";
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(window().exec(), QDialog::Rejected) << "not shown again";
  EXPECT_FALSE(window().findChild<QGroupBox*>("Frame1")->property("SED_OLDPROC").isValid());
}

}  // namespace
}  // namespace coravel
