#include "coravel/graph/cell_reading.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/lenient_number.h"
#include "core/regional_format.h"

namespace coravel {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

QString latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// The lenient reading of a few characters.
double leadingNumber(std::string_view part) {
  bool digitsOnly = !part.empty() && part.size() <= 9;
  int value = 0;
  for (char c : part) {
    if (!isDigit(c)) digitsOnly = false;
    else value = value * 10 + (c - '0');
  }
  if (digitsOnly) return value;
  return core::readLenientNumber(latin1(part));
}

template <typename Int>
Int wholeOrZero(double value) {
  const double rounded = std::nearbyint(value);  // halves to even in the default rounding mode
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) return 0;
  return static_cast<Int>(rounded);
}

// "-"? digits ("." digits)? with at most 14 whole digits and 4 decimals:
// the text any locale with a "." decimal point reads as this very amount.
std::optional<int64_t> plainTenThousandths(std::string_view s) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  int64_t raw = 0;
  size_t whole = 0;
  for (; i < s.size() && isDigit(s[i]); ++i, ++whole) raw = raw * 10 + (s[i] - '0');
  if (whole == 0 || whole > 14) return std::nullopt;  // 14 + 4 digits fit 64 bits
  size_t decimals = 0;
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && isDigit(s[i]); ++i, ++decimals) raw = raw * 10 + (s[i] - '0');
    if (decimals == 0 || decimals > 4) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  for (; decimals < 4; ++decimals) raw *= 10;
  return negative ? -raw : raw;
}

}  // namespace

QLocale regionalLocale() {
  QLocale locale;
  if (locale.language() == QLocale::C) return QLocale(QLocale::English, QLocale::UnitedStates);
  return locale;
}

int32_t dateYear(std::string_view date) {
  // "01/16/25": the last four characters would read 6, so a last part of one
  // or two digits is read as the regional date reading reads such years.
  const size_t separator = date.find_last_of("/-. ");
  if (separator != std::string_view::npos) {
    const std::string_view lastPart = date.substr(separator + 1);
    if (!lastPart.empty() && lastPart.size() <= 2 && isDigit(lastPart.front()) && isDigit(lastPart.back()))
      return core::fullYear(static_cast<int>(leadingNumber(lastPart)), static_cast<int>(lastPart.size()));
  }
  const std::string_view last4 = date.size() > 4 ? date.substr(date.size() - 4) : date;
  return wholeOrZero<int32_t>(leadingNumber(last4));
}

int16_t dateMonth(std::string_view date) { return wholeOrZero<int16_t>(leadingNumber(date.substr(0, 2))); }

CellAmounts::CellAmounts(const QLocale& locale)
    : locale_(locale), pointDecimal_(locale.decimalPoint() == QLatin1String(".")) {}

std::optional<core::Money> CellAmounts::money(std::string_view cell) const {
  if (pointDecimal_)
    if (std::optional<int64_t> raw = plainTenThousandths(cell)) return core::Money::fromRaw(*raw);
  return core::readMoney(latin1(cell), locale_);
}

std::optional<double> CellAmounts::number(std::string_view cell) const {
  if (pointDecimal_) {
    if (std::optional<int64_t> raw = plainTenThousandths(cell)) {
      double value = 0;
      std::from_chars(cell.data(), cell.data() + cell.size(), value);
      return value;
    }
  }
  return core::readLocaleNumber(latin1(cell), locale_);
}

}  // namespace coravel
