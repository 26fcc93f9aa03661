#pragma once
// The registry over one SQLite file, shared by every process that opens it.
// Each write is its own durable transaction (WAL journal, synchronous=FULL);
// a process that waits for another's lock waits up to 30 s (then kBusy).
//
// The store opens on first use, creating the file (mode 0600) and its schema
// when missing; a store file of ours that others could read is narrowed to
// 0600. A file that is not a registry store (garbage, another program's
// database) is never written: calls give kBadDb. A store that cannot be
// written (read-only file, no permission) gives kAccessDenied for writes;
// reads work when the file can be read, else kAccessDenied. A path that is
// not a regular file gives kAccessDenied, a folder that cannot be made
// kPathNotFound; storeError() then says why, naming the file.
//
// Thread-safe. Do not carry an instance across fork(): a child opens its own.
#include <QString>
#include <memory>

#include "platform/registry/registry.h"

namespace platform {

class SqliteRegistry : public Registry {
 public:
  enum class Mode { ReadWrite, ReadOnly };

  explicit SqliteRegistry(const QString& path, Mode mode = Mode::ReadWrite);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  // $WAGEWISE_REGISTRY when set, else $XDG_CONFIG_HOME/wagewise/registry.sqlite3
  // (~/.config/... when XDG_CONFIG_HOME is unset). Creates the folder.
  static QString defaultPath();
  const QString& path() const;

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
  std::string storeError() const override;
  std::string storeFile() const override;

  // Reads are answered from an in-process cache while no process has
  // committed to the store since the cache was filled. On by default; tests
  // and benchmarks switch it off to reach the database on every call.
  void setReadCacheEnabled(bool enabled);
  // Whether the cache can work on this store (the store is open in WAL mode
  // and its change counter is visible). Opens the store if needed.
  bool readCacheAvailable();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

// The process's store at SqliteRegistry::defaultPath(), opened on first use.
Registry& defaultRegistry();

}  // namespace platform
