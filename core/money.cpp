#include "core/money.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/fault.h"

namespace core {
namespace {

// Builds a signed amount from its magnitude; nothing when it leaves int64.
bool signedFromMagnitude(uint64_t magnitude, bool negative, int64_t* out) {
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (negative) {
    if (magnitude > kMaxPositive + 1) return false;
    *out = magnitude == kMaxPositive + 1 ? std::numeric_limits<int64_t>::min()
                                         : -static_cast<int64_t>(magnitude);
  } else {
    if (magnitude > kMaxPositive) return false;
    *out = static_cast<int64_t>(magnitude);
  }
  return true;
}

uint64_t magnitudeOf(int64_t v) {
  return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

}  // namespace

// The amount rounded is the shortest decimal that reads back as the same
// double, i.e. the number as it was typed or printed: 0.00005 is a half and
// goes to even (0), 0.00015 goes to 0.0002. Rounding the double's exact
// binary value instead would move such typed halves by accident of
// representation.
Money Money::fromDouble(double amount) {
  if (!std::isfinite(amount)) throw FaultError(kOverflow);
  if (amount == 0.0) return {};

  char sci[40];
  auto r = std::to_chars(sci, sci + sizeof(sci), amount, std::chars_format::scientific);
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[20];
  int count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  ++p;
  if (*p == '+') ++p;
  int exponent = 0;
  std::from_chars(p, r.ptr, exponent);

  // The amount is 0.d1d2d3... * 10^(exponent + 1); in ten-thousandths the
  // first `whole` digits form the integer part.
  const int whole = exponent + 1 + 4;
  if (whole > 19) throw FaultError(kOverflow);
  uint64_t magnitude = 0;
  for (int i = 0; i < whole; ++i) {
    const uint64_t d = i < count ? static_cast<uint64_t>(digits[i] - '0') : 0;
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
        __builtin_add_overflow(magnitude, d, &magnitude))
      throw FaultError(kOverflow);
  }
  // First dropped digit and whether anything non-zero follows it.
  int dropped = 0;
  bool beyond = false;
  if (whole >= 0) {
    dropped = whole < count ? digits[whole] - '0' : 0;
    for (int i = whole + 1; i < count; ++i) beyond |= digits[i] != '0';
  } else {
    beyond = true;  // the amount is under 0.00001, below any half
  }
  if (dropped > 5 || (dropped == 5 && (beyond || (magnitude & 1u))))
    if (__builtin_add_overflow(magnitude, 1u, &magnitude)) throw FaultError(kOverflow);

  int64_t raw = 0;
  if (!signedFromMagnitude(magnitude, negative, &raw)) throw FaultError(kOverflow);
  return fromRaw(raw);
}

int64_t Money::toWholeUnits() const {
  int64_t units = raw_ / kScale;
  const int64_t rest = raw_ % kScale;  // same sign as raw_
  const int64_t half = kScale / 2;
  if (rest > half || (rest == half && (units & 1))) ++units;
  else if (rest < -half || (rest == -half && (units & 1))) --units;
  return units;
}

Money Money::operator+(Money other) const {
  int64_t sum;
  if (__builtin_add_overflow(raw_, other.raw_, &sum)) throw FaultError(kOverflow);
  return fromRaw(sum);
}

Money Money::operator-(Money other) const {
  int64_t difference;
  if (__builtin_sub_overflow(raw_, other.raw_, &difference)) throw FaultError(kOverflow);
  return fromRaw(difference);
}

QString Money::toPlainText() const {
  const uint64_t magnitude = magnitudeOf(raw_);
  char out[32];
  char* p = out;
  if (raw_ < 0) *p++ = '-';
  p = std::to_chars(p, out + sizeof(out), magnitude / kScale).ptr;
  unsigned fraction = static_cast<unsigned>(magnitude % kScale);
  if (fraction != 0) {
    *p++ = '.';
    for (unsigned div = 1000; fraction != 0; div /= 10) {
      *p++ = static_cast<char>('0' + fraction / div);
      fraction %= div;
    }
  }
  return QString::fromLatin1(out, p - out);
}

}  // namespace core
