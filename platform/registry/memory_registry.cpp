#include "platform/registry/memory_registry.h"

#include <atomic>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

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
using reg::copyValue;
using reg::kAccessDenied;
using reg::kFileNotFound;
using reg::kInvalidHandle;
using reg::kInvalidParameter;
using reg::kKeyDeleted;
using reg::kMoreData;
using reg::kNoMoreItems;
using reg::kSuccess;

// Shared by every fake of the process, as the store's handles are, so that
// a handle of one is not mistaken for one of another.
std::atomic<uint32_t> g_nextHandle{0x100};

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

HKEY MemoryRegistry::newHandle(const Handle& handle) {
  HKEY h;
  do {
    h = g_nextHandle.fetch_add(1, std::memory_order_relaxed) & 0x7FFFFFFFu;
  } while (h < 0x100 || handles_.count(h) != 0);
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
  if (!resolve(key, t)) return kInvalidHandle;
  if ((t.access & reg::kKeyQueryValue) == 0) return kAccessDenied;
  if (!reg::validValueName(name)) return kInvalidParameter;
  if (!tree().exists(t.key)) return kKeyDeleted;
  const RegistryModel::Value* v = tree().value(t.key, std::string(name));
  if (v == nullptr) {
    if (data == nullptr && size != nullptr) *size = 0;
    return kFileNotFound;
  }
  const uint32_t valueType = v->type;  // read before *type is written: they may be one variable
  const int32_t rc = copyValue(valueType, v->data, data, size);
  if (type != nullptr) *type = valueType;
  return rc;
}

int32_t MemoryRegistry::RegSetValueExA(HKEY key, std::string_view name, uint32_t /*reserved*/, uint32_t type,
                                       const uint8_t* data, uint32_t size) {
  if (data == nullptr && size != 0) return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;
  if ((t.access & reg::kKeySetValue) == 0) return kAccessDenied;
  if (!reg::validValueName(name)) return kInvalidParameter;
  if (readingOnly()) return kAccessDenied;
  if (!tree().exists(t.key)) return kKeyDeleted;
  tree().setValue(t.key, std::string(name), type,
                         size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size));
  ++shared_->changes;
  return kSuccess;
}

int32_t MemoryRegistry::RegDeleteKeyA(HKEY key, std::string_view path) {
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;
  const auto parts = components(path);
  if (parts.empty() && t.root) return kAccessDenied;
  RegistryModel& tree = this->tree();
  if (!reg::validKeyNames(t.depth, parts)) return kInvalidParameter;
  if (readingOnly()) return kAccessDenied;
  if (!tree.exists(t.key)) return kKeyDeleted;
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
  if (!resolve(key, t)) return kInvalidHandle;
  if ((t.access & reg::kKeySetValue) == 0) return kAccessDenied;
  if (!reg::validValueName(name)) return kInvalidParameter;
  if (readingOnly()) return kAccessDenied;
  if (!tree().exists(t.key)) return kKeyDeleted;
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
  if (!resolve(key, t)) return kInvalidHandle;
  if ((t.access & reg::kKeyEnumerateSubKeys) == 0) return kAccessDenied;
  if (!tree().exists(t.key)) return kKeyDeleted;
  const std::string* child = childAt(key, t.key, index);
  if (child == nullptr) return kNoMoreItems;
  const auto n = static_cast<uint32_t>(child->size());
  if (*nameSize <= n) {
    *nameSize = n + 1;
    return kMoreData;
  }
  std::memcpy(name, child->data(), n);
  name[n] = '\0';
  *nameSize = n;
  if (classSize != nullptr) {
    if (className != nullptr && *classSize > 0) className[0] = '\0';
    *classSize = 0;
  }
  if (lastWriteTime != nullptr) *lastWriteTime = 0;
  return kSuccess;
}

int32_t MemoryRegistry::RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* reserved, uint32_t* type, uint8_t* data, uint32_t* dataSize) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr || (data != nullptr && dataSize == nullptr))
    return kInvalidParameter;
  std::lock_guard lock(shared_->mutex);
  Handle t;
  if (!resolve(key, t)) return kInvalidHandle;
  if ((t.access & reg::kKeyQueryValue) == 0) return kAccessDenied;
  if (!tree().exists(t.key)) return kKeyDeleted;
  const auto& values = tree().key(t.key).values;
  if (index >= values.size()) return kNoMoreItems;
  const RegistryModel::Value& v = values[index].second;
  const auto n = static_cast<uint32_t>(v.name.size());
  const bool dataFits = data == nullptr || *dataSize >= v.data.size();
  if (type != nullptr) *type = v.type;
  if (*nameSize <= n || !dataFits) {
    // The name's size as the caller gave it, the data copied when it fits,
    // else its size.
    if (dataFits && dataSize != nullptr)
      copyValue(v.type, v.data, data, dataSize);
    else if (dataSize != nullptr)
      *dataSize = static_cast<uint32_t>(v.data.size());
    return kMoreData;
  }
  std::memcpy(name, v.name.data(), n);
  name[n] = '\0';
  *nameSize = n;
  return copyValue(v.type, v.data, data, dataSize);
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
