#include "coravel/leave/holiday_rate.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

// The window writes the amount as a number text (15 significant digits)
// before cutting it, so an amount a hair below whole cents shows those cents.
TEST(HolidayRate, CutToCentsCutsTheAmountAsTheWindowWritesIt) {
  EXPECT_DOUBLE_EQ(coravel::cutToCents(4.35), 4.35);
  EXPECT_DOUBLE_EQ(coravel::cutToCents(12.349), 12.34);
  EXPECT_DOUBLE_EQ(coravel::cutToCents(coravel::holidayAmount(coravel::HolidayFactor::TimeAndAHalf, 10.01)), 15.01);
  EXPECT_DOUBLE_EQ(coravel::cutToCents(-5.011), -5.02);
}

}  // namespace
