#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry/registry_test_support.h"

namespace platform::test {
namespace {

using namespace std::string_literals;

// ---- result codes ----------------------------------------------------------------------

TEST_P(RegistryCallsTest, BadParametersGive87) {
  HKEY k = create(registry, kHKCU, "Software\\Params");
  ASSERT_REG_OK(setBytes(registry, k, "v", reg::kString, "x"));
  uint8_t buf[8];
  uint32_t reserved = 0;
  EXPECT_REG(registry.RegOpenKeyExA(kHKCU, "Software", 0, reg::kKeyRead, nullptr), reg::kInvalidParameter);
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software", nullptr), reg::kInvalidParameter);
  EXPECT_REG(registry.RegCreateKeyA(kHKCU, "Software", nullptr), reg::kInvalidParameter);
  EXPECT_REG(registry.RegQueryValueExA(k, "v", nullptr, nullptr, buf, nullptr), reg::kInvalidParameter);
  EXPECT_REG(registry.RegQueryValueExA(k, "v", &reserved, nullptr, nullptr, nullptr), reg::kInvalidParameter);
  EXPECT_REG(registry.RegSetValueExA(k, "v", 0, reg::kString, nullptr, 3), reg::kInvalidParameter);
  EXPECT_EQ(readBytes(registry, k, "v"), "x");  // unchanged by the refused set
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, MissingKeysAndValuesGive2) {
  HKEY k = 0;
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software\\Nowhere", &k), reg::kFileNotFound);
  EXPECT_EQ(k, 0u);
  EXPECT_REG(registry.RegOpenKeyExA(kHKCU, "Software\\Nowhere", 0, reg::kKeyRead, &k), reg::kFileNotFound);
  EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "Software\\Nowhere"), reg::kFileNotFound);
  k = create(registry, kHKCU, "Software\\Somewhere");
  EXPECT_EQ(readBytes(registry, k, "missing"), failed(reg::kFileNotFound));
  EXPECT_REG(registry.RegDeleteValueA(k, "missing"), reg::kFileNotFound);
  ASSERT_REG_OK(setBytes(registry, k, "here", reg::kString, "x"));
  EXPECT_REG_OK(registry.RegDeleteValueA(k, "HERE"));
  EXPECT_EQ(readBytes(registry, k, "here"), failed(reg::kFileNotFound));
  EXPECT_REG(registry.RegDeleteValueA(k, "here"), reg::kFileNotFound);
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, HandleRules) {
  HKEY a = create(registry, kHKCU, "Software\\Handles");
  HKEY b = 0, c = 0;
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Handles", 0, reg::kKeyRead, &b));
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "Software\\Handles", &c));
  for (HKEY h : {a, b, c}) {
    EXPECT_NE(h, 0u);
    EXPECT_FALSE(reg::isRoot(h));
  }
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);

  // An empty path: RegOpenKeyA and RegCreateKeyA give the same handle back,
  // RegOpenKeyExA a new one.
  HKEY same = 0;
  EXPECT_REG_OK(registry.RegOpenKeyA(a, "", &same));
  EXPECT_EQ(same, a);
  EXPECT_REG_OK(registry.RegCreateKeyA(a, "", &same));
  EXPECT_EQ(same, a);
  EXPECT_REG_OK(registry.RegOpenKeyA(kHKCU, "", &same));
  EXPECT_EQ(same, kHKCU);
  HKEY fresh = 0;
  EXPECT_REG_OK(registry.RegOpenKeyExA(a, "", 0, reg::kKeyRead, &fresh));
  EXPECT_NE(fresh, a);
  ASSERT_REG_OK(setBytes(registry, a, "v", reg::kString, "seen"));
  EXPECT_EQ(readBytes(registry, fresh, "v"), "seen");

  // Closing: roots always succeed; a handle once; 0 and unknown numbers never.
  EXPECT_REG_OK(registry.RegCloseKey(kHKCU));
  EXPECT_REG_OK(registry.RegCloseKey(fresh));
  EXPECT_REG(registry.RegCloseKey(fresh), reg::kInvalidHandle);
  EXPECT_REG(registry.RegCloseKey(0), reg::kInvalidHandle);
  EXPECT_REG(registry.RegCloseKey(0x7654321), reg::kInvalidHandle);

  // A closed, zero, unknown or out-of-range handle, or one a store of the
  // other kind has open, is refused by every call (but for no handle with
  // no subkey, which opens nothing).
  std::unique_ptr<Registry> otherKind = std::make_unique<MemoryRegistry>();
  if (GetParam() == StoreKind::kMemory) otherKind = std::make_unique<SqliteRegistry>(dir.filePath("other.sqlite3"));
  const HKEY foreign = create(*otherKind, kHKCU, "Software\\Other");
  for (HKEY bad : {fresh, HKEY(0), HKEY(0x7654321), HKEY(reg::kDynData + 1), foreign}) {
    HKEY out = 1;
    uint32_t size = 0;
    EXPECT_REG(registry.RegOpenKeyExA(bad, "x", 0, reg::kKeyRead, &out), reg::kInvalidHandle);
    EXPECT_EQ(out, 1u);
    EXPECT_REG(registry.RegOpenKeyA(bad, "", &out), bad == 0 ? reg::kSuccess : reg::kInvalidHandle);
    EXPECT_REG(registry.RegCreateKeyA(bad, "x", &out), reg::kInvalidHandle);
    EXPECT_REG(registry.RegQueryValueExA(bad, "v", nullptr, nullptr, nullptr, &size), reg::kInvalidHandle);
    EXPECT_REG(setBytes(registry, bad, "v", reg::kString, "x"), reg::kInvalidHandle);
    EXPECT_REG(registry.RegDeleteValueA(bad, "v"), reg::kInvalidHandle);
    EXPECT_REG(registry.RegDeleteKeyA(bad, "x"), reg::kInvalidHandle);
  }
  for (HKEY h : {a, b, c}) EXPECT_REG_OK(registry.RegCloseKey(h));
}

// Where the calls answer as the platform's do, each with the result, the
// caller's result variable, size, type and bytes it leaves behind.
TEST_P(RegistryCallsTest, CallsLeaveTheirArgumentsAsThePlatformDoes) {
  HKEY k = create(registry, kHKCU, "Software\\Platform");
  ASSERT_REG_OK(setBytes(registry, k, "LongName", reg::kBinary, "abc"));
  ASSERT_REG_OK(setBytes(registry, k, "n", reg::kString, "longer data"));
  registry.RegCloseKey(k);
  HKEY readOnly = 0;
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Platform", 0, reg::kKeyRead, &readOnly));
  constexpr uint32_t kUntouched = 0xDEAD;
  struct Outcome {
    // 0xDEAD: kUntouched, which a local class's defaults cannot name.
    Outcome(int32_t r, HKEY h = 0xDEAD, uint32_t s = 0xDEAD, uint32_t t = 0xDEAD, std::string b = {})
        : rc(r), handle(h), size(s), type(t), bytes(std::move(b)) {}
    int32_t rc;
    HKEY handle;
    uint32_t size;
    uint32_t type;
    std::string bytes;  // the name or data buffer's start, as the row reads it

    bool operator==(const Outcome&) const = default;
  };
  auto enumValue = [&](uint32_t nameRoom, uint32_t dataRoom) {
    char name[16] = "##############";
    uint8_t data[16];
    std::memset(data, '#', sizeof data);
    uint32_t nameSize = nameRoom, dataSize = dataRoom, type = kUntouched;
    const int32_t rc = registry.RegEnumValueA(readOnly, 0, name, &nameSize, nullptr, &type, data, &dataSize);
    return Outcome{rc, nameSize, dataSize, type,
                   std::string(name, 3) + "|" + std::string(reinterpret_cast<char*>(data), 4)};
  };
  auto query = [&](const char* name, bool buffer) {
    uint8_t data[16];
    std::memset(data, '#', sizeof data);
    uint32_t size = buffer ? sizeof data : kUntouched, type = kUntouched;
    const int32_t rc = registry.RegQueryValueExA(readOnly, name, nullptr, &type, buffer ? data : nullptr, &size);
    return Outcome{rc, kUntouched, size, type, std::string(reinterpret_cast<char*>(data), buffer ? 4 : 0)};
  };
  struct Row {
    const char* what;
    std::function<Outcome()> call;
    Outcome want;
  } rows[] = {
      {"enum value, name too small, data fits: name size kept, type and data written",
       [&] { return enumValue(4, 8); }, {reg::kMoreData, 4, 3, reg::kBinary, "###|abc#"}},
      {"enum value, both too small: name size kept, data size needed",
       [&] { return enumValue(4, 2); }, {reg::kMoreData, 4, 3, reg::kBinary, "###|####"}},
      {"enum value, only the data too small", [&] { return enumValue(16, 2); },
       {reg::kMoreData, 16, 3, reg::kBinary, "###|####"}},
      {"query of a missing value without a buffer: size 0", [&] { return query("Missing", false); },
       {reg::kFileNotFound, kUntouched, 0, kUntouched, ""}},
      {"query of a missing value with a buffer: size kept", [&] { return query("Missing", true); },
       {reg::kFileNotFound, kUntouched, 16, kUntouched, "####"}},
      {"one variable for type and size: read as size, written as type",
       [&] {
         uint8_t data[16] = {};
         uint32_t both = sizeof data;
         const int32_t rc = registry.RegQueryValueExA(readOnly, "LongName", nullptr, &both, data, &both);
         return Outcome{rc, kUntouched, both, kUntouched, std::string(reinterpret_cast<char*>(data), 3)};
       },
       {reg::kSuccess, kUntouched, reg::kBinary, kUntouched, "abc"}},
      {"RegOpenKeyA without a handle or subkey: success, no handle",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyA(0, "", &out), out};
       },
       {reg::kSuccess, 0}},
      {"RegOpenKeyA without a handle, with a subkey: 6, variable kept",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyA(0, "Software", &out), out};
       },
       {reg::kInvalidHandle, kUntouched}},
      {"RegOpenKeyExA on an invalid handle: 6, variable kept",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyExA(0x7654321, "Software", 0, reg::kKeyRead, &out), out};
       },
       {reg::kInvalidHandle, kUntouched}},
      {"RegOpenKeyExA of a root with no subkey: the root itself, closed for nothing",
       [&] {
         HKEY out = kUntouched;
         const int32_t rc = registry.RegOpenKeyExA(reg::kClassesRoot, "", 0, reg::kKeyRead, &out);
         return Outcome{rc == reg::kSuccess ? registry.RegCloseKey(out) : rc, out};
       },
       {reg::kSuccess, reg::kClassesRoot}},
      {"RegCreateKeyA below a handle open for reading, new then existing",
       [&] {
         HKEY first = 0, again = 0;
         const int32_t rc = registry.RegCreateKeyA(readOnly, "Made", &first);
         registry.RegCloseKey(first);
         const int32_t rc2 = registry.RegCreateKeyA(readOnly, "Made", &again);
         registry.RegCloseKey(again);
         return Outcome{rc == reg::kSuccess ? rc2 : rc};
       },
       {reg::kSuccess}},
  };
  for (const Row& row : rows) {
    const Outcome got = row.call();
    EXPECT_TRUE(got == row.want) << row.what << ": " << codeName(got.rc) << " handle " << got.handle << " size "
                                 << got.size << " type " << got.type << " bytes \"" << got.bytes << "\"";
  }
  registry.RegCloseKey(readOnly);
}

TEST_P(RegistryCallsTest, AccessIsWhatTheOpenGranted) {
  HKEY full = create(registry, kHKCU, "Software\\Access");
  ASSERT_REG_OK(setBytes(registry, full, "v", reg::kString, "x"));
  registry.RegCloseKey(create(registry, full, "Existing"));

  HKEY readOnly = 0, writeOnly = 0, nothing = 0, maximum = 0;
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kKeyRead, &readOnly));
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kKeyWrite, &writeOnly));
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, 0, &nothing));
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kMaximumAllowed, &maximum));

  // Read access: reads and enumeration, no writes; new subkeys, whose own
  // rights are what count.
  EXPECT_EQ(readBytes(registry, readOnly, "v"), "x");
  EXPECT_REG(setBytes(registry, readOnly, "v", reg::kString, "y"), reg::kAccessDenied);
  EXPECT_REG(registry.RegDeleteValueA(readOnly, "v"), reg::kAccessDenied);
  EXPECT_EQ(subkeys(registry, readOnly), std::vector<std::string>{"Existing"});
  EXPECT_REG_OK(createAt(registry, readOnly, "Existing").rc);
  EXPECT_REG_OK(createAt(registry, readOnly, "New").rc);

  // Write access: writes, no reads.
  EXPECT_REG_OK(setBytes(registry, writeOnly, "w", reg::kString, "1"));
  uint32_t size = 0;
  EXPECT_REG(registry.RegQueryValueExA(writeOnly, "w", nullptr, nullptr, nullptr, &size), reg::kAccessDenied);
  char name[16];
  uint32_t nameSize = sizeof name;
  EXPECT_REG(registry.RegEnumKeyExA(writeOnly, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
             reg::kAccessDenied);

  // No access: nothing on the key itself, but opening below it works.
  EXPECT_REG(registry.RegQueryValueExA(nothing, "v", nullptr, nullptr, nullptr, &size), reg::kAccessDenied);
  EXPECT_REG(setBytes(registry, nothing, "v", reg::kString, "z"), reg::kAccessDenied);
  EXPECT_REG_OK(openAt(registry, nothing, "Existing").rc);

  EXPECT_REG_OK(setBytes(registry, maximum, "v", reg::kString, "m"));
  EXPECT_EQ(readBytes(registry, maximum, "v"), "m");
  for (HKEY h : {full, readOnly, writeOnly, nothing, maximum}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, KeyWithSubkeysIsNotDeletedUntilTheyGo) {
  HKEY parent = create(registry, kHKCU, "Software\\Parent");
  HKEY child = create(registry, parent, "Child");
  ASSERT_REG_OK(setBytes(registry, parent, "v", reg::kString, "kept"));
  EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "Software\\Parent"), reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, parent, "v"), "kept");
  EXPECT_REG_OK(registry.RegDeleteKeyA(parent, "CHILD"));
  EXPECT_REG_OK(registry.RegDeleteKeyA(kHKCU, "Software\\Parent"));
  HKEY out = 0;
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software\\Parent", &out), reg::kFileNotFound);
  // Its values went with it: a key made again at the path is empty.
  HKEY again = create(registry, kHKCU, "Software\\Parent");
  EXPECT_EQ(readBytes(registry, again, "v"), failed(reg::kFileNotFound));
  EXPECT_TRUE(valueNames(registry, again).empty());
  for (HKEY h : {parent, child, again}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, RootsCannotBeDeleted) {
  registry.RegCloseKey(create(registry, kHKCU, "Software"));
  HKEY rootAgain = 0;
  ASSERT_REG_OK(registry.RegOpenKeyExA(kHKCU, "", 0, reg::kKeyAllAccess, &rootAgain));
  EXPECT_REG(registry.RegDeleteKeyA(reg::kLocalMachine, ""), reg::kAccessDenied);
  EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "\\"), reg::kAccessDenied);
  EXPECT_REG(registry.RegDeleteKeyA(rootAgain, ""), reg::kAccessDenied);
  registry.RegCloseKey(rootAgain);
}

TEST_P(RegistryCallsTest, HandlesOfADeletedKeyGive1018) {
  HKEY doomed = create(registry, kHKCU, "Software\\Doomed");
  ASSERT_REG_OK(setBytes(registry, doomed, "v", reg::kString, "x"));
  EXPECT_EQ(readBytes(registry, doomed, "v"), "x");
  HKEY other = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "Software\\Doomed", &other));
  ASSERT_REG_OK(registry.RegDeleteKeyA(other, ""));  // an empty path deletes the key itself

  HKEY out = 0;
  uint32_t size = 0;
  char name[16];
  uint32_t nameSize = sizeof name;
  EXPECT_REG(registry.RegQueryValueExA(doomed, "v", nullptr, nullptr, nullptr, &size), reg::kKeyDeleted);
  EXPECT_REG(setBytes(registry, doomed, "v", reg::kString, "y"), reg::kKeyDeleted);
  EXPECT_REG(registry.RegDeleteValueA(doomed, "v"), reg::kKeyDeleted);
  EXPECT_REG(registry.RegOpenKeyA(doomed, "Sub", &out), reg::kKeyDeleted);
  EXPECT_REG(registry.RegCreateKeyA(doomed, "Sub", &out), reg::kKeyDeleted);
  EXPECT_REG(registry.RegDeleteKeyA(doomed, ""), reg::kKeyDeleted);
  EXPECT_REG(registry.RegEnumKeyExA(doomed, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
             reg::kKeyDeleted);
  // A new key at the same path is another key: old handles stay dead.
  HKEY reborn = create(registry, kHKCU, "Software\\Doomed");
  EXPECT_REG(registry.RegQueryValueExA(doomed, "v", nullptr, nullptr, nullptr, &size), reg::kKeyDeleted);
  EXPECT_EQ(readBytes(registry, reborn, "v"), failed(reg::kFileNotFound));
  EXPECT_REG_OK(registry.RegCloseKey(doomed));  // closing still works
  EXPECT_REG_OK(registry.RegCloseKey(other));
  registry.RegCloseKey(reborn);
}

TEST_P(RegistryCallsTest, EnumerationOrderAndBufferSizes) {
  HKEY k = create(registry, kHKCU, "Software\\Enum");
  for (const char* name : {"beta", "Alpha", "GAMMA"}) registry.RegCloseKey(create(registry, k, name));
  for (const char* name : {"zulu", "alpha", "Mike"}) ASSERT_REG_OK(setBytes(registry, k, name, 1, name));
  EXPECT_EQ(subkeys(registry, k), (std::vector<std::string>{"Alpha", "beta", "GAMMA"}));
  EXPECT_EQ(valueNames(registry, k), (std::vector<std::string>{"zulu", "alpha", "Mike"}));

  char name[8];
  uint32_t nameSize = 5;  // "Alpha" needs 6 with its NUL
  EXPECT_REG(registry.RegEnumKeyExA(k, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), reg::kMoreData);
  EXPECT_EQ(nameSize, 6u);
  nameSize = 6;
  EXPECT_REG_OK(registry.RegEnumKeyExA(k, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::string(name, nameSize), "Alpha");
  EXPECT_REG(registry.RegEnumKeyExA(k, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), reg::kNoMoreItems);

  uint8_t data[8];
  uint32_t type = 0, dataSize = 3;
  nameSize = sizeof name;
  EXPECT_REG(registry.RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, data, &dataSize), reg::kMoreData);
  EXPECT_EQ(dataSize, 4u);
  dataSize = sizeof data;
  nameSize = sizeof name;
  EXPECT_REG_OK(registry.RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, data, &dataSize));
  EXPECT_EQ(std::string(name, nameSize), "zulu");
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataSize + 1), "zulu\0"s);
  EXPECT_REG(registry.RegEnumValueA(k, 3, name, &nameSize, nullptr, &type, data, &dataSize), reg::kNoMoreItems);
  registry.RegCloseKey(k);
}

// ---- limits, enumeration positions, atomic runs -------------------------------------------

TEST_P(RegistryCallsTest, NamesPastThePlatformLimitsGive87AndChangeNothing) {
  HKEY deep = create(registry, kHKCU, pathOfDepth(500));
  ASSERT_NE(deep, 0u);
  HKEY k = create(registry, kHKCU, "Software");
  const std::string longName(256, 'n'), longValue(16384, 'v');
  const struct {
    const char* what;
    std::function<int32_t(HKEY&)> call;
  } refused[] = {
      {"key name of 256", [&](HKEY& out) { return registry.RegCreateKeyA(k, longName, &out); }},
      {"513 keys deep", [&](HKEY& out) { return registry.RegCreateKeyA(kHKCU, pathOfDepth(513), &out); }},
      {"513 keys deep below a handle", [&](HKEY& out) { return registry.RegCreateKeyA(deep, pathOfDepth(13), &out); }},
      {"10,000 keys deep", [&](HKEY& out) { return registry.RegCreateKeyA(kHKCU, pathOfDepth(10000, "x"), &out); }},
      {"NUL in a key name", [&](HKEY& out) { return registry.RegCreateKeyA(k, "a\0b"s, &out); }},
      {"open a key name of 256", [&](HKEY& out) { return registry.RegOpenKeyA(k, longName, &out); }},
      {"delete a key name of 256", [&](HKEY&) { return registry.RegDeleteKeyA(k, longName); }},
      {"value name of 16384", [&](HKEY&) { return setBytes(registry, k, longValue, reg::kString, "x"); }},
      {"query a value name of 16384",
       [&](HKEY&) { return registry.RegQueryValueExA(k, longValue, nullptr, nullptr, nullptr, nullptr); }},
      {"delete a value name of 16384", [&](HKEY&) { return registry.RegDeleteValueA(k, longValue); }},
      {"NUL in a value name", [&](HKEY&) { return setBytes(registry, k, "a\0b"s, reg::kString, "x"); }},
  };
  const int64_t pagesBefore = storedPages();
  for (const auto& c : refused) {
    HKEY out = 0;
    EXPECT_REG(c.call(out), reg::kInvalidParameter) << c.what;
    EXPECT_EQ(out, 0u) << c.what;
  }
  EXPECT_EQ(subkeys(registry, k), std::vector<std::string>{});
  EXPECT_EQ(valueNames(registry, k), std::vector<std::string>{});
  EXPECT_EQ(subkeys(registry, kHKCU), (std::vector<std::string>{"k", "Software"}));
  EXPECT_EQ(storedPages(), pagesBefore);

  // At the limits themselves, all is well.
  EXPECT_REG_OK(createAt(registry, k, std::string(255, 'n')).rc);
  EXPECT_REG_OK(createAt(registry, deep, pathOfDepth(12)).rc);
  EXPECT_REG_OK(setBytes(registry, k, std::string(16383, 'v'), reg::kString, "x"));
  registry.RegCloseKey(k);
  registry.RegCloseKey(deep);
}

// Consecutive indexes follow on from the last item returned (enumeration is
// linear), but only while the store is unchanged: an index always means the
// item at that place in the store as it is now.
TEST_P(RegistryCallsTest, AnIndexCountsFromTheFirstItemOfTheStoreAsItIsNow) {
  Registry& other = another();
  HKEY k = create(registry, kHKCU, "Software\\List");
  for (const char* name : {"a", "b", "c", "d"}) {
    registry.RegCloseKey(create(registry, k, name));
    ASSERT_REG_OK(setBytes(registry, k, name, reg::kString, name));
  }
  auto subkeyAt = [&](uint32_t index) { return nameAt(registry, k, Items::kSubkeys, index); };
  auto valueAt = [&](uint32_t index) { return nameAt(registry, k, Items::kValues, index); };
  EXPECT_EQ(subkeyAt(0), "a");
  EXPECT_EQ(valueAt(0), "a");
  EXPECT_EQ(subkeyAt(1), "b");
  EXPECT_EQ(valueAt(1), "b");
  // Another user removes the first items: every later index moves down.
  HKEY list = 0;
  ASSERT_REG_OK(other.RegOpenKeyA(kHKCU, "Software\\List", &list));
  ASSERT_REG_OK(other.RegDeleteKeyA(list, "a"));
  ASSERT_REG_OK(other.RegDeleteValueA(list, "a"));
  other.RegCloseKey(list);
  EXPECT_EQ(subkeyAt(2), "d");
  EXPECT_EQ(valueAt(1), "c");
  // So do this connection's own changes: a key added in front, a value removed.
  registry.RegCloseKey(create(registry, k, "0"));
  ASSERT_REG_OK(registry.RegDeleteValueA(k, "b"));
  EXPECT_EQ(subkeyAt(3), "d");
  EXPECT_EQ(valueAt(2), failed(reg::kNoMoreItems));
  EXPECT_EQ(subkeyAt(0), "0");
  EXPECT_EQ(subkeyAt(4), failed(reg::kNoMoreItems));
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, AnAtomicRunLandsWhollyOrNotAtAll) {
  Registry& other = another();
  HKEY k = create(registry, kHKCU, "Software\\Atomic");
  registry.RegCloseKey(create(registry, k, "Sub\\Child"));
  auto writeAll = [&](int32_t result) {
    return registry.runAtomically([&] {
      HKEY created = 0;
      if (registry.RegCreateKeyA(k, "New", &created) != reg::kSuccess) return int32_t(-1);
      registry.RegCloseKey(created);
      if (setBytes(registry, k, "one", reg::kString, "1") != reg::kSuccess) return int32_t(-1);
      // A call that fails inside the run undoes only itself.
      if (registry.RegDeleteKeyA(k, "Sub") != reg::kAccessDenied) return int32_t(-1);
      if (registry.RegDeleteKeyA(k, "Sub\\Child") != reg::kSuccess) return int32_t(-1);
      return result;
    });
  };
  HKEY seen = 0;
  EXPECT_REG(writeAll(reg::kDiskFull), reg::kDiskFull);
  EXPECT_EQ(readBytes(other, kHKCU, "one"), failed(reg::kFileNotFound));
  ASSERT_REG_OK(other.RegOpenKeyA(kHKCU, "Software\\Atomic", &seen));
  EXPECT_EQ(subkeys(other, seen), std::vector<std::string>{"Sub"});
  EXPECT_EQ(readBytes(other, seen, "one"), failed(reg::kFileNotFound));
  EXPECT_EQ(readBytes(registry, k, "one"), failed(reg::kFileNotFound));

  EXPECT_REG_OK(writeAll(reg::kSuccess));
  EXPECT_EQ(subkeys(other, seen), (std::vector<std::string>{"New", "Sub"}));
  EXPECT_EQ(readBytes(other, seen, "one"), "1");
  HKEY child = 0;
  EXPECT_REG(other.RegOpenKeyA(seen, "Sub\\Child", &child), reg::kFileNotFound);
  other.RegCloseKey(seen);
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, AnAtomicReadSeesOneMomentAndRefusesWrites) {
  Registry& other = another();
  HKEY k = create(registry, kHKCU, "Software\\Snap");
  ASSERT_REG_OK(setBytes(registry, k, "v", reg::kString, "before"));
  HKEY o = create(other, kHKCU, "Software\\Snap");
  std::string first, second;
  int32_t write = -1;
  EXPECT_REG_OK(registry.readAtomically([&] {
    first = readBytes(registry, k, "v");
    EXPECT_EQ(setBytes(other, o, "v", reg::kString, "after"), reg::kSuccess);
    second = readBytes(registry, k, "v");
    write = setBytes(registry, k, "w", reg::kString, "x");
    return reg::kSuccess;
  }));
  EXPECT_EQ(first, "before");
  EXPECT_EQ(second, "before");
  EXPECT_REG(write, reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, k, "v"), "after");
  EXPECT_EQ(readBytes(registry, k, "w"), failed(reg::kFileNotFound));
  registry.RegCloseKey(k);
  other.RegCloseKey(o);
}

}  // namespace
}  // namespace platform::test
