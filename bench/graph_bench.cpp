// Profile loading speed: a generated tree of 1,000 profile files in 50
// folders, 1,000 records each, found and read with FilesSearch and totalled
// with GetMonthDate. Baselines in the same run: (a) reading the same files
// whole into memory, the I/O floor; (b) Python's csv.reader collecting the
// same rows. Also the peak memory of the load against the bytes of the files.
//
// graph_bench [DIR]: uses the tree in DIR when given, else generates one in a
// temporary folder with samples/make_profiles. Each case runs three times on
// a warm page cache; the fastest run counts. Wall-clock and CPU seconds are
// both shown: on a busy machine the CPU seconds are the steadier figure.
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "coravel/graph/cell_reading.h"
#include "coravel/graph/graph_data.h"
#include "coravel/graph/profile_loader.h"

namespace {

constexpr int kRuns = 3;
constexpr double kMiB = 1024.0 * 1024.0;

struct Seconds {
  double wall = 1e300;
  double cpu = 1e300;
  void keepBest(Seconds s) {
    wall = std::min(wall, s.wall);
    cpu = std::min(cpu, s.cpu);
  }
};

double cpuSeconds() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  auto s = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

Seconds secondsOf(const std::function<void()>& run) {
  Seconds best;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = cpuSeconds();
    run();
    best.keepBest({std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuSeconds() - startCpu});
  }
  return best;
}

std::vector<QString> profileFiles(const QString& root, qint64* bytes) {
  std::vector<QString> files;
  QDirIterator it(root, {QStringLiteral("*.dat")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    files.push_back(it.next());
    *bytes += it.fileInfo().size();
  }
  return files;
}

struct Loaded {
  int rows = 0;
  int files = 0;
  int32_t year = 0;
  core::Money total;
};

// What the graph window does on opening, without the drawing.
Loaded loadAndTotal(const QString& root) {
  coravel::ProfileTable list;
  coravel::ProfileLoader loader(list);
  loader.loadAppPath(root);
  coravel::GraphData data(coravel::regionalLocale());
  data.GetMonthDate(list);
  Loaded out{list.itemCount(), loader.filesRead(), data.graphYear(), {}};
  for (const core::Money& m : data.monthTotals()) out.total += m;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir temp;
  QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.filePath(QStringLiteral("profiles"));
  if (argc <= 1) {
    std::printf("generating 1000 files x 1000 records ...\n");
    std::fflush(stdout);
    if (QProcess::execute(QStringLiteral("python3"), {QStringLiteral(SAMPLES_DIR "/make_profiles"), QStringLiteral("1000"),
                                                     QStringLiteral("1000"), root}) != 0) {
      std::fprintf(stderr, "make_profiles failed\n");
      return 1;
    }
  }
  qint64 bytes = 0;
  const std::vector<QString> files = profileFiles(root, &bytes);
  std::printf("tree: %zu files, %.1f MiB\n", files.size(), double(bytes) / kMiB);

  // The load's peak memory, measured first, before any other case has grown the heap.
  std::ofstream("/proc/self/clear_refs") << "5";
  const long rssBefore = bench::statusKiB("VmRSS:");
  const Loaded first = loadAndTotal(root);
  const double peakMiB = double(bench::statusKiB("VmHWM:") - rssBefore) / 1024.0;
  std::printf("loaded: %d files, %d rows, year %d, months total %s\n", first.files, first.rows, first.year,
              qPrintable(first.total.toPlainText()));

  // (a) the floor: every file read whole into memory and kept, as the list keeps them.
  const Seconds floorSeconds = secondsOf([&] {
    std::vector<QByteArray> texts;
    texts.reserve(files.size());
    for (const QString& path : files) {
      QFile f(path);
      if (f.open(QIODevice::ReadOnly)) texts.push_back(f.readAll());
    }
  });

  // (b) Python's csv.reader; the script times itself, without the interpreter's start.
  Seconds pythonSeconds;
  for (int i = 0; i < kRuns; ++i) {
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(BENCH_DIR "/profile_csv_baseline.py"), root});
    if (!python.waitForFinished(600'000) || python.exitCode() != 0) {
      std::fprintf(stderr, "python3 baseline failed\n");
      return 1;
    }
    const QList<QByteArray> figures = python.readAllStandardOutput().split(' ');
    pythonSeconds.keepBest({figures.value(0).toDouble(), figures.value(1).toDouble()});
  }

  // Ours: FilesSearch over the tree, then GetMonthDate; and each half alone.
  const Seconds oursSeconds = secondsOf([&] { loadAndTotal(root); });
  coravel::ProfileTable list;
  coravel::ProfileLoader loader(list);
  const Seconds searchSeconds = secondsOf([&] {
    list.clear();
    loader.loadAppPath(root);
  });
  const Seconds totalsSeconds = secondsOf([&] {
    coravel::GraphData data(coravel::regionalLocale());
    data.GetMonthDate(list);
  });

  std::printf("\n%-36s %9s %9s %10s\n", "case", "wall s", "CPU s", "MiB/s");
  auto line = [&](const char* name, Seconds s) {
    std::printf("%-36s %9.3f %9.3f %10.1f\n", name, s.wall, s.cpu, double(bytes) / kMiB / s.wall);
  };
  line("(a) read files whole (floor)", floorSeconds);
  line("(b) python csv.reader", pythonSeconds);
  line("FilesSearch + GetMonthDate", oursSeconds);
  line("  FilesSearch alone", searchSeconds);
  line("  GetMonthDate alone", totalsSeconds);

  const double vsPython = pythonSeconds.wall / oursSeconds.wall;
  const double vsFloor = oursSeconds.wall / floorSeconds.wall;
  const double memoryRatio = peakMiB / (double(bytes) / kMiB);
  std::printf("\nfaster than python csv.reader: %.1fx wall, %.1fx CPU (target >= 10x)  %s\n", vsPython,
              pythonSeconds.cpu / oursSeconds.cpu, vsPython >= 10 ? "met" : "MISSED");
  std::printf("slower than the floor:         %.1fx wall, %.1fx CPU (target <= 10x)  %s\n", vsFloor,
              oursSeconds.cpu / floorSeconds.cpu, vsFloor <= 10 ? "met" : "MISSED");
  std::printf("peak memory of the load:       %.1f MiB = %.2fx the files (target <= 3x)  %s\n", peakMiB, memoryRatio,
              memoryRatio <= 3 ? "met" : "MISSED");
  return 0;
}
