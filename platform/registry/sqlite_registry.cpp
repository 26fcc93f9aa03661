#include "platform/registry/sqlite_registry.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files/store_files.h"
#include "platform/registry/classes_view.h"
#include "platform/registry/key_listing.h"
#include "platform/registry/key_names.h"
#include "platform/registry/open_keys.h"
#include "platform/registry/store_connection.h"
#include "platform/registry/store_file.h"
#include "platform/registry/value_copy.h"

// The calls over a StoreConnection (store_connection.h: layout, opening,
// transactions). Reads are answered from a ReadCache (read_cache.h says why
// that is sound) while no process has committed since the cache was filled.

namespace platform {
namespace {

using reg::appendFolded;
using reg::classesLpath;
using reg::components;
using reg::folded;
using reg::joinFolded;
using reg::joinPath;
using reg::validKeyNames;
using reg::validValueName;
using reg::kAccessDenied;
using reg::kFileNotFound;
using reg::kInvalidHandle;
using reg::kInvalidParameter;
using reg::kKeyDeleted;
using reg::kSuccess;

using CachedValue = ReadCache::Value;

}  // namespace

struct SqliteRegistry::Impl {
  const QString path;

  // Held for the whole of every call; guards everything below. Recursive:
  // a runAtomically() body makes calls of its own.
  std::recursive_mutex mutex;
  StoreConnection store;
  OpenKeys handles;
  std::unordered_map<HKEY, KeyListing> subkeyListings, valueListings;
  CachedValue scratch;  // holds a value read when the cache is off

  Impl(const QString& p, Mode m) : path(p), store(QFile::encodeName(p), m == Mode::ReadWrite) {}

  // ---- calls -----------------------------------------------------------------

  // Every public call holds one of these for its length.
  class Call {
   public:
    explicit Call(Impl& d) : d_(d), lock_(d.mutex) { d.store.beginCall(); }
    ~Call() { d_.store.endCall(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    Impl& d_;
    std::lock_guard<std::recursive_mutex> lock_;
  };

  // ---- keys ------------------------------------------------------------------

  // Whether the handle's key still exists: the same id still sits at its path
  // (ids are never reused and paths never change).
  int32_t keyAlive(const OpenKey& k, bool& alive) {
    if (k.lpath.empty()) {
      alive = true;
      return kSuccess;
    }
    int64_t id = 0;
    const int32_t rc = store.findKey(k.root, k.lpath, id);
    alive = id == k.id;
    return rc;
  }

  // The key whose values a handle shows. HKEY_CLASSES_ROOT itself shows the
  // user's classes key (else the machine's); `forWrite` asks the database
  // (writes do not bring the cache up to date) and makes the user's key for
  // a value to be set. Other handles name their key already.
  int32_t valueKey(const OpenKey*& k, OpenKey& scratch, bool forWrite, bool create = false) {
    if (!k->classes || k->id != 0) return kSuccess;
    int32_t rc = findClassesKey(store, {}, k->access, scratch, forWrite);
    if (rc == kSuccess && scratch.id == 0 && create) rc = createClassesKey(store, {}, scratch);
    if (rc == kSuccess && scratch.id != 0) k = &scratch;
    return rc;
  }

  // ---- the preamble of the calls ---------------------------------------------

  enum class Store : uint8_t {
    kRead,    // open the store
    kCreate,  // open it as for a write (a key may have to be made)
    kWrite,   // open it for a write, refused when it cannot be written
  };
  enum class Values : uint8_t { kNone, kRead, kWrite, kMake };  // see valueKey

  // What a call asks of its handle and the store, checked in this order.
  struct Need {
    uint32_t right = 0;  // an access right the handle must have (0: none)
    bool notRoot = false;  // the handle may not be a root itself (kAccessDenied)
    const std::vector<std::string_view>* keyNames = nullptr;  // subkeys below the handle
    const std::string_view* valueName = nullptr;
    Store store = Store::kRead;
    bool sync = true;         // bring the cache up to date (reads and creates)
    bool keyAlive = false;    // the handle's key must still exist (kKeyDeleted)
    Values values = Values::kNone;
  };

  // What setting or deleting the value `name` asks: the right to set
  // values, a valid name, a store that can be written; `values` says
  // whether a missing classes key is made (kMake, to set) or not (kWrite).
  // REQUIRES: `name` outlives the Need (it is kept by address).
  static Need valueWrite(const std::string_view& name, Values values) {
    return {.right = reg::kKeySetValue, .valueName = &name, .store = Store::kWrite, .values = values};
  }

  // The key a call works on, with room for the keys resolve() and valueKey() make.
  struct Target {
    OpenKey rootKey, classesKey;
    const OpenKey* key = nullptr;
  };

  // What every call on a handle does first: the key behind the handle, its
  // rights, the names asked for, the store opened (reads: the cache brought
  // up to date), and for HKEY_CLASSES_ROOT the key whose values it shows.
  int32_t prepare(HKEY h, const Need& need, Target& t) {
    if (!handles.resolve(h, t.rootKey, t.key)) return kInvalidHandle;
    if (need.right != 0 && (t.key->access & need.right) == 0) return kAccessDenied;
    if (need.notRoot && t.key->lpath.empty()) return kAccessDenied;
    if (need.keyNames != nullptr && !validKeyNames(t.key->lpath, *need.keyNames)) return kInvalidParameter;
    if (need.valueName != nullptr && !validValueName(*need.valueName)) return kInvalidParameter;
    const int32_t opened =
        need.store == Store::kWrite ? store.beginWrite() : store.ensureOpen(need.store == Store::kCreate);
    if (opened != kSuccess) return opened;
    if (need.sync && need.store != Store::kWrite) store.syncCache();
    if (need.keyAlive) {
      bool alive = false;
      if (int32_t rc = keyAlive(*t.key, alive); rc != kSuccess) return rc;
      if (!alive) return kKeyDeleted;
    }
    if (need.values == Values::kNone) return kSuccess;
    return valueKey(t.key, t.classesKey, need.values != Values::kRead, need.values == Values::kMake);
  }

  // ---- enumeration -------------------------------------------------------------

  // The item at `index` of the subkeys or values handle `h` lists (of `k`).
  int32_t listed(HKEY h, const OpenKey& k, KeyListing::Kind kind, uint32_t index, const ListedItem*& out) {
    KeyListing& listing = (kind == KeyListing::Kind::kSubkeys ? subkeyListings : valueListings)[h];
    KeyListing::Source source{kind, k.id, kind == KeyListing::Kind::kSubkeys && k.classes, 0, 0};
    const uint64_t generation = store.cache().usable() ? store.cache().generation() : 0;
    if ((out = listing.kept(source, index, generation)) != nullptr) return kSuccess;
    if (!listing.endsBefore(source, index, generation)) {
      if (source.merged) {  // the classes view lists the user's and the machine's subkeys as one
        const std::string lpath = classesLpath(folded(k.classesPath));
        if (int32_t rc = store.findKey(kUserRootIndex, lpath, source.userParent); rc != kSuccess) return rc;
        if (int32_t rc = store.findKey(kMachineRootIndex, lpath, source.machineParent); rc != kSuccess) return rc;
      }
      if (SqliteCode sqliteRc = listing.read(store, source, index, generation); !sqliteRc.ok())
        return store.failed(sqliteRc);
      if ((out = listing.first()) != nullptr) return kSuccess;
    }
    bool alive = false;
    if (int32_t rc = keyAlive(k, alive); rc != kSuccess) return rc;
    return alive ? reg::kNoMoreItems : kKeyDeleted;
  }

  // ---- values ----------------------------------------------------------------

  int32_t fetchValue(const OpenKey& k, std::string_view name, const CachedValue*& out) {
    const std::string lname = folded(name);
    if ((out = store.cache().findValue(k.id, lname)) != nullptr) return kSuccess;
    CachedValue v;
    {
      Run r = store.run(Sql::kQueryValue);
      r.bind(1, k.id).bind(2, lname);
      const SqliteCode sqliteRc = r.step();
      if (sqliteRc.row()) {
        v.state = CachedValue::kPresent;
        v.type = static_cast<uint32_t>(r.int64(0));
        v.data.assign(r.blob(1));
      } else if (!sqliteRc.done()) {
        return store.failed(sqliteRc);
      }
    }
    if (v.state != CachedValue::kPresent) {
      bool alive = false;
      if (int32_t rc = keyAlive(k, alive); rc != kSuccess) return rc;
      v.state = alive ? CachedValue::kMissing : CachedValue::kKeyGone;
    }
    if (store.cache().usable()) {
      out = store.cache().putValue(k.id, lname, std::move(v));
    } else {
      scratch = std::move(v);
      out = &scratch;
    }
    return kSuccess;
  }

  // ---- writes ----------------------------------------------------------------

  int32_t deletePath(const OpenKey& base, const std::vector<std::string_view>& parts) {
    int64_t target = base.id;
    if (!base.lpath.empty()) {
      bool exists = false;
      if (int32_t rc = store.keyExistsInDb(base.id, exists); rc != kSuccess) return rc;
      if (!exists) return kKeyDeleted;
    }
    if (!parts.empty()) {
      if (int32_t rc = store.findKeyInDb(base.root, joinFolded(base.lpath, parts), target); rc != kSuccess)
        return rc;
      if (target == 0) return kFileNotFound;
    }
    {
      Run r = store.run(Sql::kHasSubkey);
      r.bind(1, target);
      const SqliteCode sqliteRc = r.step();
      if (sqliteRc.row()) return kAccessDenied;
      if (!sqliteRc.done()) return store.failed(sqliteRc);
    }
    for (Sql statement : {Sql::kDeleteKeyValues, Sql::kDeleteKey}) {
      Run r = store.run(statement);
      r.bind(1, target);
      if (SqliteCode sqliteRc = r.step(); !sqliteRc.done()) return store.failed(sqliteRc);
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
  d_->store.setCacheEnabled(enabled);
}

bool SqliteRegistry::readCacheAvailable() {
  std::lock_guard lock(d_->mutex);
  return d_->store.ensureOpen(false) == kSuccess && d_->store.cache().attached();
}

int32_t SqliteRegistry::RegOpenKeyExA(HKEY key, std::string_view path, uint32_t /*options*/, uint32_t access,
                                      HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  Impl::Call call(*d_);
  const auto parts = components(path);
  Impl::Target t;
  const int32_t prepared = d_->prepare(key, {.keyNames = &parts, .sync = false}, t);
  // As on the platform, a bad handle leaves the caller's variable as it was.
  if (prepared == kInvalidHandle) return prepared;
  *result = 0;
  if (prepared != kSuccess) return prepared;
  if (parts.empty() && reg::isRoot(key)) {
    *result = key;  // a root opens as itself, and closing it does nothing
    return kSuccess;
  }
  d_->store.syncCache();
  const OpenKey* base = t.key;
  bool alive = false;
  if (int32_t rc = d_->keyAlive(*base, alive); rc != kSuccess) return rc;
  if (!alive) return kKeyDeleted;
  if (base->classes) {
    OpenKey found;
    if (int32_t rc = findClassesKey(d_->store, joinPath(base->classesPath, parts), grantedAccess(access), found);
        rc != kSuccess)
      return rc;
    if (found.id == 0) return kFileNotFound;
    *result = d_->handles.add(std::move(found));
    return kSuccess;
  }
  int64_t id = base->id;
  std::string lpath = joinFolded(base->lpath, parts);
  if (!parts.empty()) {
    if (int32_t rc = d_->store.findKey(base->root, lpath, id); rc != kSuccess) return rc;
    if (id == 0) return kFileNotFound;
  }
  *result = d_->handles.add(id, base->root, std::move(lpath), grantedAccess(access));
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
    if (!d_->handles.resolve(key, rootKey, base)) return kInvalidHandle;
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
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, {.keyNames = &parts, .store = Impl::Store::kCreate, .keyAlive = true}, t);
      rc != kSuccess)
    return rc;
  const OpenKey* base = t.key;
  if (base->classes) {
    // Found where the view has it (the machine's, when only it has the
    // key); a new key is the user's.
    const std::string path = joinPath(base->classesPath, parts);
    OpenKey found;
    int32_t rc = findClassesKey(d_->store, path, reg::kKeyAllAccess, found);
    if (rc == kSuccess && found.id == 0) rc = createClassesKey(d_->store, path, found);
    if (rc != kSuccess) return rc;
    *result = d_->handles.add(std::move(found));
    return kSuccess;
  }
  std::string lpath = joinFolded(base->lpath, parts);
  int64_t id = 0;
  if (int32_t rc = d_->store.findKey(base->root, lpath, id); rc != kSuccess) return rc;
  // The platform checks the rights of the key being made, not those of the
  // handle it is reached from: a parent opened for reading will do.
  if (id == 0) {
    if (int32_t rc = d_->store.beginWrite(); rc != kSuccess) return rc;
    StoreConnection::WriteTransaction transaction(d_->store);
    if (int32_t rc = transaction.begun(); rc != kSuccess) return rc;
    if (int32_t rc = transaction.end(d_->store.createPath(base->root, base->id, base->lpath, parts, id));
        rc != kSuccess)
      return rc;
  }
  *result = d_->handles.add(id, base->root, std::move(lpath), reg::kKeyAllAccess);
  return kSuccess;
}

int32_t SqliteRegistry::RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved, uint32_t* type,
                                         uint8_t* data, uint32_t* size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return kInvalidParameter;
  Impl::Call call(*d_);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, {.right = reg::kKeyQueryValue, .valueName = &name, .values = Impl::Values::kRead}, t);
      rc != kSuccess)
    return rc;
  const CachedValue* v = nullptr;
  if (int32_t rc = d_->fetchValue(*t.key, name, v); rc != kSuccess) return rc;
  if (v->state == CachedValue::kKeyGone) return kKeyDeleted;
  return reg::copyQueriedValue(v->state == CachedValue::kPresent, v->type, v->data, type, data, size);
}

int32_t SqliteRegistry::RegSetValueExA(HKEY key, std::string_view name, uint32_t /*reserved*/, uint32_t type,
                                       const uint8_t* data, uint32_t size) {
  if (data == nullptr && size != 0) return kInvalidParameter;
  Impl::Call call(*d_);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, Impl::valueWrite(name, Impl::Values::kMake), t); rc != kSuccess) return rc;
  const std::string lname = folded(name);  // bound, not copied: lives until the step
  StoreConnection& store = d_->store;
  SqliteCode sqliteRc(SQLITE_OK);
  {
    Run r = store.run(Sql::kSetValue);
    r.bind(1, t.key->id).bind(2, lname).bind(3, name).bind(4, int64_t(type));
    r.bind(5, std::string_view(reinterpret_cast<const char*>(data), size));
    sqliteRc = r.step();
  }
  store.dropCache();
  if (!sqliteRc.done()) return store.failed(sqliteRc);
  return store.changes() == 0 ? kKeyDeleted : kSuccess;
}

int32_t SqliteRegistry::RegDeleteKeyA(HKEY key, std::string_view path) {
  Impl::Call call(*d_);
  const auto parts = components(path);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, {.notRoot = parts.empty(), .keyNames = &parts, .store = Impl::Store::kWrite}, t);
      rc != kSuccess)
    return rc;
  int32_t rc = kSuccess;
  {
    StoreConnection::WriteTransaction transaction(d_->store);
    if (rc = transaction.begun(); rc != kSuccess) return rc;
    const OpenKey* base = t.key;
    if (base->classes) {
      OpenKey found;  // the user's key, else the machine's
      rc = findClassesKey(d_->store, joinPath(base->classesPath, parts), reg::kKeyAllAccess, found, true);
      if (rc == kSuccess) rc = found.id == 0 ? kFileNotFound : d_->deletePath(found, {});
    } else {
      rc = d_->deletePath(*base, parts);
    }
    rc = transaction.end(rc);
  }
  if (rc == kSuccess) d_->store.reclaimSpace();
  return rc;
}

int32_t SqliteRegistry::RegDeleteValueA(HKEY key, std::string_view name) {
  Impl::Call call(*d_);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, Impl::valueWrite(name, Impl::Values::kWrite), t); rc != kSuccess) return rc;
  const std::string lname = folded(name);
  StoreConnection& store = d_->store;
  SqliteCode sqliteRc(SQLITE_OK);
  {
    Run r = store.run(Sql::kDeleteValue);
    r.bind(1, t.key->id).bind(2, lname);
    sqliteRc = r.step();
  }
  store.dropCache();
  if (!sqliteRc.done()) return store.failed(sqliteRc);
  if (store.changes() > 0) {
    store.reclaimSpace();
    return kSuccess;
  }
  bool alive = false;
  if (int32_t arc = d_->keyAlive(*t.key, alive); arc != kSuccess) return arc;
  return alive ? kFileNotFound : kKeyDeleted;
}

int32_t SqliteRegistry::RegCloseKey(HKEY key) {
  if (reg::isRoot(key)) return kSuccess;
  Impl::Call call(*d_);
  d_->subkeyListings.erase(key);
  d_->valueListings.erase(key);
  return d_->handles.close(key) ? kSuccess : kInvalidHandle;
}

int32_t SqliteRegistry::RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, char* className, uint32_t* classSize,
                                      uint64_t* lastWriteTime) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr) return kInvalidParameter;
  Impl::Call call(*d_);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, {.right = reg::kKeyEnumerateSubKeys}, t); rc != kSuccess) return rc;
  const ListedItem* item = nullptr;
  if (int32_t rc = d_->listed(key, *t.key, KeyListing::Kind::kSubkeys, index, item); rc != kSuccess) return rc;
  return reg::copyListedKey(item->name, name, nameSize, className, classSize, lastWriteTime);
}

int32_t SqliteRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr || (data != nullptr && dataSize == nullptr))
    return kInvalidParameter;
  Impl::Call call(*d_);
  Impl::Target t;
  if (int32_t rc = d_->prepare(key, {.right = reg::kKeyQueryValue, .values = Impl::Values::kRead}, t);
      rc != kSuccess)
    return rc;
  const ListedItem* item = nullptr;
  if (int32_t rc = d_->listed(key, *t.key, KeyListing::Kind::kValues, index, item); rc != kSuccess) return rc;
  return reg::copyListedValue(item->name, item->type, item->data, name, nameSize, type, data, dataSize);
}

int32_t SqliteRegistry::runAtomically(const std::function<int32_t()>& body) {
  Impl::Call call(*d_);
  StoreConnection& store = d_->store;
  if (store.inTransaction()) return body();
  if (int32_t rc = store.beginWrite(); rc != kSuccess) return rc;
  int32_t rc = kSuccess;
  {
    StoreConnection::WriteTransaction transaction(store);  // rolled back if the body throws
    if (rc = transaction.begun(); rc != kSuccess) return rc;
    rc = transaction.end(body());
  }
  if (rc == kSuccess) store.reclaimSpace();
  return rc;
}

int32_t SqliteRegistry::readAtomically(const std::function<int32_t()>& body) {
  Impl::Call call(*d_);
  StoreConnection& store = d_->store;
  if (store.inTransaction()) return body();
  if (int32_t rc = store.ensureOpen(false); rc != kSuccess) return rc;
  store.syncCache();  // drops SQLite's pages if the header was rebuilt
  const StoreConnection::ReadSnapshot snapshot(store);
  if (int32_t rc = snapshot.taken(); rc != kSuccess) return rc;
  return body();
}

std::string SqliteRegistry::storeError() const {
  std::lock_guard lock(d_->mutex);
  return d_->store.storeError();
}

std::string SqliteRegistry::storeFile() const { return d_->store.file().toStdString(); }

Registry& defaultRegistry() {
  static SqliteRegistry registry(SqliteRegistry::defaultPath());
  return registry;
}

}  // namespace platform
