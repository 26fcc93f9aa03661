#pragma once
// Test support: a store on which another writer makes a value longer between
// a caller's size query and its data query, the given number of times.
#include <string>

#include "platform/registry/sqlite_registry.h"

namespace platform::test {

class GrowingValueRegistry : public SqliteRegistry {
 public:
  using SqliteRegistry::SqliteRegistry;

  // The next `times` data queries each find the value they ask for, in the
  // key at `path` below `root`, one `piece` longer.
  void growBeforeDataQueries(int times, HKEY root, std::string path, std::string piece) {
    growthsLeft_ = times;
    root_ = root;
    path_ = std::move(path);
    piece_ = std::move(piece);
  }

  int32_t RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved, uint32_t* type, uint8_t* data,
                           uint32_t* size) override {
    if (data != nullptr && growthsLeft_ > 0) {
      --growthsLeft_;
      grow(name);
    }
    return SqliteRegistry::RegQueryValueExA(key, name, reserved, type, data, size);
  }

 private:
  // Through a handle of its own: the caller's may be open for reading only.
  void grow(std::string_view name) {
    HKEY key = 0;
    if (RegCreateKeyA(root_, path_, &key) != reg::kSuccess) return;
    uint32_t type = 0, size = 0;
    SqliteRegistry::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    std::string bytes(size, '\0');
    SqliteRegistry::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<uint8_t*>(bytes.data()), &size);
    // A string keeps its final NUL at the end.
    const bool terminated = !bytes.empty() && bytes.back() == '\0';
    if (terminated) bytes.pop_back();
    bytes += piece_;
    if (terminated) bytes.push_back('\0');
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()));
    RegCloseKey(key);
  }

  int growthsLeft_ = 0;
  HKEY root_ = 0;
  std::string path_;
  std::string piece_;
};

}  // namespace platform::test
