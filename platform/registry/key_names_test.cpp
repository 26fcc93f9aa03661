#include "platform/registry/key_names.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/registry.h"

namespace platform::reg {
namespace {

TEST(KeyNames, PathsSplitIntoTheirNonEmptyComponents) {
  struct Case {
    std::string_view path;
    std::vector<std::string_view> parts;
  } cases[] = {
      {"", {}},
      {"\\\\", {}},
      {"Software", {"Software"}},
      {"Software\\Vandr", {"Software", "Vandr"}},
      {"\\Software\\\\Vandr\\", {"Software", "Vandr"}},
  };
  for (const Case& c : cases) EXPECT_EQ(components(c.path), c.parts) << c.path;
}

TEST(KeyNames, FoldedPathsJoinBelowTheirBase) {
  EXPECT_EQ(folded("Software\\VANDR"), "software\\vandr");
  EXPECT_EQ(joinFolded("", {"Software", "Vandr"}), "software\\vandr");
  EXPECT_EQ(joinFolded("software", {"Vandr"}), "software\\vandr");
  EXPECT_EQ(joinPath("Software", {"Vandr"}), "Software\\Vandr");
  EXPECT_EQ(classesLpath(""), "software\\classes");
  EXPECT_EQ(classesLpath("wagewise.zuzirar"), "software\\classes\\wagewise.zuzirar");
}

TEST(KeyNames, NamesKeepTheirLimits) {
  const std::string longest(kMaxKeyNameLength, 'k');
  const std::string tooLong(kMaxKeyNameLength + 1, 'k');
  struct Case {
    std::string base;
    std::vector<std::string_view> parts;
    bool valid;
  } cases[] = {
      {"", {longest}, true},
      {"", {tooLong}, false},
      {"", {std::string_view("a\0b", 3)}, false},
      {"", std::vector<std::string_view>(kMaxKeyDepth, "k"), true},
      {"", std::vector<std::string_view>(kMaxKeyDepth + 1, "k"), false},
      {"a\\b", std::vector<std::string_view>(kMaxKeyDepth - 2, "k"), true},
      {"a\\b", std::vector<std::string_view>(kMaxKeyDepth - 1, "k"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(validKeyNames(c.base, c.parts), c.valid) << c.base << " " << c.parts.size();
  EXPECT_TRUE(validValueName(""));
  EXPECT_TRUE(validValueName(std::string(kMaxValueNameLength, 'v')));
  EXPECT_FALSE(validValueName(std::string(kMaxValueNameLength + 1, 'v')));
  EXPECT_FALSE(validValueName(std::string_view("a\0b", 3)));
}

}  // namespace
}  // namespace platform::reg
