#include "rowcast/printer/column_totals.h"

#include "core/regional_format.h"
#include "rowcast/printer/print_formats.h"

namespace rowcast {

ColumnTotals::ColumnTotals(const QLocale& locale) : locale_(locale) {
  for (int column : {4, 9, 11}) sums_[index(column)] = 0.0;
}

void ColumnTotals::add(int column, const QString& cell) {
  const std::optional<double> value = core::readLocaleNumber(cell, locale_);
  if (!value) return;
  std::optional<double>& sum = sums_[index(column)];
  sum = sum.value_or(0.0) + *value;
}

QString ColumnTotals::text(int column) const {
  const std::optional<double>& sum = sums_[index(column)];
  if (!sum) return {};
  return column <= 6 ? formatGroupedNumber(*sum, locale_) : core::formatCurrency(*sum, locale_);
}

}  // namespace rowcast
