#include "platform/component/class_server.h"

#include <dlfcn.h>

#include <QFileInfo>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

#include "platform/registry/registry_client.h"

namespace platform {

namespace {

std::string latin1(const QString& s) { return reg::dataFromText(s); }

// Writes the key's default value as the platform's tools do: text and a NUL.
bool setDefaultText(Registry& reg, HKEY root, const std::string& path, const std::string& text) {
  HKEY key = 0;
  if (reg.RegCreateKeyA(root, path, &key) != reg::kSuccess) return false;
  int32_t rc = reg.RegSetValueExA(key, "", 0, reg::kString,
                                  reinterpret_cast<const uint8_t*>(text.c_str()), uint32_t(text.size() + 1));
  reg.RegCloseKey(key);
  return rc == reg::kSuccess;
}

std::string readDefaultText(Registry& reg, HKEY root, const std::string& path) {
  HKEY key = 0;
  if (reg.RegOpenKeyExA(root, path, 0, reg::kKeyRead, &key) != reg::kSuccess) return {};
  std::string text(1024, '\0');
  uint32_t type = 0, size = uint32_t(text.size());
  int32_t rc = reg.RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<uint8_t*>(text.data()), &size);
  reg.RegCloseKey(key);
  if (rc != reg::kSuccess || type != reg::kString) return {};
  text.resize(size);
  return text.substr(0, text.find('\0'));
}

// Deletes a key and the subkeys this layer writes below it, deepest first.
void deleteTree(Registry& reg, const std::string& path, std::initializer_list<const char*> subkeys) {
  for (const char* sub : subkeys) reg.RegDeleteKeyA(reg::kClassesRoot, path + "\\" + sub);
  reg.RegDeleteKeyA(reg::kClassesRoot, path);
}

}  // namespace

ClassServer::ClassServer(std::vector<ClassEntry> classes, const void* addressInLibrary)
    : classes_(std::move(classes)), address_(addressInLibrary) {
  factories_.reserve(classes_.size());
  for (const ClassEntry& e : classes_) factories_.emplace_back(&e);
}

Dispatch* ClassServer::Factory::CreateInstance() {
  try {
    return entry_->create();
  } catch (...) {
    return nullptr;
  }
}

int32_t ClassServer::getClassObject(const char* clsid, const char* iid, void** out) {
  if (!out || !clsid) return kE_POINTER;
  *out = nullptr;
  if (iid && std::strcmp(iid, kIidClassFactory) != 0) return kE_NOINTERFACE;
  for (size_t i = 0; i < classes_.size(); ++i) {
    if (QString::fromLatin1(clsid).compare(QLatin1String(classes_[i].clsid), Qt::CaseInsensitive) == 0) {
      *out = static_cast<ClassFactory*>(&factories_[i]);
      return kS_OK;
    }
  }
  return kClassNotAvailable;
}

int32_t ClassServer::canUnloadNow() const { return liveObjectCount() == 0 ? kS_OK : kS_FALSE; }

QString ClassServer::libraryPath() const {
  Dl_info info{};
  if (dladdr(address_, &info) == 0 || !info.dli_fname) return {};
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

int32_t ClassServer::registerServer(Registry& reg) const {
  const std::string path = latin1(libraryPath());
  if (path.empty()) return kSelfRegClass;
  for (const ClassEntry& e : classes_) {
    const std::string clsidKey = std::string("CLSID\\") + e.clsid;
    bool ok = setDefaultText(reg, reg::kClassesRoot, e.progId, e.description) &&
              setDefaultText(reg, reg::kClassesRoot, std::string(e.progId) + "\\CLSID", e.clsid) &&
              setDefaultText(reg, reg::kClassesRoot, clsidKey, e.description) &&
              setDefaultText(reg, reg::kClassesRoot, clsidKey + "\\InprocServer32", path) &&
              setDefaultText(reg, reg::kClassesRoot, clsidKey + "\\ProgID", e.progId);
    if (!ok) return kSelfRegClass;
  }
  return kS_OK;
}

int32_t ClassServer::unregisterServer(Registry& reg) const {
  for (const ClassEntry& e : classes_) {
    // Leave a ProgID alone that another library has taken over meanwhile.
    std::string registered = readDefaultText(reg, reg::kClassesRoot, std::string(e.progId) + "\\CLSID");
    if (registered.empty() || QString::fromStdString(registered).compare(
                                  QLatin1String(e.clsid), Qt::CaseInsensitive) == 0)
      deleteTree(reg, e.progId, {"CLSID"});
    deleteTree(reg, std::string("CLSID\\") + e.clsid, {"InprocServer32", "ProgID"});
  }
  return kS_OK;
}

}  // namespace platform
