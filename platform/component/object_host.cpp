#include "platform/component/object_host.h"

#include <dlfcn.h>

#include <QFile>
#include <QFileInfo>
#include <string>

#include "platform/component/class_server.h"
#include "platform/component/library_trust.h"
#include "platform/registry/value_read.h"

namespace platform {

namespace {

using GetClassObjectFn = int32_t (*)(const char*, const char*, void**);
using RegistrationFn = int32_t (*)();
using VersionFn = const char* (*)();

core::Fault cannotCreate(const QString& why) {
  return core::Fault{core::kCantCreateObject,
                     core::Fault::standardDescription(core::kCantCreateObject) + QStringLiteral(": ") + why,
                     QStringLiteral("createObject")};
}

// The default value of HKEY_CLASSES_ROOT\path, up to its first NUL, in
// `text`; the result of opening the key.
int32_t readClassesText(Registry& reg, const std::string& path, std::string* text) {
  text->clear();
  HKEY key = 0;
  if (int32_t rc = reg.RegOpenKeyExA(reg::kClassesRoot, path, 0, reg::kKeyRead, &key); rc != reg::kSuccess)
    return rc;
  ValueRead read = readValue(reg, key, "");
  if (read.result == reg::kSuccess && read.type == reg::kString) *text = std::move(read.data);
  reg.RegCloseKey(key);
  text->resize(std::min(text->find('\0'), text->size()));
  return reg::kSuccess;
}

// Results that say the store itself failed, not that a class is missing.
bool isStoreFailure(int32_t rc) {
  return rc == reg::kBadDb || rc == reg::kIoFailed || rc == reg::kBusy || rc == reg::kAccessDenied ||
         rc == reg::kDiskFull;
}

core::Fault storeFailure(int32_t rc, const QString& storeName) {
  const QString store = storeName.isEmpty() ? QStringLiteral("the settings store")
                                            : QStringLiteral("the settings store %1").arg(storeName);
  if (rc == reg::kDiskFull)
    return cannotCreate(QStringLiteral("the disk of %1 is full (registry error %2)").arg(store).arg(rc));
  return cannotCreate(QStringLiteral("cannot open %1 (registry error %2)").arg(store).arg(rc));
}

void (*afterLibraryChecked)() = nullptr;

// Loads exactly the path that was checked. Libraries stay loaded: code of
// theirs (Qt windows, static objects) may still be referenced after the last
// instance goes.
void* loadLibrary(const LibraryCheck& checked, QString* error) {
  if (afterLibraryChecked) afterLibraryChecked();
  void* handle = dlopen(QFile::encodeName(checked.canonicalPath).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) *error = QString::fromLocal8Bit(dlerror());
  return handle;
}

CreatedObject failed(core::Fault fault) {
  CreatedObject made;
  made.fault = std::move(fault);
  return made;
}

QString libraryVersion(void* lib) {
  auto version = reinterpret_cast<VersionFn>(dlsym(lib, "WwLibraryVersion"));
  const char* text = version ? version() : nullptr;
  return text ? QString::fromLatin1(text) : QString();
}

// Loads the library a registration names, as checked, and asks its class
// object for an instance; `made` already carries the registered path.
CreatedObject createFrom(const QString& progId, const std::string& clsid, const QString& expectedVersion,
                         const LibraryCheck& checked, CreatedObject made) {
  QString error;
  void* lib = loadLibrary(checked, &error);
  if (!lib) {
    made.fault = cannotCreate(error);
    return made;
  }
  made.libraryVersion = libraryVersion(lib);
  if (!expectedVersion.isEmpty() && !versionMatches(made.libraryVersion, expectedVersion)) {
    const QString found = made.libraryVersion.isEmpty() ? QStringLiteral("no version")
                                                        : QStringLiteral("version ") + made.libraryVersion;
    made.fault = cannotCreate(QStringLiteral("%1 is registered with %2, of %3, but version %4 is expected")
                                  .arg(progId, made.libraryPath, found, expectedVersion));
    return made;
  }
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(lib, "DllGetClassObject"));
  if (!getClassObject) {
    made.fault = cannotCreate(QStringLiteral("%1 has no class objects").arg(made.libraryPath));
    return made;
  }
  void* factory = nullptr;
  if (getClassObject(clsid.c_str(), kIidClassFactory, &factory) != kS_OK || !factory) {
    made.fault = cannotCreate(QStringLiteral("class %1 not available").arg(QString::fromStdString(clsid)));
    return made;
  }
  made.object.reset(static_cast<ClassFactory*>(factory)->CreateInstance());
  made.library = lib;
  if (!made.object) made.fault = cannotCreate(QStringLiteral("%1 failed to start").arg(progId));
  return made;
}

}  // namespace

bool versionMatches(const QString& version, const QString& expected) {
  return version == expected || version.startsWith(expected + QLatin1Char('.'));
}

CreatedObject createObject(const QString& progId, Registry& registry, const QString& storeName,
                           const QString& expectedVersion) {
  std::string clsid, path;
  int32_t rc = readClassesText(registry, progId.toLatin1().toStdString() + "\\CLSID", &clsid);
  if (isStoreFailure(rc)) return failed(storeFailure(rc, storeName));
  if (clsid.empty()) return failed(cannotCreate(QStringLiteral("%1 is not registered").arg(progId)));
  rc = readClassesText(registry, "CLSID\\" + clsid + "\\InprocServer32", &path);
  if (isStoreFailure(rc)) return failed(storeFailure(rc, storeName));
  if (path.empty())
    return failed(cannotCreate(QStringLiteral("no library registered for %1").arg(QString::fromStdString(clsid))));

  CreatedObject made;
  made.libraryPath = QString::fromLocal8Bit(path.c_str());
  const LibraryCheck checked = checkLibrary(made.libraryPath);
  if (!checked.trusted()) {
    made.fault = cannotCreate(
        QStringLiteral("%1 is not registered: its library %2; nothing was loaded").arg(progId, checked.refusal));
    return made;
  }
  return createFrom(progId, clsid, expectedVersion, checked, std::move(made));
}

core::Fault callRegistrationEntry(const QString& path, bool unregister, int32_t* resultCode) {
  // The library registers the path it was loaded from: absolute and
  // canonical, never one that depends on the current folder or a search.
  const QString library = QFileInfo(path).canonicalFilePath();
  if (library.isEmpty()) return cannotCreate(QStringLiteral("the library \"%1\" does not exist").arg(path));
  const LibraryCheck checked = checkLibrary(library);
  if (!checked.trusted()) return cannotCreate(QStringLiteral("the library %1; nothing was loaded").arg(checked.refusal));
  QString error;
  void* lib = loadLibrary(checked, &error);
  if (!lib) return cannotCreate(error);
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto fn = reinterpret_cast<RegistrationFn>(dlsym(lib, entry));
  if (!fn) return cannotCreate(QStringLiteral("%1 has no %2").arg(path, QLatin1String(entry)));
  int32_t rc = fn();
  if (resultCode) *resultCode = rc;
  return {};
}

void setAfterLibraryCheckedForTesting(void (*hook)()) { afterLibraryChecked = hook; }

core::Fault callByName(Dispatch& object, const QString& name, CallKind kind, std::vector<core::Value>& args,
                       core::Value& result) {
  int slot = object.slotOf(name, kind);
  if (slot == 0) return core::Fault::fromNumber(core::kMemberNotSupported);
  return object.invoke(slot, args, result);
}

}  // namespace platform
