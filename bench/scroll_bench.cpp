// scroll_bench: the demo host's list of a million profile rows, scrolled in a
// QTableView (offscreen) to 300 random places with a full repaint each time,
// against the same view over a model that hands out fixed texts (the cost of
// the view's own painting). A plain timing program.
#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

#include "coravel/graph/profile_loader.h"
#include "coravel/graph/profile_table.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kSteps = 300;

// The baseline: every cell a text made once.
class FixedTexts : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex& = {}) const override { return kRows; }
  int columnCount(const QModelIndex& = {}) const override { return coravel::ProfileTable::kColumnCount; }
  QVariant data(const QModelIndex& index, int role) const override {
    return role == Qt::DisplayRole ? QVariant(texts_[size_t(index.column())]) : QVariant();
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return coravel::ProfileTable::columnHeader(section);
  }

 private:
  std::array<QString, 13> texts_{"03/15/2025", "7:00 AM", "4:30 PM", "9.00", "8.00", "1.00", "$174.00",
                                 "$32.62", "$206.62", "$14.00", "$0.00", "Yes", "0.50"};
};

void writeProfile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  QByteArray chunk;
  for (int row = 0; row < kRows; ++row) {
    chunk += QByteArray::number(row % 12 + 101).mid(1) + "/15/2025,7:00 AM,4:30 PM,9.00,8.00,1.00,\"$174.00\",\"$32.62\","
             "\"$206.62\",\"$14.00\",\"$0.00\",\"Yes\",0.50\n";
    if (chunk.size() > (1 << 20)) file.write(std::exchange(chunk, {}));
  }
  file.write(chunk);
}

// Milliseconds per scroll step and repaint.
double scrollAndPaint(QAbstractItemModel& model) {
  QTableView view;
  view.setModel(&model);
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 6);
  view.resize(1180, 640);
  view.show();
  view.resizeColumnsToContents();
  QApplication::processEvents();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> place(0, view.verticalScrollBar()->maximum());
  QElapsedTimer timer;
  timer.start();
  for (int step = 0; step < kSteps; ++step) {
    view.verticalScrollBar()->setValue(place(random));
    view.viewport()->repaint();
  }
  return double(timer.nsecsElapsed()) / 1e6 / kSteps;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("million.dat"));
  writeProfile(path);

  coravel::ProfileTable shifts;
  coravel::ProfileLoader loader(shifts);
  QElapsedTimer load;
  load.start();
  loader.LoadLWGraph(shifts, path);
  const double loadMs = double(load.nsecsElapsed()) / 1e6;
  if (shifts.itemCount() != kRows) {
    std::fprintf(stderr, "scroll_bench: %d rows read, %d expected\n", shifts.itemCount(), kRows);
    return 1;
  }

  FixedTexts baseline;
  const double baselineMs = scrollAndPaint(baseline);
  const double listMs = scrollAndPaint(shifts);
  std::printf("rows: %d, loaded in %.0f ms\n", kRows, loadMs);
  std::printf("scroll + repaint, fixed texts (baseline): %.2f ms a step\n", baselineMs);
  std::printf("scroll + repaint, profile rows:           %.2f ms a step (%.2fx the baseline)\n", listMs,
              listMs / baselineMs);
  return 0;
}
