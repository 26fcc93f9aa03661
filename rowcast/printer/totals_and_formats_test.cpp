#include <gtest/gtest.h>

#include "rowcast/printer/column_totals.h"
#include "rowcast/printer/print_formats.h"

namespace rowcast {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

TEST(ColumnTotals, CellsAreReadTheWayTheLocaleWritesMoneyAndNumbers) {
  ColumnTotals us(kUs);
  us.add(7, QStringLiteral("$1,234.50"));
  us.add(7, QStringLiteral("-$4.25"));
  us.add(7, QStringLiteral("12"));
  EXPECT_DOUBLE_EQ(*us.sum(7), 1242.25);
  EXPECT_EQ(us.text(7), QStringLiteral("$1,242.25"));

  // A comma locale keeps the fraction.
  ColumnTotals german(kGerman);
  german.add(4, QStringLiteral("1.234,50"));
  EXPECT_DOUBLE_EQ(*german.sum(4), 1234.5);
  EXPECT_EQ(german.text(4), QStringLiteral("1.234,50"));
}

TEST(ColumnTotals, TextThatIsNoNumberAddsNothingAndUntouchedColumnsPrintNothing) {
  ColumnTotals totals(kUs);
  for (const char* cell : {"", "abc", "n/a"}) totals.add(5, QLatin1String(cell));
  EXPECT_FALSE(totals.sum(5));
  EXPECT_EQ(totals.text(5), QString());
  totals.add(5, QStringLiteral("0"));
  EXPECT_EQ(totals.text(5), QStringLiteral("0.00"));

  // Columns 4, 9 and 11 start at zero; the others without a value.
  for (int column : ColumnTotals::kPrintOrder) {
    const bool startsAtZero = column == 4 || column == 9 || column == 11;
    EXPECT_EQ(totals.sum(column).has_value(), startsAtZero || column == 5) << column;
  }
  EXPECT_EQ(totals.text(4), QStringLiteral("0.00"));
  EXPECT_EQ(totals.text(9), QStringLiteral("$0.00"));
  EXPECT_EQ(totals.text(11), QStringLiteral("$0.00"));
  EXPECT_FALSE(ColumnTotals::isSummed(3));
  EXPECT_FALSE(ColumnTotals::isSummed(12));
}

TEST(PrintFormats, GroupedNumbersUseTheLocalesSeparatorsAndRoundHalvesAway) {
  EXPECT_EQ(formatGroupedNumber(1234.5, kUs), QStringLiteral("1,234.50"));
  EXPECT_EQ(formatGroupedNumber(-1234567.891, kUs), QStringLiteral("-1,234,567.89"));
  EXPECT_EQ(formatGroupedNumber(0.125, kUs), QStringLiteral("0.13"));
  EXPECT_EQ(formatGroupedNumber(0, kUs), QStringLiteral("0.00"));
  EXPECT_EQ(formatGroupedNumber(1234567.5, kGerman), QStringLiteral("1.234.567,50"));
  EXPECT_EQ(formatGroupedNumber(-0.5, kGerman), QStringLiteral("-0,50"));
}

TEST(PrintFormats, OnlyTextsThatReadAsDatesTakeTheShortDatePattern) {
  const ShortDateCell us(kUs);
  EXPECT_EQ(us.format(QStringLiteral("2024-03-05")), QStringLiteral("03/05/24"));
  EXPECT_EQ(us.format(QStringLiteral("12/31/1999")), QStringLiteral("12/31/99"));
  for (const char* unchanged : {"Totals", "12", "1234.5", "", "13/45/2024"})
    EXPECT_EQ(us.format(QLatin1String(unchanged)), QLatin1String(unchanged)) << unchanged;

  const ShortDateCell german(kGerman);
  EXPECT_EQ(german.format(QStringLiteral("31.12.2024")), QStringLiteral("12.31.24"));
}

}  // namespace
}  // namespace rowcast
