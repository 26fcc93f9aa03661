#include "tools/wwreg/key_path.h"

#include <QStringList>

namespace wwreg {
namespace {

using platform::HKEY;
namespace reg = platform::reg;

struct Root {
  const char* name;
  const char* shortName;
  HKEY handle;
};
constexpr Root kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", reg::kClassesRoot},  {"HKEY_CURRENT_USER", "HKCU", reg::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", "HKLM", reg::kLocalMachine}, {"HKEY_USERS", "HKU", reg::kUsers},
    {"HKEY_PERFORMANCE_DATA", nullptr, reg::kPerformanceData}, {"HKEY_CURRENT_CONFIG", "HKCC", reg::kCurrentConfig},
    {"HKEY_DYN_DATA", nullptr, reg::kDynData},
};

}  // namespace

std::optional<KeyPath> parseKey(const QString& arg) {
  if (arg.startsWith(QLatin1String("\\\\"))) return std::nullopt;  // another machine's registry
  const QStringList parts = arg.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  if (parts.isEmpty()) return std::nullopt;
  for (const Root& r : kRoots) {
    if (parts[0].compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0 ||
        (r.shortName != nullptr && parts[0].compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0)) {
      return KeyPath{r.handle, QLatin1String(r.name), reg::dataFromText(parts.mid(1).join(QLatin1Char('\\')))};
    }
  }
  return std::nullopt;
}

}  // namespace wwreg
