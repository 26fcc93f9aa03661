// The registry store driven by a random sequence of calls through two
// connections to one file, each call checked against an in-memory model:
// result codes, handles, value bytes and types, enumeration order and the
// buffer rules. Connections are reopened and their read caches switched on
// and off along the way; at the end a fresh connection must find exactly the
// model's tree. This proves, among other things, that one connection's read
// cache never serves what the other has since changed.
//
// The same calls then drive the in-memory fake (two connections to one
// tree), checked the same way, so that tests using the fake meet the
// store's answers.
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "platform/registry/memory_registry.h"
#include "platform/registry/registry_model.h"
#include "platform/registry/sqlite_registry.h"

namespace {

using platform::RegistryModel;
using platform::HKEY;
namespace reg = platform::reg;

constexpr int kConnections = 2;
constexpr int kMaxCalls = 64;

std::string str(int64_t n) { return std::to_string(n); }

// Names with case twins, Latin-1 letters that fold (and x and / signs and
// sharp s, which do not), NULs, and now and then any bytes.
std::string name(fuzz::FuzzInput& in, bool valueName) {
  static const std::string kNames[] = {
      "a", "A", "b", "B", "ab", "aB", "\xe9", "\xc9", "\xd7", "\xf7", "\xdf", "\xde", "\xfe",
      std::string("\0", 1), std::string("a\0B", 3), "Software"};
  const uint8_t pick = in.byte();
  if (pick < 16 * 14) return kNames[pick % 16];
  std::string raw = in.bytes(6);
  if (!valueName) std::replace(raw.begin(), raw.end(), '\\', 'x');
  if (valueName && pick % 2 == 0) return raw + "\\x";  // value names may hold backslashes
  return raw.empty() && !valueName ? std::string("z") : raw;
}

struct Path {
  std::string text;
  std::vector<std::string> parts;
};

// Up to three components, with now and then a doubled, leading or trailing
// backslash, which the store skips.
Path path(fuzz::FuzzInput& in) {
  Path p;
  const uint8_t shape = in.byte();
  const int count = shape % 4;
  if (shape & 0x10) p.text += '\\';
  for (int i = 0; i < count; ++i) {
    if (i > 0) p.text += (shape & 0x20) && i == 1 ? "\\\\" : "\\";
    p.parts.push_back(name(in, false));
    p.text += p.parts.back();
  }
  if (shape & 0x40) p.text += '\\';
  return p;
}

// Names holding a NUL are refused (87) once the handle is known good.
bool hasNul(const std::string& name) { return name.find('\0') != std::string::npos; }
bool hasNul(const Path& p) { return std::any_of(p.parts.begin(), p.parts.end(), [](const std::string& n) { return hasNul(n); }); }

// The rights a handle opened with `asked` has. Written out here, not taken
// from open_keys.h: the model is what the stores' own mapping is checked
// against, and these calls are the only ones that ask for generic rights.
uint32_t grantedAccess(uint32_t asked) {
  uint32_t access = asked;
  if (access & (reg::kMaximumAllowed | reg::kGenericAll)) access |= reg::kKeyAllAccess;
  if (access & reg::kGenericRead) access |= reg::kKeyRead;
  if (access & reg::kGenericWrite) access |= reg::kKeyWrite;
  return access;
}

// A new connection to the store under test.
using Connect = std::function<std::unique_ptr<platform::Registry>()>;

class StoreFuzz {
 public:
  StoreFuzz(Connect connect, fuzz::FuzzInput& in) : connect_(std::move(connect)), in_(in) {
    for (auto& c : connections_) c = connect_();
  }

  void run() {
    for (int call = 0; call < kMaxCalls && !in_.empty(); ++call) step();
    checkWholeTree();
  }

 private:
  void step() {
    const uint8_t op = in_.byte();
    conn_ = op >> 7;
    switch (op % 12) {
      case 0: createKey(); break;
      case 1: openKeyEx(); break;
      case 2: openKey(); break;
      case 3: setValue(); break;
      case 4: queryValue(); break;
      case 5: deleteValue(); break;
      case 6: deleteKey(); break;
      case 7: closeKey(); break;
      case 8: enumKey(); break;
      case 9: enumValue(); break;
      case 10:  // reopen: every handle of the connection is gone
        store() = connect_();
        model_.closeConnection(conn_);
        break;
      default: {
        const bool enabled = in_.flag();
        if (auto* sqlite = dynamic_cast<platform::SqliteRegistry*>(store().get()))
          sqlite->setReadCacheEnabled(enabled);
        break;
      }
    }
  }

  std::unique_ptr<platform::Registry>& store() { return connections_[size_t(conn_)]; }

  // A root, a handle seen before (open or closed, of either connection) or
  // a number that never was one.
  HKEY handle() {
    const uint8_t pick = in_.byte();
    const auto& seen = model_.handlesSeen();
    // HKEY_CLASSES_ROOT is a view of two of the others, which this model
    // does not follow: the store's own tests cover it.
    if (pick < 64) return reg::kCurrentUser + pick % 6;
    if (pick < 240 && !seen.empty()) return seen[pick % seen.size()];
    static const HKEY kNever[] = {0, 1, reg::kDynData + 1, 0xFFFFFFFF};
    return kNever[pick % 4];
  }

  // What every call on a handle checks first.
  int32_t handleResult(HKEY h, uint32_t accessNeeded) {
    if (!model_.isOpen(conn_, h)) return reg::kInvalidHandle;
    if ((model_.accessOf(conn_, h) & accessNeeded) != accessNeeded) return reg::kAccessDenied;
    return reg::kSuccess;
  }

  void expectResult(int32_t got, int32_t want, const char* call) {
    FUZZ_CHECK(got == want, std::string(call) + " gave " + str(got) + ", the model " + str(want));
  }

  // A new handle from an open or create: distinct from the open ones.
  void adopt(HKEY got, int key, uint32_t access) {
    FUZZ_CHECK(got != 0 && !reg::isRoot(got) && !model_.isOpen(conn_, got));
    model_.addHandle(conn_, got, key, access);
  }

  void openKeyEx() {
    const HKEY h = handle();
    const Path p = path(in_);
    static const uint32_t kAccess[] = {reg::kKeyRead, reg::kKeyWrite, reg::kKeyAllAccess, reg::kKeyQueryValue,
                                       0, reg::kMaximumAllowed, reg::kGenericRead, reg::kGenericWrite};
    const uint32_t asked = kAccess[in_.byte() % 8];
    HKEY got = 0xDEAD;
    const int32_t rc = store()->RegOpenKeyExA(h, p.text, 0, asked, &got);
    const int base = model_.keyOf(conn_, h);
    int32_t want = reg::kSuccess;
    int target = -1;
    if (base < 0) want = reg::kInvalidHandle;
    else if (hasNul(p)) want = reg::kInvalidParameter;
    else if (!model_.exists(base)) want = reg::kKeyDeleted;
    else if ((target = model_.find(base, p.parts)) < 0) want = reg::kFileNotFound;
    expectResult(rc, want, "RegOpenKeyExA");
    if (rc != reg::kSuccess) {
      FUZZ_CHECK(got == (want == reg::kInvalidHandle ? 0xDEAD : 0));  // a bad handle leaves it be
      return;
    }
    if (reg::isRoot(h) && p.parts.empty()) {
      FUZZ_CHECK(got == h);  // a root opens as itself
      return;
    }
    adopt(got, target, grantedAccess(asked));
  }

  void openKey() {
    const HKEY h = handle();
    const Path p = path(in_);
    HKEY got = 0xDEAD;
    const int32_t rc = store()->RegOpenKeyA(h, p.text, &got);
    openOrCreateResult(h, p, rc, got, false);
  }

  void createKey() {
    const HKEY h = handle();
    const Path p = path(in_);
    HKEY got = 0xDEAD;
    const int32_t rc = store()->RegCreateKeyA(h, p.text, &got);
    openOrCreateResult(h, p, rc, got, true);
  }

  // RegOpenKeyA and RegCreateKeyA: an empty path gives the same handle back
  // (whether or not its key still exists; no handle gives no handle);
  // otherwise a new full-access handle. A bad handle leaves the variable be,
  // but RegCreateKeyA with a subkey clears it first.
  void openOrCreateResult(HKEY h, const Path& p, int32_t rc, HKEY got, bool create) {
    const char* call = create ? "RegCreateKeyA" : "RegOpenKeyA";
    const int base = model_.keyOf(conn_, h);
    if (p.parts.empty()) {
      expectResult(rc, base < 0 && h != 0 ? reg::kInvalidHandle : reg::kSuccess, call);
      FUZZ_CHECK(got == (base < 0 && h != 0 ? 0xDEAD : h));
      return;
    }
    int32_t want = reg::kSuccess;
    int target = -1;
    if (base < 0) want = reg::kInvalidHandle;
    else if (hasNul(p)) want = reg::kInvalidParameter;
    else if (!model_.exists(base)) want = reg::kKeyDeleted;
    else if ((target = model_.find(base, p.parts)) < 0 && !create) want = reg::kFileNotFound;
    expectResult(rc, want, call);
    if (rc != reg::kSuccess) {
      FUZZ_CHECK(got == (want == reg::kInvalidHandle && !create ? 0xDEAD : 0));
      return;
    }
    if (target < 0) target = model_.create(base, p.parts);
    adopt(got, target, reg::kKeyAllAccess);
  }

  void setValue() {
    const HKEY h = handle();
    const std::string n = name(in_, true);
    static const uint32_t kTypes[] = {reg::kString, reg::kBinary, reg::kDword, reg::kExpandString,
                                      reg::kMultiString, reg::kNone, reg::kQword, 0x12345678};
    const uint32_t type = kTypes[in_.byte() % 8];
    const std::string data = in_.bytes(40);
    const int32_t rc = store()->RegSetValueExA(h, n, 0, type, reinterpret_cast<const uint8_t*>(data.data()),
                                               uint32_t(data.size()));
    int32_t want = handleResult(h, reg::kKeySetValue);
    const int key = model_.keyOf(conn_, h);
    if (want == reg::kSuccess && hasNul(n)) want = reg::kInvalidParameter;
    if (want == reg::kSuccess && !model_.exists(key)) want = reg::kKeyDeleted;
    expectResult(rc, want, "RegSetValueExA");
    if (rc == reg::kSuccess) model_.setValue(key, n, type, data);
  }

  void queryValue() {
    const HKEY h = handle();
    const std::string n = name(in_, true);
    const uint8_t shape = in_.byte();
    const bool sizeOnly = shape & 1;
    const bool wantType = shape & 2;
    uint32_t size = in_.below(48);
    const uint32_t asked = size;
    uint8_t buffer[64];
    std::memset(buffer, 0xAB, sizeof buffer);
    uint32_t type = 0xDEAD;
    const int32_t rc = store()->RegQueryValueExA(h, n, nullptr, wantType ? &type : nullptr,
                                                 sizeOnly ? nullptr : buffer, &size);
    int32_t want = handleResult(h, reg::kKeyQueryValue);
    const int key = model_.keyOf(conn_, h);
    const RegistryModel::Value* v = nullptr;
    if (want == reg::kSuccess && hasNul(n)) want = reg::kInvalidParameter;
    if (want == reg::kSuccess) {
      v = model_.exists(key) ? model_.value(key, n) : nullptr;
      if (v == nullptr) want = model_.exists(key) ? reg::kFileNotFound : reg::kKeyDeleted;
    }
    if (v != nullptr && !sizeOnly && asked < v->data.size()) want = reg::kMoreData;
    expectResult(rc, want, "RegQueryValueExA");
    if (rc == reg::kFileNotFound && sizeOnly) FUZZ_CHECK(size == 0, "a missing value's size");
    if (v == nullptr) return;
    if (wantType) FUZZ_CHECK(type == v->type);
    const auto n_ = uint32_t(v->data.size());
    FUZZ_CHECK(size == n_, "size " + str(size) + " for " + str(n_));
    if (rc != reg::kSuccess || sizeOnly) return;
    FUZZ_CHECK(std::memcmp(buffer, v->data.data(), n_) == 0);
    // A string lacking its NUL gets one where the buffer has room; nothing
    // else past the data is touched.
    uint32_t end = n_;
    if (reg::isStringType(v->type) && asked > n_ && (n_ == 0 || v->data.back() != '\0')) {
      FUZZ_CHECK(buffer[n_] == 0);
      ++end;
    }
    for (uint32_t i = end; i < sizeof buffer; ++i) FUZZ_CHECK(buffer[i] == 0xAB, "byte " + str(i));
  }

  void deleteValue() {
    const HKEY h = handle();
    const std::string n = name(in_, true);
    const int32_t rc = store()->RegDeleteValueA(h, n);
    int32_t want = handleResult(h, reg::kKeySetValue);
    const int key = model_.keyOf(conn_, h);
    if (want == reg::kSuccess && hasNul(n)) want = reg::kInvalidParameter;
    if (want == reg::kSuccess) {
      if (!model_.exists(key)) want = reg::kKeyDeleted;
      else if (!model_.deleteValue(key, n)) want = reg::kFileNotFound;
    }
    expectResult(rc, want, "RegDeleteValueA");
  }

  // Needs no access right; refuses a root and a key with subkeys.
  void deleteKey() {
    const HKEY h = handle();
    const Path p = path(in_);
    const int32_t rc = store()->RegDeleteKeyA(h, p.text);
    const int base = model_.keyOf(conn_, h);
    int32_t want = reg::kSuccess;
    int target = -1;
    // A root and a key with subkeys are both refused, at different points
    // of the checks: the order is the store's, so the branches stay apart.
    if (base < 0) want = reg::kInvalidHandle;
    else if (p.parts.empty() && base < RegistryModel::kRoots) want = reg::kAccessDenied;  // NOLINT(bugprone-branch-clone)
    else if (hasNul(p)) want = reg::kInvalidParameter;
    else if (!model_.exists(base)) want = reg::kKeyDeleted;
    else if ((target = model_.find(base, p.parts)) < 0) want = reg::kFileNotFound;
    else if (!model_.key(target).children.empty()) want = reg::kAccessDenied;
    expectResult(rc, want, "RegDeleteKeyA");
    if (rc == reg::kSuccess) model_.erase(target);
  }

  void closeKey() {
    const HKEY h = handle();
    const int32_t rc = store()->RegCloseKey(h);
    expectResult(rc, model_.isOpen(conn_, h) ? reg::kSuccess : reg::kInvalidHandle, "RegCloseKey");
    if (!reg::isRoot(h)) model_.closeHandle(conn_, h);
  }

  void enumKey() {
    const HKEY h = handle();
    const uint32_t index = in_.below(6);
    uint32_t nameSize = in_.below(12);
    const uint32_t asked = nameSize;
    char name[16];
    std::memset(name, '#', sizeof name);
    const int32_t rc = store()->RegEnumKeyExA(h, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
    int32_t want = handleResult(h, reg::kKeyEnumerateSubKeys);
    const int key = model_.keyOf(conn_, h);
    const std::string* child = nullptr;
    if (want == reg::kSuccess) {
      if (!model_.exists(key)) {
        want = reg::kKeyDeleted;
      } else if (index >= model_.key(key).children.size()) {
        want = reg::kNoMoreItems;
      } else {
        child = &model_.key(std::next(model_.key(key).children.begin(), index)->second).name;
        if (asked <= child->size()) want = reg::kMoreData;
      }
    }
    expectResult(rc, want, "RegEnumKeyExA");
    if (rc == reg::kMoreData) FUZZ_CHECK(nameSize == child->size() + 1);
    if (rc == reg::kSuccess) {
      FUZZ_CHECK(nameSize == child->size() && std::string(name, nameSize) == *child && name[nameSize] == '\0');
    }
  }

  void enumValue() {
    const HKEY h = handle();
    const uint32_t index = in_.below(6);
    const uint8_t shape = in_.byte();
    uint32_t nameSize = in_.below(12);
    uint32_t dataSize = in_.below(48);
    const uint32_t askedName = nameSize, askedData = dataSize;
    const bool withData = shape & 1;
    char name[16];
    uint8_t data[64];
    std::memset(data, 0xAB, sizeof data);
    uint32_t type = 0xDEAD;
    const int32_t rc = store()->RegEnumValueA(h, index, name, &nameSize, nullptr, &type, withData ? data : nullptr,
                                              &dataSize);
    int32_t want = handleResult(h, reg::kKeyQueryValue);
    const int key = model_.keyOf(conn_, h);
    const RegistryModel::Value* v = nullptr;
    if (want == reg::kSuccess) {
      if (!model_.exists(key)) {
        want = reg::kKeyDeleted;
      } else if (index >= model_.key(key).values.size()) {
        want = reg::kNoMoreItems;
      } else {
        v = &model_.key(key).values[index].second;
        if (askedName <= v->name.size() || (withData && askedData < v->data.size())) want = reg::kMoreData;
      }
    }
    expectResult(rc, want, "RegEnumValueA");
    if (rc == reg::kMoreData) {
      // The name's size as given; the type written; the data when it fits.
      FUZZ_CHECK(nameSize == askedName && dataSize == v->data.size() && type == v->type);
      if (withData && askedData >= v->data.size())
        FUZZ_CHECK(std::memcmp(data, v->data.data(), v->data.size()) == 0);
    } else if (rc == reg::kSuccess) {
      FUZZ_CHECK(nameSize == v->name.size() && std::string(name, nameSize) == v->name);
      FUZZ_CHECK(type == v->type && dataSize == v->data.size());
      if (withData) FUZZ_CHECK(std::memcmp(data, v->data.data(), v->data.size()) == 0);
    }
  }

  // A fresh connection walks the whole store and must find the model's tree.
  void checkWholeTree() {
    const std::unique_ptr<platform::Registry> fresh = connect_();
    for (int root = 1; root < RegistryModel::kRoots; ++root) checkKey(*fresh, reg::kClassesRoot + HKEY(root), root);
  }

  void checkKey(platform::Registry& fresh, HKEY h, int key) {
    const RegistryModel::Key& k = model_.key(key);
    uint32_t index = 0;
    for (const auto& [lname, v] : k.values) {
      char name[512];
      uint8_t data[512];
      uint32_t nameSize = sizeof name, dataSize = sizeof data, type = 0;
      expectResult(fresh.RegEnumValueA(h, index++, name, &nameSize, nullptr, &type, data, &dataSize),
                   reg::kSuccess, "RegEnumValueA (whole tree)");
      FUZZ_CHECK(std::string(name, nameSize) == v.name && type == v.type &&
                 std::string(reinterpret_cast<char*>(data), dataSize) == v.data);
    }
    char name[512];
    uint32_t nameSize = sizeof name;
    expectResult(fresh.RegEnumValueA(h, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
                 reg::kNoMoreItems, "RegEnumValueA past the end (whole tree)");
    index = 0;
    for (const auto& [lname, child] : k.children) {
      nameSize = sizeof name;
      expectResult(fresh.RegEnumKeyExA(h, index++, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
                   reg::kSuccess, "RegEnumKeyExA (whole tree)");
      FUZZ_CHECK(std::string(name, nameSize) == model_.key(child).name);
      HKEY sub = 0;
      expectResult(fresh.RegOpenKeyExA(h, model_.key(child).name, 0, reg::kKeyRead, &sub), reg::kSuccess,
                   "RegOpenKeyExA (whole tree)");
      checkKey(fresh, sub, child);
      fresh.RegCloseKey(sub);
    }
    nameSize = sizeof name;
    expectResult(fresh.RegEnumKeyExA(h, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
                 reg::kNoMoreItems, "RegEnumKeyExA past the end (whole tree)");
  }

  const Connect connect_;
  fuzz::FuzzInput& in_;
  std::unique_ptr<platform::Registry> connections_[kConnections];
  RegistryModel model_;
  int conn_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One folder for the whole run; each input starts from a store of its own.
  static QTemporaryDir dir;
  static int run = 0;
  const QString file = dir.filePath(QStringLiteral("store%1.sqlite3").arg(run++));
  {
    fuzz::FuzzInput in(data, size);
    StoreFuzz([&file] { return std::make_unique<platform::SqliteRegistry>(file); }, in).run();
  }
  for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(file + QLatin1String(suffix));
  const platform::MemoryRegistry tree;  // holds the tree; its connections make the calls
  fuzz::FuzzInput in(data, size);
  StoreFuzz([&tree] { return tree.anotherConnection(); }, in).run();
  return 0;
}
