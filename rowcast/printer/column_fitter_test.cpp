#include "rowcast/printer/column_fitter.h"

#include <gtest/gtest.h>

#include "core/fault.h"
#include "rowcast/printer/print_job_test_support.h"

namespace rowcast {
namespace {

using platform::RecordingPrinter;
using test::listOfWidths;
using test::textOf;

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

// A column is its widest text plus one blank, so that no two texts on a line
// touch (the recording printer's blank is 10 twips a point in bold).
TEST(ColumnFitter, AColumnIsAsWideAsItsWidestTextInBoldHeaderIncludedAndABlank) {
  MemoryList list(QStringLiteral("Shifts"),
                  {QStringLiteral("Date"), QStringLiteral("Hours"), QStringLiteral("A long header")},
                  {{QStringLiteral("01/02/24"), QStringLiteral("8"), QStringLiteral("x")},
                   {QStringLiteral("01/02/24"), QStringLiteral("10")},
                   {QStringLiteral("01/03/24"), QStringLiteral("8"), QString()}});
  RecordingPrinter printer;
  ColumnFitter fitter(list, printer, kUs);

  EXPECT_EQ(fitter.measureColumns(10), 900 + 600 + 1400);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{900, 600, 1400}));
  EXPECT_FLOAT_EQ(printer.fontSize(), 10);
  EXPECT_TRUE(printer.calls.contains(QStringLiteral("FontBold=1")));
  EXPECT_EQ(printer.calls.last(), QStringLiteral("FontBold=0")) << "bold only while measuring";

  // Every pass starts over.
  EXPECT_EQ(fitter.measureColumns(5), 450 + 300 + 700);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{450, 300, 700}));
}

TEST(ColumnFitter, EachDistinctTextIsMeasuredOncePerSize) {
  MemoryList list(QStringLiteral("Rates"), {QStringLiteral("Date"), QStringLiteral("Rate"), QStringLiteral("Pay")});
  for (int row = 0; row < 500; ++row)
    list.addRow({QStringLiteral("03/%1/24").arg(row % 30 + 1, 2, 10, QLatin1Char('0')), QStringLiteral("12.50"),
                 row % 2 ? QStringLiteral("100.00") : QStringLiteral("12.50")});
  // 30 dates, 2 amounts shared by two columns, 3 headers, the blank.
  const int distinct = 30 + 2 + 3 + 1;
  RecordingPrinter printer;
  ColumnFitter fitter(list, printer, kUs);
  fitter.measureColumns(9);
  EXPECT_EQ(printer.textWidthCalls, distinct);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{810, 540, 630}));
  fitter.measureColumns(8);
  EXPECT_EQ(printer.textWidthCalls, 2 * distinct);
}

// A size fits only when the table leaves the page allowance free: at equal
// widths the spreading would take width away, so the search goes on.
TEST(ColumnFitter, ATableThatTakesThePageAllowanceDoesNotFitAndASmallerSizeIsTried) {
  auto list = listOfWidths({101});  // 102 characters: 12240 twips at 12 points
  RecordingPrinter printer(12240 + ColumnFitter::kPageAllowance);
  ColumnFitter fitter(*list, printer, kUs);
  EXPECT_TRUE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 11);
  EXPECT_EQ(fitter.tableWidth(), 11220);
  EXPECT_EQ(printer.textWidthCalls, 2 * 3) << "two sizes, two texts and the blank each";
}

TEST(ColumnFitter, SearchesDownToFivePointsAndKeepsTheLastTry) {
  auto list = listOfWidths({250});  // 12550 twips at 5 points
  RecordingPrinter printer;
  ColumnFitter fitter(*list, printer, kUs);
  EXPECT_FALSE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 5);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{12550}));
  EXPECT_EQ(printer.textWidthCalls, 8 * 3);

  RecordingPrinter untouched;
  ColumnFitter tooSmall(*list, untouched, kUs);
  EXPECT_FALSE(tooSmall.fitToPage(4));
  EXPECT_FALSE(tooSmall.hasMeasured());
  EXPECT_TRUE(untouched.calls.isEmpty());
}

// Earlier a table fit as soon as it was narrower than the page, and a table
// within 1068 twips of it then lost width in the spreading, so its texts ran
// together. Now a size fits only when the spreading has something to give:
// the 167-twip case still gains 167, the table 100 twips narrower than the
// page no longer fits at 10 points and is printed at 9.
TEST(ColumnFitter, SpareWidthIsSharedEvenlyTruncatedTowardZero) {
  // 10000 twips (blanks included) on a 12240-twip page: (12240 - 1068 - 10000) / 7 = 167.4.
  auto list = listOfWidths({9, 9, 9, 9, 19, 19, 19});
  RecordingPrinter printer;
  ColumnFitter fitter(*list, printer, kUs);
  ASSERT_TRUE(fitter.fitToPage(10));
  ASSERT_EQ(fitter.tableWidth(), 10000);
  fitter.spreadSpareWidth();
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{1167, 1167, 1167, 1167, 2167, 2167, 2167}));

  // 12000 twips at 10 points, 100 narrower than the page: the search goes
  // on to 9 points (10800 twips), then (12100 - 1068 - 10800) / 7 = 33.1.
  auto narrow = listOfWidths({19, 19, 19, 14, 14, 14, 14});
  RecordingPrinter page12100(12100);
  ColumnFitter close(*narrow, page12100, kUs);
  ASSERT_TRUE(close.fitToPage(10));
  EXPECT_FLOAT_EQ(page12100.fontSize(), 9);
  ASSERT_EQ(close.tableWidth(), 10800);
  close.spreadSpareWidth();
  EXPECT_EQ(close.columnWidths(), (std::vector<int32_t>{1833, 1833, 1833, 1383, 1383, 1383, 1383}));
}

// The grand total is printed under its column, so a total wider than every
// cell of its column widens it; columns 1 to 3 and past 11 are not summed.
TEST(ColumnFitter, ASummedColumnIsAtLeastAsWideAsItsTotal) {
  QStringList headers, row;
  for (int column = 1; column <= 12; ++column) headers.append(QStringLiteral("H"));
  row = QStringList(12, QStringLiteral("9,999.99"));  // 8 characters
  MemoryList list(QStringLiteral("Totals"), headers, std::vector<QStringList>(10, row));
  RecordingPrinter printer;
  ColumnFitter fitter(list, printer, kUs);
  fitter.measureColumns(10);
  // "99,999.90" and "$99,999.90", 9 and 10 characters, plus the blank.
  EXPECT_EQ(fitter.columnWidths(),
            (std::vector<int32_t>{900, 900, 900, 1000, 1000, 1000, 1100, 1100, 1100, 1100, 1100, 900}));
}

TEST(ColumnFitter, WidthsPastSixteenBitsDoNotFitAndNeverWrap) {
  auto wide = listOfWidths({3300, 4});  // 396120 twips at 12 points, 165300 at 5
  RecordingPrinter printer;
  ColumnFitter fitter(*wide, printer, kUs);
  EXPECT_FALSE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 5) << "every size was tried";
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{165050, 250}));
  EXPECT_THROW(fitter.measureColumns(12), core::FaultError);

  // Two columns of 20520 each: every width fits 16 bits, their sum does not.
  auto pair = listOfWidths({170, 170});
  RecordingPrinter other;
  ColumnFitter sum(*pair, other, kUs);
  EXPECT_THROW(sum.measureColumns(12), core::FaultError);
  EXPECT_EQ(sum.columnWidths(), (std::vector<int32_t>{20520, 20520}));
}

TEST(ColumnFitter, ATextPastTheLongestMeasuredIsTooWideWithoutBeingMeasured) {
  const struct {
    qsizetype length;
    bool measured;
  } cases[] = {{kLongestMeasuredText, true},
               {kLongestMeasuredText + 1, false},
               {4'000'000, false}};
  for (const auto& c : cases) {
    MemoryList list(QStringLiteral("Notes"), {QStringLiteral("Note")}, {{QString(c.length, u'i')}});
    RecordingPrinter printer;
    ColumnFitter fitter(list, printer, kUs);
    EXPECT_FALSE(fitter.fitToPage(12)) << c.length;
    EXPECT_FLOAT_EQ(printer.fontSize(), 5) << "every size was tried";
    EXPECT_EQ(printer.textWidthCalls, (c.measured ? 3 : 2) * 8)
        << c.length << ": the blank, the header, and the cell when measured";
    EXPECT_GT(fitter.columnWidths().at(0), 32767) << c.length;
  }
}

TEST(ColumnFitter, AListWithoutColumnsMeasuresNothingAndCannotBeSpread) {
  MemoryList empty(QStringLiteral("Empty"), {});
  RecordingPrinter printer;
  ColumnFitter fitter(empty, printer, kUs);
  EXPECT_TRUE(fitter.fitToPage(12));
  EXPECT_TRUE(fitter.columnWidths().empty());
  EXPECT_THROW(fitter.spreadSpareWidth(), core::FaultError);
}

}  // namespace
}  // namespace rowcast
