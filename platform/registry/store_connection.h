#pragma once
// One connection to the registry store's file: opening (and making) the
// store and its schema, the prepared statements, transactions, waiting for
// other writers, and keeping the read cache in step with the store. The
// calls (sqlite_registry.cpp) work through it; it knows no handles.
#include <sqlite3.h>

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/read_cache.h"
#include "platform/registry/registry.h"

namespace platform {

// The root numbers (0..6) that the HKEY_CLASSES_ROOT view is made of.
constexpr uint8_t kClassesRootIndex = 0, kUserRootIndex = 1, kMachineRootIndex = 2;

// The registry result for an SQLite result code of `db`.
int32_t errorFromSqlite(int rc, sqlite3* db);

// A prepared statement kept for the connection's life.
struct Statement {
  sqlite3_stmt* stmt = nullptr;
  ~Statement() { sqlite3_finalize(stmt); }
};

// One execution of a statement: binds, steps, and resets when it goes.
class Run {
 public:
  explicit Run(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Run() { sqlite3_reset(stmt_); }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;
  Run& bind(int i, int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Run& bind(int i, std::string_view v) {
    // A zero-length blob, not NULL, for empty text.
    sqlite3_bind_blob64(stmt_, i, v.data() != nullptr ? v.data() : "", v.size(), SQLITE_STATIC);
    return *this;
  }
  int step() { return sqlite3_step(stmt_); }
  int64_t int64(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string_view blob(int col) const {
    const void* p = sqlite3_column_blob(stmt_, col);
    const int n = sqlite3_column_bytes(stmt_, col);
    return p == nullptr ? std::string_view() : std::string_view(static_cast<const char*>(p), size_t(n));
  }

 private:
  sqlite3_stmt* stmt_;
};

// What the store was when something was read from it: SQLite's data
// version (moves on every commit, by this connection or any other) and this
// connection's own write count (moves on writes not yet committed, and on
// rollbacks of them).
struct StoreStamp {
  uint32_t dataVersion = 0;
  uint64_t ownWrites = 0;
  bool operator==(const StoreStamp&) const = default;
};

// The members are open to the calls, which read and step the statements
// themselves; the connection keeps them valid.
class StoreConnection {
 public:
  StoreConnection(QByteArray storeFile, bool canWrite);
  ~StoreConnection();
  StoreConnection(const StoreConnection&) = delete;
  StoreConnection& operator=(const StoreConnection&) = delete;

  // Opens the store when it is not open; on failure storeError says why.
  int32_t ensureOpen(bool forWrite);
  void close();

  int exec(const char* sql);
  int queryInt(const char* sql, int64_t& out);
  int queryText(const char* sql, std::string& out);

  // ---- reads: the cache --------------------------------------------------
  void syncCache();
  void dropCache();
  StoreStamp stamp();
  int32_t findKey(uint8_t root, const std::string& lpath, int64_t& id);
  int32_t findKeyInDb(uint8_t root, std::string_view lpath, int64_t& id);
  int32_t keyExistsInDb(int64_t id, bool& exists);

  // ---- writes ------------------------------------------------------------
  int32_t beginWrite();
  int32_t beginTransaction();
  int32_t finish(int32_t rc);
  void reclaimSpace();
  // Makes what is missing of `parts` below the key `baseId` (at `baseLpath`
  // of `root`); `id` is the last one's.
  int32_t createPath(uint8_t root, int64_t baseId, const std::string& baseLpath,
                     const std::vector<std::string_view>& parts, int64_t& id);

  QByteArray file;
  bool writable;
  sqlite3* db = nullptr;
  bool readOnly = false;
  std::chrono::steady_clock::time_point busySince;
  bool noWait = false;  // the busy handler gives up at once
  bool inTransaction = false;  // inside runAtomically(): each call is a savepoint of it
  bool readingOnly = false;    // inside readAtomically(): writes are refused
  std::string storeError;      // why the store could not be used on the last call
  Statement lookupKey, keyExists, queryValue, setValue, deleteValue, insertKey, hasSubkey,
      deleteKeyValues, deleteKey, enumKey, enumKeyAfter, enumValue, enumValueAfter, begin, commit, rollback,
      savepoint, release, rollbackToSavepoint;
  uint64_t ownWrites = 0;  // see StoreStamp

  ReadCache cache;
  bool cacheEnabled = true;
  bool touchTried = false;  // a commit to leave a counter-0 header was tried since the last one
  bool recoveredSinceLastCall = false;  // the header may have been rebuilt during the last call

 private:
  std::string describe(int32_t rc) const;
  int32_t open(bool forWrite);
  void upgradeSchema();
  int32_t createSchema();
  int32_t prepareAll();
  void attachCache();
  static int waitWhileBusy(void* self, int count);
  int32_t touch();
  int32_t commitTransaction();
  void rollbackTransaction();
  int32_t moveSeparateClassesTree();
  int32_t moveClassesKeys(std::chrono::milliseconds budget, bool& done);
  int moveKey(int64_t id, int64_t parent, const std::string& lpath);
  int mergeKeyInto(int64_t from, int64_t into);
};

}  // namespace platform
