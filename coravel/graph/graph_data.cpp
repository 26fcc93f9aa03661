#include "coravel/graph/graph_data.h"

#include <algorithm>
#include <cmath>

#include "core/fault.h"
#include "core/regional_format.h"
#include "coravel/graph/cell_reading.h"

namespace coravel {

GraphData::GraphData(const QLocale& locale) : locale_(locale) { reset(); }

void GraphData::reset() {
  monthTotals_.fill(core::Money());
  highestMonth_ = core::Money();
  graphYear_ = 0;
  anotherYearDetected_ = false;
  anotherYearCaption_ = QString::fromLatin1(kAnotherYearCaption);
}

void GraphData::GetMonthDate(const ProfileTable& list) {
  const CellAmounts amounts(locale_);
  const int rows = list.itemCount();
  for (int item = 0; item < rows; ++item) {
    std::string_view row[ProfileTable::kTotalPayColumn + 1];
    list.leadingCells(item, row, ProfileTable::kTotalPayColumn + 1);
    const std::string_view date = row[ProfileTable::kDateColumn];
    const int32_t year = dateYear(date);
    if (graphYear_ == 0) {
      graphYear_ = year;
    } else if (year != graphYear_) {
      anotherYearDetected_ = true;
      if (anotherYearCaption_.size() < kMaxAnotherYearCaption) {
        const auto room = static_cast<size_t>(kMaxAnotherYearCaption - anotherYearCaption_.size());
        const std::string_view shown = date.substr(0, room);  // never copies a huge cell whole
        anotherYearCaption_ += QLatin1String(" : ");
        anotherYearCaption_ += QLatin1String(shown.data(), static_cast<qsizetype>(shown.size()));
        anotherYearCaption_.truncate(kMaxAnotherYearCaption);
      }
      continue;
    }
    // A Total Pay that is not an amount adds nothing, as it adds nothing to the Y-T-D total.
    const std::optional<core::Money> amount = amounts.money(row[ProfileTable::kTotalPayColumn]);
    if (!amount) continue;
    try {
      AddMonthTotal(dateMonth(date), *amount);
    } catch (const core::FaultError&) {
      // A month total past the money range keeps its value; the row is skipped.
    }
  }
}

void GraphData::AddMonthTotal(int16_t month, core::Money amount) {
  if (month < 1 || month > 12) return;
  core::Money& total = monthTotals_[static_cast<size_t>(month - 1)];
  total = total + amount;
}

// Summed with compensation, so a million cents add up to the cent.
double GraphData::GetColumnNetPay(const ProfileTable& list) const {
  if (list.columnCount() < ProfileTable::kTotalPayColumn + 1) return 0;
  const CellAmounts amounts(locale_);
  double sum = 0, compensation = 0;
  const int rows = list.itemCount();
  for (int item = 0; item < rows; ++item) {
    const std::optional<double> value = amounts.number(list.cell(item, ProfileTable::kTotalPayColumn));
    if (!value) continue;
    const double next = sum + *value;
    compensation += std::fabs(sum) >= std::fabs(*value) ? (sum - next) + *value : (*value - next) + sum;
    sum = next;
  }
  return sum + compensation;
}

double GraphData::GetHighestMonth() const {
  double highest = 0;
  for (int month = 12; month >= 1; --month) highest = std::max(highest, monthTotal(month).toDouble());
  return highest;
}

double GraphData::GetLowestMonth() const {
  double lowest = 0;
  double bound = highestMonth_.toDouble();
  for (int month = 12; month >= 1; --month) {
    const double v = monthTotal(month).toDouble();
    if (v != 0 && v < bound) {
      bound = v;
      lowest = v;
    }
  }
  return lowest;
}

void GraphData::computeYearlyAverage(const QString& netPayTotalText) {
  int64_t count = 0;
  for (const core::Money& total : monthTotals_)
    if (total != core::Money()) ++count;
  if (count == 0) return;
  const std::optional<core::Money> ytd = core::readMoney(netPayTotalText, locale_);
  if (!ytd) return;
  yearlyAverage_ = core::Money::fromWhole(ytd->toWholeUnits() / count);
}

}  // namespace coravel
