#include "platform/registry/memory_registry.h"

#include <iterator>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/handle_numbers.h"
#include "platform/registry/key_names.h"
#include "platform/registry/open_keys.h"
#include "platform/registry/registry_model.h"
#include "platform/registry/value_copy.h"

// Each call checks what SqliteRegistry checks, in the same order (its
// prepare(): handle, rights, names, then whether the key still exists), so
// that both give the same code for the same mistake.

namespace platform {
namespace {

using reg::components;
using reg::kAccessDenied;
using reg::kFileNotFound;
using reg::kInvalidHandle;
using reg::kInvalidParameter;
using reg::kKeyDeleted;
using reg::kNoMoreItems;
using reg::kSuccess;

std::vector<std::string> owned(const std::vector<std::string_view>& parts) {
  return {parts.begin(), parts.end()};
}

}  // namespace

struct MemoryRegistry::Shared {
  std::recursive_mutex mutex;  // recursive: calls made by a runAtomically() body
  RegistryModel tree;
  uint64_t changes = 0;  // moves on every write: listings then count afresh
  bool inBatch = false;  // a runAtomically() body runs; one nested in it just runs
};

MemoryRegistry::MemoryRegistry() : shared_(std::make_shared<Shared>()) {}
MemoryRegistry::MemoryRegistry(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
MemoryRegistry::~MemoryRegistry() = default;

RegistryModel& MemoryRegistry::tree() const { return moment_ ? *moment_ : shared_->tree; }

std::unique_ptr<MemoryRegistry> MemoryRegistry::anotherConnection() const {
  return std::unique_ptr<MemoryRegistry>(new MemoryRegistry(shared_));
}

bool MemoryRegistry::resolve(HKEY h, Handle& out) const {
  if (reg::isRoot(h)) {
    out = {int(h - reg::kClassesRoot), reg::kKeyAllAccess, 0, true};
    return true;
  }
  auto it = handles_.find(h);
  if (it == handles_.end()) return false;
  out = it->second;
  return true;
}

// What a call asks of its handle, checked in this order, as the store does.
struct MemoryRegistry::Need {
  uint32_t right = 0;     // an access right the handle must have (0: none)
  bool notRoot = false;   // the handle may not be a root itself
  const std::vector<std::string_view>* keyNames = nullptr;  // subkeys below the handle
  const std::string_view* valueName = nullptr;
  bool write = false;     // refused inside readAtomically()
};

// What every call on a handle checks first; last, that its key still exists.
int32_t MemoryRegistry::prepare(HKEY h, const Need& need, Handle& t) const {
  if (!resolve(h, t)) return kInvalidHandle;
  if (need.right != 0 && (t.access & need.right) == 0) return kAccessDenied;
  if (need.notRoot && t.root) return kAccessDenied;
  if (need.keyNames != nullptr && !reg::validKeyNames(t.depth, *need.keyNames)) return kInvalidParameter;
  if (need.valueName != nullptr && !reg::validValueName(*need.valueName)) return kInvalidParameter;
  if (need.write && readingOnly()) return kAccessDenied;
  return tree().exists(t.key) ? kSuccess : kKeyDeleted;
}

HKEY MemoryRegistry::newHandle(const Handle& handle) {
  const HKEY h = newHandleNumber([this](HKEY n) { return handles_.count(n) != 0; });
  handles_.emplace(h, handle);
  return h;
}

// RegOpenKeyExA and RegCreateKeyA past their handle check: *result is 0.
int32_t MemoryRegistry::openBelow(const Handle& base, const std::vector<std::string_view>& parts, uint32_t access,
                                  bool create, HKEY* result) {
  RegistryModel& tree = this->tree();
  if (!reg::validKeyNames(base.depth, parts)) return kInvalidParameter;
  if (!tree.exists(base.key)) return kKeyDeleted;
  int key = tree.find(base.key, owned(parts));
  if (key < 0 && !create) return kFileNotFound;
  if (key < 0 && readingOnly()) return kAccessDenied;
  if (key < 0) {
    key = tree.create(base.key, owned(parts));
    ++shared_->changes;
  }
  *result = newHandle({key, access, base.depth + parts.size(), false});
  return kSuccess;
}

int32_t MemoryRegistry::RegOpenKeyExA(HKEY key, std::string_view path, uint32_t /*options*/, uint32_t access,
                                      HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;  // the caller's variable stays as it was
  *result = 0;
  const auto parts = components(path);
  if (parts.empty() && t.root) {
    *result = key;  // a root opens as itself
    return kSuccess;
  }
  return openBelow(t, parts, grantedAccess(access), false, result);
}

int32_t MemoryRegistry::RegOpenKeyA(HKEY key, std::string_view path, HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  if (!components(path).empty()) return RegOpenKeyExA(key, path, 0, reg::kKeyAllAccess, result);
  if (key == 0) {  // no handle and no subkey is no key at all, and not an error
    *result = 0;
    return kSuccess;
  }
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;
  *result = key;
  return kSuccess;
}

int32_t MemoryRegistry::RegCreateKeyA(HKEY key, std::string_view path, HKEY* result) {
  if (result == nullptr) return kInvalidParameter;
  const auto parts = components(path);
  if (parts.empty()) return RegOpenKeyA(key, path, result);
  *result = 0;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;
  return openBelow(t, parts, reg::kKeyAllAccess, true, result);
}

int32_t MemoryRegistry::RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved, uint32_t* type,
                                         uint8_t* data, uint32_t* size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (int32_t rc = prepare(key, {.right = reg::kKeyQueryValue, .valueName = &name}, t); rc != kSuccess) return rc;
  const RegistryModel::Value* v = tree().value(t.key, std::string(name));
  return v == nullptr ? reg::copyQueriedValue(false, 0, {}, type, data, size)
                      : reg::copyQueriedValue(true, v->type, v->data, type, data, size);
}

int32_t MemoryRegistry::RegSetValueExA(HKEY key, std::string_view name, uint32_t /*reserved*/, uint32_t type,
                                       const uint8_t* data, uint32_t size) {
  if (data == nullptr && size != 0) return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (int32_t rc = prepare(key, {.right = reg::kKeySetValue, .valueName = &name, .write = true}, t); rc != kSuccess)
    return rc;
  tree().setValue(t.key, std::string(name), type,
                         size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size));
  ++shared_->changes;
  return kSuccess;
}

int32_t MemoryRegistry::RegDeleteKeyA(HKEY key, std::string_view path) {
  std::lock_guard lock(shared_->mutex);
  const auto parts = components(path);
  Handle t;
  if (int32_t rc = prepare(key, {.notRoot = parts.empty(), .keyNames = &parts, .write = true}, t); rc != kSuccess)
    return rc;
  RegistryModel& tree = this->tree();
  const int target = tree.find(t.key, owned(parts));
  if (target < 0) return kFileNotFound;
  if (!tree.key(target).children.empty()) return kAccessDenied;
  tree.erase(target);
  ++shared_->changes;
  return kSuccess;
}

int32_t MemoryRegistry::RegDeleteValueA(HKEY key, std::string_view name) {
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (int32_t rc = prepare(key, {.right = reg::kKeySetValue, .valueName = &name, .write = true}, t); rc != kSuccess)
    return rc;
  if (!tree().deleteValue(t.key, std::string(name))) return kFileNotFound;
  ++shared_->changes;
  return kSuccess;
}

int32_t MemoryRegistry::RegCloseKey(HKEY key) {
  if (reg::isRoot(key)) return kSuccess;
  std::lock_guard lock(shared_->mutex);
  cursors_.erase(key);
  return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

// A handle listing in order is answered from where it was, while the tree
// is unchanged, so that listing a key is linear.
const std::string* MemoryRegistry::childAt(HKEY h, int key, uint32_t index) {
  const auto& children = tree().key(key).children;
  Cursor& cursor = cursors_[h];
  auto it = children.end();
  if (cursor.changes == shared_->changes && cursor.index + 1 == index && !cursor.lname.empty())
    it = children.upper_bound(cursor.lname);
  else if (index < children.size())
    it = std::next(children.begin(), index);
  if (it == children.end()) {
    cursor = {};
    return nullptr;
  }
  cursor = {index, it->first, shared_->changes};
  return &tree().key(it->second).name;
}

int32_t MemoryRegistry::RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, char* className, uint32_t* classSize,
                                      uint64_t* lastWriteTime) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr) return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (int32_t rc = prepare(key, {.right = reg::kKeyEnumerateSubKeys}, t); rc != kSuccess) return rc;
  const std::string* child = childAt(key, t.key, index);
  if (child == nullptr) return kNoMoreItems;
  return reg::copyListedKey(*child, name, nameSize, className, classSize, lastWriteTime);
}

int32_t MemoryRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr || (data != nullptr && dataSize == nullptr))
    return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (int32_t rc = prepare(key, {.right = reg::kKeyQueryValue}, t); rc != kSuccess) return rc;
  const auto& values = tree().key(t.key).values;
  if (index >= values.size()) return kNoMoreItems;
  const RegistryModel::Value& v = values[index].second;
  return reg::copyListedValue(v.name, v.type, v.data, name, nameSize, type, data, dataSize);
}

int32_t MemoryRegistry::runAtomically(const std::function<int32_t()>& body) {
  std::lock_guard lock(shared_->mutex);
  if (shared_->inBatch) return body();
  RegistryModel::Tree before = shared_->tree.tree();
  shared_->inBatch = true;
  int32_t rc = kInvalidParameter;
  try {
    rc = body();
  } catch (...) {
    shared_->inBatch = false;
    shared_->tree.restore(std::move(before));
    ++shared_->changes;
    throw;
  }
  shared_->inBatch = false;
  if (rc != kSuccess) {
    shared_->tree.restore(std::move(before));
    ++shared_->changes;
  }
  return rc;
}

int32_t MemoryRegistry::readAtomically(const std::function<int32_t()>& body) {
  std::lock_guard lock(shared_->mutex);
  if (moment_ || shared_->inBatch) return body();
  moment_ = std::make_unique<RegistryModel>(shared_->tree);
  int32_t rc = kInvalidParameter;
  try {
    rc = body();
  } catch (...) {
    moment_.reset();
    throw;
  }
  moment_.reset();
  return rc;
}

}  // namespace platform
