#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace core {
namespace {

struct Case {
  double value;
  const char* text;
};

void expectTexts(std::initializer_list<Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(numberToText(c.value).toStdString(), c.text) << "value " << c.value;
}

TEST(NumberText, FixedNotationDropsTrailingZeros) {
  expectTexts({{12.5, "12.5"}, {31, "31"}, {-0.5, "-0.5"}, {0, "0"}, {-0.0, "0"}, {100, "100"},
               {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
               {123456.789, "123456.789"}, {-1234567890123.25, "-1234567890123.25"}});
}

TEST(NumberText, ExponentFormOutsideTheFixedRange) {
  expectTexts({{0.0001, "0.0001"}, {0.00001, "1E-05"}, {0.000015, "1.5E-05"}, {-1e-20, "-1E-20"},
               {999999999999999, "999999999999999"}, {1e15, "1E+15"},
               {123456789012345678.0, "1.23456789012346E+17"}, {1e100, "1E+100"},
               {1.5e-300, "1.5E-300"}, {std::numeric_limits<double>::max(), "1.79769313486232E+308"}});
}

TEST(NumberText, FifteenDigitRoundingThatCarries) {
  expectTexts({{9.999999999999999e14, "1E+15"}, {0.9999999999999999, "1"},
               {9.999999999999999e-05, "0.0001"}, {123456789.1234567, "123456789.123457"},
               {1234567890123456.0, "1.23456789012346E+15"}});
}

TEST(NumberText, NonFiniteValues) {
  expectTexts({{std::nan(""), "NaN"},
               {std::numeric_limits<double>::infinity(), "Infinity"},
               {-std::numeric_limits<double>::infinity(), "-Infinity"}});
}

}  // namespace
}  // namespace core
