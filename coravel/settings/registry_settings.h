#pragma once
// The plain settings operations on the registry: a root (or open key) handle
// and a key path as separate arguments. The host reaches them through
// ZuzirarRegistry; the library's windows use them directly for the settings
// key. None reports a registry failure: reads give empty (or 0), writes are
// silent.
#include <QString>

#include "core/value.h"
#include "platform/registry/registry.h"

namespace coravel {

// The key below the current user's root that holds every setting of the library.
inline constexpr char kSettingsKey[] = "Software\\Vandr\\Registry";
// The second, read-only key that getstringx reads.
inline constexpr char kRavelinKey[] = "Software\\Ravelin\\Registry";

class RegistrySettings {
 public:
  explicit RegistrySettings(platform::Registry& registry) : registry_(registry) {}

  // Creates the key (and missing keys above it).
  void savekey(platform::HKEY hKey, const QString& strPath);
  // A string value: its text up to the first NUL, or empty when the key or
  // value is missing or the value is not a string.
  core::Value getstring(platform::HKEY hKey, const QString& strPath, const QString& strValue);
  // Prefix `strPath` (the caller's own variable) with the Ravelin key, no
  // separator inserted, then read as getstring below the current user's root.
  core::Value getstringx(QString& strPath, const QString& strValue);
  // Same with the settings key.
  core::Value getstringp(QString& strPath, const QString& strValue);
  // Stores `strdata` as a string value without a terminating NUL.
  void savestring(platform::HKEY hKey, const QString& strPath, const QString& strValue, const QString& strdata);
  // A 32-bit number value; 0 when missing or of another type.
  int32_t getdword(platform::HKEY hKey, const QString& strPath, const QString& strValueName);
  void SaveDword(platform::HKEY hKey, const QString& strPath, const QString& strValueName, int32_t lData);
  void DeleteKey(platform::HKEY hKey, const QString& strKey);
  void DeleteValue(platform::HKEY hKey, const QString& strPath, const QString& strValue);

  // The settings key below the current user's root, as the windows use it.
  core::Value readSetting(const QString& name) {
    return getstring(platform::reg::kCurrentUser, QLatin1String(kSettingsKey), name);
  }
  void writeSetting(const QString& name, const QString& text) {
    savestring(platform::reg::kCurrentUser, QLatin1String(kSettingsKey), name, text);
  }

 private:
  platform::Registry& registry_;
};

// Text to and from the registry's single-byte code page (code page 1252; a
// character outside it becomes "?").
std::string toCodePage(const QString& text);
QString fromCodePage(const char* bytes, size_t size);

}  // namespace coravel
