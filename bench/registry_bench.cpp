// getstring and savestring through ZuzirarRegistry against the same reads and
// writes done as bare prepared SQLite statements on the same store file, with
// the same durability (WAL, synchronous=FULL, one transaction a write).
//
//   build/bench/registry_bench
//
// Each "bare" benchmark is the baseline of the one above it; compare their
// items_per_second. The store lives in a temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <memory>

#include "coravel/entry/zuzirar_registry.h"
#include "platform/registry/sqlite_registry.h"

namespace {

using core::Value;
namespace reg = platform::reg;

const QString kPath = QStringLiteral("Software\\Vandr\\Registry");
const int32_t kUser = int32_t(reg::kCurrentUser);

// No windows are opened here.
class NoWindows : public coravel::LibraryWindows {
 public:
  void show(coravel::WindowId) override {}
};

struct Store {
  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("registry.sqlite3"));
  platform::SqliteRegistry registry{file};
  NoWindows windows;
  coravel::ZuzirarRegistry object{registry, windows};

  Store() { object.settings().writeSetting(QStringLiteral("HolidaysPay"), QStringLiteral("12.50")); }
};

Store& store() {
  static Store s;
  return s;
}

// The bare statements, on their own connection to the same file.
struct Bare {
  sqlite3* db = nullptr;
  sqlite3_stmt* select = nullptr;
  sqlite3_stmt* upsert = nullptr;
  int64_t keyId = 0;

  Bare() {
    sqlite3_open_v2(store().file.toLocal8Bit().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA busy_timeout=5000", nullptr,
                 nullptr, nullptr);
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE root=1 AND lpath='software\\vandr\\registry'", -1, &find,
                       nullptr);
    if (sqlite3_step(find) == SQLITE_ROW) keyId = sqlite3_column_int64(find, 0);
    sqlite3_finalize(find);
    sqlite3_prepare_v2(db, "SELECT type, data FROM vals WHERE key=?1 AND lname=?2", -1, &select, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO vals(key, lname, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                       "ON CONFLICT(key, lname) DO UPDATE SET type=excluded.type, data=excluded.data",
                       -1, &upsert, nullptr);
  }
  ~Bare() {
    sqlite3_finalize(select);
    sqlite3_finalize(upsert);
    sqlite3_close(db);
  }
};

void getstringDirect(benchmark::State& state) {
  platform::SqliteRegistry& r = store().registry;
  r.setReadCacheEnabled(state.range(0) != 0);
  coravel::RegistrySettings& settings = store().object.settings();
  for (auto _ : state) {
    Value v = settings.getstring(reg::kCurrentUser, kPath, QStringLiteral("HolidaysPay"));
    benchmark::DoNotOptimize(v);
  }
  r.setReadCacheEnabled(true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(getstringDirect)->ArgName("cache")->Arg(1)->Arg(0);

// As a late-binding host calls it: by slot, with tagged arguments.
void getstringDispatch(benchmark::State& state) {
  platform::SqliteRegistry& r = store().registry;
  r.setReadCacheEnabled(state.range(0) != 0);
  coravel::ZuzirarRegistry& z = store().object;
  const int slot = z.slotOf(QStringLiteral("getstring"), platform::CallKind::Method);
  for (auto _ : state) {
    std::vector<Value> args{Value(kUser), Value(kPath), Value(QStringLiteral("HolidaysPay"))};
    Value result;
    z.invoke(slot, args, result);
    benchmark::DoNotOptimize(result);
  }
  r.setReadCacheEnabled(true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(getstringDispatch)->ArgName("cache")->Arg(1)->Arg(0);

void bareSelect(benchmark::State& state) {
  Bare bare;
  for (auto _ : state) {
    sqlite3_bind_int64(bare.select, 1, bare.keyId);
    sqlite3_bind_text(bare.select, 2, "holidayspay", -1, SQLITE_STATIC);
    if (sqlite3_step(bare.select) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(bare.select, 0));
      benchmark::DoNotOptimize(sqlite3_column_blob(bare.select, 1));
    }
    sqlite3_reset(bare.select);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bareSelect);

void savestringDirect(benchmark::State& state) {
  coravel::RegistrySettings& settings = store().object.settings();
  int64_t i = 0;
  for (auto _ : state) settings.savestring(reg::kCurrentUser, kPath, QStringLiteral("Bench"), QString::number(++i));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(savestringDirect)->UseRealTime();

void bareUpsert(benchmark::State& state) {
  Bare bare;
  int64_t i = 0;
  for (auto _ : state) {
    const std::string data = std::to_string(++i);
    sqlite3_bind_int64(bare.upsert, 1, bare.keyId);
    sqlite3_bind_text(bare.upsert, 2, "bench", -1, SQLITE_STATIC);
    sqlite3_bind_text(bare.upsert, 3, "Bench", -1, SQLITE_STATIC);
    sqlite3_bind_int(bare.upsert, 4, 1);
    sqlite3_bind_blob(bare.upsert, 5, data.data(), int(data.size()), SQLITE_TRANSIENT);
    sqlite3_step(bare.upsert);
    sqlite3_reset(bare.upsert);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bareUpsert)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
