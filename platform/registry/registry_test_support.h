#pragma once
// Test support for the registry stores: reading and writing values the way
// callers do, listing keys, and the fixtures. The calls' tests run on the
// SQLite store with its read cache on and off, and on the in-memory store.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/memory_registry.h"
#include "platform/registry/sqlite_registry.h"

namespace platform::test {

constexpr HKEY kHKCU = reg::kCurrentUser;

inline int32_t setBytes(Registry& r, HKEY key, std::string_view name, uint32_t type, std::string_view bytes) {
  return r.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size()));
}

// The value's bytes, read the way callers do: size first, then data.
// Gives "<rc N>" when a call fails.
inline std::string readBytes(Registry& r, HKEY key, std::string_view name, uint32_t* type = nullptr) {
  uint32_t size = 0;
  if (int32_t rc = r.RegQueryValueExA(key, name, nullptr, type, nullptr, &size); rc != reg::kSuccess)
    return "<rc " + std::to_string(rc) + ">";
  std::string out(size, '\0');
  if (int32_t rc = r.RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<uint8_t*>(out.data()), &size);
      rc != reg::kSuccess)
    return "<rc " + std::to_string(rc) + ">";
  out.resize(size);
  return out;
}

inline HKEY create(Registry& r, HKEY root, std::string_view path) {
  HKEY h = 0;
  EXPECT_EQ(r.RegCreateKeyA(root, path, &h), reg::kSuccess) << path;
  return h;
}

inline std::vector<std::string> subkeys(Registry& r, HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t size = sizeof name;
    const int32_t rc = r.RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != reg::kSuccess) {
      EXPECT_EQ(rc, reg::kNoMoreItems);
      return out;
    }
    out.emplace_back(name, size);
  }
}

inline std::vector<std::string> valueNames(Registry& r, HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t size = sizeof name;
    const int32_t rc = r.RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != reg::kSuccess) {
      EXPECT_EQ(rc, reg::kNoMoreItems);
      return out;
    }
    out.emplace_back(name, size);
  }
}

// A whole path below a root, `depth` keys deep.
inline std::string pathOfDepth(size_t depth, const std::string& name = "k") {
  std::string path;
  for (size_t i = 0; i < depth; ++i) path += (i ? "\\" : "") + name;
  return path;
}

inline int64_t pageCount(const QString& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &s, nullptr);
  const int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return n;
}

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

  // Another user of the same store, as another process would be.
  std::unique_ptr<Registry> connect() const {
    if (GetParam() == StoreKind::kMemory) return static_cast<const MemoryRegistry&>(registry).anotherConnection();
    return std::make_unique<SqliteRegistry>(path);
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

 protected:
  Registry& registry;
};

}  // namespace platform::test
