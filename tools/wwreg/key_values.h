#pragma once
// What the tool reads of keys and writes to them: a key's values and
// subkeys read whole, a tree deleted, values shown as text and data given
// as text turned into the bytes of its type.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace wwreg {

struct Value {
  std::string name;
  uint32_t type = 0;
  std::string data;
};

// Whether two names are one, as the store compares them (without regard to case).
bool sameName(std::string_view a, std::string_view b);

// Appends the key's values (in their order) or subkey names; a store
// failure's code, else kSuccess.
int32_t readValues(platform::Registry& r, platform::HKEY key, std::vector<Value>& out);
int32_t readSubkeys(platform::Registry& r, platform::HKEY key, std::vector<std::string>& out);
// Deletes one key of the tree at `path` below `parent` that has no subkeys
// (the first one down its first branches); `gone` once the key at `path`
// itself is deleted or was never there. A large tree goes a key at a time, in bounded transactions
// (deleteTreeInSlices), so nobody waits for all of it.
int32_t deleteOneLeaf(platform::Registry& r, platform::HKEY parent, std::string_view path, bool& gone);
int32_t deleteTreeInSlices(platform::Registry& r, platform::HKEY parent, std::string_view path);

// "REG_SZ" and the others; REG_UNKNOWN_N for a type without a name.
QString typeName(uint32_t type);
// The type a name of typeName() stands for, in any letter case.
std::optional<uint32_t> typeNamed(const QString& name);
// One line of QUERY's listing: name, type and data.
QString valueLine(const Value& v);

// A number in decimal or 0x hex of at most `max`.
std::optional<uint64_t> parseNumber(const QString& text, uint64_t max);
// The bytes of `data` (as ADD's /d gives it) for `type`; nothing when the
// text does not make data of that type.
std::optional<std::string> encodeData(uint32_t type, const QString& data, const QString& separator);

}  // namespace wwreg
