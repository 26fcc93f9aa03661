// The figures derived from the list: year, month totals, Y-T-D, highest and
// lowest month, the yearly average and the other-year warning.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "core/regional_format.h"
#include "coravel/graph/cell_reading.h"
#include "coravel/graph/graph_data.h"
#include "coravel/graph/profile_loader.h"

namespace core {
void PrintTo(const Money& m, std::ostream* os) { *os << m.toPlainText().toStdString(); }
}  // namespace core

namespace coravel {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
using core::Money;

Money money(double amount) { return Money::fromDouble(amount); }

// A list with one row per (date, Total Pay) pair.
struct Rows {
  QTemporaryDir dir;
  ProfileTable list;

  explicit Rows(const std::vector<std::pair<const char*, const char*>>& rows) {
    QByteArray text;
    for (const auto& [date, pay] : rows) text += QByteArray(date) + ",8:00,16:00,8,8,0,0,0," + pay + ",0,0,No,0\n";
    QFile f(dir.filePath("p.dat"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    ProfileLoader(list).LoadLWGraph(list, f.fileName());
  }
};

TEST(GraphData, MonthTotalsOfTheFirstRowsYear) {
  Rows rows({{"01/05/2001", "100"}, {"01/20/2001", "50"}, {"2/03/2001", "\"$25.00\""}});
  GraphData data(kUs);
  data.GetMonthDate(rows.list);
  EXPECT_EQ(data.graphYear(), 2001);
  EXPECT_EQ(data.monthTotal(1), Money::fromWhole(150));
  EXPECT_EQ(data.monthTotal(2), Money::fromWhole(25));
  EXPECT_EQ(data.GetColumnNetPay(rows.list), 175.0);
  EXPECT_FALSE(data.anotherYearDetected());
}

TEST(GraphData, RowsOfAnotherYearAreReportedNotGraphed) {
  Rows rows({{"01/05/2001", "100"}, {"12/31/2000", "40"}, {"12/02/2001", "10"}, {"03/01/1999", "1"}});
  GraphData data(kUs);
  data.GetMonthDate(rows.list);
  EXPECT_EQ(data.graphYear(), 2001);
  EXPECT_EQ(data.monthTotal(12), Money::fromWhole(10));
  EXPECT_EQ(data.monthTotal(3), Money());
  EXPECT_TRUE(data.anotherYearDetected());
  EXPECT_EQ(data.anotherYearCaption(),
            " Another Year detected in loaded Profiles - not graphed : 12/31/2000 : 03/01/1999");
  EXPECT_EQ(data.GetColumnNetPay(rows.list), 151.0);  // other years count in the Y-T-D total
  data.reset();
  EXPECT_FALSE(data.anotherYearDetected());
  EXPECT_EQ(data.anotherYearCaption(), " Another Year detected in loaded Profiles - not graphed");

  // An archive of other years fills the caption up to its bound, no further.
  std::vector<std::pair<const char*, const char*>> years(1000, {"12/31/2000", "1"});
  years.insert(years.begin(), {"01/05/2001", "100"});
  Rows archive(years);
  data.reset();
  data.GetMonthDate(archive.list);
  EXPECT_EQ(data.anotherYearCaption().size(), kMaxAnotherYearCaption);
  EXPECT_TRUE(data.anotherYearCaption().startsWith(QLatin1String(kAnotherYearCaption) + " : 12/31/2000 : 12/31/2000"));
  data.reset();
  EXPECT_EQ(data.graphYear(), 0);
  EXPECT_EQ(data.monthTotal(1), Money());
}

TEST(GraphData, RowsThatAddNothingToTheMonths) {
  Rows rows({{"no date", "7"},          // year 0 sets nothing yet; month 0 is ignored
             {"05/01/2001", "100"},     // sets the year
             {"05/02/2001", "n/a"},     // not an amount: nothing, not the previous row's 100
             {"13/01/2001", "9"},       // month 13
             {"5/03/2001", "\"1,000.25\""}});
  GraphData data(kUs);
  data.GetMonthDate(rows.list);
  EXPECT_EQ(data.graphYear(), 2001);
  EXPECT_EQ(data.monthTotal(5), money(1100.25));
  Money sum;
  for (const Money& m : data.monthTotals()) sum += m;
  EXPECT_EQ(sum, money(1100.25));
  EXPECT_DOUBLE_EQ(data.GetColumnNetPay(rows.list), 1116.25);
}

TEST(GraphData, HighestAndLowestMonth) {
  struct Case {
    std::vector<std::pair<int, double>> months;
    double highest, lowest;
  };
  const Case cases[] = {
      {{}, 0, 0},
      {{{3, 400}}, 400, 0},
      {{{1, 300}, {2, 500}, {3, 500}}, 500, 300},
      {{{1, 500}, {2, 500}}, 500, 0},
      {{{1, -20}, {2, 0.5}}, 0.5, -20},
      {{{4, -20}}, 0, -20},  // a loss lies below a highest month of 0
  };
  for (const Case& c : cases) {
    GraphData data(kUs);
    for (const auto& [month, amount] : c.months) data.AddMonthTotal(static_cast<int16_t>(month), money(amount));
    data.setHighestMonth(money(data.GetHighestMonth()));
    EXPECT_EQ(data.GetHighestMonth(), c.highest);
    EXPECT_EQ(data.GetLowestMonth(), c.lowest);
  }
}

TEST(GraphData, YearlyAverageHasNoCents) {
  GraphData data(kUs);
  data.computeYearlyAverage(QStringLiteral("$1,234.50"));
  EXPECT_EQ(data.yearlyAverage(), Money());  // no earning month: kept
  for (int month : {1, 2, 3, 4}) data.AddMonthTotal(static_cast<int16_t>(month), money(308.625));
  data.computeYearlyAverage(QStringLiteral("$1,234.50"));
  EXPECT_EQ(data.yearlyAverage(), Money::fromWhole(308));
  data.reset();
  EXPECT_EQ(data.yearlyAverage(), Money::fromWhole(308));  // the reset keeps it
}

TEST(GraphData, EmptyList) {
  ProfileTable list;
  GraphData data(kUs);
  data.GetMonthDate(list);
  data.setHighestMonth(money(data.GetHighestMonth()));
  EXPECT_EQ(data.GetColumnNetPay(list), 0.0);
  EXPECT_EQ(data.GetHighestMonth(), 0.0);
  EXPECT_EQ(data.GetLowestMonth(), 0.0);
  EXPECT_EQ(data.graphYear(), 0);
}

// The short path for plain amounts must read exactly what the regional reading does.
TEST(CellAmounts, PlainTextReadsAsTheRegionalReadingDoes) {
  const char* const texts[] = {"0", "87.50", "-12.5", "007", "1.23456", "99999999999999.9999", "123456789012345",
                               "1,234.5", "$1,234.56", "1.234,56", "12.", ".5", "-", "1e3", " 5 ", "", "abc"};
  for (const QLocale& locale : {kUs, QLocale(QLocale::German, QLocale::Germany)}) {
    const CellAmounts amounts(locale);
    for (const char* text : texts) {
      EXPECT_EQ(amounts.money(text), core::readMoney(QString::fromLatin1(text), locale)) << text;
      EXPECT_EQ(amounts.number(text), core::readLocaleNumber(QString::fromLatin1(text), locale)) << text;
    }
  }
}

TEST(CellReading, YearAndMonthOfADate) {
  struct Case {
    const char* date;
    int year, month;
  };
  const Case cases[] = {{"03/15/2001", 2001, 3}, {"3/15/2001", 2001, 3}, {"12/31/2000", 2000, 12},
                        {"", 0, 0},          {"x/y/abcd", 0, 0},      {"1/1/9E99", 0, 1},
                        {"01/01/ 201", 201, 1}, {"01/16/25", 2025, 1}, {"3/7/29", 2029, 3},
                        {"03/15/01", 2001, 3}, {"12/31/99", 1999, 12}, {"12-31-30", 1930, 12},
                        {"1.2.5", 2005, 1},  {"01/16/0025", 25, 1},   {"25", 25, 25}};
  for (const Case& c : cases) {
    EXPECT_EQ(dateYear(c.date), c.year) << c.date;
    EXPECT_EQ(dateMonth(c.date), c.month) << c.date;
  }
}

TEST(CellReading, NoRegionalSettingsMeanUsEnglish) {
  const QLocale saved;
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(regionalLocale(), kUs);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(regionalLocale().decimalPoint(), ",");
  QLocale::setDefault(saved);
}

}  // namespace
}  // namespace coravel

namespace coravel {
namespace {

// The shipped sample tree, end to end: two jobs of 2025 and a few shifts of
// December 2024 in an archive folder searched after the 2025 file.
TEST(GraphData, SampleProfiles) {
  ProfileTable list;
  ProfileLoader loader(list);
  loader.loadAppPath(QStringLiteral(SAMPLES_DIR "/profiles"));
  EXPECT_EQ(loader.filesRead(), 3);
  EXPECT_EQ(list.itemCount(), 320);
  GraphData data(kUs);
  data.GetMonthDate(list);
  data.setHighestMonth(Money::fromDouble(data.GetHighestMonth()));
  EXPECT_EQ(data.graphYear(), 2025);
  EXPECT_EQ(data.anotherYearCaption(), QString::fromLatin1(kAnotherYearCaption) + " : 12/27/2024 : 12/31/2024");
  EXPECT_EQ(data.monthTotal(1), money(2640.00));
  EXPECT_EQ(data.monthTotal(8), money(3050.05));
  EXPECT_EQ(data.GetHighestMonth(), 4412.43);
  EXPECT_EQ(data.GetLowestMonth(), 2293.50);
  const double ytd = data.GetColumnNetPay(list);
  EXPECT_DOUBLE_EQ(ytd, 43558.54);
  data.computeYearlyAverage(core::formatCurrency(ytd, kUs));
  EXPECT_EQ(data.yearlyAverage(), Money::fromWhole(3629));
}

}  // namespace
}  // namespace coravel
