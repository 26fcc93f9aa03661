#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/registry/registry_test_support.h"

namespace platform::test {
namespace {

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(Store, RegistryCallsTest,
                         ::testing::Values(StoreKind::kCacheOn, StoreKind::kCacheOff, StoreKind::kMemory),
                         [](const auto& info) { return storeName(info.param); });

// ---- names and paths -------------------------------------------------------------

TEST_P(RegistryCallsTest, NamesMatchWithoutRegardToCaseAndKeepTheirFirstCase) {
  HKEY foo = create(registry, kHKCU, "Software\\Foo");
  ASSERT_REG_OK(setBytes(registry, foo, "MyValue", reg::kString, "x"));
  ASSERT_REG_OK(registry.RegCloseKey(foo));

  HKEY again = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "SOFTWARE\\foo", &again));
  EXPECT_EQ(readBytes(registry, again, "MYVALUE"), "x");
  // Setting under another case replaces the value but keeps the name.
  ASSERT_REG_OK(setBytes(registry, again, "myvalue", reg::kString, "y"));
  EXPECT_EQ(valueNames(registry, again), std::vector<std::string>{"MyValue"});
  EXPECT_EQ(readBytes(registry, again, "MyValue"), "y");
  // Creating under another case opens the existing key.
  HKEY viaCreate = create(registry, kHKCU, "software\\FOO");
  EXPECT_EQ(readBytes(registry, viaCreate, "myVALUE"), "y");
  EXPECT_EQ(subkeys(registry, kHKCU, "Software"), std::vector<std::string>{"Foo"});
  for (HKEY h : {again, viaCreate}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, Latin1LettersFoldButOtherBytesDoNot) {
  HKEY upper = create(registry, kHKCU, "\xC4rger");  // Ärger
  HKEY lower = 0;
  EXPECT_REG_OK(registry.RegOpenKeyA(kHKCU, "\xE4RGER", &lower));  // äRGER
  // × (D7) and ÷ (F7), ß (DF) and ÿ (FF) are not case pairs.
  HKEY times = create(registry, kHKCU, "a\xD7");
  HKEY sharp = create(registry, kHKCU, "b\xDF");
  HKEY other = 0;
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "a\xF7", &other), reg::kFileNotFound);
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "b\xFF", &other), reg::kFileNotFound);
  ASSERT_REG_OK(setBytes(registry, upper, "\xC9t\xC9", reg::kString, "summer"));  // ÉtÉ
  EXPECT_EQ(readBytes(registry, lower, "\xE9T\xE9"), "summer");
  for (HKEY h : {upper, lower, times, sharp}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, EmptyPathComponentsAreSkipped) {
  HKEY a = create(registry, kHKCU, "\\Software\\\\Vandr\\Registry\\");
  ASSERT_REG_OK(setBytes(registry, a, "v", reg::kString, "1"));
  HKEY b = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "Software\\Vandr\\Registry", &b));
  EXPECT_EQ(readBytes(registry, b, "v"), "1");
  EXPECT_EQ(subkeys(registry, kHKCU, "Software"), std::vector<std::string>{"Vandr"});
  for (HKEY h : {a, b}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, RootsAreSeparateTreesAndHoldValues) {
  HKEY user = create(registry, reg::kCurrentUser, "Software\\Same");
  HKEY machine = create(registry, reg::kLocalMachine, "Software\\Same");
  ASSERT_REG_OK(setBytes(registry, user, "who", reg::kString, "user"));
  ASSERT_REG_OK(setBytes(registry, machine, "who", reg::kString, "machine"));
  EXPECT_EQ(readBytes(registry, user, "who"), "user");
  EXPECT_EQ(readBytes(registry, machine, "who"), "machine");
  HKEY none = 0;
  for (HKEY root = reg::kClassesRoot; root <= reg::kDynData; ++root) {
    if (root == reg::kCurrentUser || root == reg::kLocalMachine) continue;
    EXPECT_REG(registry.RegOpenKeyA(root, "Software\\Same", &none), reg::kFileNotFound) << root;
  }
  // Values directly below a root.
  ASSERT_REG_OK(setBytes(registry, reg::kUsers, "", reg::kString, "default"));
  EXPECT_EQ(readBytes(registry, reg::kUsers, ""), "default");
  EXPECT_EQ(readBytes(registry, reg::kClassesRoot, ""), failed(reg::kFileNotFound));
  registry.RegCloseKey(user);
  registry.RegCloseKey(machine);
}

// HKEY_CLASSES_ROOT shows the user's classes over the machine's: a key in
// either is seen, the user's wins, writes go where the key is (a new key:
// the user's), and subkeys are listed once each, in order.
TEST_P(RegistryCallsTest, ClassesRootIsTheUsersClassesOverTheMachines) {
  if (GetParam() == StoreKind::kMemory) GTEST_SKIP() << "the in-memory store keeps HKEY_CLASSES_ROOT as a tree of its own";
  auto put = [&](HKEY root, const char* path, const char* value) {
    EXPECT_REG_OK(setText(registry, root, path, "", value)) << path;
  };
  put(kHKCU, "Software\\Classes\\Both", "user");
  put(reg::kLocalMachine, "Software\\Classes\\Both", "machine");
  put(reg::kLocalMachine, "Software\\Classes\\both\\OnlyMachine", "deep");
  put(reg::kLocalMachine, "Software\\Classes\\MachineOnly", "machine");
  put(kHKCU, "Software\\Classes\\UserOnly", "user");
  auto viaClasses = [&](const char* path) {
    HKEY k = 0;
    const int32_t rc = registry.RegOpenKeyExA(reg::kClassesRoot, path, 0, reg::kKeyRead, &k);
    const reg::ScopedKey closer(registry, k);
    return rc == reg::kSuccess ? readBytes(registry, k, "") : failed(rc);
  };
  EXPECT_EQ(viaClasses("Both"), "user");
  EXPECT_EQ(viaClasses("BOTH\\OnlyMachine"), "deep");  // below a key the user has too
  EXPECT_EQ(viaClasses("MachineOnly"), "machine");
  EXPECT_EQ(viaClasses("UserOnly"), "user");
  EXPECT_EQ(viaClasses("Nowhere"), failed(reg::kFileNotFound));
  HKEY both = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(reg::kClassesRoot, "Both", &both));
  EXPECT_EQ(subkeys(registry, reg::kClassesRoot), (std::vector<std::string>{"Both", "MachineOnly", "UserOnly"}));
  ASSERT_REG_OK(openAt(registry, both, "onlymachine").rc);  // through a handle of the view

  // Writes: to the machine's key when only it has one; new keys are the user's.
  ASSERT_REG_OK(setText(registry, reg::kClassesRoot, "MachineOnly", "x", "1"));
  EXPECT_REG_OK(createAt(registry, both, "Made").rc);
  EXPECT_EQ(readBytes(registry, reg::kLocalMachine, "Software\\Classes\\MachineOnly", "x"), "1");
  EXPECT_REG_OK(openAt(registry, kHKCU, "Software\\Classes\\Both\\Made").rc);
  EXPECT_EQ(subkeys(registry, both), (std::vector<std::string>{"Made", "OnlyMachine"}));

  // Deleting through the view takes the user's key first, then the machine's.
  put(kHKCU, "Software\\Classes\\Both\\Gone", "user");
  put(reg::kLocalMachine, "Software\\Classes\\Both\\Gone", "machine");
  for (const std::string& left : {std::string("machine"), failed(reg::kFileNotFound)}) {
    EXPECT_REG_OK(registry.RegDeleteKeyA(both, "Gone"));
    EXPECT_EQ(viaClasses("Both\\Gone"), left);
  }
  EXPECT_REG(registry.RegDeleteKeyA(both, "Gone"), reg::kFileNotFound);
  registry.RegCloseKey(both);
  // Values of the root itself are those of the user's classes key.
  ASSERT_REG_OK(setBytes(registry, reg::kClassesRoot, "top", reg::kString, "t"));
  EXPECT_EQ(readBytes(registry, kHKCU, "Software\\Classes", "top"), "t");
}

// ---- values --------------------------------------------------------------------------

TEST_P(RegistryCallsTest, ValuesKeepTypeAndExactBytes) {
  HKEY k = create(registry, kHKCU, "Software\\Bytes");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const struct {
    const char* name;
    uint32_t type;
    std::string bytes;
  } cases[] = {
      {"all bytes", reg::kBinary, all},
      {"nuls inside", reg::kString, "a\0b\0\0c"s},
      {"ends in nul", reg::kString, "text\0"s},
      {"empty string", reg::kString, ""},
      {"empty binary", reg::kBinary, ""},
      {"number", reg::kDword, "\x2a\0\0\0"s},
      {"type none", reg::kNone, "zz"},
      {"odd type", 0x12345u, "q"},
      {"", reg::kString, "the default value"},
      {"large", reg::kBinary, std::string(300000, '\xA5')},
  };
  for (const auto& c : cases) ASSERT_REG_OK(setBytes(registry, k, c.name, c.type, c.bytes)) << c.name;
  for (const auto& c : cases) {
    uint32_t type = 0xFFFF;
    EXPECT_EQ(readBytes(registry, k, c.name, &type), c.bytes) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
  // Replacing changes the type too.
  ASSERT_REG_OK(setBytes(registry, k, "number", reg::kBinary, "\x01"));
  uint32_t type = 0;
  EXPECT_EQ(readBytes(registry, k, "number", &type), "\x01");
  EXPECT_EQ(type, reg::kBinary);
  // Null data with size 0 stores an empty value.
  ASSERT_REG_OK(registry.RegSetValueExA(k, "nothing", 0, reg::kBinary, nullptr, 0));
  EXPECT_EQ(readBytes(registry, k, "nothing"), "");
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, StringReadPlacesNulOnlyWhenDataLacksOneAndRoomIsLeft) {
  HKEY k = create(registry, kHKCU, "Software\\Strings");
  ASSERT_REG_OK(setBytes(registry, k, "bare", reg::kString, "abc"));
  ASSERT_REG_OK(setBytes(registry, k, "ended", reg::kString, "abc\0"s));
  ASSERT_REG_OK(setBytes(registry, k, "binary", reg::kBinary, "abc"));
  ASSERT_REG_OK(setBytes(registry, k, "empty", reg::kString, ""));

  struct Read {
    int32_t rc;
    uint32_t size;
    std::string buffer;  // the whole buffer after the call
  };
  auto read = [&](const char* name, uint32_t bufferSize) {
    std::string buffer(bufferSize + 2, '#');  // two guard bytes past the stated size
    uint32_t size = bufferSize;
    uint32_t type = 0;
    const int32_t rc =
        registry.RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<uint8_t*>(buffer.data()), &size);
    return Read{rc, size, buffer};
  };

  // Without NUL: 3 bytes.
  Read r = read("bare", 0);
  EXPECT_REG(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "##");
  r = read("bare", 2);
  EXPECT_REG(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 3u);
  r = read("bare", 3);  // exact: no room for the NUL, none written
  EXPECT_REG_OK(r.rc);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc##");
  r = read("bare", 4);  // room: NUL placed, size stays the data length
  EXPECT_REG_OK(r.rc);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc\0##"s);
  r = read("bare", 10);
  EXPECT_EQ(r.buffer.substr(0, 5), "abc\0#"s);

  // With NUL: 4 bytes, nothing added.
  r = read("ended", 3);
  EXPECT_REG(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 4u);
  r = read("ended", 4);
  EXPECT_REG_OK(r.rc);
  EXPECT_EQ(r.size, 4u);
  EXPECT_EQ(r.buffer, "abc\0##"s);
  r = read("ended", 5);
  EXPECT_EQ(r.size, 4u);
  EXPECT_EQ(r.buffer, "abc\0###"s);

  // Binary data never gets a NUL.
  r = read("binary", 4);
  EXPECT_REG_OK(r.rc);
  EXPECT_EQ(r.buffer, "abc###");

  // Empty string: size 0 fits a zero buffer; a larger one gets the NUL.
  r = read("empty", 0);
  EXPECT_REG_OK(r.rc);
  EXPECT_EQ(r.size, 0u);
  EXPECT_EQ(r.buffer, "##");
  r = read("empty", 1);
  EXPECT_EQ(r.size, 0u);
  EXPECT_EQ(r.buffer, "\0##"s);

  // Without a buffer: type and size; with neither: only whether it exists.
  uint32_t type = 0, size = 99;
  EXPECT_REG_OK(registry.RegQueryValueExA(k, "ended", nullptr, &type, nullptr, &size));
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(size, 4u);
  EXPECT_REG_OK(registry.RegQueryValueExA(k, "bare", nullptr, nullptr, nullptr, nullptr));
  EXPECT_REG(registry.RegQueryValueExA(k, "nope", nullptr, nullptr, nullptr, nullptr), reg::kFileNotFound);
  registry.RegCloseKey(k);
}

}  // namespace
}  // namespace platform::test
