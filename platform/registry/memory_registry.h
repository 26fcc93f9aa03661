#pragma once
// Test support: the registry calls over a tree held in memory, for tests that
// need a store but not a file. It gives the result codes, handles, buffer
// rules, name limits and enumeration order of SqliteRegistry; the store's
// fuzz target drives both with the same calls and checks both against one
// expected answer.
//
// Where it is simpler than the store: HKEY_CLASSES_ROOT is a tree of its own,
// not the merged view of the user's and the machine's classes (tests of that
// view use SqliteRegistry); there is no file, so storeError() and storeFile()
// are empty and no call fails for want of room, rights or a lock.
//
// A connection made by anotherConnection() sees the same tree, as processes
// sharing one store file do; each keeps its own handles. Thread-safe.
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry.h"

namespace platform {

class RegistryModel;

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  int32_t RegOpenKeyExA(HKEY key, std::string_view path, uint32_t options, uint32_t access,
                        HKEY* result) override;
  int32_t RegOpenKeyA(HKEY key, std::string_view path, HKEY* result) override;
  int32_t RegCreateKeyA(HKEY key, std::string_view path, HKEY* result) override;
  int32_t RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved, uint32_t* type,
                           uint8_t* data, uint32_t* size) override;
  int32_t RegSetValueExA(HKEY key, std::string_view name, uint32_t reserved, uint32_t type,
                         const uint8_t* data, uint32_t size) override;
  int32_t RegDeleteKeyA(HKEY key, std::string_view path) override;
  int32_t RegDeleteValueA(HKEY key, std::string_view name) override;
  int32_t RegCloseKey(HKEY key) override;
  int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                        char* className, uint32_t* classSize, uint64_t* lastWriteTime) override;
  int32_t RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* reserved,
                        uint32_t* type, uint8_t* data, uint32_t* dataSize) override;

  int32_t runAtomically(const std::function<int32_t()>& body) override;
  int32_t readAtomically(const std::function<int32_t()>& body) override;

  // A connection of its own (no handles open) to this one's tree.
  std::unique_ptr<MemoryRegistry> anotherConnection() const;

 private:
  struct Shared;
  explicit MemoryRegistry(std::shared_ptr<Shared> shared);

  // An open key: its id in the tree, its rights, and how deep it sits below
  // its root (the name limits count from there, deleted or not).
  struct Handle {
    int key = -1;
    uint32_t access = 0;
    size_t depth = 0;
    bool root = false;
  };
  // Where a handle's subkey listing is: the index and folded name it gave last.
  struct Cursor {
    uint32_t index = 0;
    std::string lname;
    uint64_t changes = 0;
  };
  struct Need;
  bool resolve(HKEY h, Handle& out) const;
  int32_t prepare(HKEY h, const Need& need, Handle& t) const;
  HKEY newHandle(const Handle& handle);
  int32_t openBelow(const Handle& base, const std::vector<std::string_view>& parts, uint32_t access, bool create,
                    HKEY* result);
  // The name of the subkey at `index` of the handle's key (nullptr: past the last).
  const std::string* childAt(HKEY h, int key, uint32_t index);

  // The tree the calls see: the shared one, or inside readAtomically() a
  // copy of it taken at the start (writes are then refused).
  RegistryModel& tree() const;
  bool readingOnly() const { return moment_ != nullptr; }

  std::shared_ptr<Shared> shared_;
  std::unique_ptr<RegistryModel> moment_;
  std::unordered_map<HKEY, Handle> handles_;
  std::unordered_map<HKEY, Cursor> cursors_;
};

}  // namespace platform
