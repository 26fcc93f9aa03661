#pragma once
// The registry test kit: result codes by name in failure messages, values
// written and read the way callers do (on an open key, or at a path below a
// root, the key opened and closed again), keys listed by index, a look into
// the store file as another program has it, and the fixtures. The calls'
// tests run on the SQLite store with its read cache on and off, and on the
// in-memory store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry/memory_registry.h"
#include "platform/registry/registry_client.h"
#include "platform/registry/sqlite_registry.h"
#include "platform/registry/value_read.h"

// EXPECT_REG(call, code): the call gives the result `code`; a failure names
// both codes ("gave kAccessDenied (5), not kSuccess (0)"). EXPECT_REG_OK(call):
// it gives kSuccess. The ASSERT_ forms end the test there.
#define EXPECT_REG(call, code) EXPECT_PRED_FORMAT2(::platform::test::givesCode, call, code)
#define ASSERT_REG(call, code) ASSERT_PRED_FORMAT2(::platform::test::givesCode, call, code)
#define EXPECT_REG_OK(call) EXPECT_REG(call, ::platform::reg::kSuccess)
#define ASSERT_REG_OK(call) ASSERT_REG(call, ::platform::reg::kSuccess)

namespace platform::test {

constexpr HKEY kHKCU = reg::kCurrentUser;

// ---- result codes --------------------------------------------------------------------

// "kAccessDenied (5)"; a code the stores never give: "unknown (N)".
inline std::string codeName(int32_t rc) {
  using namespace reg;
  static const std::pair<int32_t, const char*> kNames[] = {
      {kSuccess, "kSuccess"}, {kFileNotFound, "kFileNotFound"}, {kPathNotFound, "kPathNotFound"},
      {kAccessDenied, "kAccessDenied"}, {kInvalidHandle, "kInvalidHandle"}, {kOutOfMemory, "kOutOfMemory"},
      {kInvalidParameter, "kInvalidParameter"}, {kDiskFull, "kDiskFull"},
      {kCallNotImplemented, "kCallNotImplemented"}, {kBusy, "kBusy"}, {kMoreData, "kMoreData"},
      {kNoMoreItems, "kNoMoreItems"}, {kBadDb, "kBadDb"}, {kIoFailed, "kIoFailed"}, {kKeyDeleted, "kKeyDeleted"}};
  const char* name = "unknown";
  for (const auto& [code, text] : kNames)
    if (code == rc) name = text;
  return std::string(name) + " (" + std::to_string(rc) + ")";
}

// What the helpers below give in place of a name or data when a call fails:
// "<kFileNotFound (2)>".
inline std::string failed(int32_t rc) { return "<" + codeName(rc) + ">"; }

// EXPECT_REG's check.
inline ::testing::AssertionResult givesCode(const char* call, const char* /*codeText*/, int32_t got, int32_t want) {
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << call << "\n  gave " << codeName(got) << ", not " << codeName(want);
}

// ---- keys and values ---------------------------------------------------------------

// The key at `path` below `root`, open (or `rc` when the call failed) and
// closed when this goes. An empty path gives `root` itself, which stays open.
struct KeyAt {
  int32_t rc;
  HKEY key;
  reg::ScopedKey closer;
};
inline KeyAt openAt(Registry& r, HKEY root, std::string_view path) {
  HKEY k = 0;
  const int32_t rc = r.RegOpenKeyA(root, path, &k);
  return {rc, k, reg::ScopedKey(r, k == root ? 0 : k)};
}
// The same, created first with any keys missing above it.
inline KeyAt createAt(Registry& r, HKEY root, std::string_view path) {
  HKEY k = 0;
  const int32_t rc = r.RegCreateKeyA(root, path, &k);
  return {rc, k, reg::ScopedKey(r, k == root ? 0 : k)};
}

// The key, created, for the caller to close.
inline HKEY create(Registry& r, HKEY root, std::string_view path) {
  HKEY h = 0;
  EXPECT_REG_OK(r.RegCreateKeyA(root, path, &h)) << path;
  return h;
}

inline int32_t setBytes(Registry& r, HKEY key, std::string_view name, uint32_t type, std::string_view bytes) {
  return r.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size()));
}
inline int32_t setText(Registry& r, HKEY key, std::string_view name, std::string_view text) {
  return setBytes(r, key, name, reg::kString, text);
}
// At `path` below `root`: create, set, close, as the settings writer does.
// The first failed call's result.
inline int32_t setBytes(Registry& r, HKEY root, std::string_view path, std::string_view name, uint32_t type,
                        std::string_view bytes) {
  const KeyAt at = createAt(r, root, path);
  return at.rc != reg::kSuccess ? at.rc : setBytes(r, at.key, name, type, bytes);
}
inline int32_t setText(Registry& r, HKEY root, std::string_view path, std::string_view name, std::string_view text) {
  return setBytes(r, root, path, name, reg::kString, text);
}

// A value at `path` below `root`: open, read, close, as the settings reader
// does (readValue: size first, then data). A failed open's result is its own.
inline ValueRead readValueAt(Registry& r, HKEY root, std::string_view path, std::string_view name) {
  const KeyAt at = openAt(r, root, path);
  if (at.rc != reg::kSuccess) return ValueRead{at.rc, reg::kNone, {}};
  return readValue(r, at.key, name);
}
// The bytes read, with the type put in `type`; failed(rc) when a call failed.
inline std::string bytesRead(const ValueRead& read, uint32_t* type) {
  if (read.result != reg::kSuccess) return failed(read.result);
  if (type != nullptr) *type = read.type;
  return read.data;
}
inline std::string readBytes(Registry& r, HKEY key, std::string_view name, uint32_t* type = nullptr) {
  return bytesRead(readValue(r, key, name), type);
}
inline std::string readBytes(Registry& r, HKEY root, std::string_view path, std::string_view name,
                             uint32_t* type = nullptr) {
  return bytesRead(readValueAt(r, root, path, name), type);
}

// ---- listing -------------------------------------------------------------------------

enum class Items { kSubkeys, kValues };

// The name of the subkey or value at `index`, as a tool lists them;
// failed(rc) when the call fails (its result also in `result`).
inline std::string nameAt(Registry& r, HKEY key, Items items, uint32_t index, int32_t* result = nullptr) {
  char name[256];
  uint32_t size = sizeof name;
  const int32_t rc = items == Items::kSubkeys
                         ? r.RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr)
                         : r.RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
  if (result != nullptr) *result = rc;
  return rc == reg::kSuccess ? std::string(name, size) : failed(rc);
}

// Every name, index after index, until kNoMoreItems.
inline std::vector<std::string> names(Registry& r, HKEY key, Items items) {
  std::vector<std::string> out;
  for (int32_t rc = reg::kSuccess;;) {
    std::string name = nameAt(r, key, items, static_cast<uint32_t>(out.size()), &rc);
    if (rc != reg::kSuccess) {
      EXPECT_REG(rc, reg::kNoMoreItems);
      return out;
    }
    out.push_back(std::move(name));
  }
}
inline std::vector<std::string> subkeys(Registry& r, HKEY key) { return names(r, key, Items::kSubkeys); }
inline std::vector<std::string> valueNames(Registry& r, HKEY key) { return names(r, key, Items::kValues); }
inline std::vector<std::string> subkeys(Registry& r, HKEY root, std::string_view path) {
  const KeyAt at = openAt(r, root, path);
  EXPECT_REG_OK(at.rc) << path;
  return at.rc == reg::kSuccess ? subkeys(r, at.key) : std::vector<std::string>{};
}

// A whole path below a root, `depth` keys deep.
inline std::string pathOfDepth(size_t depth, const std::string& name = "k") {
  std::string path;
  for (size_t i = 0; i < depth; ++i) path += (i ? "\\" : "") + name;
  return path;
}

// ---- the store file --------------------------------------------------------------------

// The first column of the first row `sql` gives on the file at `path`, from
// a connection of its own, as another program would open it; in angle
// brackets what failed when there is none.
inline std::string sqlValue(const QString& path, const char* sql, int openFlags = SQLITE_OPEN_READWRITE) {
  sqlite3* db = nullptr;
  std::string out = "<cannot open>";
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, openFlags, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    out = "<no row>";
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      out = text != nullptr ? text : "<null>";
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return out;
}
// The same as a number; -1 when it is none.
inline int64_t sqlNumber(const QString& path, const char* sql, int openFlags = SQLITE_OPEN_READWRITE) {
  const std::string text = sqlValue(path, sql, openFlags);
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' ? n : -1;
}
inline int64_t pageCount(const QString& path) { return sqlNumber(path, "PRAGMA page_count", SQLITE_OPEN_READONLY); }
inline std::string integrityCheck(const QString& path) { return sqlValue(path, "PRAGMA integrity_check"); }

inline QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A positive whole number from the environment variable `name`, else `fallback`.
inline int envCount(const char* name, int fallback) {
  const char* env = std::getenv(name);
  const int n = env != nullptr ? std::atoi(env) : 0;
  return n > 0 ? n : fallback;
}

// ---- fixtures ------------------------------------------------------------------------

class RegistryTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("registry.sqlite3"));
};

enum class StoreKind { kCacheOn, kCacheOff, kMemory };
inline const char* storeName(StoreKind kind) {
  switch (kind) {
    case StoreKind::kCacheOn: return "CacheOn";
    case StoreKind::kCacheOff: return "CacheOff";
    case StoreKind::kMemory: return "Memory";
  }
  return "?";
}
inline void PrintTo(StoreKind kind, std::ostream* os) { *os << storeName(kind); }

// The calls behave the same on every store: SQLite with its read cache on
// and off, and the in-memory one.
class RegistryCallsTest : public RegistryTest, public ::testing::WithParamInterface<StoreKind> {
 protected:
  RegistryCallsTest() : store_(open()), registry(*store_) {}

  // Another user of the same store, as another process would be: one for
  // the whole test.
  Registry& another() {
    if (another_ == nullptr) {
      if (GetParam() == StoreKind::kMemory)
        another_ = static_cast<const MemoryRegistry&>(registry).anotherConnection();
      else
        another_ = std::make_unique<SqliteRegistry>(path);
    }
    return *another_;
  }
  // The SQLite store's size in pages (the in-memory store: 0), to see that
  // nothing was written.
  int64_t storedPages() const { return GetParam() == StoreKind::kMemory ? 0 : pageCount(path); }

 private:
  std::unique_ptr<Registry> open() const {
    if (GetParam() == StoreKind::kMemory) return std::make_unique<MemoryRegistry>();
    auto sqlite = std::make_unique<SqliteRegistry>(path);
    sqlite->setReadCacheEnabled(GetParam() == StoreKind::kCacheOn);
    return sqlite;
  }
  std::unique_ptr<Registry> store_;
  std::unique_ptr<Registry> another_;  // goes before the store it connects to

 protected:
  Registry& registry;
};

}  // namespace platform::test
