#include "platform/registry/store_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/files/store_files.h"
#include "platform/registry/key_names.h"
#include "platform/registry/sliced_writes.h"
#include "platform/registry/store_file.h"

// Store layout
// ------------
//   keys(id, root, parent, name, lpath)  one row per key; the seven roots are
//       rows 1..7 (root 0..6, parent NULL, lpath ''): see rootRowId(). lpath is the key's path
//       below its root with every name case-folded, so UNIQUE(root, lpath)
//       resolves a whole path in one index lookup. Ids come from AUTOINCREMENT
//       and are never reused, so an id names one key for the store's life: a
//       handle whose id is gone refers to a deleted key (kKeyDeleted), even if
//       a key of the same path has been created since.
//   vals(id, key, lname, name, type, data)  lname is the folded value name;
//       UNIQUE(key, lname). The rowid keeps the order values were first set.

namespace platform {
namespace {

using reg::kAccessDenied;
using reg::appendFolded;
using reg::classesLpath;
using reg::kBadDb;
using reg::kKeyDeleted;
using reg::kSuccess;

constexpr int kApplicationId = kStoreApplicationId;
// 2: HKEY_CLASSES_ROOT is a view of the user's and the machine's classes,
// not a tree of its own (version 1 stores are moved over when opened).
constexpr int kSchemaVersion = 2;
constexpr int kSeparateClassesVersion = 1;
// A write waits this long for another process's lock before it gives up:
// bulk writers hold the lock for short transactions only, so a settings
// write gives up only when a neighbour is stuck.
constexpr auto kBusyTimeout = std::chrono::seconds(30);
constexpr int64_t kReclaimPages = 64;

constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  root INTEGER NOT NULL,
  parent INTEGER,
  name BLOB NOT NULL,
  lpath BLOB NOT NULL,
  UNIQUE(root, lpath));
CREATE INDEX keys_by_parent ON keys(parent, lpath);
CREATE TABLE vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  lname BLOB NOT NULL,
  name BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, lname));
CREATE INDEX vals_by_key ON vals(key);
INSERT INTO keys(id, root, parent, name, lpath) VALUES
  (1, 0, NULL, x'', x''), (2, 1, NULL, x'', x''), (3, 2, NULL, x'', x''), (4, 3, NULL, x'', x''),
  (5, 4, NULL, x'', x''), (6, 5, NULL, x'', x''), (7, 6, NULL, x'', x'');
)sql";

// Every statement the calls run, in the order of Sql: one table prepares
// them all when the store opens and finalizes them all when it closes.
struct StatementText {
  Sql statement;
  const char* sql;
};
constexpr StatementText kStatements[] = {
    {Sql::kLookupKey, "SELECT id FROM keys WHERE root=?1 AND lpath=?2"},
    {Sql::kKeyExists, "SELECT 1 FROM keys WHERE id=?1"},
    {Sql::kQueryValue, "SELECT type, data FROM vals WHERE key=?1 AND lname=?2"},
    // Stores only while the key still exists; keeps the name's first case.
    {Sql::kSetValue,
     "INSERT INTO vals(key, lname, name, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
     "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
     "ON CONFLICT(key, lname) DO UPDATE SET type=excluded.type, data=excluded.data"},
    {Sql::kDeleteValue, "DELETE FROM vals WHERE key=?1 AND lname=?2"},
    {Sql::kInsertKey, "INSERT INTO keys(root, parent, name, lpath) VALUES(?1, ?2, ?3, ?4)"},
    {Sql::kHasSubkey, "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1"},
    {Sql::kDeleteKeyValues, "DELETE FROM vals WHERE key=?1"},
    {Sql::kDeleteKey, "DELETE FROM keys WHERE id=?1"},
    // Listings from an offset or after an item (?2), of ?3 items at most.
    {Sql::kEnumKey, "SELECT name, lpath FROM keys WHERE parent=?1 ORDER BY lpath LIMIT ?3 OFFSET ?2"},
    {Sql::kEnumKeyAfter, "SELECT name, lpath FROM keys WHERE parent=?1 AND lpath>?2 ORDER BY lpath LIMIT ?3"},
    {Sql::kEnumValue, "SELECT name, type, data, id FROM vals WHERE key=?1 ORDER BY id LIMIT ?3 OFFSET ?2"},
    {Sql::kEnumValueAfter, "SELECT name, type, data, id FROM vals WHERE key=?1 AND id>?2 ORDER BY id LIMIT ?3"},
    {Sql::kBegin, "BEGIN IMMEDIATE"},
    {Sql::kBeginRead, "BEGIN"},
    {Sql::kCommit, "COMMIT"},
    {Sql::kRollback, "ROLLBACK"},
    {Sql::kSavepoint, "SAVEPOINT call"},
    {Sql::kRelease, "RELEASE call"},
    {Sql::kRollbackToSavepoint, "ROLLBACK TO call"},
};
static_assert(std::size(kStatements) == size_t(Sql::kCount), "a statement without its SQL");
constexpr bool inOrderOfSql() {
  for (size_t i = 0; i < std::size(kStatements); ++i)
    if (kStatements[i].statement != Sql(i)) return false;
  return true;
}
static_assert(inOrderOfSql(), "kStatements must list the statements in the order of Sql");

}  // namespace


StoreConnection::StoreConnection(QByteArray storeFile, bool canWrite)
    : file_(std::move(storeFile)), canWrite_(canWrite) {}

StoreConnection::~StoreConnection() { close(); }

void StoreConnection::close() {
  finalizeStatements();
  sqlite3_close(db_);
  db_ = nullptr;
  cache_.detach();
}

void StoreConnection::endCall() {
  if (cache_.mayBeRecovered()) recoveredSinceLastCall_ = true;
}

int32_t StoreConnection::ensureOpen(bool forWrite) {
  storeError_.clear();
  if (db_ != nullptr) return kSuccess;
  const int32_t rc = open(forWrite);
  if (rc != kSuccess) {
    if (storeError_.empty()) storeError_ = describe(rc);
    close();
  }
  return rc;
}

std::string StoreConnection::describe(int32_t rc) const {
  const std::string name = "\"" + file_.toStdString() + "\"";
  switch (rc) {
    case kBadDb: return "the file " + name + " is not a registry store, or it is damaged";
    case kAccessDenied: return "the registry store " + name + " cannot be written";
    case reg::kBusy: {
      const std::string holder = lockHolderOf(file_);
      return "the registry store " + name + " is kept locked by " + (holder.empty() ? "another process" : holder);
    }
    case reg::kDiskFull: return "the disk of the registry store " + name + " is full";
    default:
      return "the registry store " + name + " cannot be used (" +
             (db_ ? sqlite3_errmsg(db_) : "error " + std::to_string(rc)) + ")";
  }
}

int32_t StoreConnection::open(bool forWrite) {
  // The file is made here, with mode 0600 whatever the umask; SQLite gives
  // its -wal and -shm files the same mode.
  if (int32_t rc = prepareStoreFile(file_, canWrite_, storeError_); rc != kSuccess) return rc;
  const int flags = (canWrite_ ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
  if (SqliteCode sqliteRc(sqlite3_open_v2(file_.constData(), &db_, flags, nullptr)); !sqliteRc.ok())
    return failed(sqliteRc);
  sqlite3_busy_handler(db_, &StoreConnection::waitWhileBusy, this);
  fileReadOnly_ = sqlite3_db_readonly(db_, "main") == 1;

  // Look before writing anything: a file that is not our store is left alone.
  int64_t appId = 0, version = 0, tables = 0;
  if (SqliteCode sqliteRc = queryInt("PRAGMA application_id", appId); !sqliteRc.ok()) return failed(sqliteRc);
  if (SqliteCode sqliteRc = queryInt("PRAGMA user_version", version); !sqliteRc.ok()) return failed(sqliteRc);
  if (SqliteCode sqliteRc = queryInt("SELECT count(*) FROM sqlite_schema", tables); !sqliteRc.ok())
    return failed(sqliteRc);
  const bool ours = appId == kApplicationId && (version == kSchemaVersion || version == kSeparateClassesVersion);
  const bool blank = appId == 0 && version == 0 && tables == 0;
  if (!ours && !blank) return kBadDb;
  if (blank && fileReadOnly_) return forWrite ? kAccessDenied : kBadDb;
  // Only now is the file known to be ours (or about to become it): a link
  // to some other file never has that file's mode changed.
  narrowStoreFiles(file_);

  // Deleted keys give their pages back (see reclaimSpace); this takes
  // effect only before the first table is made, so it comes first.
  if (blank && !fileReadOnly_) exec("PRAGMA auto_vacuum=INCREMENTAL");
  if (!fileReadOnly_) {
    std::string journal;
    if (SqliteCode sqliteRc = queryText("PRAGMA journal_mode", journal); !sqliteRc.ok()) return failed(sqliteRc);
    if (journal != "wal") {
      if (SqliteCode sqliteRc = queryText("PRAGMA journal_mode=WAL", journal); !sqliteRc.ok())
        return failed(sqliteRc);
    }
  }
  if (SqliteCode sqliteRc = exec("PRAGMA synchronous=FULL"); !sqliteRc.ok()) return failed(sqliteRc);
  if (blank) {
    if (int32_t rc = createSchema(); rc != kSuccess) return rc;
  }
  if (!fileReadOnly_) upgradeSchema();
  if (int32_t rc = prepareStatements(); rc != kSuccess) return rc;
  if (ours && version == kSeparateClassesVersion && !fileReadOnly_) {
    if (int32_t rc = moveSeparateClassesTree(); rc != kSuccess) return rc;
  }
  attachCache();
  return kSuccess;
}

// Brings a store made by an earlier version up to the current layout. Best
// effort, without waiting for other writers: a store that cannot be
// changed now works as it is and is upgraded on a later open.
void StoreConnection::upgradeSchema() {
  noWait_ = true;
  int64_t hasIndex = 0;
  if (queryInt("SELECT count(*) FROM sqlite_schema WHERE name='vals_by_key'", hasIndex).ok() && !hasIndex)
    exec("CREATE INDEX vals_by_key ON vals(key)");
  int64_t autoVacuum = 0;
  if (queryInt("PRAGMA auto_vacuum", autoVacuum).ok() && autoVacuum != 2) {
    if (exec("PRAGMA auto_vacuum=INCREMENTAL").ok()) exec("VACUUM");
  }
  noWait_ = false;
}

// Two processes may create the store at once: the second finds it made.
// (The statements are not prepared yet, so this transaction is spelled out.)
int32_t StoreConnection::createSchema() {
  if (SqliteCode sqliteRc = exec("BEGIN IMMEDIATE"); !sqliteRc.ok()) return failed(sqliteRc);
  int64_t appId = 0, tables = 0;
  SqliteCode sqliteRc = queryInt("PRAGMA application_id", appId);
  if (sqliteRc.ok()) sqliteRc = queryInt("SELECT count(*) FROM sqlite_schema", tables);
  if (sqliteRc.ok() && appId == 0 && tables == 0) {
    sqliteRc = exec(kSchema);
    if (sqliteRc.ok()) sqliteRc = exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    if (sqliteRc.ok()) sqliteRc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
  } else if (sqliteRc.ok() && appId != kApplicationId) {
    exec("ROLLBACK");
    return kBadDb;
  }
  if (sqliteRc.ok()) sqliteRc = exec("COMMIT");
  if (!sqliteRc.ok()) {
    exec("ROLLBACK");
    return failed(sqliteRc);
  }
  return kSuccess;
}

int32_t StoreConnection::prepareStatements() {
  for (const auto& [statement, sql] : kStatements) {
    sqlite3_stmt*& stmt = statements_[size_t(statement)];
    if (SqliteCode sqliteRc(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
        !sqliteRc.ok())
      return failed(sqliteRc);
  }
  return kSuccess;
}

void StoreConnection::finalizeStatements() {
  for (sqlite3_stmt*& stmt : statements_) {
    sqlite3_finalize(stmt);
    stmt = nullptr;
  }
}

void StoreConnection::attachCache() {
  cache_.detach();
  std::string journal;
  if (!queryText("PRAGMA journal_mode", journal).ok() || journal != "wal") return;
  int64_t n = 0;  // a read maps the WAL-index
  if (!queryInt("SELECT count(*) FROM keys", n).ok()) return;
  cache_.attach(db_);
}

// Waits for another connection's lock in growing steps from 20 us to 2 ms,
// for up to kBusyTimeout. (SQLite's own timeout handler sleeps whole
// milliseconds, which costs two busy writers most of their rate.)
int StoreConnection::waitWhileBusy(void* self, int count) {
  auto* d = static_cast<StoreConnection*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) d->busySince_ = now;
  if (d->noWait_) return 0;
  if (now - d->busySince_ >= kBusyTimeout) {
    d->storeError_ = d->describe(reg::kBusy);  // while the holder still holds it
    return 0;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(std::min(20 << std::min(count, 7), 2000)));
  return 1;
}

SqliteCode StoreConnection::exec(const char* sql) {
  return SqliteCode(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

SqliteCode StoreConnection::queryInt(const char* sql, int64_t& out) {
  sqlite3_stmt* s = nullptr;
  SqliteCode sqliteRc(sqlite3_prepare_v2(db_, sql, -1, &s, nullptr));
  if (sqliteRc.ok()) {
    sqliteRc = SqliteCode(sqlite3_step(s));
    if (sqliteRc.row()) out = sqlite3_column_int64(s, 0);
    if (sqliteRc.stepped()) sqliteRc = SqliteCode(SQLITE_OK);
  }
  sqlite3_finalize(s);
  return sqliteRc;
}

SqliteCode StoreConnection::queryText(const char* sql, std::string& out) {
  sqlite3_stmt* s = nullptr;
  SqliteCode sqliteRc(sqlite3_prepare_v2(db_, sql, -1, &s, nullptr));
  if (sqliteRc.ok()) {
    sqliteRc = SqliteCode(sqlite3_step(s));
    if (sqliteRc.row()) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      out = t != nullptr ? t : "";
    }
    if (sqliteRc.stepped()) sqliteRc = SqliteCode(SQLITE_OK);
  }
  sqlite3_finalize(s);
  return sqliteRc;
}

void StoreConnection::setCacheEnabled(bool enabled) {
  cacheEnabled_ = enabled;
  dropCache();
}

// Valid once the call has read from the database: SQLite brings its data
// version up to date when a read begins.
StoreStamp StoreConnection::stamp() {
  unsigned version = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  return {version, ownWrites_};
}

// Called at the start of every reading call: afterwards the cache holds
// only answers that are still current (or nothing).
//
// SQLite keeps pages of its own and trusts them by the same header
// compare, so a connection that last read under a counter-0 header would
// be served its old pages after a recovery rebuilt that header. When the
// header has counter 0 now, or had at the end of the last call, SQLite's
// cached pages are dropped before reading.
void StoreConnection::syncCache() {
  const ReadCache::Header header = cache_.sync();
  if (header == ReadCache::Header::kCounterZero || recoveredSinceLastCall_) sqlite3_db_release_memory(db_);
  recoveredSinceLastCall_ = false;
  if (!cacheEnabled_ || inTransaction()) cache_.drop();
  if (header != ReadCache::Header::kCounterZero) {
    touchTried_ = false;
    return;
  }
  // A header nobody has committed under since it was (re)built can repeat,
  // so it is never cached under. Commit once to move past it: otherwise an
  // idle store would be read from the database on every call.
  if (touchTried_ || inTransaction()) return;
  touchTried_ = true;
  if (touch() == kSuccess && cacheEnabled_) cache_.sync();
}

// A commit that changes nothing but the WAL-index header's change counter.
// It does not wait for another writer: that writer's commit does the same.
// (Spelled out rather than a WriteTransaction: a failed touch is no write
// of this connection's, so it leaves ownWrites_ as it is.)
int32_t StoreConnection::touch() {
  noWait_ = true;
  SqliteCode sqliteRc = exec("BEGIN IMMEDIATE");
  if (sqliteRc.ok()) {
    sqliteRc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    if (sqliteRc.ok()) sqliteRc = exec("COMMIT");
    if (!sqliteRc.ok()) exec("ROLLBACK");
  }
  noWait_ = false;
  return sqliteRc.ok() ? kSuccess : failed(sqliteRc);
}

// The id of the key at `lpath` below `root` (0: none), from the cache or
// the database.
int32_t StoreConnection::findKey(uint8_t root, const std::string& lpath, int64_t& id) {
  if (const int64_t* cached = cache_.findKey(root, lpath)) {
    id = *cached;
    return kSuccess;
  }
  if (int32_t rc = findKeyInDb(root, lpath, id); rc != kSuccess) return rc;
  cache_.putKey(root, lpath, id);
  return kSuccess;
}

int32_t StoreConnection::findKeyInDb(uint8_t root, std::string_view lpath, int64_t& id) {
  Run r = run(Sql::kLookupKey);
  r.bind(1, int64_t(root)).bind(2, lpath);
  const SqliteCode sqliteRc = r.step();
  if (sqliteRc.row()) {
    id = r.int64(0);
    return kSuccess;
  }
  id = 0;
  return sqliteRc.done() ? kSuccess : failed(sqliteRc);
}

int32_t StoreConnection::keyExistsInDb(int64_t id, bool& exists) {
  Run r = run(Sql::kKeyExists);
  r.bind(1, id);
  const SqliteCode sqliteRc = r.step();
  exists = sqliteRc.row();
  return sqliteRc.stepped() ? kSuccess : failed(sqliteRc);
}

// Version 1 kept HKEY_CLASSES_ROOT as a tree of its own: its keys move into
// the user's classes, once. Where the user already has a key, the user's
// values win and the rest join them. The move goes in transactions of about
// 50 ms, so that nobody's write waits for all of it; the store says version 1
// until the last of them, so a move cut short (a kill, a full disk) goes on
// at the next open, from the keys still left, in this process or another.
int32_t StoreConnection::moveSeparateClassesTree() {
  for (bool done = false; !done;) {
    WriteTransaction transaction(*this);
    if (int32_t rc = transaction.begun(); rc != kSuccess) return rc;
    int32_t rc = moveClassesKeys(kWriteSlice, done);
    if (rc == kSuccess && done) {
      if (SqliteCode sqliteRc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
          !sqliteRc.ok())
        rc = failed(sqliteRc);
    }
    if (rc = transaction.end(rc); rc != kSuccess) return rc;
  }
  return kSuccess;
}

// Moves old keys, parents before their children, for about `budget`; `done`
// when none is left. A key whose parent moved in an earlier transaction
// finds it in the user's tree already (merged keys hand their children over).
int32_t StoreConnection::moveClassesKeys(std::chrono::milliseconds budget, bool& done) {
  const auto start = std::chrono::steady_clock::now();
  int64_t classesId = 0;
  if (int32_t rc = createPath(kUserRootIndex, rootRowId(kUserRootIndex), {}, {"Software", "Classes"}, classesId);
      rc != kSuccess)
    return rc;
  struct OldKey {
    int64_t id, parent;
    std::string lpath;
  };
  std::vector<OldKey> old;  // parents before their children
  sqlite3_stmt* list = nullptr;
  SqliteCode sqliteRc(sqlite3_prepare_v2(db_, "SELECT id, parent, lpath FROM keys WHERE root=0 AND parent IS NOT NULL "
                                              "ORDER BY length(lpath)", -1, &list, nullptr));
  while (sqliteRc.ok() && (sqliteRc = SqliteCode(sqlite3_step(list))).row()) {
    old.push_back({sqlite3_column_int64(list, 0), sqlite3_column_int64(list, 1),
                   std::string(static_cast<const char*>(sqlite3_column_blob(list, 2)),
                               size_t(sqlite3_column_bytes(list, 2)))});
    sqliteRc = SqliteCode(SQLITE_OK);
  }
  sqlite3_finalize(list);
  if (!sqliteRc.ok() && !sqliteRc.done()) return failed(sqliteRc);
  std::unordered_map<int64_t, int64_t> movedTo{{rootRowId(kClassesRootIndex), classesId}};
  done = false;
  for (const OldKey& k : old) {
    if (std::chrono::steady_clock::now() - start >= budget) return kSuccess;
    const std::string lpath = classesLpath(k.lpath);
    int64_t existing = 0;
    if (int32_t rc = findKeyInDb(kUserRootIndex, lpath, existing); rc != kSuccess) return rc;
    const auto parent = movedTo.find(k.parent);
    sqliteRc = existing != 0 ? mergeKeyInto(k.id, existing)
                             : moveKey(k.id, parent != movedTo.end() ? parent->second : k.parent, lpath);
    if (!sqliteRc.ok()) return failed(sqliteRc);
    movedTo[k.id] = existing != 0 ? existing : k.id;
  }
  done = true;
  return kSuccess;
}

SqliteCode StoreConnection::moveKey(int64_t id, int64_t parent, const std::string& lpath) {
  sqlite3_stmt* s = nullptr;
  SqliteCode sqliteRc(sqlite3_prepare_v2(db_, "UPDATE keys SET root=?1, parent=?2, lpath=?3 WHERE id=?4", -1, &s, nullptr));
  if (sqliteRc.ok()) {
    sqlite3_bind_int64(s, 1, kUserRootIndex);
    sqlite3_bind_int64(s, 2, parent);
    sqlite3_bind_blob64(s, 3, lpath.data(), lpath.size(), SQLITE_STATIC);
    sqlite3_bind_int64(s, 4, id);
    sqliteRc = sqlite3_step(s) == SQLITE_DONE ? SqliteCode(SQLITE_OK) : SqliteCode(sqlite3_errcode(db_));
  }
  sqlite3_finalize(s);
  return sqliteRc;
}

// The user's values win; the key itself goes once its children have moved.
SqliteCode StoreConnection::mergeKeyInto(int64_t from, int64_t into) {
  const std::string key = std::to_string(from);
  SqliteCode sqliteRc = exec(("UPDATE OR IGNORE vals SET key=" + std::to_string(into) + " WHERE key=" + key).c_str());
  if (sqliteRc.ok()) sqliteRc = exec(("DELETE FROM vals WHERE key=" + key).c_str());
  if (sqliteRc.ok())
    sqliteRc = exec(("UPDATE keys SET parent=" + std::to_string(into) + " WHERE parent=" + key).c_str());
  if (sqliteRc.ok()) sqliteRc = exec(("DELETE FROM keys WHERE id=" + key).c_str());
  return sqliteRc;
}

int32_t StoreConnection::beginWrite() {
  if (span_ == Span::kSnapshot) return kAccessDenied;
  if (int32_t rc = ensureOpen(true); rc != kSuccess) return rc;
  if (!fileReadOnly_) {
    ++ownWrites_;
    return kSuccess;
  }
  storeError_ = "the registry store \"" + file_.toStdString() + "\" can only be read";
  return kAccessDenied;
}

// Rolls back the transaction in progress, if SQLite has not already.
void StoreConnection::rollback() {
  if (sqlite3_get_autocommit(db_)) return;
  ++ownWrites_;
  run(Sql::kRollback).step();
}

// Gives the pages of deleted rows back to the file system once enough
// have gathered (the store keeps auto_vacuum=INCREMENTAL). Best effort.
void StoreConnection::reclaimSpace() {
  if (inTransaction()) return;
  int64_t freePages = 0;
  if (queryInt("PRAGMA freelist_count", freePages).ok() && freePages >= kReclaimPages)
    exec("PRAGMA incremental_vacuum");
}

int32_t StoreConnection::createPath(uint8_t root, int64_t baseId, const std::string& baseLpath,
                                    const std::vector<std::string_view>& parts, int64_t& id) {
  if (!baseLpath.empty()) {
    bool exists = false;
    if (int32_t rc = keyExistsInDb(baseId, exists); rc != kSuccess) return rc;
    if (!exists) return kKeyDeleted;
  }
  id = baseId;
  std::string prefix = baseLpath;
  for (std::string_view part : parts) {
    if (!prefix.empty()) prefix.push_back('\\');
    appendFolded(prefix, part);
    int64_t found = 0;
    if (int32_t rc = findKeyInDb(root, prefix, found); rc != kSuccess) return rc;
    if (found == 0) {
      Run r = run(Sql::kInsertKey);
      r.bind(1, int64_t(root)).bind(2, id).bind(3, part).bind(4, prefix);
      if (SqliteCode sqliteRc = r.step(); !sqliteRc.done()) return failed(sqliteRc);
      found = sqlite3_last_insert_rowid(db_);
    }
    id = found;
  }
  return kSuccess;
}

// ---- WriteTransaction ----------------------------------------------------

StoreConnection::WriteTransaction::WriteTransaction(StoreConnection& store)
    : store_(store), savepoint_(store.span_ == Span::kWrite), begun_(kSuccess), open_(false) {
  if (store_.span_ == Span::kSnapshot) {
    begun_ = kAccessDenied;
    return;
  }
  const SqliteCode sqliteRc = store_.run(savepoint_ ? Sql::kSavepoint : Sql::kBegin).step();
  if (!sqliteRc.done()) {
    begun_ = store_.failed(sqliteRc);
    return;
  }
  open_ = true;
  store_.dropCache();
  if (!savepoint_) store_.span_ = Span::kWrite;
}

// What was not ended (a call that threw) is rolled back.
StoreConnection::WriteTransaction::~WriteTransaction() {
  if (open_) end(reg::kInvalidParameter);
}

int32_t StoreConnection::WriteTransaction::end(int32_t rc) {
  if (!open_) return begun_ != kSuccess ? begun_ : rc;
  open_ = false;
  store_.dropCache();
  if (savepoint_) {
    if (rc != kSuccess) {
      ++store_.ownWrites_;
      store_.run(Sql::kRollbackToSavepoint).step();
    }
    store_.run(Sql::kRelease).step();
    return rc;
  }
  store_.span_ = Span::kNone;
  if (rc != kSuccess) {
    store_.rollback();
    return rc;
  }
  if (const SqliteCode sqliteRc = store_.run(Sql::kCommit).step(); !sqliteRc.done()) {
    store_.rollback();
    return store_.failed(sqliteRc);
  }
  return kSuccess;
}

// ---- ReadSnapshot --------------------------------------------------------

// SQLite takes a read transaction's snapshot at its first read: the root
// row is read at once, so that the snapshot is of now.
StoreConnection::ReadSnapshot::ReadSnapshot(StoreConnection& store) : store_(store), taken_(kSuccess) {
  if (const SqliteCode sqliteRc = store_.run(Sql::kBeginRead).step(); !sqliteRc.done()) {
    taken_ = store_.failed(sqliteRc);
    return;
  }
  begun_ = true;
  bool exists = false;
  if (taken_ = store_.keyExistsInDb(rootRowId(kClassesRootIndex), exists); taken_ != kSuccess) return;
  store_.dropCache();
  store_.span_ = Span::kSnapshot;
}

// Nothing was written, so nothing is kept: the end of a snapshot is a rollback.
StoreConnection::ReadSnapshot::~ReadSnapshot() {
  if (store_.span_ == Span::kSnapshot) store_.span_ = Span::kNone;
  if (begun_) store_.run(Sql::kRollback).step();
}

}  // namespace platform
