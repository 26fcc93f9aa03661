#include "tools/wwreg/key_values.h"

#include <QStringList>
#include <algorithm>

#include "platform/registry/registry_client.h"
#include "platform/registry/sliced_writes.h"

namespace wwreg {
namespace {

using platform::HKEY;
using platform::Registry;
namespace reg = platform::reg;

struct TypeName {
  const char* name;
  uint32_t type;
};
constexpr TypeName kTypes[] = {
    {"REG_NONE", 0},      {"REG_SZ", 1},         {"REG_EXPAND_SZ", 2},
    {"REG_BINARY", 3},    {"REG_DWORD", 4},      {"REG_DWORD_BIG_ENDIAN", 5},
    {"REG_LINK", 6},      {"REG_MULTI_SZ", 7},   {"REG_RESOURCE_LIST", 8},
    {"REG_FULL_RESOURCE_DESCRIPTOR", 9}, {"REG_RESOURCE_REQUIREMENTS_LIST", 10}, {"REG_QWORD", 11},
};

std::string toBytes(const QString& s) { return reg::dataFromText(s); }  // characters without a byte become '?'
QString fromBytes(std::string_view b) { return reg::textFromData(b); }

QString hexBytes(std::string_view data) {
  QString out;
  for (char c : data) out += QStringLiteral("%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0')).toUpper();
  return out;
}

uint64_t littleEndian(std::string_view data) {
  uint64_t n = 0;
  for (size_t i = data.size(); i-- > 0;) n = (n << 8) | uchar(data[i]);
  return n;
}

QString dataText(const Value& v) {
  switch (v.type) {
    case reg::kString:
    case reg::kExpandString:
      return fromBytes(std::string_view(v.data).substr(0, v.data.find('\0')));
    case reg::kMultiString: {
      QStringList parts = fromBytes(v.data).split(QChar(0));
      while (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
      return parts.join(QStringLiteral("\\0"));
    }
    case reg::kDword:
      if (v.data.size() == 4) return QStringLiteral("0x%1").arg(littleEndian(v.data), 0, 16);
      break;
    case reg::kQword:
      if (v.data.size() == 8) return QStringLiteral("0x%1").arg(littleEndian(v.data), 0, 16);
      break;
  }
  return hexBytes(v.data);
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return reg::foldCase(x) == reg::foldCase(y); });
}

int32_t readValues(Registry& r, HKEY key, std::vector<Value>& out) {
  std::string name(256, '\0'), data(1024, '\0');
  for (uint32_t i = 0;; ++i) {
    for (;;) {
      auto nameSize = static_cast<uint32_t>(name.size());
      auto dataSize = static_cast<uint32_t>(data.size());
      uint32_t type = 0;
      const int32_t rc = r.RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type,
                                         reinterpret_cast<uint8_t*>(data.data()), &dataSize);
      if (rc == reg::kNoMoreItems) return reg::kSuccess;
      if (rc == reg::kMoreData) {
        name.resize(std::max<size_t>(nameSize, name.size() * 2));
        data.resize(std::max<size_t>(dataSize + 1, data.size() * 2));
        continue;
      }
      if (rc != reg::kSuccess) return rc;
      out.push_back(Value{name.substr(0, nameSize), type, data.substr(0, dataSize)});
      break;
    }
  }
}

int32_t readSubkeys(Registry& r, HKEY key, std::vector<std::string>& out) {
  std::string name(256, '\0');
  for (uint32_t i = 0;; ++i) {
    auto size = static_cast<uint32_t>(name.size());
    const int32_t rc = r.RegEnumKeyExA(key, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == reg::kNoMoreItems) return reg::kSuccess;
    if (rc == reg::kMoreData) {
      name.resize(std::max<size_t>(size, name.size() * 2));
      --i;
      continue;
    }
    if (rc != reg::kSuccess) return rc;
    out.push_back(name.substr(0, size));
  }
}

int32_t deleteOneLeaf(Registry& r, HKEY parent, std::string_view path, bool& gone) {
  gone = false;
  HKEY key = 0;
  int32_t rc = r.RegOpenKeyExA(parent, path, 0, reg::kKeyAllAccess, &key);
  if (rc == reg::kFileNotFound) gone = true;
  if (rc != reg::kSuccess) return rc == reg::kFileNotFound ? reg::kSuccess : rc;
  bool top = true;
  std::string name(256, '\0');  // key names are at most 255 bytes
  for (;;) {
    auto size = static_cast<uint32_t>(name.size());
    rc = r.RegEnumKeyExA(key, 0, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != reg::kSuccess) break;
    HKEY sub = 0;
    rc = r.RegOpenKeyExA(key, std::string_view(name.data(), size), 0, reg::kKeyAllAccess, &sub);
    r.RegCloseKey(key);
    if (rc != reg::kSuccess) return rc;
    key = sub;
    top = false;
  }
  if (rc == reg::kNoMoreItems) rc = r.RegDeleteKeyA(key, "");
  r.RegCloseKey(key);
  gone = rc == reg::kSuccess && top;
  return rc;
}

int32_t deleteTreeInSlices(Registry& r, HKEY parent, std::string_view path) {
  return platform::runSliced(r, [&](bool& finished) { return deleteOneLeaf(r, parent, path, finished); });
}

QString typeName(uint32_t type) {
  for (const TypeName& t : kTypes)
    if (t.type == type) return QLatin1String(t.name);
  return QStringLiteral("REG_UNKNOWN_%1").arg(type);
}

std::optional<uint32_t> typeNamed(const QString& name) {
  const QString upper = name.toUpper();
  for (const TypeName& t : kTypes)
    if (upper == QLatin1String(t.name)) return t.type;
  return std::nullopt;
}

QString valueLine(const Value& v) {
  const QString name = v.name.empty() ? QStringLiteral("(Default)") : fromBytes(v.name);
  return QStringLiteral("    %1    %2    %3").arg(name, typeName(v.type), dataText(v));
}

std::optional<uint64_t> parseNumber(const QString& text, uint64_t max) {
  bool ok = false;
  const QString t = text.trimmed();
  const uint64_t n = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toULongLong(&ok, 16)
                                                                             : t.toULongLong(&ok, 10);
  if (!ok || n > max) return std::nullopt;
  return n;
}

std::optional<std::string> encodeData(uint32_t type, const QString& data, const QString& separator) {
  switch (type) {
    case reg::kString:
    case reg::kExpandString:
      // As the platform's tool stores strings: with their terminating NUL.
      return toBytes(data) + '\0';
    case reg::kMultiString: {
      std::string out;
      if (!data.isEmpty()) {
        for (const QString& part : data.split(separator)) out += toBytes(part) + '\0';
      }
      return out + '\0';
    }
    case reg::kDword:
    case reg::kQword: {
      const size_t width = type == reg::kDword ? 4 : 8;
      const auto n = parseNumber(data, width == 4 ? 0xFFFFFFFFull : ~0ull);
      if (!n) return std::nullopt;
      std::string out;
      for (size_t i = 0; i < width; ++i) out.push_back(static_cast<char>((*n >> (8 * i)) & 0xFF));
      return out;
    }
    default: {  // hex digits
      if (data.size() % 2 != 0) return std::nullopt;
      std::string out;
      for (qsizetype i = 0; i < data.size(); i += 2) {
        bool ok = false;
        const uint byte = data.mid(i, 2).toUInt(&ok, 16);
        if (!ok) return std::nullopt;
        out.push_back(static_cast<char>(byte));
      }
      return out;
    }
  }
}

}  // namespace wwreg
