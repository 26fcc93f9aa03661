// getstring and savestring through ZuzirarRegistry against the same reads and
// writes done as bare prepared SQLite statements on the same store file, with
// the same durability (WAL, synchronous=FULL, one transaction a write).
// getstringFreshStart reads a store that no process has written since it
// was opened. enumerate* lists a key of 20,000 values or subkeys through the
// enumeration calls, against one bare SELECT of the same rows;
// enumerateValuesAgainstBare times both in one case and prints their ratio.
//
//   build/bench/registry_bench
//
// Each "bare" benchmark is the baseline of the one above it; compare their
// items_per_second. The store lives in a temporary folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>

#include "coravel/entry/zuzirar_registry.h"
#include "platform/registry/name_text.h"
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
    sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE root=1 AND lpath=CAST('software\\vandr\\registry' AS BLOB)", -1, &find,
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

// getstring's reading as it was before it sized again on a value that grew
// meanwhile: the baseline of getstringDirect/cache:1 for the retry's cost.
Value getstringWithoutRetry(platform::Registry& r, const QString& path, const QString& value) {
  platform::HKEY key = 0;
  r.RegOpenKeyA(reg::kCurrentUser, reg::nameFromText(path), &key);
  const std::string name = reg::nameFromText(value);
  uint32_t type = 0, size = 0;
  r.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  Value result;
  if (type == reg::kString) {
    std::string buffer(size, ' ');
    if (r.RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<uint8_t*>(buffer.data()), &size) ==
        reg::kSuccess)
      result = Value(QString::fromLatin1(buffer.data(), qsizetype(std::min(buffer.find('\0'), buffer.size()))));
  }
  if (key != 0) r.RegCloseKey(key);
  return result;
}

void getstringBeforeRetry(benchmark::State& state) {
  platform::SqliteRegistry& r = store().registry;
  for (auto _ : state) {
    Value v = getstringWithoutRetry(r, kPath, QStringLiteral("HolidaysPay"));
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(getstringBeforeRetry);

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
  if (bare.keyId == 0) state.SkipWithError("the settings key is missing");
  for (auto _ : state) {
    sqlite3_bind_int64(bare.select, 1, bare.keyId);
    sqlite3_bind_blob(bare.select, 2, "holidayspay", 11, SQLITE_STATIC);
    if (sqlite3_step(bare.select) == SQLITE_ROW) {
      benchmark::DoNotOptimize(sqlite3_column_int(bare.select, 0));
      benchmark::DoNotOptimize(sqlite3_column_blob(bare.select, 1));
    }
    sqlite3_reset(bare.select);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(bareSelect);

// A store written, closed by everyone, then opened again and only read.
struct FreshStore {
  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("registry.sqlite3"));
  std::unique_ptr<platform::SqliteRegistry> registry;
  NoWindows windows;
  std::unique_ptr<coravel::ZuzirarRegistry> object;

  FreshStore() {
    {
      platform::SqliteRegistry writer(file);
      NoWindows none;
      coravel::ZuzirarRegistry(writer, none).settings().writeSetting(QStringLiteral("HolidaysPay"),
                                                                       QStringLiteral("12.50"));
    }
    registry = std::make_unique<platform::SqliteRegistry>(file);
    object = std::make_unique<coravel::ZuzirarRegistry>(*registry, windows);
  }
};

void getstringFreshStart(benchmark::State& state) {
  FreshStore fresh;
  coravel::RegistrySettings& settings = fresh.object->settings();
  for (auto _ : state) {
    Value v = settings.getstring(reg::kCurrentUser, kPath, QStringLiteral("HolidaysPay"));
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(getstringFreshStart);

// A key with 20,000 values and one with 20,000 subkeys.
struct BigKeys {
  static constexpr int kItems = 20000;
  QTemporaryDir dir;
  QString file = dir.filePath(QStringLiteral("registry.sqlite3"));
  platform::SqliteRegistry registry{file};
  platform::HKEY values = 0, subkeys = 0;

  BigKeys() {
    registry.runAtomically([&] {
      registry.RegCreateKeyA(reg::kCurrentUser, "Software\\Values", &values);
      registry.RegCreateKeyA(reg::kCurrentUser, "Software\\Subkeys", &subkeys);
      for (int i = 0; i < kItems; ++i) {
        const std::string name = "item " + std::to_string(i);
        registry.RegSetValueExA(values, name, 0, reg::kString, reinterpret_cast<const uint8_t*>(name.data()),
                                uint32_t(name.size()));
        platform::HKEY sub = 0;
        registry.RegCreateKeyA(subkeys, name, &sub);
        registry.RegCloseKey(sub);
      }
      return reg::kSuccess;
    });
  }
};

BigKeys& bigKeys() {
  static BigKeys keys;
  return keys;
}

// Lists every value of the big key through the store, as a tool does; how many.
uint32_t listValues(BigKeys& keys) {
  char name[64];
  uint8_t data[64];
  uint32_t n = 0;
  for (uint32_t i = 0;; ++i, ++n) {
    uint32_t nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (keys.registry.RegEnumValueA(keys.values, i, name, &nameSize, nullptr, &type, data, &dataSize) != 0) return n;
  }
}

void enumerateValues(benchmark::State& state) {
  BigKeys& keys = bigKeys();
  for (auto _ : state) {
    const uint32_t n = listValues(keys);
    if (n != BigKeys::kItems) state.SkipWithError("not every value was listed");
  }
  state.SetItemsProcessed(state.iterations() * BigKeys::kItems);
}
BENCHMARK(enumerateValues)->Unit(benchmark::kMillisecond);

void enumerateSubkeys(benchmark::State& state) {
  BigKeys& keys = bigKeys();
  for (auto _ : state) {
    char name[64];
    uint32_t n = 0;
    for (uint32_t i = 0;; ++i, ++n) {
      uint32_t nameSize = sizeof name;
      if (keys.registry.RegEnumKeyExA(keys.subkeys, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != 0)
        break;
    }
    if (n != BigKeys::kItems) state.SkipWithError("not every subkey was listed");
  }
  state.SetItemsProcessed(state.iterations() * BigKeys::kItems);
}
BENCHMARK(enumerateSubkeys)->Unit(benchmark::kMillisecond);

// The bare SQL listing of the big key's values, on a read-only connection
// of its own; the caller finalizes the statement and closes the connection.
sqlite3_stmt* bareValueListing(sqlite3*& db) {
  sqlite3_open_v2(bigKeys().file.toLocal8Bit().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* list = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT name, type, data FROM vals WHERE key=(SELECT id FROM keys WHERE root=1 AND "
                     "lpath=CAST('software\\values' AS BLOB)) ORDER BY id",
                     -1, &list, nullptr);
  return list;
}

void bareListValues(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_stmt* list = bareValueListing(db);
  for (auto _ : state) {
    int n = 0;
    for (; sqlite3_step(list) == SQLITE_ROW; ++n) benchmark::DoNotOptimize(sqlite3_column_blob(list, 0));
    sqlite3_reset(list);
    if (n != BigKeys::kItems) state.SkipWithError("not every value was listed");
  }
  sqlite3_finalize(list);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * BigKeys::kItems);
}
BENCHMARK(bareListValues)->Unit(benchmark::kMillisecond);

// enumerateValues and bareListValues in one case: each iteration lists the
// 20,000 values through RegEnumValueA (index 0..N-1, as a caller does) and
// then as one bare SELECT; `ratio` is the first's time over the second's.
void enumerateValuesAgainstBare(benchmark::State& state) {
  BigKeys& keys = bigKeys();
  sqlite3* db = nullptr;
  sqlite3_stmt* list = bareValueListing(db);
  using Clock = std::chrono::steady_clock;
  Clock::duration store{}, bare{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const uint32_t n = listValues(keys);
    const Clock::time_point middle = Clock::now();
    int rows = 0;
    for (; sqlite3_step(list) == SQLITE_ROW; ++rows) benchmark::DoNotOptimize(sqlite3_column_blob(list, 0));
    sqlite3_reset(list);
    store += middle - start;
    bare += Clock::now() - middle;
    if (n != BigKeys::kItems || rows != BigKeys::kItems) state.SkipWithError("not every value was listed");
  }
  sqlite3_finalize(list);
  sqlite3_close(db);
  const auto ms = [&](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / double(state.iterations());
  };
  state.counters["store_ms"] = ms(store);
  state.counters["bare_ms"] = ms(bare);
  state.counters["ratio"] = ms(bare) > 0 ? ms(store) / ms(bare) : 0;
}
BENCHMARK(enumerateValuesAgainstBare)->Unit(benchmark::kMillisecond);

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
