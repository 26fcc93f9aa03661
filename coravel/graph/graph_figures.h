#pragma once
// What the graph's refresh reads of the loaded rows: the year, the month
// totals and the statistics derived from the list, with the two figures the
// refresh sets (the highest month and the yearly average). The window
// answers from its list; tests give fixed figures.
#include <QString>
#include <cstdint>

#include "core/money.h"

namespace coravel {

class GraphFigures {
 public:
  virtual ~GraphFigures() = default;

  // Detects the year and sums the month totals from the list.
  virtual void GetMonthDate() = 0;
  virtual core::Money MonthTotal(int month) const = 0;  // month 1 to 12
  virtual int32_t GraphYear() const = 0;
  // The highest month total, at least 0.
  virtual double GetHighestMonth() = 0;
  virtual void setHighestMonth(core::Money amount) = 0;
  // The lowest non-zero month strictly below the highest month, else 0.
  virtual double GetLowestMonth() = 0;
  // The Y-T-D total of every row of the list.
  virtual double GetColumnNetPay() = 0;
  // The yearly average from the Y-T-D total as lblNetPayTotal2 shows it.
  virtual void computeYearlyAverage(const QString& netPayTotalShown) = 0;
  virtual core::Money YearlyAverage() const = 0;
};

}  // namespace coravel
