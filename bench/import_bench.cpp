// import_bench: `wwreg import` of a 20 MB registry file while another process
// saves a setting every 100 ms, as a host would beside it. Compares the
// import in bounded transactions (what wwreg does) with the same file applied
// in one transaction (what it did before), in one run: the import's time and
// the longest a neighbour's settings write had to wait.
#include <benchmark/benchmark.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "coravel/settings/registry_settings.h"
#include "platform/registry/sqlite_registry.h"
#include "tools/wwreg/key_path.h"
#include "tools/wwreg/reg_file.h"
#include "tools/wwreg/reg_tool.h"

namespace {

namespace reg = platform::reg;
using Clock = std::chrono::steady_clock;

QTemporaryDir* gDir = nullptr;
QString gFile;

// 300 keys of 1,000 values of about 70 bytes: about 20 MB.
QString registryFile() {
  if (!gFile.isEmpty()) return gFile;
  gFile = gDir->filePath(QStringLiteral("big.reg"));
  QFile f(gFile);
  f.open(QIODevice::WriteOnly);
  f.write("Windows Registry Editor Version 5.00\r\n\r\n");
  for (int key = 0; key < 300; ++key) {
    QByteArray section = "[HKEY_CURRENT_USER\\Software\\Import\\Key" + QByteArray::number(key) + "]\r\n";
    for (int value = 0; value < 1000; ++value)
      section += "\"Value" + QByteArray::number(value) + "\"=\"" + QByteArray(50, char('a' + value % 26)) + "\"\r\n";
    f.write(section + "\r\n");
  }
  return gFile;
}

// A neighbour that saves a setting every 100 ms until told to stop; it
// writes back the longest a save took, in microseconds.
struct Neighbour {
  pid_t pid = -1;
  int stop[2] = {-1, -1};
  int result[2] = {-1, -1};

  explicit Neighbour(const QString& store) {
    if (::pipe(stop) != 0 || ::pipe(result) != 0) return;
    pid = ::fork();
    if (pid != 0) return;
    platform::SqliteRegistry registry(store);
    coravel::RegistrySettings settings(registry);
    int64_t worst = 0;
    for (int n = 0;; ++n) {
      const auto start = Clock::now();
      settings.savestring(reg::kCurrentUser, QStringLiteral("Software\\Vandr\\Registry"), QStringLiteral("SickPay"),
                          QString::number(n));
      worst = std::max<int64_t>(worst, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
      timeval wait{0, 100'000};
      fd_set set;
      FD_ZERO(&set);
      FD_SET(stop[0], &set);
      if (::select(stop[0] + 1, &set, nullptr, nullptr, &wait) > 0) break;
    }
    (void)!::write(result[1], &worst, sizeof worst);
    _exit(0);
  }
  // The longest save, in milliseconds.
  double finish() {
    char byte = 1;
    (void)!::write(stop[1], &byte, 1);
    int64_t worst = -1;
    (void)!::read(result[0], &worst, sizeof worst);
    ::waitpid(pid, nullptr, 0);
    for (int fd : {stop[0], stop[1], result[0], result[1]}) ::close(fd);
    return double(worst) / 1000.0;
  }
};

// The file applied as wwreg applied it before: every section in one
// transaction.
int32_t importInOneTransaction(platform::Registry& r, const QString& file) {
  QFile in(file);
  in.open(QIODevice::ReadOnly);
  const wwreg::RegFileContent content = wwreg::readRegFile(in);
  return r.runAtomically([&] {
    for (const wwreg::RegFileSection& s : content.sections) {
      const auto key = wwreg::parseKey(s.key);
      platform::HKEY k = 0;
      if (int32_t rc = r.RegCreateKeyA(key->root, key->path, &k); rc != reg::kSuccess) return rc;
      for (const wwreg::RegFileValue& v : s.values)
        r.RegSetValueExA(k, v.name, 0, v.type, reinterpret_cast<const uint8_t*>(v.data.data()), uint32_t(v.data.size()));
      r.RegCloseKey(k);
    }
    return reg::kSuccess;
  });
}

void importBeside(benchmark::State& state, bool bounded) {
  const QString file = registryFile();
  for (auto _ : state) {
    const QString store = gDir->filePath(QStringLiteral("store%1.sqlite3").arg(bounded));
    QFile::remove(store);
    Neighbour neighbour(store);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const auto start = Clock::now();
    int32_t rc = 0;
    {
      platform::SqliteRegistry registry(store);
      if (bounded) {
        std::istringstream in;
        std::ostringstream out, err;
        wwreg::Console console{in, out, err};
        rc = wwreg::run({QStringLiteral("import"), file}, [&]() -> platform::Registry& { return registry; }, console);
      } else {
        rc = importInOneTransaction(registry, file);
      }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    state.counters["import_s"] = seconds;
    state.counters["worst_wait_ms"] = neighbour.finish();
    state.counters["failed"] = rc != 0;
    state.counters["file_MB"] = double(QFile(file).size()) / 1e6;
  }
}

void importBounded(benchmark::State& state) { importBeside(state, true); }
void importOneTransaction(benchmark::State& state) { importBeside(state, false); }
BENCHMARK(importOneTransaction)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(importBounded)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir dir;
  gDir = &dir;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
