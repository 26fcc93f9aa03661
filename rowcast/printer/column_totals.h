#pragma once
// The grand totals of columns 4 to 11 (1-based): the sums of their cells, as
// the total line prints them under their columns.
#include <QLocale>
#include <QString>
#include <array>
#include <optional>

namespace rowcast {

class ColumnTotals {
 public:
  static constexpr int kFirstColumn = 4;
  static constexpr int kLastColumn = 11;
  // The order in which the total line prints them.
  static constexpr std::array<int, 8> kPrintOrder = {4, 5, 6, 7, 8, 10, 9, 11};

  explicit ColumnTotals(const QLocale& locale);

  static bool isSummed(int column) { return column >= kFirstColumn && column <= kLastColumn; }

  // Adds a cell read the way the locale writes numbers and money; a cell that
  // is not a number (empty, words) adds nothing. The number read is added as
  // it is: reading it back through a period-only reader, as earlier releases
  // did, dropped the fraction wherever the decimal separator is a comma.
  void add(int column, const QString& cell);
  // Columns 4 to 6 as "#,##0.00", 7 to 11 in the locale's currency format.
  // Columns 4, 9 and 11 start at zero; the others print nothing until they
  // receive a number, so a short list does not stack zeros over the label.
  QString text(int column) const;
  std::optional<double> sum(int column) const { return sums_[index(column)]; }

 private:
  static size_t index(int column) { return size_t(column - kFirstColumn); }

  QLocale locale_;
  std::array<std::optional<double>, 8> sums_;
};

}  // namespace rowcast
