#include "coravel/settings/registry_settings.h"

#include "platform/registry/registry_client.h"

namespace coravel {

using platform::HKEY;
namespace reg = platform::reg;

std::string toCodePage(const QString& text) { return reg::dataFromText(text); }

QString fromCodePage(const char* bytes, size_t size) { return reg::textFromData({bytes, size}); }

void RegistrySettings::savekey(HKEY hKey, const QString& strPath) {
  HKEY key = 0;
  if (reg::reportDropped(registry_, registry_.RegCreateKeyA(hKey, reg::nameFromText(strPath), &key)) == reg::kSuccess)
    registry_.RegCloseKey(key);
}

core::Value RegistrySettings::getstring(HKEY hKey, const QString& strPath, const QString& strValue) {
  HKEY key = 0;
  // The open is not checked: when it fails, the reads below fail on handle 0.
  registry_.RegOpenKeyA(hKey, reg::nameFromText(strPath), &key);
  reg::ScopedKey closer(registry_, key);
  const std::string name = reg::nameFromText(strValue);

  const platform::ValueRead read = platform::readValue(registry_, key, name);
  if (read.result != reg::kSuccess || read.type != reg::kString) return {};
  const size_t nul = read.data.find('\0');
  return fromCodePage(read.data.data(), nul == std::string::npos ? read.data.size() : nul);
}

core::Value RegistrySettings::getstringx(QString& strPath, const QString& strValue) {
  strPath = QLatin1String(kRavelinKey) + strPath;
  return getstring(reg::kCurrentUser, strPath, strValue);
}

core::Value RegistrySettings::getstringp(QString& strPath, const QString& strValue) {
  strPath = QLatin1String(kSettingsKey) + strPath;
  return getstring(reg::kCurrentUser, strPath, strValue);
}

void RegistrySettings::savestring(HKEY hKey, const QString& strPath, const QString& strValue,
                                  const QString& strdata) {
  HKEY key = 0;
  // A key that could not be made leaves handle 0, which the write refuses.
  if (reg::reportDropped(registry_, registry_.RegCreateKeyA(hKey, reg::nameFromText(strPath), &key)) == reg::kBusy)
    return;
  reg::ScopedKey closer(registry_, key);
  const std::string data = toCodePage(strdata);
  reg::reportDropped(registry_, registry_.RegSetValueExA(key, reg::nameFromText(strValue), 0, reg::kString,
                                                         reinterpret_cast<const uint8_t*>(data.data()),
                                                         uint32_t(data.size())));
}

int32_t RegistrySettings::getdword(HKEY hKey, const QString& strPath, const QString& strValueName) {
  HKEY key = 0;
  registry_.RegOpenKeyA(hKey, reg::nameFromText(strPath), &key);
  reg::ScopedKey closer(registry_, key);
  uint8_t bytes[4] = {0, 0, 0, 0};
  uint32_t type = 0, size = 4;
  if (registry_.RegQueryValueExA(key, reg::nameFromText(strValueName), nullptr, &type, bytes, &size) != reg::kSuccess ||
      type != reg::kDword)
    return 0;
  return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

void RegistrySettings::SaveDword(HKEY hKey, const QString& strPath, const QString& strValueName, int32_t lData) {
  HKEY key = 0;
  if (reg::reportDropped(registry_, registry_.RegCreateKeyA(hKey, reg::nameFromText(strPath), &key)) == reg::kBusy)
    return;
  reg::ScopedKey closer(registry_, key);
  const uint32_t u = uint32_t(lData);
  const uint8_t bytes[4] = {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
  reg::reportDropped(registry_, registry_.RegSetValueExA(key, reg::nameFromText(strValueName), 0, reg::kDword, bytes, 4));
}

void RegistrySettings::DeleteKey(HKEY hKey, const QString& strKey) {
  reg::reportDropped(registry_, registry_.RegDeleteKeyA(hKey, reg::nameFromText(strKey)));
}

void RegistrySettings::DeleteValue(HKEY hKey, const QString& strPath, const QString& strValue) {
  HKEY key = 0;
  registry_.RegOpenKeyA(hKey, reg::nameFromText(strPath), &key);
  reg::ScopedKey closer(registry_, key);
  reg::reportDropped(registry_, registry_.RegDeleteValueA(key, reg::nameFromText(strValue)));
}

}  // namespace coravel
