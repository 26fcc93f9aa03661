#pragma once
// The host side of the component layer: find a class by its ProgID in the
// registry, load its library and create an instance; call members by name.
#include <QString>
#include <memory>

#include "core/fault.h"
#include "platform/component/dispatch.h"
#include "platform/registry/registry.h"

namespace platform {

struct CreatedObject {
  std::unique_ptr<Dispatch> object;  // null when creation failed
  core::Fault fault;                 // why, when it failed
  void* library = nullptr;           // the loaded library, for its other exports
  QString libraryPath;               // the library the registration names, once read
  QString libraryVersion;            // its WwLibraryVersion(), once loaded ("" when it has none)
};

// Whether a library of `version` ("2.1.0") is what a caller expecting
// `expected` accepts: the same version, or one below it ("2" takes any 2.x.y).
bool versionMatches(const QString& version, const QString& expected);

// Resolves HKEY_CLASSES_ROOT\<progId>\CLSID and CLSID\{...}\InprocServer32,
// loads that library (kept loaded for the life of the process) and asks its
// class object for an instance. Fault 429 with the reason when any step fails;
// a store that cannot be read is reported as that, named by `storeName`.
// With `expectedVersion`, a library whose version does not match it (see
// versionMatches) is refused with fault 429 naming both versions.
CreatedObject createObject(const QString& progId, Registry& registry, const QString& storeName = {},
                           const QString& expectedVersion = {});

// Loads the library at `path` and calls its DllRegisterServer (or
// DllUnregisterServer). The platform's result code, or a fault on failure to load.
core::Fault callRegistrationEntry(const QString& path, bool unregister, int32_t* resultCode);

// Tests only: runs between a library's check and its load, where a link
// swapped by someone else would land. Null for none.
void setAfterLibraryCheckedForTesting(void (*hook)());

// Calls `name` on `object` as a method (or property getter), a property put
// or put-by-reference. Fault 438 when the member does not exist.
core::Fault callByName(Dispatch& object, const QString& name, CallKind kind, std::vector<core::Value>& args,
                       core::Value& result);

}  // namespace platform
