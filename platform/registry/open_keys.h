#pragma once
// The handles a store has given out and the keys behind them. The seven
// roots are handles of their own without an entry.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "platform/registry/registry.h"

namespace platform {

struct OpenKey {
  int64_t id = 0;
  uint8_t root = 0;   // 0..6
  std::string lpath;  // folded path below the root
  uint32_t access = 0;
  // Opened through HKEY_CLASSES_ROOT (or that root itself): the key above is
  // the one the view found, and `classesPath` (as the caller spelled it) is
  // where the handle sits in the view, for what is opened below it.
  bool classes = false;
  std::string classesPath;
};

// The rights a handle opened with `asked` has (generic rights spelled out).
uint32_t grantedAccess(uint32_t asked);

class OpenKeys {
 public:
  // The key behind `h` (`rootKey` filled for a root); false: no such handle.
  bool resolve(HKEY h, OpenKey& rootKey, const OpenKey*& out) const;
  HKEY add(OpenKey key);
  HKEY add(int64_t id, uint8_t root, std::string lpath, uint32_t access);
  // false: no such handle.
  bool close(HKEY h) { return keys_.erase(h) == 1; }

 private:
  std::unordered_map<HKEY, OpenKey> keys_;
};

}  // namespace platform
