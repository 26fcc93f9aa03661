#include "platform/registry/classes_view.h"

#include <string_view>
#include <vector>

#include "platform/registry/key_names.h"

namespace platform {

using reg::kSuccess;

int32_t findClassesKey(StoreConnection& store, const std::string& path, uint32_t access, OpenKey& found,
                       bool fromDb) {
  const std::string lpath = reg::classesLpath(reg::folded(path));
  found = OpenKey{0, kUserRootIndex, lpath, access, true, path};
  for (uint8_t root : {kUserRootIndex, kMachineRootIndex}) {
    int64_t id = 0;
    if (int32_t rc = fromDb ? store.findKeyInDb(root, lpath, id) : store.findKey(root, lpath, id); rc != kSuccess)
      return rc;
    if (id != 0) {
      found.id = id;
      found.root = root;
      return kSuccess;
    }
  }
  return kSuccess;
}

int32_t createClassesKey(StoreConnection& store, const std::string& path, OpenKey& made) {
  std::vector<std::string_view> parts{"Software", "Classes"};
  for (std::string_view part : reg::components(path)) parts.push_back(part);
  if (int32_t rc = store.beginWrite(); rc != kSuccess) return rc;
  StoreConnection::WriteTransaction transaction(store);
  if (int32_t rc = transaction.begun(); rc != kSuccess) return rc;
  made = OpenKey{0, kUserRootIndex, reg::classesLpath(reg::folded(path)), reg::kKeyAllAccess, true, path};
  return transaction.end(store.createPath(kUserRootIndex, rootRowId(kUserRootIndex), {}, parts, made.id));
}

}  // namespace platform
