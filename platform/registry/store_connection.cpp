#include "platform/registry/store_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
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
//       rows 1..7 (root 0..6, parent NULL, lpath ''). lpath is the key's path
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
using reg::kInvalidParameter;
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

}  // namespace

// A file that may not grow (quota, file size limit) is a full disk to the
// caller as well. SQLite does not always keep the errno of a failed write,
// but nothing it does after one succeeds in clearing it.
int32_t errorFromSqlite(int rc, sqlite3* db) {
  if ((rc & 0xff) == SQLITE_IOERR && db != nullptr) {
    const int error = sqlite3_system_errno(db) != 0 ? sqlite3_system_errno(db)
                      : rc == SQLITE_IOERR_WRITE    ? errno
                                                    : 0;
    if (error == ENOSPC || error == EDQUOT || error == EFBIG) return reg::kDiskFull;
  }
  switch (rc & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kAccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return reg::kBusy;
    case SQLITE_FULL:
      return reg::kDiskFull;
    case SQLITE_NOMEM:
      return reg::kOutOfMemory;
    case SQLITE_IOERR:
      return reg::kIoFailed;
    case SQLITE_TOOBIG:
      return kInvalidParameter;
    default:  // NOTADB, CORRUPT, CANTOPEN, SCHEMA, ...
      return kBadDb;
  }
}

StoreConnection::StoreConnection(QByteArray storeFile, bool canWrite)
    : file(std::move(storeFile)), writable(canWrite) {}

StoreConnection::~StoreConnection() { close(); }

void StoreConnection::close() {
  for (Statement* s : {&lookupKey, &keyExists, &queryValue, &setValue, &deleteValue, &insertKey, &hasSubkey,
                       &deleteKeyValues, &deleteKey, &enumKey, &enumKeyAfter, &enumValue, &enumValueAfter, &begin,
                       &commit, &rollback, &savepoint, &release, &rollbackToSavepoint}) {
    sqlite3_finalize(s->stmt);
    s->stmt = nullptr;
  }
  sqlite3_close(db);
  db = nullptr;
  cache.detach();
}

int32_t StoreConnection::ensureOpen(bool forWrite) {
  storeError.clear();
  if (db != nullptr) return kSuccess;
  const int32_t rc = open(forWrite);
  if (rc != kSuccess) {
    if (storeError.empty()) storeError = describe(rc);
    close();
  }
  return rc;
}

std::string StoreConnection::describe(int32_t rc) const {
  const std::string name = "\"" + file.toStdString() + "\"";
  switch (rc) {
    case kBadDb: return "the file " + name + " is not a registry store, or it is damaged";
    case kAccessDenied: return "the registry store " + name + " cannot be written";
    case reg::kBusy: {
      const std::string holder = lockHolderOf(file);
      return "the registry store " + name + " is kept locked by " + (holder.empty() ? "another process" : holder);
    }
    case reg::kDiskFull: return "the disk of the registry store " + name + " is full";
    default:
      return "the registry store " + name + " cannot be used (" + (db ? sqlite3_errmsg(db) : "error " + std::to_string(rc)) + ")";
  }
}

int32_t StoreConnection::open(bool forWrite) {
  // The file is made here, with mode 0600 whatever the umask; SQLite gives
  // its -wal and -shm files the same mode.
  if (int32_t rc = prepareStoreFile(file, writable, storeError); rc != kSuccess) return rc;
  const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
  if (int rc = sqlite3_open_v2(file.constData(), &db, flags, nullptr); rc != SQLITE_OK) return errorFromSqlite(rc, db);
  sqlite3_busy_handler(db, &StoreConnection::waitWhileBusy, this);
  readOnly = sqlite3_db_readonly(db, "main") == 1;

  // Look before writing anything: a file that is not our store is left alone.
  int64_t appId = 0, version = 0, tables = 0;
  if (int rc = queryInt("PRAGMA application_id", appId); rc != SQLITE_OK) return errorFromSqlite(rc, db);
  if (int rc = queryInt("PRAGMA user_version", version); rc != SQLITE_OK) return errorFromSqlite(rc, db);
  if (int rc = queryInt("SELECT count(*) FROM sqlite_schema", tables); rc != SQLITE_OK)
    return errorFromSqlite(rc, db);
  const bool ours = appId == kApplicationId && (version == kSchemaVersion || version == kSeparateClassesVersion);
  const bool blank = appId == 0 && version == 0 && tables == 0;
  if (!ours && !blank) return kBadDb;
  if (blank && readOnly) return forWrite ? kAccessDenied : kBadDb;
  // Only now is the file known to be ours (or about to become it): a link
  // to some other file never has that file's mode changed.
  narrowStoreFiles(file);

  // Deleted keys give their pages back (see reclaimSpace); this takes
  // effect only before the first table is made, so it comes first.
  if (blank && !readOnly) exec("PRAGMA auto_vacuum=INCREMENTAL");
  if (!readOnly) {
    std::string journal;
    if (int rc = queryText("PRAGMA journal_mode", journal); rc != SQLITE_OK) return errorFromSqlite(rc, db);
    if (journal != "wal") {
      if (int rc = queryText("PRAGMA journal_mode=WAL", journal); rc != SQLITE_OK) return errorFromSqlite(rc, db);
    }
  }
  if (int rc = exec("PRAGMA synchronous=FULL"); rc != SQLITE_OK) return errorFromSqlite(rc, db);
  if (blank) {
    if (int32_t rc = createSchema(); rc != kSuccess) return rc;
  }
  if (!readOnly) upgradeSchema();
  if (int32_t rc = prepareAll(); rc != kSuccess) return rc;
  if (ours && version == kSeparateClassesVersion && !readOnly) {
    if (int32_t rc = moveSeparateClassesTree(); rc != kSuccess) return rc;
  }
  attachCache();
  return kSuccess;
}

// Brings a store made by an earlier version up to the current layout. Best
// effort, without waiting for other writers: a store that cannot be
// changed now works as it is and is upgraded on a later open.
void StoreConnection::upgradeSchema() {
  noWait = true;
  int64_t hasIndex = 0;
  if (queryInt("SELECT count(*) FROM sqlite_schema WHERE name='vals_by_key'", hasIndex) == SQLITE_OK && !hasIndex)
    exec("CREATE INDEX vals_by_key ON vals(key)");
  int64_t autoVacuum = 0;
  if (queryInt("PRAGMA auto_vacuum", autoVacuum) == SQLITE_OK && autoVacuum != 2) {
    if (exec("PRAGMA auto_vacuum=INCREMENTAL") == SQLITE_OK) exec("VACUUM");
  }
  noWait = false;
}

// Two processes may create the store at once: the second finds it made.
int32_t StoreConnection::createSchema() {
  if (int rc = exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return errorFromSqlite(rc, db);
  int64_t appId = 0, tables = 0;
  int rc = queryInt("PRAGMA application_id", appId);
  if (rc == SQLITE_OK) rc = queryInt("SELECT count(*) FROM sqlite_schema", tables);
  if (rc == SQLITE_OK && appId == 0 && tables == 0) {
    rc = exec(kSchema);
    if (rc == SQLITE_OK) rc = exec(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
    if (rc == SQLITE_OK) rc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
  } else if (rc == SQLITE_OK && appId != kApplicationId) {
    exec("ROLLBACK");
    return kBadDb;
  }
  if (rc == SQLITE_OK) rc = exec("COMMIT");
  if (rc != SQLITE_OK) {
    exec("ROLLBACK");
    return errorFromSqlite(rc, db);
  }
  return kSuccess;
}

int32_t StoreConnection::prepareAll() {
  const std::pair<Statement*, const char*> all[] = {
      {&lookupKey, "SELECT id FROM keys WHERE root=?1 AND lpath=?2"},
      {&keyExists, "SELECT 1 FROM keys WHERE id=?1"},
      {&queryValue, "SELECT type, data FROM vals WHERE key=?1 AND lname=?2"},
      // Stores only while the key still exists; keeps the name's first case.
      {&setValue,
       "INSERT INTO vals(key, lname, name, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
       "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
       "ON CONFLICT(key, lname) DO UPDATE SET type=excluded.type, data=excluded.data"},
      {&deleteValue, "DELETE FROM vals WHERE key=?1 AND lname=?2"},
      {&insertKey, "INSERT INTO keys(root, parent, name, lpath) VALUES(?1, ?2, ?3, ?4)"},
      {&hasSubkey, "SELECT 1 FROM keys WHERE parent=?1 LIMIT 1"},
      {&deleteKeyValues, "DELETE FROM vals WHERE key=?1"},
      {&deleteKey, "DELETE FROM keys WHERE id=?1"},
      // Listings from an offset or after an item (?2), of ?3 items at most.
      {&enumKey, "SELECT name, lpath FROM keys WHERE parent=?1 ORDER BY lpath LIMIT ?3 OFFSET ?2"},
      {&enumKeyAfter, "SELECT name, lpath FROM keys WHERE parent=?1 AND lpath>?2 ORDER BY lpath LIMIT ?3"},
      {&enumValue, "SELECT name, type, data, id FROM vals WHERE key=?1 ORDER BY id LIMIT ?3 OFFSET ?2"},
      {&enumValueAfter, "SELECT name, type, data, id FROM vals WHERE key=?1 AND id>?2 ORDER BY id LIMIT ?3"},
      {&begin, "BEGIN IMMEDIATE"},
      {&commit, "COMMIT"},
      {&rollback, "ROLLBACK"},
      {&savepoint, "SAVEPOINT call"},
      {&release, "RELEASE call"},
      {&rollbackToSavepoint, "ROLLBACK TO call"},
  };
  for (const auto& [s, sql] : all) {
    const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s->stmt, nullptr);
    if (rc != SQLITE_OK) return errorFromSqlite(rc, db);
  }
  return kSuccess;
}

void StoreConnection::attachCache() {
  cache.detach();
  std::string journal;
  if (queryText("PRAGMA journal_mode", journal) != SQLITE_OK || journal != "wal") return;
  int64_t n = 0;  // a read maps the WAL-index
  if (queryInt("SELECT count(*) FROM keys", n) != SQLITE_OK) return;
  cache.attach(db);
}

// Waits for another connection's lock in growing steps from 20 us to 2 ms,
// for up to kBusyTimeout. (SQLite's own timeout handler sleeps whole
// milliseconds, which costs two busy writers most of their rate.)
int StoreConnection::waitWhileBusy(void* self, int count) {
  auto* d = static_cast<StoreConnection*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) d->busySince = now;
  if (d->noWait) return 0;
  if (now - d->busySince >= kBusyTimeout) {
    d->storeError = d->describe(reg::kBusy);  // while the holder still holds it
    return 0;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(std::min(20 << std::min(count, 7), 2000)));
  return 1;
}

int StoreConnection::exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

int StoreConnection::queryInt(const char* sql, int64_t& out) {
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) out = sqlite3_column_int64(s, 0);
    rc = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? SQLITE_OK : rc;
  }
  sqlite3_finalize(s);
  return rc;
}

int StoreConnection::queryText(const char* sql, std::string& out) {
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      out = t != nullptr ? t : "";
    }
    rc = (rc == SQLITE_ROW || rc == SQLITE_DONE) ? SQLITE_OK : rc;
  }
  sqlite3_finalize(s);
  return rc;
}

void StoreConnection::dropCache() { cache.drop(); }

// Valid once the call has read from the database: SQLite brings its data
// version up to date when a read begins.
StoreStamp StoreConnection::stamp() {
  unsigned version = 0;
  sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  return {version, ownWrites};
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
  const ReadCache::Header header = cache.sync();
  if (header == ReadCache::Header::kCounterZero || recoveredSinceLastCall) sqlite3_db_release_memory(db);
  recoveredSinceLastCall = false;
  if (!cacheEnabled || inTransaction) cache.drop();
  if (header != ReadCache::Header::kCounterZero) {
    touchTried = false;
    return;
  }
  // A header nobody has committed under since it was (re)built can repeat,
  // so it is never cached under. Commit once to move past it: otherwise an
  // idle store would be read from the database on every call.
  if (touchTried || inTransaction) return;
  touchTried = true;
  if (touch() == kSuccess && cacheEnabled) cache.sync();
}

// A commit that changes nothing but the WAL-index header's change counter.
// It does not wait for another writer: that writer's commit does the same.
int32_t StoreConnection::touch() {
  noWait = true;
  int rc = exec("BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) {
    rc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    rc = rc == SQLITE_OK ? exec("COMMIT") : rc;
    if (rc != SQLITE_OK) exec("ROLLBACK");
  }
  noWait = false;
  return rc == SQLITE_OK ? kSuccess : errorFromSqlite(rc, db);
}

// The id of the key at `lpath` below `root` (0: none), from the cache or
// the database.
int32_t StoreConnection::findKey(uint8_t root, const std::string& lpath, int64_t& id) {
  if (const int64_t* cached = cache.findKey(root, lpath)) {
    id = *cached;
    return kSuccess;
  }
  if (int32_t rc = findKeyInDb(root, lpath, id); rc != kSuccess) return rc;
  cache.putKey(root, lpath, id);
  return kSuccess;
}

int32_t StoreConnection::findKeyInDb(uint8_t root, std::string_view lpath, int64_t& id) {
  Run r(lookupKey.stmt);
  r.bind(1, int64_t(root)).bind(2, lpath);
  const int rc = r.step();
  if (rc == SQLITE_ROW) {
    id = r.int64(0);
    return kSuccess;
  }
  id = 0;
  return rc == SQLITE_DONE ? kSuccess : errorFromSqlite(rc, db);
}

int32_t StoreConnection::keyExistsInDb(int64_t id, bool& exists) {
  Run r(keyExists.stmt);
  r.bind(1, id);
  const int rc = r.step();
  exists = rc == SQLITE_ROW;
  return (rc == SQLITE_ROW || rc == SQLITE_DONE) ? kSuccess : errorFromSqlite(rc, db);
}

// Version 1 kept HKEY_CLASSES_ROOT as a tree of its own: its keys move into
// the user's classes, once. Where the user already has a key, the user's
// values win and the rest join them. The move goes in transactions of about
// 50 ms, so that nobody's write waits for all of it; the store says version 1
// until the last of them, so a move cut short (a kill, a full disk) goes on
// at the next open, from the keys still left, in this process or another.
int32_t StoreConnection::moveSeparateClassesTree() {
  for (bool done = false; !done;) {
    if (int rc = exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return errorFromSqlite(rc, db);
    int32_t rc = moveClassesKeys(kWriteSlice, done);
    int erc = SQLITE_OK;
    if (rc == kSuccess && done) erc = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    if (rc == kSuccess && erc == SQLITE_OK) erc = exec("COMMIT");
    if (rc == kSuccess && erc != SQLITE_OK) rc = errorFromSqlite(erc, db);
    if (rc != kSuccess) {
      exec("ROLLBACK");
      return rc;
    }
  }
  return kSuccess;
}

// Moves old keys, parents before their children, for about `budget`; `done`
// when none is left. A key whose parent moved in an earlier transaction
// finds it in the user's tree already (merged keys hand their children over).
int32_t StoreConnection::moveClassesKeys(std::chrono::milliseconds budget, bool& done) {
  const auto start = std::chrono::steady_clock::now();
  int64_t classesId = 0;
  if (int32_t rc = createPath(kUserRootIndex, kUserRootIndex + 1, {}, {"Software", "Classes"}, classesId);
      rc != kSuccess)
    return rc;
  struct OldKey {
    int64_t id, parent;
    std::string lpath;
  };
  std::vector<OldKey> old;  // parents before their children
  sqlite3_stmt* list = nullptr;
  int rc = sqlite3_prepare_v2(db, "SELECT id, parent, lpath FROM keys WHERE root=0 AND parent IS NOT NULL "
                                  "ORDER BY length(lpath)", -1, &list, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(list)) == SQLITE_ROW) {
    old.push_back({sqlite3_column_int64(list, 0), sqlite3_column_int64(list, 1),
                   std::string(static_cast<const char*>(sqlite3_column_blob(list, 2)),
                               size_t(sqlite3_column_bytes(list, 2)))});
    rc = SQLITE_OK;
  }
  sqlite3_finalize(list);
  if (rc != SQLITE_OK && rc != SQLITE_DONE) return errorFromSqlite(rc, db);
  std::unordered_map<int64_t, int64_t> movedTo{{kClassesRootIndex + 1, classesId}};
  done = false;
  for (const OldKey& k : old) {
    if (std::chrono::steady_clock::now() - start >= budget) return kSuccess;
    const std::string lpath = classesLpath(k.lpath);
    int64_t existing = 0;
    if (int32_t frc = findKeyInDb(kUserRootIndex, lpath, existing); frc != kSuccess) return frc;
    const auto parent = movedTo.find(k.parent);
    rc = existing != 0 ? mergeKeyInto(k.id, existing)
                       : moveKey(k.id, parent != movedTo.end() ? parent->second : k.parent, lpath);
    if (rc != SQLITE_OK) return errorFromSqlite(rc, db);
    movedTo[k.id] = existing != 0 ? existing : k.id;
  }
  done = true;
  return kSuccess;
}

int StoreConnection::moveKey(int64_t id, int64_t parent, const std::string& lpath) {
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(db, "UPDATE keys SET root=?1, parent=?2, lpath=?3 WHERE id=?4", -1, &s, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_bind_int64(s, 1, kUserRootIndex);
    sqlite3_bind_int64(s, 2, parent);
    sqlite3_bind_blob64(s, 3, lpath.data(), lpath.size(), SQLITE_STATIC);
    sqlite3_bind_int64(s, 4, id);
    rc = sqlite3_step(s) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
  }
  sqlite3_finalize(s);
  return rc;
}

// The user's values win; the key itself goes once its children have moved.
int StoreConnection::mergeKeyInto(int64_t from, int64_t into) {
  const std::string key = std::to_string(from);
  int rc = exec(("UPDATE OR IGNORE vals SET key=" + std::to_string(into) + " WHERE key=" + key).c_str());
  if (rc == SQLITE_OK) rc = exec(("DELETE FROM vals WHERE key=" + key).c_str());
  if (rc == SQLITE_OK) rc = exec(("UPDATE keys SET parent=" + std::to_string(into) + " WHERE parent=" + key).c_str());
  if (rc == SQLITE_OK) rc = exec(("DELETE FROM keys WHERE id=" + key).c_str());
  return rc;
}

// Opens the store for a write and refuses when it cannot be written.
int32_t StoreConnection::beginWrite() {
  if (readingOnly) return kAccessDenied;
  if (int32_t rc = ensureOpen(true); rc != kSuccess) return rc;
  if (!readOnly) {
    ++ownWrites;
    return kSuccess;
  }
  storeError = "the registry store \"" + file.toStdString() + "\" can only be read";
  return kAccessDenied;
}

// A call's own transaction, or a savepoint inside runAtomically()'s.
int32_t StoreConnection::beginTransaction() {
  Run r((inTransaction ? savepoint : begin).stmt);
  const int rc = r.step();
  return rc == SQLITE_DONE ? kSuccess : errorFromSqlite(rc, db);
}

int32_t StoreConnection::commitTransaction() {
  int rc;
  {
    Run r(commit.stmt);
    rc = r.step();
  }
  if (rc == SQLITE_DONE) return kSuccess;
  rollbackTransaction();
  return errorFromSqlite(rc, db);
}

void StoreConnection::rollbackTransaction() {
  if (sqlite3_get_autocommit(db)) return;
  ++ownWrites;
  Run r(rollback.stmt);
  r.step();
}

// Ends what beginTransaction() began: commits (releases) on success, else
// rolls back.
int32_t StoreConnection::finish(int32_t rc) {
  dropCache();
  if (inTransaction) {
    if (rc != kSuccess) {
      ++ownWrites;
      Run(rollbackToSavepoint.stmt).step();
    }
    Run(release.stmt).step();
    return rc;
  }
  if (rc != kSuccess) {
    rollbackTransaction();
    return rc;
  }
  return commitTransaction();
}

// Gives the pages of deleted rows back to the file system once enough
// have gathered (the store keeps auto_vacuum=INCREMENTAL). Best effort.
void StoreConnection::reclaimSpace() {
  if (inTransaction) return;
  int64_t freePages = 0;
  if (queryInt("PRAGMA freelist_count", freePages) == SQLITE_OK && freePages >= kReclaimPages)
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
      Run r(insertKey.stmt);
      r.bind(1, int64_t(root)).bind(2, id).bind(3, part).bind(4, prefix);
      if (int rc = r.step(); rc != SQLITE_DONE) return errorFromSqlite(rc, db);
      found = sqlite3_last_insert_rowid(db);
    }
    id = found;
  }
  return kSuccess;
}

}  // namespace platform
