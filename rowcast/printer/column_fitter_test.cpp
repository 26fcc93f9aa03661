#include "rowcast/printer/column_fitter.h"

#include <gtest/gtest.h>

#include "core/fault.h"
#include "rowcast/printer/print_job_test_support.h"

namespace rowcast {
namespace {

using platform::RecordingPrinter;
using test::listOfWidths;
using test::textOf;

TEST(ColumnFitter, AColumnIsAsWideAsItsWidestTextInBoldHeaderIncluded) {
  MemoryList list(QStringLiteral("Shifts"),
                  {QStringLiteral("Date"), QStringLiteral("Hours"), QStringLiteral("A long header")},
                  {{QStringLiteral("01/02/24"), QStringLiteral("8"), QStringLiteral("x")},
                   {QStringLiteral("01/02/24"), QStringLiteral("10")},
                   {QStringLiteral("01/03/24"), QStringLiteral("8"), QString()}});
  RecordingPrinter printer;
  ColumnFitter fitter(list, printer);

  EXPECT_EQ(fitter.measureColumns(10), 800 + 500 + 1300);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{800, 500, 1300}));
  EXPECT_FLOAT_EQ(printer.fontSize(), 10);
  EXPECT_TRUE(printer.calls.contains(QStringLiteral("FontBold=1")));
  EXPECT_EQ(printer.calls.last(), QStringLiteral("FontBold=0")) << "bold only while measuring";

  // Every pass starts over.
  EXPECT_EQ(fitter.measureColumns(5), 400 + 250 + 650);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{400, 250, 650}));
}

TEST(ColumnFitter, EachDistinctTextIsMeasuredOncePerSize) {
  MemoryList list(QStringLiteral("Rates"), {QStringLiteral("Date"), QStringLiteral("Rate"), QStringLiteral("Pay")});
  for (int row = 0; row < 500; ++row)
    list.addRow({QStringLiteral("03/%1/24").arg(row % 30 + 1, 2, 10, QLatin1Char('0')), QStringLiteral("12.50"),
                 row % 2 ? QStringLiteral("100.00") : QStringLiteral("12.50")});
  // 30 dates, 2 amounts shared by two columns, 3 headers.
  const int distinct = 30 + 2 + 3;
  RecordingPrinter printer;
  ColumnFitter fitter(list, printer);
  fitter.measureColumns(9);
  EXPECT_EQ(printer.textWidthCalls, distinct);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{720, 450, 540}));
  fitter.measureColumns(8);
  EXPECT_EQ(printer.textWidthCalls, 2 * distinct);
}

TEST(ColumnFitter, ATableAsWideAsThePageDoesNotFitAndASmallerSizeIsTried) {
  auto list = listOfWidths({102});  // 12240 twips at 12 points
  RecordingPrinter printer;
  ColumnFitter fitter(*list, printer);
  EXPECT_TRUE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 11);
  EXPECT_EQ(fitter.tableWidth(), 11220);
  EXPECT_EQ(printer.textWidthCalls, 2 * 2) << "two sizes, two texts each";
}

TEST(ColumnFitter, SearchesDownToFivePointsAndKeepsTheLastTry) {
  auto list = listOfWidths({250});  // 12500 twips at 5 points
  RecordingPrinter printer;
  ColumnFitter fitter(*list, printer);
  EXPECT_FALSE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 5);
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{12500}));
  EXPECT_EQ(printer.textWidthCalls, 8 * 2);

  RecordingPrinter untouched;
  ColumnFitter tooSmall(*list, untouched);
  EXPECT_FALSE(tooSmall.fitToPage(4));
  EXPECT_FALSE(tooSmall.hasMeasured());
  EXPECT_TRUE(untouched.calls.isEmpty());
}

TEST(ColumnFitter, SpareWidthIsSharedEvenlyTruncatedTowardZero) {
  // 10000 twips on a 12240-twip page: (12240 - 1068 - 10000) / 7 = 167.4.
  auto list = listOfWidths({10, 10, 10, 10, 20, 20, 20});
  RecordingPrinter printer;
  ColumnFitter fitter(*list, printer);
  ASSERT_TRUE(fitter.fitToPage(10));
  ASSERT_EQ(fitter.tableWidth(), 10000);
  fitter.spreadSpareWidth();
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{1167, 1167, 1167, 1167, 2167, 2167, 2167}));

  // 100 twips narrower than the page: (100 - 1068) / 7 = -138.3.
  auto narrow = listOfWidths({20, 20, 20, 15, 15, 15, 15});
  RecordingPrinter page12100(12100);
  ColumnFitter close(*narrow, page12100);
  ASSERT_TRUE(close.fitToPage(10));
  ASSERT_EQ(close.tableWidth(), 12000);
  close.spreadSpareWidth();
  EXPECT_EQ(close.columnWidths(), (std::vector<int32_t>{1862, 1862, 1862, 1362, 1362, 1362, 1362}));
}

TEST(ColumnFitter, WidthsPastSixteenBitsDoNotFitAndNeverWrap) {
  auto wide = listOfWidths({3300, 4});  // 396000 twips at 12 points, 165000 at 5
  RecordingPrinter printer;
  ColumnFitter fitter(*wide, printer);
  EXPECT_FALSE(fitter.fitToPage(12));
  EXPECT_FLOAT_EQ(printer.fontSize(), 5) << "every size was tried";
  EXPECT_EQ(fitter.columnWidths(), (std::vector<int32_t>{165000, 200}));
  EXPECT_THROW(fitter.measureColumns(12), core::FaultError);

  // Two columns of 20400 each: every width fits 16 bits, their sum does not.
  auto pair = listOfWidths({170, 170});
  RecordingPrinter other;
  ColumnFitter sum(*pair, other);
  EXPECT_THROW(sum.measureColumns(12), core::FaultError);
  EXPECT_EQ(sum.columnWidths(), (std::vector<int32_t>{20400, 20400}));
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
    ColumnFitter fitter(list, printer);
    EXPECT_FALSE(fitter.fitToPage(12)) << c.length;
    EXPECT_FLOAT_EQ(printer.fontSize(), 5) << "every size was tried";
    EXPECT_EQ(printer.textWidthCalls, (c.measured ? 2 : 1) * 8) << c.length << ": header, and the cell when measured";
    EXPECT_GT(fitter.columnWidths().at(0), 32767) << c.length;
  }
}

TEST(ColumnFitter, AListWithoutColumnsMeasuresNothingAndCannotBeSpread) {
  MemoryList empty(QStringLiteral("Empty"), {});
  RecordingPrinter printer;
  ColumnFitter fitter(empty, printer);
  EXPECT_TRUE(fitter.fitToPage(12));
  EXPECT_TRUE(fitter.columnWidths().empty());
  EXPECT_THROW(fitter.spreadSpareWidth(), core::FaultError);
}

}  // namespace
}  // namespace rowcast
