#include "platform/registry/sqlite_registry.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/files/store_files.h"
#include "platform/registry/read_cache.h"
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
//
// Reads are answered from a ReadCache (read_cache.h says why that is sound)
// while no process has committed since the cache was filled.

namespace platform {
namespace {

using reg::kAccessDenied;
using reg::kBadDb;
using reg::kFileNotFound;
using reg::kInvalidHandle;
using reg::kInvalidParameter;
using reg::kKeyDeleted;
using reg::kMoreData;
using reg::kSuccess;

constexpr int kApplicationId = 0x57577267;
// 2: HKEY_CLASSES_ROOT is a view of the user's and the machine's classes,
// not a tree of its own (version 1 stores are moved over when opened).
constexpr int kSchemaVersion = 2;
constexpr int kSeparateClassesVersion = 1;
constexpr auto kBusyTimeout = std::chrono::seconds(5);
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

void appendFolded(std::string& out, std::string_view s) {
  const size_t at = out.size();
  out.append(s);
  for (size_t i = at; i < out.size(); ++i) out[i] = reg::foldCase(out[i]);
}

std::string folded(std::string_view s) {
  std::string out;
  appendFolded(out, s);
  return out;
}

// The non-empty components of a backslash-separated path.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// `base` extended by the folded components.
std::string joinFolded(const std::string& base, const std::vector<std::string_view>& parts) {
  std::string out = base;
  for (std::string_view p : parts) {
    if (!out.empty()) out.push_back('\\');
    appendFolded(out, p);
  }
  return out;
}

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

// The value copy-out rule shared by queries and enumeration.
int32_t copyValue(uint32_t type, std::string_view bytes, uint8_t* data, uint32_t* size) {
  const auto n = static_cast<uint32_t>(bytes.size());
  if (data == nullptr) {
    if (size != nullptr) *size = n;
    return kSuccess;
  }
  if (*size < n) {
    *size = n;
    return kMoreData;
  }
  if (n > 0) std::memcpy(data, bytes.data(), n);
  if (reg::isStringType(type) && *size > n && (n == 0 || bytes[n - 1] != '\0')) data[n] = 0;
  *size = n;
  return kSuccess;
}

uint32_t grantedAccess(uint32_t asked) {
  uint32_t access = asked;
  if (access & (reg::kMaximumAllowed | reg::kGenericAll)) access |= reg::kKeyAllAccess;
  if (access & reg::kGenericRead) access |= reg::kKeyRead;
  if (access & reg::kGenericWrite) access |= reg::kKeyWrite;
  return access;
}

std::atomic<uint32_t> g_nextHandle{0x100};

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

struct OpenKey {
  int64_t id = 0;
  uint8_t root = 0;      // 0..6
  std::string lpath;     // folded path below the root
  uint32_t access = 0;
  // Opened through HKEY_CLASSES_ROOT (or that root itself): the key above is
  // the one the view found, and `classesPath` (as the caller spelled it) is
  // where the handle sits in the view, for what is opened below it.
  bool classes = false;
  std::string classesPath;
};

constexpr uint8_t kClassesRootIndex = 0, kUserRootIndex = 1, kMachineRootIndex = 2;

// Where a path of the classes view lives in the user's or the machine's tree.
std::string classesLpath(const std::string& foldedPath) {
  return foldedPath.empty() ? std::string("software\\classes") : "software\\classes\\" + foldedPath;
}

std::string joinPath(const std::string& base, const std::vector<std::string_view>& parts) {
  std::string out = base;
  for (std::string_view p : parts) {
    if (!out.empty()) out.push_back('\\');
    out.append(p);
  }
  return out;
}

// What the store was when something was read from it: SQLite's data
// version (moves on every commit, by this connection or any other) and this
// connection's own write count (moves on writes not yet committed, and on
// rollbacks of them).
struct StoreStamp {
  uint32_t dataVersion = 0;
  uint64_t ownWrites = 0;
  bool operator==(const StoreStamp&) const = default;
};

// Where the last enumeration call on a handle stopped, so that the next
// index continues from there instead of counting from the first item. It is
// followed only while the store is unchanged: an item added or removed
// before it moves every index after it.
struct EnumPosition {
  int64_t keyId = 0;  // 0: none
  uint32_t index = 0;
  std::string lpath;  // subkeys: the folded path last returned
  int64_t valueId = 0;  // values: the row last returned
  StoreStamp stamp;
};

// The limits of names (registry.h), checked before anything is read or written.
bool validKeyNames(const std::string& baseLpath, const std::vector<std::string_view>& parts) {
  size_t depth = baseLpath.empty() ? 0 : size_t(std::count(baseLpath.begin(), baseLpath.end(), '\\')) + 1;
  for (std::string_view part : parts) {
    if (part.size() > reg::kMaxKeyNameLength || part.find('\0') != std::string_view::npos) return false;
    if (++depth > reg::kMaxKeyDepth) return false;
  }
  return true;
}

bool validValueName(std::string_view name) {
  return name.size() <= reg::kMaxValueNameLength && name.find('\0') == std::string_view::npos;
}

using CachedValue = ReadCache::Value;

}  // namespace

struct SqliteRegistry::Impl {
  QString path;
  QByteArray file;
  Mode mode;
  std::recursive_mutex mutex;  // recursive: calls made by a runAtomically() body

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

  std::unordered_map<HKEY, OpenKey> handles;
  std::unordered_map<HKEY, EnumPosition> subkeyPositions, valuePositions;
  uint64_t ownWrites = 0;  // see StoreStamp

  ReadCache cache;
  bool cacheEnabled = true;
  bool touchTried = false;  // a commit to leave a counter-0 header was tried since the last one
  bool recoveredSinceLastCall = false;  // the header may have been rebuilt during the last call
  CachedValue scratch;      // holds a value read when the cache is off

  Impl(const QString& p, Mode m) : path(p), file(QFile::encodeName(p)), mode(m) {}
  ~Impl() { close(); }

  void close() {
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

  // ---- opening -------------------------------------------------------------

  int32_t ensureOpen(bool forWrite) {
    storeError.clear();
    if (db != nullptr) return kSuccess;
    const int32_t rc = open(forWrite);
    if (rc != kSuccess) {
      if (storeError.empty()) storeError = describe(rc);
      close();
    }
    return rc;
  }

  std::string describe(int32_t rc) const {
    const std::string name = "\"" + file.toStdString() + "\"";
    switch (rc) {
      case kBadDb: return "the file " + name + " is not a registry store, or it is damaged";
      case kAccessDenied: return "the registry store " + name + " cannot be written";
      case reg::kBusy: return "the registry store " + name + " is kept locked by another process";
      case reg::kDiskFull: return "the disk of the registry store " + name + " is full";
      default:
        return "the registry store " + name + " cannot be used (" + (db ? sqlite3_errmsg(db) : "error " + std::to_string(rc)) + ")";
    }
  }

  int32_t open(bool forWrite) {
    // The file is made here, with mode 0600 whatever the umask; SQLite gives
    // its -wal and -shm files the same mode.
    if (int32_t rc = prepareStoreFile(file, mode == Mode::ReadWrite, storeError); rc != kSuccess) return rc;
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    if (int rc = sqlite3_open_v2(file.constData(), &db, flags, nullptr); rc != SQLITE_OK) return errorFromSqlite(rc, db);
    sqlite3_busy_handler(db, &Impl::waitWhileBusy, this);
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
  void upgradeSchema() {
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
  int32_t createSchema() {
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

  int32_t prepareAll() {
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
        {&enumKey, "SELECT name, lpath FROM keys WHERE parent=?1 ORDER BY lpath LIMIT 1 OFFSET ?2"},
        {&enumKeyAfter, "SELECT name, lpath FROM keys WHERE parent=?1 AND lpath>?2 ORDER BY lpath LIMIT 1"},
        {&enumValue, "SELECT name, type, data, id FROM vals WHERE key=?1 ORDER BY id LIMIT 1 OFFSET ?2"},
        {&enumValueAfter, "SELECT name, type, data, id FROM vals WHERE key=?1 AND id>?2 ORDER BY id LIMIT 1"},
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

  void attachCache() {
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
  static int waitWhileBusy(void* self, int count) {
    auto* d = static_cast<Impl*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) d->busySince = now;
    if (d->noWait || now - d->busySince >= kBusyTimeout) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(std::min(20 << std::min(count, 7), 2000)));
    return 1;
  }

  int exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

  int queryInt(const char* sql, int64_t& out) {
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

  int queryText(const char* sql, std::string& out) {
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

  // ---- cache -----------------------------------------------------------------

  void dropCache() { cache.drop(); }

  // Valid once the call has read from the database: SQLite brings its data
  // version up to date when a read begins.
  StoreStamp stamp() {
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
  void syncCache() {
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

  // Every public call holds one of these for its length.
  class Call {
   public:
    explicit Call(Impl& d) : d_(d), lock_(d.mutex) { d.storeError.clear(); }
    ~Call() {
      if (d_.cache.mayBeRecovered()) d_.recoveredSinceLastCall = true;
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    Impl& d_;
    std::lock_guard<std::recursive_mutex> lock_;
  };

  // A commit that changes nothing but the WAL-index header's change counter.
  // It does not wait for another writer: that writer's commit does the same.
  int32_t touch() {
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

  // ---- keys ------------------------------------------------------------------

  // The id of the key at `lpath` below `root` (0: none), from the cache or
  // the database.
  int32_t findKey(uint8_t root, const std::string& lpath, int64_t& id) {
    if (const int64_t* cached = cache.findKey(root, lpath)) {
      id = *cached;
      return kSuccess;
    }
    if (int32_t rc = findKeyInDb(root, lpath, id); rc != kSuccess) return rc;
    cache.putKey(root, lpath, id);
    return kSuccess;
  }

  int32_t findKeyInDb(uint8_t root, std::string_view lpath, int64_t& id) {
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

  int32_t keyExistsInDb(int64_t id, bool& exists) {
    Run r(keyExists.stmt);
    r.bind(1, id);
    const int rc = r.step();
    exists = rc == SQLITE_ROW;
    return (rc == SQLITE_ROW || rc == SQLITE_DONE) ? kSuccess : errorFromSqlite(rc, db);
  }

  // Whether the handle's key still exists: the same id still sits at its path
  // (ids are never reused and paths never change).
  int32_t keyAlive(const OpenKey& k, bool& alive) {
    if (k.lpath.empty()) {
      alive = true;
      return kSuccess;
    }
    int64_t id = 0;
    const int32_t rc = findKey(k.root, k.lpath, id);
    alive = id == k.id;
    return rc;
  }

  // ---- handles ---------------------------------------------------------------

  // The key behind a handle; roots are handled without a table entry.
  bool resolve(HKEY h, OpenKey& rootKey, const OpenKey*& out) {
    if (reg::isRoot(h)) {
      rootKey.root = static_cast<uint8_t>(h - reg::kClassesRoot);
      rootKey.id = rootKey.root + 1;
      rootKey.lpath.clear();
      rootKey.access = reg::kKeyAllAccess;
      rootKey.classes = rootKey.root == kClassesRootIndex;
      rootKey.classesPath.clear();
      if (rootKey.classes) rootKey.id = 0;  // found per call: see classesValueKey
      out = &rootKey;
      return true;
    }
    auto it = handles.find(h);
    if (it == handles.end()) return false;
    out = &it->second;
    return true;
  }

  HKEY addHandle(OpenKey key) {
    HKEY h;
    do {
      h = g_nextHandle.fetch_add(1, std::memory_order_relaxed) & 0x7FFFFFFFu;
    } while (h < 0x100 || handles.count(h) != 0);
    handles.emplace(h, std::move(key));
    return h;
  }

  HKEY addHandle(int64_t id, uint8_t root, std::string lpath, uint32_t access) {
    return addHandle(OpenKey{id, root, std::move(lpath), access, false, {}});
  }

  // ---- HKEY_CLASSES_ROOT -------------------------------------------------------
  // The merged view of HKCU\Software\Classes over HKLM\Software\Classes:
  // a key is the user's when the user has it, else the machine's.

  // The key at `path` of the view (as spelled), as a handle of the view with
  // `access`; its id is 0 when neither tree has it (root: the user's). Calls
  // that did not bring the cache up to date ask the database (`fromDb`).
  int32_t findClassesKey(const std::string& path, uint32_t access, OpenKey& found, bool fromDb = false) {
    const std::string lpath = classesLpath(folded(path));
    found = OpenKey{0, kUserRootIndex, lpath, access, true, path};
    for (uint8_t root : {kUserRootIndex, kMachineRootIndex}) {
      int64_t id = 0;
      if (int32_t rc = fromDb ? findKeyInDb(root, lpath, id) : findKey(root, lpath, id); rc != kSuccess) return rc;
      if (id != 0) {
        found.id = id;
        found.root = root;
        return kSuccess;
      }
    }
    return kSuccess;
  }

  // Makes the key at `path` of the view in the user's tree, with what is
  // missing above it.
  int32_t createClassesKey(const std::string& path, OpenKey& made) {
    std::vector<std::string_view> parts{"Software", "Classes"};
    for (std::string_view part : components(path)) parts.push_back(part);
    if (int32_t rc = beginWrite(); rc != kSuccess) return rc;
    if (int32_t rc = beginTransaction(); rc != kSuccess) return rc;
    const OpenKey userRoot{kUserRootIndex + 1, kUserRootIndex, {}, reg::kKeyAllAccess, false, {}};
    made = OpenKey{0, kUserRootIndex, classesLpath(folded(path)), reg::kKeyAllAccess, true, path};
    return finish(createPath(userRoot, parts, made.id));
  }

  // The subkey `skip` places after `after` (a folded path; empty: before the
  // first) among the children of the user's and the machine's key (0: none),
  // in the order of their folded names, the user's when both have one. Each
  // step is one indexed look-up in each tree, so listing in order is linear.
  int findMergedChild(int64_t userParent, int64_t machineParent, std::string after, uint32_t skip,
                      std::string& name, std::string& lpath) {
    for (uint32_t step = 0;; ++step) {
      std::string userName, userLpath, machineName, machineLpath;
      const int u = userParent != 0 ? childAfter(userParent, after, userName, userLpath) : SQLITE_DONE;
      const int m = machineParent != 0 ? childAfter(machineParent, after, machineName, machineLpath) : SQLITE_DONE;
      if (u != SQLITE_ROW && u != SQLITE_DONE) return u;
      if (m != SQLITE_ROW && m != SQLITE_DONE) return m;
      if (u == SQLITE_DONE && m == SQLITE_DONE) return SQLITE_DONE;
      const bool user = u == SQLITE_ROW && (m == SQLITE_DONE || userLpath <= machineLpath);
      name = user ? std::move(userName) : std::move(machineName);
      lpath = user ? std::move(userLpath) : std::move(machineLpath);
      if (step == skip) return SQLITE_ROW;
      after = lpath;
    }
  }

  int childAfter(int64_t parent, const std::string& after, std::string& name, std::string& lpath) {
    Run r(enumKeyAfter.stmt);
    r.bind(1, parent).bind(2, after);
    const int rc = r.step();
    if (rc == SQLITE_ROW) {
      name.assign(r.blob(0));
      lpath.assign(r.blob(1));
    }
    return rc;
  }

  // The key whose values a handle shows. HKEY_CLASSES_ROOT itself shows the
  // user's classes key (else the machine's); `forWrite` asks the database
  // (writes do not bring the cache up to date) and makes the user's key for
  // a value to be set. Other handles name their key already.
  int32_t valueKey(const OpenKey*& k, OpenKey& scratch, bool forWrite, bool create = false) {
    if (!k->classes || k->id != 0) return kSuccess;
    int32_t rc = findClassesKey({}, k->access, scratch, forWrite);
    if (rc == kSuccess && scratch.id == 0 && create) rc = createClassesKey({}, scratch);
    if (rc == kSuccess && scratch.id != 0) k = &scratch;
    return rc;
  }

  // Version 1 kept HKEY_CLASSES_ROOT as a tree of its own: its keys move into
  // the user's classes, once, in one transaction. Where the user already has
  // a key, the user's values win and the rest join them.
  int32_t moveSeparateClassesTree() {
    if (int rc = exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return errorFromSqlite(rc, db);
    const int32_t rc = moveClassesKeys();
    if (rc != kSuccess) {
      exec("ROLLBACK");
      return rc;
    }
    const std::string version = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
    if (int erc = exec(version.c_str()); erc != SQLITE_OK || (erc = exec("COMMIT")) != SQLITE_OK) {
      exec("ROLLBACK");
      return errorFromSqlite(erc, db);
    }
    return kSuccess;
  }

  int32_t moveClassesKeys() {
    const OpenKey userRoot{kUserRootIndex + 1, kUserRootIndex, {}, reg::kKeyAllAccess, false, {}};
    int64_t classesId = 0;
    if (int32_t rc = createPath(userRoot, {"Software", "Classes"}, classesId); rc != kSuccess) return rc;
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
    rc = SQLITE_OK;
    for (const OldKey& k : old) {
      const std::string lpath = classesLpath(k.lpath);
      int64_t existing = 0;
      if (int32_t frc = findKeyInDb(kUserRootIndex, lpath, existing); frc != kSuccess) return frc;
      rc = existing != 0 ? mergeKeyInto(k.id, existing) : moveKey(k.id, movedTo[k.parent], lpath);
      if (rc != SQLITE_OK) return errorFromSqlite(rc, db);
      movedTo[k.id] = existing != 0 ? existing : k.id;
    }
    return kSuccess;
  }

  int moveKey(int64_t id, int64_t parent, const std::string& lpath) {
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
  int mergeKeyInto(int64_t from, int64_t into) {
    const std::string key = std::to_string(from);
    int rc = exec(("UPDATE OR IGNORE vals SET key=" + std::to_string(into) + " WHERE key=" + key).c_str());
    if (rc == SQLITE_OK) rc = exec(("DELETE FROM vals WHERE key=" + key).c_str());
    if (rc == SQLITE_OK) rc = exec(("UPDATE keys SET parent=" + std::to_string(into) + " WHERE parent=" + key).c_str());
    if (rc == SQLITE_OK) rc = exec(("DELETE FROM keys WHERE id=" + key).c_str());
    return rc;
  }

  // ---- values ----------------------------------------------------------------

  int32_t fetchValue(const OpenKey& k, std::string_view name, const CachedValue*& out) {
    const std::string lname = folded(name);
    if ((out = cache.findValue(k.id, lname)) != nullptr) return kSuccess;
    CachedValue v;
    {
      Run r(queryValue.stmt);
      r.bind(1, k.id).bind(2, lname);
      const int rc = r.step();
      if (rc == SQLITE_ROW) {
        v.state = CachedValue::kPresent;
        v.type = static_cast<uint32_t>(r.int64(0));
        v.data.assign(r.blob(1));
      } else if (rc != SQLITE_DONE) {
        return errorFromSqlite(rc, db);
      }
    }
    if (v.state != CachedValue::kPresent) {
      bool alive = false;
      if (int32_t rc = keyAlive(k, alive); rc != kSuccess) return rc;
      v.state = alive ? CachedValue::kMissing : CachedValue::kKeyGone;
    }
    if (cache.usable()) {
      out = cache.putValue(k.id, lname, std::move(v));
    } else {
      scratch = std::move(v);
      out = &scratch;
    }
    return kSuccess;
  }

  // ---- writes ----------------------------------------------------------------

  // Opens the store for a write and refuses when it cannot be written.
  int32_t beginWrite() {
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
  int32_t beginTransaction() {
    Run r((inTransaction ? savepoint : begin).stmt);
    const int rc = r.step();
    return rc == SQLITE_DONE ? kSuccess : errorFromSqlite(rc, db);
  }

  int32_t commitTransaction() {
    int rc;
    {
      Run r(commit.stmt);
      rc = r.step();
    }
    if (rc == SQLITE_DONE) return kSuccess;
    rollbackTransaction();
    return errorFromSqlite(rc, db);
  }

  void rollbackTransaction() {
    if (sqlite3_get_autocommit(db)) return;
    ++ownWrites;
    Run r(rollback.stmt);
    r.step();
  }

  // Ends what beginTransaction() began: commits (releases) on success, else
  // rolls back.
  int32_t finish(int32_t rc) {
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
  void reclaimSpace() {
    if (inTransaction) return;
    int64_t freePages = 0;
    if (queryInt("PRAGMA freelist_count", freePages) == SQLITE_OK && freePages >= kReclaimPages)
      exec("PRAGMA incremental_vacuum");
  }

  int32_t createPath(const OpenKey& base, const std::vector<std::string_view>& parts, int64_t& id) {
    if (!base.lpath.empty()) {
      bool exists = false;
      if (int32_t rc = keyExistsInDb(base.id, exists); rc != kSuccess) return rc;
      if (!exists) return kKeyDeleted;
    }
    id = base.id;
    std::string prefix = base.lpath;
    for (std::string_view part : parts) {
      if (!prefix.empty()) prefix.push_back('\\');
      appendFolded(prefix, part);
      int64_t found = 0;
      if (int32_t rc = findKeyInDb(base.root, prefix, found); rc != kSuccess) return rc;
      if (found == 0) {
        Run r(insertKey.stmt);
        r.bind(1, int64_t(base.root)).bind(2, id).bind(3, part).bind(4, prefix);
        if (int rc = r.step(); rc != SQLITE_DONE) return errorFromSqlite(rc, db);
        found = sqlite3_last_insert_rowid(db);
      }
      id = found;
    }
    return kSuccess;
  }

  int32_t deletePath(const OpenKey& base, const std::vector<std::string_view>& parts) {
    int64_t target = base.id;
    if (!base.lpath.empty()) {
      bool exists = false;
      if (int32_t rc = keyExistsInDb(base.id, exists); rc != kSuccess) return rc;
      if (!exists) return kKeyDeleted;
    }
    if (!parts.empty()) {
      if (int32_t rc = findKeyInDb(base.root, joinFolded(base.lpath, parts), target); rc != kSuccess) return rc;
      if (target == 0) return kFileNotFound;
    }
    {
      Run r(hasSubkey.stmt);
      r.bind(1, target);
      const int rc = r.step();
      if (rc == SQLITE_ROW) return kAccessDenied;
      if (rc != SQLITE_DONE) return errorFromSqlite(rc, db);
    }
    for (Statement* s : {&deleteKeyValues, &deleteKey}) {
      Run r(s->stmt);
      r.bind(1, target);
      if (int rc = r.step(); rc != SQLITE_DONE) return errorFromSqlite(rc, db);
    }
    return kSuccess;
  }
};

// ---- SqliteRegistry ------------------------------------------------------------

SqliteRegistry::SqliteRegistry(const QString& path, Mode mode) : d_(std::make_unique<Impl>(path, mode)) {
  noteStoreFile(path);  // so that no writer of this process writes into it
}

SqliteRegistry::~SqliteRegistry() = default;

QString SqliteRegistry::defaultPath() {
  QString path = defaultStoreFileName();
  if (qEnvironmentVariableIsEmpty("WAGEWISE_REGISTRY")) makeFolders(QFile::encodeName(QFileInfo(path).path()));
  return path;
}

const QString& SqliteRegistry::path() const { return d_->path; }

void SqliteRegistry::setReadCacheEnabled(bool enabled) {
  std::lock_guard lock(d_->mutex);
  d_->cacheEnabled = enabled;
  d_->dropCache();
}

bool SqliteRegistry::readCacheAvailable() {
  std::lock_guard lock(d_->mutex);
  return d_->ensureOpen(false) == kSuccess && d_->cache.attached();
}

int32_t SqliteRegistry::RegOpenKeyExA(HKEY key, std::string_view path, uint32_t /*options*/, uint32_t access,
                                      HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* base = nullptr;
  // As on the platform, a bad handle leaves the caller's variable as it was.
  if (!d_->resolve(key, rootKey, base)) return kInvalidHandle;
  *result = 0;
  const auto parts = components(path);
  if (!validKeyNames(base->lpath, parts)) return kInvalidParameter;
  if (int32_t rc = d_->ensureOpen(false); rc != kSuccess) return rc;
  if (parts.empty() && reg::isRoot(key)) {
    *result = key;  // a root opens as itself, and closing it does nothing
    return kSuccess;
  }
  d_->syncCache();
  bool alive = false;
  if (int32_t rc = d_->keyAlive(*base, alive); rc != kSuccess) return rc;
  if (!alive) return kKeyDeleted;
  if (base->classes) {
    OpenKey found;
    if (int32_t rc = d_->findClassesKey(joinPath(base->classesPath, parts), grantedAccess(access), found);
        rc != kSuccess)
      return rc;
    if (found.id == 0) return kFileNotFound;
    *result = d_->addHandle(std::move(found));
    return kSuccess;
  }
  int64_t id = base->id;
  std::string lpath = joinFolded(base->lpath, parts);
  if (!parts.empty()) {
    if (int32_t rc = d_->findKey(base->root, lpath, id); rc != kSuccess) return rc;
    if (id == 0) return kFileNotFound;
  }
  *result = d_->addHandle(id, base->root, std::move(lpath), grantedAccess(access));
  return kSuccess;
}

int32_t SqliteRegistry::RegOpenKeyA(HKEY key, std::string_view path, HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  if (components(path).empty()) {
    // No handle and no subkey is no key at all, and not an error.
    if (key == 0) {
      *result = 0;
      return kSuccess;
    }
    Impl::Call call(*d_);
    OpenKey rootKey;
    const OpenKey* base = nullptr;
    if (!d_->resolve(key, rootKey, base)) return kInvalidHandle;
    *result = key;
    return kSuccess;
  }
  return RegOpenKeyExA(key, path, 0, reg::kKeyAllAccess, result);
}

int32_t SqliteRegistry::RegCreateKeyA(HKEY key, std::string_view path, HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  const auto parts = components(path);
  if (parts.empty()) return RegOpenKeyA(key, path, result);
  *result = 0;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* base = nullptr;
  if (!d_->resolve(key, rootKey, base)) return kInvalidHandle;
  if (!validKeyNames(base->lpath, parts)) return kInvalidParameter;
  if (int32_t rc = d_->ensureOpen(true); rc != kSuccess) return rc;
  d_->syncCache();
  bool alive = false;
  if (int32_t rc = d_->keyAlive(*base, alive); rc != kSuccess) return rc;
  if (!alive) return kKeyDeleted;
  if (base->classes) {
    // Found where the view has it (the machine's, when only it has the
    // key); a new key is the user's.
    const std::string path = joinPath(base->classesPath, parts);
    OpenKey found;
    int32_t rc = d_->findClassesKey(path, reg::kKeyAllAccess, found);
    if (rc == kSuccess && found.id == 0) rc = d_->createClassesKey(path, found);
    if (rc != kSuccess) return rc;
    *result = d_->addHandle(std::move(found));
    return kSuccess;
  }
  std::string lpath = joinFolded(base->lpath, parts);
  int64_t id = 0;
  if (int32_t rc = d_->findKey(base->root, lpath, id); rc != kSuccess) return rc;
  // The platform checks the rights of the key being made, not those of the
  // handle it is reached from: a parent opened for reading will do.
  if (id == 0) {
    if (int32_t rc = d_->beginWrite(); rc != kSuccess) return rc;
    if (int32_t rc = d_->beginTransaction(); rc != kSuccess) return rc;
    if (int32_t rc = d_->finish(d_->createPath(*base, parts, id)); rc != kSuccess) return rc;
  }
  *result = d_->addHandle(id, base->root, std::move(lpath), reg::kKeyAllAccess);
  return kSuccess;
}

int32_t SqliteRegistry::RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved, uint32_t* type,
                                         uint8_t* data, uint32_t* size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return kInvalidParameter;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* k = nullptr;
  if (!d_->resolve(key, rootKey, k)) return kInvalidHandle;
  if ((k->access & reg::kKeyQueryValue) == 0) return kAccessDenied;
  if (!validValueName(name)) return kInvalidParameter;
  if (int32_t rc = d_->ensureOpen(false); rc != kSuccess) return rc;
  d_->syncCache();
  OpenKey classesKey;
  if (int32_t rc = d_->valueKey(k, classesKey, false); rc != kSuccess) return rc;
  const CachedValue* v = nullptr;
  if (int32_t rc = d_->fetchValue(*k, name, v); rc != kSuccess) return rc;
  if (v->state == CachedValue::kKeyGone) return kKeyDeleted;
  if (v->state == CachedValue::kMissing) {
    if (data == nullptr && size != nullptr) *size = 0;
    return kFileNotFound;
  }
  // The size is read before the type is written: a caller may pass one
  // variable for both.
  const uint32_t valueType = v->type;
  const int32_t rc = copyValue(valueType, v->data, data, size);
  if (type != nullptr) *type = valueType;
  return rc;
}

int32_t SqliteRegistry::RegSetValueExA(HKEY key, std::string_view name, uint32_t /*reserved*/, uint32_t type,
                                       const uint8_t* data, uint32_t size) {
  if (data == nullptr && size != 0) return kInvalidParameter;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* k = nullptr;
  if (!d_->resolve(key, rootKey, k)) return kInvalidHandle;
  if ((k->access & reg::kKeySetValue) == 0) return kAccessDenied;
  if (!validValueName(name)) return kInvalidParameter;
  if (int32_t rc = d_->beginWrite(); rc != kSuccess) return rc;
  OpenKey classesKey;
  if (int32_t rc = d_->valueKey(k, classesKey, true, true); rc != kSuccess) return rc;
  const std::string lname = folded(name);
  int rc;
  {
    Run r(d_->setValue.stmt);
    r.bind(1, k->id).bind(2, lname).bind(3, name).bind(4, int64_t(type));
    r.bind(5, std::string_view(reinterpret_cast<const char*>(data), size));
    rc = r.step();
  }
  d_->dropCache();
  if (rc != SQLITE_DONE) return errorFromSqlite(rc, d_->db);
  return sqlite3_changes(d_->db) == 0 ? kKeyDeleted : kSuccess;
}

int32_t SqliteRegistry::RegDeleteKeyA(HKEY key, std::string_view path) {
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* base = nullptr;
  if (!d_->resolve(key, rootKey, base)) return kInvalidHandle;
  const auto parts = components(path);
  if (parts.empty() && base->lpath.empty()) return kAccessDenied;  // a root
  if (!validKeyNames(base->lpath, parts)) return kInvalidParameter;
  if (int32_t rc = d_->beginWrite(); rc != kSuccess) return rc;
  if (int32_t rc = d_->beginTransaction(); rc != kSuccess) return rc;
  int32_t rc = kSuccess;
  if (base->classes) {
    OpenKey found;  // the user's key, else the machine's
    rc = d_->findClassesKey(joinPath(base->classesPath, parts), reg::kKeyAllAccess, found, true);
    if (rc == kSuccess) rc = found.id == 0 ? kFileNotFound : d_->deletePath(found, {});
  } else {
    rc = d_->deletePath(*base, parts);
  }
  rc = d_->finish(rc);
  if (rc == kSuccess) d_->reclaimSpace();
  return rc;
}

int32_t SqliteRegistry::RegDeleteValueA(HKEY key, std::string_view name) {
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* k = nullptr;
  if (!d_->resolve(key, rootKey, k)) return kInvalidHandle;
  if ((k->access & reg::kKeySetValue) == 0) return kAccessDenied;
  if (!validValueName(name)) return kInvalidParameter;
  if (int32_t rc = d_->beginWrite(); rc != kSuccess) return rc;
  OpenKey classesKey;
  if (int32_t rc = d_->valueKey(k, classesKey, true); rc != kSuccess) return rc;
  const std::string lname = folded(name);
  int rc;
  {
    Run r(d_->deleteValue.stmt);
    r.bind(1, k->id).bind(2, lname);
    rc = r.step();
  }
  d_->dropCache();
  if (rc != SQLITE_DONE) return errorFromSqlite(rc, d_->db);
  if (sqlite3_changes(d_->db) > 0) {
    d_->reclaimSpace();
    return kSuccess;
  }
  bool alive = false;
  if (int32_t arc = d_->keyAlive(*k, alive); arc != kSuccess) return arc;
  return alive ? kFileNotFound : kKeyDeleted;
}

int32_t SqliteRegistry::RegCloseKey(HKEY key) {
  if (reg::isRoot(key)) return kSuccess;
  Impl::Call call(*d_);
  d_->subkeyPositions.erase(key);
  d_->valuePositions.erase(key);
  return d_->handles.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

int32_t SqliteRegistry::RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, char* className, uint32_t* classSize,
                                      uint64_t* lastWriteTime) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr) return kInvalidParameter;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* k = nullptr;
  if (!d_->resolve(key, rootKey, k)) return kInvalidHandle;
  if ((k->access & reg::kKeyEnumerateSubKeys) == 0) return kAccessDenied;
  if (int32_t rc = d_->ensureOpen(false); rc != kSuccess) return rc;
  d_->syncCache();
  EnumPosition& at = d_->subkeyPositions[key];
  std::string found, foundLpath;
  // The classes view lists the user's and the machine's subkeys as one.
  const int64_t positionId = k->classes ? -1 : k->id;
  int64_t userParent = 0, machineParent = 0;
  if (k->classes) {
    const std::string lpath = classesLpath(folded(k->classesPath));
    if (int32_t rc = d_->findKey(kUserRootIndex, lpath, userParent); rc != kSuccess) return rc;
    if (int32_t rc = d_->findKey(kMachineRootIndex, lpath, machineParent); rc != kSuccess) return rc;
  }
  const auto find = [&](bool next) {
    if (k->classes) return d_->findMergedChild(userParent, machineParent, next ? at.lpath : std::string(),
                                               next ? 0 : index, found, foundLpath);
    Run r(next ? d_->enumKeyAfter.stmt : d_->enumKey.stmt);
    if (next)
      r.bind(1, k->id).bind(2, at.lpath);
    else
      r.bind(1, k->id).bind(2, int64_t(index));
    const int rc = r.step();
    if (rc == SQLITE_ROW) {
      found.assign(r.blob(0));
      foundLpath.assign(r.blob(1));
    }
    return rc;
  };
  const bool next = at.keyId == positionId && index > 0 && index == at.index + 1;
  int rc = find(next);
  if (next && d_->stamp() != at.stamp) rc = find(false);  // changed since: count afresh
  if (rc == SQLITE_DONE) {
    bool alive = false;
    if (int32_t arc = d_->keyAlive(*k, alive); arc != kSuccess) return arc;
    return alive ? reg::kNoMoreItems : kKeyDeleted;
  }
  if (rc != SQLITE_ROW) return errorFromSqlite(rc, d_->db);
  const auto n = static_cast<uint32_t>(found.size());
  if (*nameSize <= n) {
    *nameSize = n + 1;
    at.keyId = 0;  // the caller asks for this index again
    return kMoreData;
  }
  at = EnumPosition{positionId, index, std::move(foundLpath), 0, d_->stamp()};
  std::memcpy(name, found.data(), n);
  name[n] = '\0';
  *nameSize = n;
  if (classSize != nullptr) {
    if (className != nullptr && *classSize > 0) className[0] = '\0';
    *classSize = 0;
  }
  if (lastWriteTime != nullptr) *lastWriteTime = 0;
  return kSuccess;
}

int32_t SqliteRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr || (data != nullptr && dataSize == nullptr))
    return kInvalidParameter;
  Impl::Call call(*d_);
  OpenKey rootKey;
  const OpenKey* k = nullptr;
  if (!d_->resolve(key, rootKey, k)) return kInvalidHandle;
  if ((k->access & reg::kKeyQueryValue) == 0) return kAccessDenied;
  if (int32_t rc = d_->ensureOpen(false); rc != kSuccess) return rc;
  d_->syncCache();
  OpenKey classesKey;
  if (int32_t rc = d_->valueKey(k, classesKey, false); rc != kSuccess) return rc;
  EnumPosition& at = d_->valuePositions[key];
  std::string foundName, foundData;
  uint32_t foundType = 0;
  int64_t foundId = 0;
  const auto find = [&](bool next) {
    Run r(next ? d_->enumValueAfter.stmt : d_->enumValue.stmt);
    r.bind(1, k->id).bind(2, next ? at.valueId : int64_t(index));
    const int rc = r.step();
    if (rc == SQLITE_ROW) {
      foundName.assign(r.blob(0));
      foundType = static_cast<uint32_t>(r.int64(1));
      foundData.assign(r.blob(2));
      foundId = r.int64(3);
    }
    return rc;
  };
  const bool next = at.keyId == k->id && index > 0 && index == at.index + 1;
  int rc = find(next);
  if (next && d_->stamp() != at.stamp) rc = find(false);  // changed since: count afresh
  if (rc == SQLITE_DONE) {
    bool alive = false;
    if (int32_t arc = d_->keyAlive(*k, alive); arc != kSuccess) return arc;
    return alive ? reg::kNoMoreItems : kKeyDeleted;
  }
  if (rc != SQLITE_ROW) return errorFromSqlite(rc, d_->db);
  const auto n = static_cast<uint32_t>(foundName.size());
  const bool nameFits = *nameSize > n;
  const bool dataFits = data == nullptr || *dataSize >= foundData.size();
  if (type != nullptr) *type = foundType;
  if (!nameFits || !dataFits) {
    // As the platform answers: the name's size as the caller gave it, the
    // data copied when it fits, else its size.
    if (dataFits && dataSize != nullptr)
      copyValue(foundType, foundData, data, dataSize);
    else if (dataSize != nullptr)
      *dataSize = static_cast<uint32_t>(foundData.size());
    at.keyId = 0;  // the caller asks for this index again
    return kMoreData;
  }
  at = EnumPosition{k->id, index, {}, foundId, d_->stamp()};
  std::memcpy(name, foundName.data(), n);
  name[n] = '\0';
  *nameSize = n;
  return copyValue(foundType, foundData, data, dataSize);
}

int32_t SqliteRegistry::runAtomically(const std::function<int32_t()>& body) {
  Impl::Call call(*d_);
  if (d_->inTransaction) return body();
  if (int32_t rc = d_->beginWrite(); rc != kSuccess) return rc;
  if (int32_t rc = d_->beginTransaction(); rc != kSuccess) return rc;
  d_->dropCache();
  d_->inTransaction = true;
  int32_t rc = kInvalidParameter;
  try {
    rc = body();
  } catch (...) {
    d_->inTransaction = false;
    d_->finish(kInvalidParameter);
    throw;
  }
  d_->inTransaction = false;
  rc = d_->finish(rc);
  if (rc == kSuccess) d_->reclaimSpace();
  return rc;
}

int32_t SqliteRegistry::readAtomically(const std::function<int32_t()>& body) {
  Impl::Call call(*d_);
  if (d_->inTransaction) return body();
  if (int32_t rc = d_->ensureOpen(false); rc != kSuccess) return rc;
  d_->syncCache();  // drops SQLite's pages if the header was rebuilt
  if (int rc = d_->exec("BEGIN"); rc != SQLITE_OK) return errorFromSqlite(rc, d_->db);
  bool exists = false;
  if (int32_t rc = d_->keyExistsInDb(1, exists); rc != kSuccess) {  // takes the snapshot
    d_->exec("ROLLBACK");
    return rc;
  }
  d_->dropCache();
  d_->inTransaction = d_->readingOnly = true;
  int32_t rc = kInvalidParameter;
  try {
    rc = body();
  } catch (...) {
    d_->inTransaction = d_->readingOnly = false;
    d_->exec("ROLLBACK");
    throw;
  }
  d_->inTransaction = d_->readingOnly = false;
  d_->exec("ROLLBACK");  // nothing was written
  return rc;
}

std::string SqliteRegistry::storeError() const {
  std::lock_guard lock(d_->mutex);
  return d_->storeError;
}

std::string SqliteRegistry::storeFile() const { return d_->file.toStdString(); }

Registry& defaultRegistry() {
  static SqliteRegistry registry(SqliteRegistry::defaultPath());
  return registry;
}

}  // namespace platform
