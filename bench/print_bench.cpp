// Printing speed, two workloads, each against its baseline in the same run,
// and the demo host's print preview.
//  1. 10,000 rows x 13 cells to a PDF file through CPrinter, against Qt's
//     QTextDocument printing the same table as HTML (what a Qt programmer
//     would reach for). Target: at least 40x faster, end to end.
//  2. 100,000 rows x 13 cells at a requested 12 points that first fits at 6,
//     so the search measures at seven sizes, against one QPainter pass that
//     draws the very same texts at their final places, one drawText a cell,
//     without measuring anything: the floor. Target: at most 0.6x of it.
//  3. A print preview of the demo's list of 60,000 rows: the time from
//     opening it to its first page on screen (target: under 1.5 s), and from
//     asking for the last page to its being shown (target: under 1 s).
// Files go to a temporary folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QGraphicsView>
#include <QTemporaryDir>
#include <QTextDocument>
#include <chrono>
#include <cstdio>
#include <map>

#include "platform/printer/host_printer.h"
#include "platform/printer/print_target.h"
#include "platform/printer/qt_printer.h"
#include "platform/ui/fake_ui.h"
#include "coravel/graph/profile_loader.h"
#include "coravel/graph/profile_table.h"
#include "bench/bench_support.h"
#include "rowcast/list/item_model_list.h"
#include "rowcast/list/memory_list.h"
#include "rowcast/printer/column_fitter.h"
#include "rowcast/printer/cprinter.h"

namespace {

constexpr int kSmallRows = 10'000;
constexpr int kLargeRows = 100'000;

std::shared_ptr<rowcast::MemoryList> gSmall;
std::shared_ptr<rowcast::MemoryList> gLarge;
QTemporaryDir* gDir = nullptr;
bench::BestTimes gBest;  // fastest iteration of each case

QString path(const char* name) { return gDir->filePath(QLatin1String(name)); }



QString money(uint32_t cents) { return QString::number(cents / 100) + u'.' + QString::number(cents % 100 + 100).mid(1); }

// A worker's shifts as a wage-keeping host lists them: dates over three
// years, clock times, quarter hours, a few rates, pay worked out from them;
// so amounts repeat, as they do in real lists.
std::shared_ptr<rowcast::MemoryList> makeList(int rows) {
  QStringList headers{"Date", "Clock In", "Clock Out", "Hours", "Hourly Rate", "Overtime Hours", "Base Pay",
                      "Overtime Pay", "Tips", "Bonus", "Deductions", "Notes", "Total Pay"};
  auto list = std::make_shared<rowcast::MemoryList>(QStringLiteral("lvwShifts"), headers);
  list->reserveRows(size_t(rows));
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  };
  const uint32_t rates[] = {1550, 1625, 1700, 1875};
  const uint32_t bonuses[] = {0, 0, 0, 1000, 2500, 5000};
  const uint32_t deductions[] = {0, 0, 500, 1200};
  const char* notes[] = {"", "", "", "", "Late shift", "Covered the evening shift for Zo\u00eb", "Stock count", "Half day"};
  const QDate first(2022, 1, 3);
  for (int i = 0; i < rows; ++i) {
    const uint32_t quarters = 16 + next(33);  // 4 to 12 hours
    const uint32_t overtime = quarters > 32 ? quarters - 32 : 0;
    const uint32_t rate = rates[next(4)];
    const uint32_t base = (quarters - overtime) * rate / 4;
    const uint32_t overtimePay = overtime * rate * 3 / 8;
    const uint32_t tips = next(161) * 25;
    const uint32_t bonus = bonuses[next(6)];
    const uint32_t deduction = deductions[next(4)];
    const uint32_t startHalfHours = 12 + next(12);
    QStringList row;
    row.reserve(13);
    row << first.addDays(i % 1095).toString(u"MM/dd/yy")
        << QStringLiteral("%1:%2").arg(startHalfHours / 2, 2, 10, QLatin1Char('0')).arg(startHalfHours % 2 ? "30" : "00")
        << QStringLiteral("%1:%2").arg(14 + next(8)).arg(next(2) ? "30" : "00") << money(quarters * 25)
        << money(rate) << money(overtime * 25) << money(base) << money(overtimePay) << money(tips) << money(bonus)
        << money(deduction) << QString::fromUtf8(notes[next(8)])
        << money(base + overtimePay + tips + bonus - std::min(deduction, base));
    list->addRow(std::move(row));
  }
  return list;
}

// The printer under a job, passing every call on and keeping what was
// printed where, so the floor can draw the same texts at the same places.
class LayoutCapture : public platform::Printer {
 public:
  struct Placed {
    QString text;
    float x, y;
    int16_t page;
    float size;
    bool bold, underline;
  };
  explicit LayoutCapture(platform::Printer& inner) : inner_(inner) {}
  int32_t width() const override { return inner_.width(); }
  int16_t orientation() const override { return inner_.orientation(); }
  void setOrientation(int16_t o) override { inner_.setOrientation(o); }
  void setFontName(const QString& name) override { inner_.setFontName(name); }
  float fontSize() const override { return inner_.fontSize(); }
  void setFontSize(float points) override { inner_.setFontSize(points); }
  void setFontBold(bool bold) override { bold_ = bold, inner_.setFontBold(bold); }
  void setFontUnderline(bool underline) override { underline_ = underline, inner_.setFontUnderline(underline); }
  float currentX() const override { return inner_.currentX(); }
  void setCurrentX(float twips) override { inner_.setCurrentX(twips); }
  float currentY() const override { return inner_.currentY(); }
  void setCurrentY(float twips) override { inner_.setCurrentY(twips); }
  int16_t page() const override { return inner_.page(); }
  void setDrawWidth(int16_t dots) override { inner_.setDrawWidth(dots); }
  float textWidth(const QString& text) override { return inner_.textWidth(text); }
  float textHeight(const QString& text) override { return inner_.textHeight(text); }
  void line(float x1, float y1, float x2, float y2, QRgb colour) override { inner_.line(x1, y1, x2, y2, colour); }
  void print(const QString& text) override {
    const float x = inner_.currentX();
    inner_.print(text);
    // Where it went: the line above the new position, on the current page.
    const float y = inner_.currentY() - inner_.textHeight(text);
    if (!text.isEmpty()) placed.push_back({text, x, y, inner_.page(), inner_.fontSize(), bold_, underline_});
  }
  void beginDocument() override { inner_.beginDocument(); }
  void endDocument() override { inner_.endDocument(); }
  void abortDocument() override { inner_.abortDocument(); }

  std::vector<Placed> placed;

 private:
  platform::Printer& inner_;
  bool bold_ = false, underline_ = false;
};

bool printWithCPrinter(platform::Printer& printer, std::shared_ptr<rowcast::ListModel> list, int16_t points = 12,
                       int16_t orientation = 1) {
  platform::FakeUi ui;  // a question would be a wrong fit: it is counted below
  rowcast::CPrinter output(gDir->path(), printer, ui);
  output.setLvwToPrint(std::move(list));
  output.setOrientation(orientation);
  output.setFontName(QStringLiteral("Arial"));
  output.setFontSize(points);
  const bool ok = output.Rowcast();
  printer.endDocument();
  return ok && ui.boxes.isEmpty();
}

void BM_CPrinter10k(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    platform::QtPrinter printer(path("cprinter-10k.pdf"));
    if (!printWithCPrinter(printer, gSmall)) state.SkipWithError("the job did not fit as expected");
    gBest.record("CPrinter 10k", bench::seconds(start));
  }
  state.counters["KiB"] = double(QFileInfo(path("cprinter-10k.pdf")).size()) / 1024.0;
}

QString htmlTable(const rowcast::MemoryList& list) {
  QString html = QStringLiteral("<html><body><h1 align=center>") + list.name().toHtmlEscaped() +
                 QStringLiteral(" Output</h1><table border=1 cellspacing=0 cellpadding=2><tr>");
  for (int c = 0; c < list.columnCount(); ++c) html += QStringLiteral("<th>") + list.columnHeaderText(c).toHtmlEscaped() + QStringLiteral("</th>");
  html += QStringLiteral("</tr>");
  for (int item = 0; item < list.itemCount(); ++item) {
    html += QStringLiteral("<tr>");
    for (int c = 0; c < list.columnCount(); ++c) html += QStringLiteral("<td>") + list.cellText(item, c).toHtmlEscaped() + QStringLiteral("</td>");
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table></body></html>");
}

// The baseline of workload 1: the same table as an HTML document, printed
// by QTextDocument to a PDF set up as CPrinter's is.
void BM_QTextDocument10k(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<QPrinter> device = platform::PrintTarget::choose(path("qtextdocument-10k.pdf")).createDevice();
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("Arial"), 8));
    document.setHtml(htmlTable(*gSmall));
    document.print(device.get());
    gBest.record("QTextDocument 10k", bench::seconds(start));
  }
  state.counters["KiB"] = double(QFileInfo(path("qtextdocument-10k.pdf")).size()) / 1024.0;
}

void BM_CPrinter100k(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    platform::QtPrinter printer(path("cprinter-100k.pdf"));
    if (!printWithCPrinter(printer, gLarge)) state.SkipWithError("the job did not fit as expected");
    gBest.record("CPrinter 100k", bench::seconds(start));
  }
  state.counters["KiB"] = double(QFileInfo(path("cprinter-100k.pdf")).size()) / 1024.0;
}

// The floor of workload 2: the texts CPrinter placed, drawn at the same
// places in the same fonts on the same kind of device, with no measuring.
void BM_QPainterFloor100k(benchmark::State& state) {
  platform::QtPrinter real(path("capture.pdf"));
  LayoutCapture capture(real);
  if (!printWithCPrinter(capture, gLarge)) return state.SkipWithError("the job did not fit as expected");
  const std::vector<LayoutCapture::Placed>& placed = capture.placed;
  state.counters["pages"] = placed.back().page;
  state.counters["row_points"] = placed[placed.size() / 2].size;
  rowcast::ColumnFitter fitter(*gLarge, real, QLocale(QLocale::English, QLocale::UnitedStates));
  state.counters["table_twips_8pt"] = fitter.measureColumns(8);
  state.counters["table_twips_9pt"] = fitter.measureColumns(9);

  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<QPrinter> device = platform::PrintTarget::choose(path("floor-100k.pdf")).createDevice();
    const double dotsPerTwip = device->resolution() / 1440.0;
    QPainter painter(device.get());
    QFont font(QStringLiteral("Arial"));
    double ascent = 0;
    int16_t page = 1;
    float size = -1;
    bool bold = false, underline = false;
    for (const LayoutCapture::Placed& p : placed) {
      if (p.page != page) {
        device->newPage();
        page = p.page;
      }
      if (p.size != size || p.bold != bold || p.underline != underline) {
        size = p.size, bold = p.bold, underline = p.underline;
        font.setPointSizeF(size);
        font.setBold(bold);
        font.setUnderline(underline);
        painter.setFont(font);
        ascent = QFontMetricsF(font, device.get()).ascent();
      }
      painter.drawText(QPointF(p.x * dotsPerTwip, p.y * dotsPerTwip + ascent), p.text);
    }
    painter.end();
    gBest.record("QPainter floor 100k", bench::seconds(start));
  }
  state.counters["KiB"] = double(QFileInfo(path("floor-100k.pdf")).size()) / 1024.0;
}

// Not a target: CPrinter's own share of workload 2 before anything is drawn,
// reading the list once and measuring its distinct texts at every size tried.
void BM_FitSearch100k(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    platform::QtPrinter printer(path("unused.pdf"));
    printer.setFontName(QStringLiteral("Arial"));
    rowcast::ColumnFitter fitter(*gLarge, printer, QLocale(QLocale::English, QLocale::UnitedStates));
    if (!fitter.fitToPage(12)) state.SkipWithError("the list did not fit");
    gBest.record("fit search 100k", bench::seconds(start));
  }
}

// Not a target: what measuring every cell once at one size costs, the work
// that each of the five sizes would repeat without the distinct-text measuring.
void BM_MeasureEveryCellOnce100k(benchmark::State& state) {
  platform::QtPrinter printer(path("unused.pdf"));
  printer.setFontName(QStringLiteral("Arial"));
  printer.setFontSize(8);
  printer.setFontBold(true);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    float widest = 0;
    for (int item = 0; item < gLarge->itemCount(); ++item)
      for (int c = 0; c < gLarge->columnCount(); ++c) widest = std::max(widest, printer.textWidth(gLarge->cellText(item, c)));
    benchmark::DoNotOptimize(widest);
    gBest.record("measure every cell once 100k", bench::seconds(start));
  }
}

// Time from opening a print preview of 60,000 rows to its first page on
// screen, and the job's own share of it, as the demo host asks for it:
// landscape, at most 10 points.
class FirstPaint : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

// The demo host's list: its table of profile rows, here 60,000 of them
// made from the bundled sample's lines, read through the list adapter.
std::shared_ptr<rowcast::ItemModelList> demoList(coravel::ProfileTable& shifts, int rows) {
  QFile sample(QStringLiteral(SAMPLES_DIR "/profiles/Harbour Cafe/cafe_2025.dat"));
  if (!sample.open(QIODevice::ReadOnly)) return nullptr;
  const QList<QByteArray> lines = sample.readAll().trimmed().split('\n');
  QFile profile(path("preview.dat"));
  if (!profile.open(QIODevice::WriteOnly)) return nullptr;
  for (int row = 0; row < rows; ++row) profile.write(lines[row % lines.size()] + '\n');
  profile.close();
  coravel::ProfileLoader(shifts).LoadLWGraph(shifts, profile.fileName());
  return std::make_shared<rowcast::ItemModelList>(&shifts, QStringLiteral("lvwShifts"));
}

void BM_PreviewFirstPage60k(benchmark::State& state) {
  coravel::ProfileTable shifts;
  auto list = demoList(shifts, 60'000);
  if (!list || list->itemCount() != 60'000) return state.SkipWithError("the demo's list could not be made");
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    double jobSeconds = 0;
    QPrinter device(QPrinter::HighResolution);
    device.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&device);
    preview.resize(1000, 760);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* printer) {
      const auto jobStart = std::chrono::steady_clock::now();
      platform::bindHostPrinter(printer);
      {
        platform::QtPrinter onHost;
        printWithCPrinter(onHost, list, 10, 2);
      }
      platform::bindHostPrinter(nullptr);
      jobSeconds = bench::seconds(jobStart);
    });
    FirstPaint firstPaint;
    auto* view = preview.findChild<QPrintPreviewWidget*>()->findChild<QGraphicsView*>();
    view->viewport()->installEventFilter(&firstPaint);
    preview.show();
    while (!firstPaint.painted) QCoreApplication::processEvents();
    gBest.record("preview first page 60k", bench::seconds(start));
    gBest.record("preview job 60k", jobSeconds);
    auto* pages = preview.findChild<QPrintPreviewWidget*>();
    state.counters["pages"] = pages->pageCount();

    const auto toLast = std::chrono::steady_clock::now();
    firstPaint.painted = false;
    pages->setCurrentPage(pages->pageCount());
    while (!firstPaint.painted) QCoreApplication::processEvents();
    gBest.record("preview to last page 60k", bench::seconds(toLast));
    if (pages->currentPage() != pages->pageCount()) state.SkipWithError("the last page was not shown");
  }
}

void printSummary() {
  auto best = [](const char* name) { return gBest[name]; };
  std::printf("\nprinting to PDF (fastest iteration)\n");
  for (const auto& [name, s] : gBest.all()) std::printf("  %-30s %8.3f s\n", name.c_str(), s);
  if (best("CPrinter 10k") > 0 && best("QTextDocument 10k") > 0)
    std::printf("  QTextDocument / CPrinter, 10k rows:  %6.1fx (target >= 40)\n",
                best("QTextDocument 10k") / best("CPrinter 10k"));
  if (best("CPrinter 100k") > 0 && best("QPainter floor 100k") > 0)
    std::printf("  CPrinter / QPainter floor, 100k rows: %5.2fx (target <= 0.6)\n",
                best("CPrinter 100k") / best("QPainter floor 100k"));
  if (best("preview first page 60k") > 0)
    std::printf("  preview of 60k rows: first page %.2f s (target < 1.5), last page %.2f s later (target < 1)\n",
                best("preview first page 60k"), best("preview to last page 60k"));
  if (best("fit search 100k") > 0 && best("CPrinter 100k") > 0)
    std::printf("  fit search's share of CPrinter, 100k rows: %4.2f\n", best("fit search 100k") / best("CPrinter 100k"));
  if (best("measure every cell once 100k") > 0 && best("QPainter floor 100k") > 0)
    std::printf("  one naive measuring pass / floor:     %5.2fx (five of them without distinct texts)\n",
                best("measure every cell once 100k") / best("QPainter floor 100k"));
}

}  // namespace

BENCHMARK(BM_CPrinter10k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_QTextDocument10k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_CPrinter100k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_QPainterFloor100k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FitSearch100k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PreviewFirstPage60k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_MeasureEveryCellOnce100k)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/print_bench-XXXXXX"));
  gDir = &dir;
  gSmall = makeList(kSmallRows);
  gLarge = makeList(kLargeRows);
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  return 0;
}
