#include "core/no_round.h"

#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <limits>

namespace {

// The decimal value typed is cut, never the binary error of its double:
// 4.35 * 100 is 434.99999999999994, and 15-digit rounding would lift the
// stored 12.34999999999999 to 12.35.
TEST(NoRound, CutsTheDecimalValueTowardMinusInfinity) {
  const struct {
    const char* text;
    double cut;
  } cases[] = {
      {"12.349", 12.34},  {"1.15", 1.15},       {"4.35", 4.35},    {"12.34999999999999", 12.34},
      {"-1.234", -1.24},  {"-5.011", -5.02},    {"-9.999", -10},   {"-0.001", -0.01},
      {"15.015", 15.01},  {"15.019999", 15.01}, {"0.29", 0.29},    {"19.99", 19.99},
      {"1234.56", 1234.56}, {"0.07", 0.07},     {"12.5abc", 12.5}, {"1 2.3 4 5", 12.34},
      {"letters", 0},     {"", 0},              {".", 0},          {"1E300", 1e300},
  };
  for (const auto& c : cases) EXPECT_EQ(core::noRound(QString::fromLatin1(c.text)), c.cut) << c.text;
}

TEST(NoRound, GivesNoNegativeZeroAndLeavesNonFiniteValues) {
  EXPECT_FALSE(std::signbit(core::noRound(u"-0")));
  EXPECT_FALSE(std::signbit(core::cutToHundredths(-0.0)));
  EXPECT_TRUE(std::isnan(core::cutToHundredths(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(core::cutToHundredths(-std::numeric_limits<double>::infinity()), -std::numeric_limits<double>::infinity());
}

}  // namespace
