#pragma once
// Reading the Date and Total Pay cells of profile rows (bytes of ISO 8859-1).
#include <QLocale>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/money.h"

namespace coravel {

// The regional settings the graph reads and writes money with: the default
// locale, except that a C or POSIX locale (no regional settings chosen)
// means the host's home conventions, US English.
QLocale regionalLocale();

// The year of a Date cell, month first and year last ("03/15/2001"): the
// number at the start of its last four characters, read leniently; 0 when
// there is none or it does not fit. A last part of one or two digits
// ("01/16/25") is a two-digit year, 1930 to 2029.
int32_t dateYear(std::string_view date);
// The month: the number at the start of its first two characters ("3/15/2001"
// gives 3), halves to even; 0 when there is none or it does not fit 16 bits.
int16_t dateMonth(std::string_view date);

// Amounts read the way the regional settings write money and numbers
// ("1234.56", "$1,234.56"). Plain decimal text takes a short path, since a
// million cells are read per refresh.
class CellAmounts {
 public:
  explicit CellAmounts(const QLocale& locale);

  std::optional<core::Money> money(std::string_view cell) const;
  std::optional<double> number(std::string_view cell) const;

 private:
  QLocale locale_;
  bool pointDecimal_;  // the locale writes "." before decimals
};

}  // namespace coravel
