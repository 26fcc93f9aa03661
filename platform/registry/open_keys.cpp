#include "platform/registry/open_keys.h"

#include <utility>

#include "platform/registry/handle_numbers.h"
#include "platform/registry/store_connection.h"

namespace platform {

uint32_t grantedAccess(uint32_t asked) {
  uint32_t access = asked;
  if (access & (reg::kMaximumAllowed | reg::kGenericAll)) access |= reg::kKeyAllAccess;
  if (access & reg::kGenericRead) access |= reg::kKeyRead;
  if (access & reg::kGenericWrite) access |= reg::kKeyWrite;
  return access;
}

bool OpenKeys::resolve(HKEY h, OpenKey& rootKey, const OpenKey*& out) const {
  if (reg::isRoot(h)) {
    rootKey.root = static_cast<uint8_t>(h - reg::kClassesRoot);
    rootKey.id = rootRowId(rootKey.root);
    rootKey.lpath.clear();
    rootKey.access = reg::kKeyAllAccess;
    rootKey.classes = rootKey.root == kClassesRootIndex;
    rootKey.classesPath.clear();
    if (rootKey.classes) rootKey.id = 0;  // found per call: see valueKey in sqlite_registry.cpp
    out = &rootKey;
    return true;
  }
  auto it = keys_.find(h);
  if (it == keys_.end()) return false;
  out = &it->second;
  return true;
}

HKEY OpenKeys::add(OpenKey key) {
  const HKEY h = newHandleNumber([this](HKEY n) { return keys_.count(n) != 0; });
  keys_.emplace(h, std::move(key));
  return h;
}

HKEY OpenKeys::add(int64_t id, uint8_t root, std::string lpath, uint32_t access) {
  return add(OpenKey{id, root, std::move(lpath), access, false, {}});
}

}  // namespace platform
