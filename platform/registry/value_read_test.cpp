#include "platform/registry/value_read.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/registry/growing_value_registry.h"

namespace platform {
namespace {

// A value another writer lengthens between the two calls is read whole, as
// it stands after the last change; one that never stops growing is reported
// as such, never as missing or empty.
TEST(ValueRead, AValueThatGrowsBetweenSizeAndDataIsReadWhole) {
  QTemporaryDir dir;
  test::GrowingValueRegistry store(dir.filePath(QStringLiteral("registry.sqlite3")));
  HKEY key = 0;
  ASSERT_EQ(store.RegCreateKeyA(reg::kCurrentUser, "Software\\Vandr", &key), reg::kSuccess);
  struct Case {
    int growths;
    int32_t result;
    std::string data;
  } cases[] = {
      {0, reg::kSuccess, "12.5"},
      {1, reg::kSuccess, "12.5+"},
      {kValueReadTries - 1, reg::kSuccess, "12.5" + std::string(kValueReadTries - 1, '+')},
      {kValueReadTries, reg::kMoreData, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.growths);
    ASSERT_EQ(store.RegSetValueExA(key, "Rate", 0, reg::kBinary, reinterpret_cast<const uint8_t*>("12.5"), 4),
              reg::kSuccess);
    store.growBeforeDataQueries(c.growths, reg::kCurrentUser, "Software\\Vandr", "+");
    const ValueRead read = readValue(store, key, "Rate");
    EXPECT_EQ(read.result, c.result);
    EXPECT_EQ(read.data, c.data);
    EXPECT_EQ(read.type, reg::kBinary);
  }
  EXPECT_EQ(readValue(store, key, "Missing").result, reg::kFileNotFound);
  store.RegCloseKey(key);
}

}  // namespace
}  // namespace platform
