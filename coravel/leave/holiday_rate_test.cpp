#include "coravel/leave/holiday_rate.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

TEST(HolidayRate, NoRoundCutsToWholeCentsTowardMinusInfinity) {
  EXPECT_DOUBLE_EQ(coravel::noRound(u"15.015"), 15.01);
  EXPECT_DOUBLE_EQ(coravel::noRound(u"15.019999"), 15.01);
  EXPECT_DOUBLE_EQ(coravel::noRound(u"-5.011"), -5.02);
  EXPECT_DOUBLE_EQ(coravel::noRound(u"12.5abc"), 12.5);  // read leniently
  EXPECT_EQ(coravel::noRound(u""), 0);
  EXPECT_EQ(coravel::noRound(u"."), 0);
}

// A rate with whole cents keeps them, although its double may lie just
// below: 4.35 * 100 is 434.99999999999994 in double precision.
TEST(HolidayRate, NoRoundKeepsCentsThatWereTyped) {
  for (const char* typed : {"4.35", "0.29", "1.15", "19.99", "1234.56", "0.07"})
    EXPECT_EQ(QString::number(coravel::noRound(QString::fromLatin1(typed)), 'f', 2).toStdString(), typed);
}

}  // namespace
