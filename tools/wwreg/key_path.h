#pragma once
// A key named on the command line: its root by long or short name
// ("HKEY_CURRENT_USER", "HKCU") and the path below it.
#include <QString>
#include <optional>
#include <string>

#include "platform/registry/registry_client.h"

namespace wwreg {

struct KeyPath {
  platform::HKEY root = 0;
  QString rootName;
  std::string path;  // below the root, components joined by single backslashes
  QString display() const {
    return path.empty() ? rootName : rootName + QLatin1Char('\\') + platform::reg::textFromData(path);
  }
};

// Nothing for another machine's registry (a name starting with two
// backslashes), and for a name without a known root.
std::optional<KeyPath> parseKey(const QString& arg);

}  // namespace wwreg
