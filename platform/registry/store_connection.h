#pragma once
// One connection to the registry store's file: opening (and making) the
// store and its schema, the prepared statements, transactions, waiting for
// other writers, and keeping the read cache in step with the store. The
// calls (sqlite_registry.cpp) work through it; it knows no handles.
//
// Not thread-safe: its owner, SqliteRegistry, holds its call lock
// (SqliteRegistry::Impl::mutex) for the whole of every call, and that lock
// guards every member here but the two fixed at construction.
#include <sqlite3.h>

#include <QByteArray>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/read_cache.h"
#include "platform/registry/registry.h"
#include "platform/registry/sqlite_code.h"

namespace platform {

// The root numbers (0..6) that the HKEY_CLASSES_ROOT view is made of.
constexpr uint8_t kClassesRootIndex = 0, kUserRootIndex = 1, kMachineRootIndex = 2;

// The seven roots are the store's first rows, made with the store: root r
// (0..6) is the key of row id r + 1.
constexpr int64_t rootRowId(uint8_t root) { return int64_t(root) + 1; }

// The statements the calls run, prepared once the store is open (the SQL
// of each is in the table in store_connection.cpp).
enum class Sql : uint8_t {
  kLookupKey, kKeyExists, kQueryValue, kSetValue, kDeleteValue, kInsertKey, kHasSubkey, kDeleteKeyValues,
  kDeleteKey, kEnumKey, kEnumKeyAfter, kEnumValue, kEnumValueAfter,
  kBegin, kBeginRead, kCommit, kRollback, kSavepoint, kRelease, kRollbackToSavepoint,
  kCount
};

// One execution of a prepared statement: binds, steps, and resets when it goes.
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
  SqliteCode step() { return SqliteCode(sqlite3_step(stmt_)); }
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

class StoreConnection {
 public:
  class WriteTransaction;
  class ReadSnapshot;

  // `canWrite`: the owner may write (else the file is opened read-only).
  StoreConnection(QByteArray storeFile, bool canWrite);
  ~StoreConnection();
  StoreConnection(const StoreConnection&) = delete;
  StoreConnection& operator=(const StoreConnection&) = delete;

  const QByteArray& file() const { return file_; }

  // ---- a call's bounds -----------------------------------------------------
  // Every public call of the owner begins and ends with these.
  void beginCall() { storeError_.clear(); }
  void endCall();
  // Why the store could not be used on the last call ("" when it could).
  const std::string& storeError() const { return storeError_; }

  // Opens the store when it is not open; on failure storeError() says why.
  int32_t ensureOpen(bool forWrite);
  // Opens the store for a write and refuses when it cannot be written (a
  // read-only file, or inside a ReadSnapshot).
  int32_t beginWrite();
  // Inside a WriteTransaction or a ReadSnapshot.
  bool inTransaction() const { return span_ != Span::kNone; }

  // ---- statements ----------------------------------------------------------
  // REQUIRES: the store is open.
  Run run(Sql statement) { return Run(statements_[size_t(statement)]); }
  // Rows changed by the last statement that wrote.
  int changes() const { return sqlite3_changes(db_); }
  // The registry result for an SQLite failure on this connection.
  int32_t failed(SqliteCode sqliteRc) const { return registryCode(sqliteRc, db_); }

  // ---- reads: the cache ----------------------------------------------------
  ReadCache& cache() { return cache_; }
  void setCacheEnabled(bool enabled);
  void syncCache();
  void dropCache() { cache_.drop(); }
  StoreStamp stamp();
  int32_t findKey(uint8_t root, const std::string& lpath, int64_t& id);
  int32_t findKeyInDb(uint8_t root, std::string_view lpath, int64_t& id);
  int32_t keyExistsInDb(int64_t id, bool& exists);

  // ---- writes --------------------------------------------------------------
  void reclaimSpace();
  // Makes what is missing of `parts` below the key `baseId` (at `baseLpath`
  // of `root`); `id` is the last one's. REQUIRES: inside a WriteTransaction.
  int32_t createPath(uint8_t root, int64_t baseId, const std::string& baseLpath,
                     const std::vector<std::string_view>& parts, int64_t& id);

 private:
  // What the connection is inside of.
  enum class Span : uint8_t {
    kNone,      // each call is a transaction of its own
    kWrite,     // a WriteTransaction: the ones begun inside it are savepoints of it
    kSnapshot,  // a ReadSnapshot: writes are refused
  };

  std::string describe(int32_t rc) const;
  int32_t open(bool forWrite);
  void close();
  void upgradeSchema();
  int32_t createSchema();
  int32_t prepareStatements();
  void finalizeStatements();
  void attachCache();
  static int waitWhileBusy(void* self, int count);
  SqliteCode exec(const char* sql);
  SqliteCode queryInt(const char* sql, int64_t& out);
  SqliteCode queryText(const char* sql, std::string& out);
  int32_t touch();
  void rollback();
  int32_t moveSeparateClassesTree();
  int32_t moveClassesKeys(std::chrono::milliseconds budget, bool& done);
  SqliteCode moveKey(int64_t id, int64_t parent, const std::string& lpath);
  SqliteCode mergeKeyInto(int64_t from, int64_t into);

  // Fixed at construction.
  const QByteArray file_;
  const bool canWrite_;

  // Guarded by the owner's call lock, as is everything below.
  // The open store: all null while it is closed.
  sqlite3* db_ = nullptr;
  bool fileReadOnly_ = false;  // SQLite could open the file for reading only
  std::array<sqlite3_stmt*, size_t(Sql::kCount)> statements_{};

  // The transaction in progress.
  Span span_ = Span::kNone;
  uint64_t ownWrites_ = 0;  // see StoreStamp

  // Waiting for other writers (see waitWhileBusy).
  std::chrono::steady_clock::time_point busySince_;
  bool noWait_ = false;  // the busy handler gives up at once

  std::string storeError_;  // why the store could not be used on this call

  // The read cache and what keeps it sound (see syncCache).
  ReadCache cache_;
  bool cacheEnabled_ = true;
  bool touchTried_ = false;  // a commit to leave a counter-0 header was tried since the last one
  bool recoveredSinceLastCall_ = false;  // the header may have been rebuilt during the last call
};

// A write of one call: a transaction of its own, or inside another
// WriteTransaction a savepoint of it. Rolled back unless end() commits it.
// REQUIRES: beginWrite() succeeded.
class StoreConnection::WriteTransaction {
 public:
  explicit WriteTransaction(StoreConnection& store);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  // kSuccess once it has begun; a write must not go on otherwise.
  int32_t begun() const { return begun_; }
  // Commits (a savepoint: releases) when `rc` is kSuccess, else rolls back.
  // Gives the call's result: `rc`, or why the commit failed.
  int32_t end(int32_t rc);

 private:
  StoreConnection& store_;
  bool savepoint_;
  int32_t begun_;
  bool open_;
};

// A read of several calls from one snapshot of the store: no commit made
// meanwhile, by any process, is seen. Writes are refused while it lasts.
// REQUIRES: the store is open.
class StoreConnection::ReadSnapshot {
 public:
  explicit ReadSnapshot(StoreConnection& store);
  ~ReadSnapshot();
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  // kSuccess once the snapshot is taken.
  int32_t taken() const { return taken_; }

 private:
  StoreConnection& store_;
  bool begun_ = false;
  int32_t taken_;
};

}  // namespace platform
