#pragma once
// The figures the yearly graph shows, derived from the rows of its list: the
// year graphed, twelve month totals, the year-to-date total, the highest and
// lowest month and the yearly average, and the warning about rows of another
// year. Month totals are summed in money values, so they carry no drift.
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>

#include "core/money.h"
#include "coravel/graph/profile_table.h"

namespace coravel {

// lblDetectedAnotherYear's caption after a reset (the leading blank belongs to it).
inline constexpr char kAnotherYearCaption[] = " Another Year detected in loaded Profiles - not graphed";
// The label shows a line of it; past this many characters the caption stops
// growing, so that a huge Date cell or an archive of other years cannot make
// the window take seconds to paint.
inline constexpr qsizetype kMaxAnotherYearCaption = 4096;

class GraphData {
 public:
  // Money and numbers are read with `locale` (see regionalLocale()).
  explicit GraphData(const QLocale& locale);

  // ResetGraph's share: month totals, HighestMonth and GraphYear to 0, the
  // warning hidden with its caption restored. YearlyAverage stays.
  void reset();

  // Takes GraphYear from the first row with a year, adds each row of that
  // year to its month, and notes the rows of other years in the warning.
  // Adds to the totals already held: a reset comes before each load.
  void GetMonthDate(const ProfileTable& list);
  // Adds `amount` to month 1 to 12; any other month is ignored.
  void AddMonthTotal(int16_t month, core::Money amount);
  // Y-T-D: Total Pay of every row, other years included; cells that are not
  // numbers add nothing.
  double GetColumnNetPay(const ProfileTable& list) const;
  // The highest month total, 0 when none is above 0.
  double GetHighestMonth() const;
  // The lowest non-zero month total strictly below HighestMonth, 0 when none is.
  double GetLowestMonth() const;
  // The yearly average from the Y-T-D total as lblNetPayTotal2 shows it (a
  // currency text): its whole units divided by the months that are not 0,
  // truncated. With no such month the average keeps its value.
  void computeYearlyAverage(const QString& netPayTotalText);

  int32_t graphYear() const { return graphYear_; }
  void setGraphYear(int32_t year) { graphYear_ = year; }
  // Month 1 to 12.
  core::Money monthTotal(int month) const { return monthTotals_.at(static_cast<size_t>(month - 1)); }
  const std::array<core::Money, 12>& monthTotals() const { return monthTotals_; }
  core::Money highestMonth() const { return highestMonth_; }
  void setHighestMonth(core::Money amount) { highestMonth_ = amount; }
  core::Money yearlyAverage() const { return yearlyAverage_; }

  bool anotherYearDetected() const { return anotherYearDetected_; }
  // The reset caption followed by " : " and the Date of each row of another
  // year, cut at kMaxAnotherYearCaption characters.
  const QString& anotherYearCaption() const { return anotherYearCaption_; }

  const QLocale& locale() const { return locale_; }

 private:
  QLocale locale_;
  std::array<core::Money, 12> monthTotals_{};
  int32_t graphYear_ = 0;
  core::Money highestMonth_;
  core::Money yearlyAverage_;
  bool anotherYearDetected_ = false;
  QString anotherYearCaption_;
};

}  // namespace coravel
