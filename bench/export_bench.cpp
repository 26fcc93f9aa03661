// Export speed: 1,000,000 rows of 13 cells from an in-memory list to CSV and
// to HTML, against two baselines measured in the same run: (a) one fwrite of
// the identical bytes prepared in memory beforehand, the floor; (b) Python's
// csv.writer writing the same rows. Also the peak memory each export adds
// above the list. Files go to a temporary folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "bench/bench_support.h"
#include "rowcast/export/ccsv.h"
#include "rowcast/export/chtml.h"
#include "rowcast/list/memory_list.h"

namespace {

constexpr int kRows = 1'000'000;
constexpr int kColumns = 13;
constexpr double kMiB = 1024.0 * 1024.0;

std::shared_ptr<rowcast::MemoryList> gList;
QTemporaryDir* gDir = nullptr;
bench::BestTimes gBest;  // fastest iteration of each case
std::map<std::string, double> gPeakExtraMiB;

QString path(const char* name) { return gDir->filePath(QLatin1String(name)); }

// A worker's shifts: dates, times, hours, money and now and then a note with
// a comma or quotes, so the writers meet their escapes.
std::shared_ptr<rowcast::MemoryList> makeList() {
  QStringList headers{"Date", "Start", "End", "Hours", "Rate", "Overtime Hours", "Base Pay",
                      "Overtime Pay", "Tips", "Bonus", "Deductions", "Notes", "Total Pay"};
  auto list = std::make_shared<rowcast::MemoryList>(QStringLiteral("lvwShifts"), headers);
  list->reserveRows(kRows);
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  };
  auto money = [](uint32_t cents) { return QString::number(cents / 100) + '.' + QString::number(cents % 100 + 100).mid(1); };
  for (int i = 0; i < kRows; ++i) {
    QStringList row;
    row.reserve(kColumns);
    row << QStringLiteral("%1/%2/%3").arg(1 + next(12), 2, 10, QLatin1Char('0')).arg(1 + next(28), 2, 10, QLatin1Char('0')).arg(20 + next(10))
        << QStringLiteral("%1:00").arg(6 + next(6), 2, 10, QLatin1Char('0'))
        << QStringLiteral("%1:30").arg(14 + next(6))
        << money(400 + next(800)) << money(1200 + next(900)) << money(next(300)) << money(6000 + next(9000))
        << money(next(6000)) << money(next(4000)) << money(next(2500)) << money(next(1500));
    switch (next(8)) {
      case 0: row << QStringLiteral("Covered for Zo\u00eb, late"); break;
      case 1: row << QStringLiteral("\"Big\" order"); break;
      default: row << QString();
    }
    row << money(8000 + next(20000));
    list->addRow(std::move(row));
  }
  return list;
}

// Peak resident memory since the last reset, measured by the kernel; the
// reset is what lets each case be measured on its own.
struct PeakMemory {
  long startKiB;
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    startKiB = bench::statusKiB("VmRSS:");
  }
  double extraMiB() const { return double(bench::statusKiB("VmHWM:") - startKiB) / 1024.0; }
};

// Every case starts from the same state: no old file to truncate, and no
// write-back of an earlier case running underneath it.
void freshTarget(benchmark::State& state, const QString& file) {
  state.PauseTiming();
  QFile::remove(file);
  ::sync();
  state.ResumeTiming();
}



template <class Writer>
void exportList(benchmark::State& state, const char* name, const char* file) {
  PeakMemory memory;
  for (auto _ : state) {
    freshTarget(state, path(file));
    const auto start = std::chrono::steady_clock::now();
    Writer writer(gDir->path());
    writer.setLvwToPrint(gList);
    writer.setFileName(path(file));
    if (!writer.Rowcast()) state.SkipWithError(writer.LastErrorMsg().toStdString().c_str());
    gBest.record(name, bench::seconds(start));
  }
  gPeakExtraMiB[name] = memory.extraMiB();
  state.counters["peak_extra_MiB"] = gPeakExtraMiB[name];
  state.counters["MiB"] = double(QFileInfo(path(file)).size()) / kMiB;
}

void BM_Csv(benchmark::State& state) { exportList<rowcast::CCsv>(state, "csv", "rows.csv"); }
void BM_Html(benchmark::State& state) { exportList<rowcast::CHtml>(state, "html", "rows.html"); }

// The floor: the same bytes, already in memory, written with one fwrite.
void fwriteFloor(benchmark::State& state, const char* name, const char* source, const char* target) {
  QFile in(path(source));
  if (!in.open(QIODevice::ReadOnly)) return state.SkipWithError("run the export case first");
  const QByteArray bytes = in.readAll();
  const QByteArray out = QFile::encodeName(path(target));
  for (auto _ : state) {
    freshTarget(state, path(target));
    const auto start = std::chrono::steady_clock::now();
    FILE* f = std::fopen(out.constData(), "wb");
    const bool ok = f && std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f) == size_t(bytes.size());
    if (!f || std::fclose(f) != 0 || !ok) state.SkipWithError("fwrite failed");
    gBest.record(name, bench::seconds(start));
  }
}

void BM_FwriteCsvBytes(benchmark::State& state) { fwriteFloor(state, "fwrite csv", "rows.csv", "floor.csv"); }
void BM_FwriteHtmlBytes(benchmark::State& state) { fwriteFloor(state, "fwrite html", "rows.html", "floor.html"); }

// Not a target: reading every cell through the list's interface and nothing
// else, the part of an export that no writer can avoid.
void BM_ReadListOnly(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    QString scratch;
    size_t units = 0;
    for (int item = 0; item < gList->itemCount(); ++item) {
      for (QChar c : gList->itemTextView(item, scratch)) units += c.unicode();
      const int subItems = gList->subItemCount(item);
      for (int sub = 0; sub < subItems; ++sub)
        for (QChar c : gList->subItemTextView(item, sub, scratch)) units += c.unicode();
    }
    benchmark::DoNotOptimize(units);
    gBest.record("read list only", bench::seconds(start));
  }
}

// Python's csv.writer on the same rows; the script times its own writing.
void BM_PythonCsvWriter(benchmark::State& state) {
  for (auto _ : state) {
    freshTarget(state, path("python.csv"));
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(EXPORT_BENCH_DIR "/csv_writer_baseline.py"),
                                             path("rows.csv"), path("python.csv")});
    if (!python.waitForFinished(600'000) || python.exitCode() != 0) {
      state.SkipWithError("python3 baseline failed");
      return;
    }
    const double s = python.readAllStandardOutput().trimmed().toDouble();
    state.SetIterationTime(s);
    gBest.record("python csv.writer", s);
  }
}

void printSummary() {
  auto best = [](const char* name) { return gBest[name]; };
  std::printf("\nexport of %d rows x %d cells (fastest iteration)\n", kRows, kColumns);
  for (const auto& [name, s] : gBest.all()) std::printf("  %-20s %8.3f s\n", name.c_str(), s);
  if (best("fwrite csv") > 0)
    std::printf("  CSV  / fwrite floor:       %5.2fx (target <= 2)\n", best("csv") / best("fwrite csv"));
  if (best("fwrite html") > 0)
    std::printf("  HTML / fwrite floor:       %5.2fx (target <= 2)\n", best("html") / best("fwrite html"));
  if (best("csv") > 0 && best("python csv.writer") > 0)
    std::printf("  Python csv.writer / CSV:   %5.2fx (target >= 5)\n", best("python csv.writer") / best("csv"));
  if (best("html") > 0 && best("python csv.writer") > 0)
    std::printf("  Python csv.writer / HTML:  %5.2fx (target >= 5)\n", best("python csv.writer") / best("html"));
  if (best("read list only") > 0 && best("fwrite csv") > 0)
    std::printf("  reading the list alone / fwrite floor: %5.2fx (CSV), %5.2fx (HTML)\n",
                best("read list only") / best("fwrite csv"), best("read list only") / best("fwrite html"));
  for (const auto& [name, mib] : gPeakExtraMiB)
    std::printf("  peak memory above the list, %-4s %6.1f MiB (target <= 64)\n", name.c_str(), mib);
}

}  // namespace

BENCHMARK(BM_Csv)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Html)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FwriteCsvBytes)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_FwriteHtmlBytes)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReadListOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_PythonCsvWriter)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/export_bench-XXXXXX"));
  gDir = &dir;
  const long beforeKiB = bench::statusKiB("VmRSS:");
  gList = makeList();
  std::printf("list of %d rows: %.0f MiB resident\n", kRows, double(bench::statusKiB("VmRSS:") - beforeKiB) / 1024.0);
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  return 0;
}
