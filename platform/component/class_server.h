#pragma once
// The library side of the component layer: the class table behind the four
// entry points every component library exports (class objects, unload query,
// registration). A library defines its table once and exports the entry
// points with WW_EXPORT_CLASS_SERVER.
#include <QString>
#include <cstdint>
#include <vector>

#include "platform/component/dispatch.h"
#include "platform/registry/registry.h"

namespace platform {

// Result codes of the entry points, as the platform numbers them.
constexpr int32_t kS_OK = 0;
constexpr int32_t kS_FALSE = 1;
constexpr int32_t kE_NOINTERFACE = int32_t(0x80004002);
constexpr int32_t kE_POINTER = int32_t(0x80004003);
constexpr int32_t kE_FAIL = int32_t(0x80004005);
constexpr int32_t kClassNotAvailable = int32_t(0x80040111);
constexpr int32_t kSelfRegClass = int32_t(0x80040201);

// The one interface a class object gives out.
inline constexpr char kIidClassFactory[] = "{00000001-0000-0000-C000-000000000046}";

class ClassFactory {
 public:
  virtual ~ClassFactory() = default;
  // A new instance that the caller owns (deletes), or nullptr on failure.
  virtual Dispatch* CreateInstance() = 0;
};

struct ClassEntry {
  const char* progId;       // "Coravel.Declares"
  const char* clsid;        // "{...}", fixed for ever
  const char* description;  // shown as the keys' default value
  Dispatch* (*create)();
};

class ClassServer {
 public:
  // `addressInLibrary` is any function of the library, used to find its file.
  ClassServer(std::vector<ClassEntry> classes, const void* addressInLibrary);

  int32_t getClassObject(const char* clsid, const char* iid, void** out);
  int32_t canUnloadNow() const;
  int32_t registerServer(Registry& registry) const;
  int32_t unregisterServer(Registry& registry) const;
  QString libraryPath() const;

 private:
  class Factory : public ClassFactory {
   public:
    explicit Factory(const ClassEntry* entry) : entry_(entry) {}
    Dispatch* CreateInstance() override;

   private:
    const ClassEntry* entry_;
  };

  std::vector<ClassEntry> classes_;
  std::vector<Factory> factories_;
  const void* address_;
};

// Instances of DispatchObject alive in this library (for the unload query).
int liveObjectCount();

}  // namespace platform

// Exports the four entry points with C linkage, served by `server` (an
// expression giving a ClassServer&).
#define WW_EXPORT_CLASS_SERVER(server)                                                             \
  extern "C" __attribute__((visibility("default"))) int32_t DllGetClassObject(                    \
      const char* clsid, const char* iid, void** out) {                                            \
    return (server).getClassObject(clsid, iid, out);                                               \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) int32_t DllCanUnloadNow() {                   \
    return (server).canUnloadNow();                                                                \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) int32_t DllRegisterServer() {                 \
    return (server).registerServer(::platform::defaultRegistry());                                 \
  }                                                                                                \
  extern "C" __attribute__((visibility("default"))) int32_t DllUnregisterServer() {               \
    return (server).unregisterServer(::platform::defaultRegistry());                               \
  }

// Exports WwLibraryVersion(), the library's full version ("2.1.0", the
// version its file name carries), which the host side compares with the
// version a caller expects before it creates a class.
#define WW_EXPORT_LIBRARY_VERSION(text) \
  extern "C" __attribute__((visibility("default"))) const char* WwLibraryVersion() { return text; }
