#pragma once
// A money amount: a signed 64-bit count of ten-thousandths of a unit, so sums
// are exact. Bringing an amount to a whole number rounds halves to even.
#include <QString>
#include <cstdint>
#include <optional>

namespace core {

class Money {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Money() = default;
  static constexpr Money fromRaw(int64_t tenThousandths) { Money m; m.raw_ = tenThousandths; return m; }
  static constexpr Money fromWhole(int64_t units) { return fromRaw(units * kScale); }
  // Rounds to the nearest ten-thousandth, halves to even; fault 6 (overflow)
  // when the amount does not fit.
  static Money fromDouble(double amount);

  constexpr int64_t raw() const { return raw_; }
  double toDouble() const { return static_cast<double>(raw_) / kScale; }
  // Nearest whole number of units, halves to even (1234.5 -> 1234, 1235.5 -> 1236).
  int64_t toWholeUnits() const;

  // Exact arithmetic; fault 6 (overflow) past the 64-bit range.
  Money operator+(Money other) const;
  Money operator-(Money other) const;
  Money& operator+=(Money other) { return *this = *this + other; }
  Money& operator-=(Money other) { return *this = *this - other; }
  constexpr auto operator<=>(const Money&) const = default;

  // Plain text with four decimals at most and trailing zeros dropped ("1234.5").
  QString toPlainText() const;

 private:
  int64_t raw_ = 0;
};

}  // namespace core
