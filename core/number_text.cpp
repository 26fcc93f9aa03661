#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace core {

QString numberToText(double value) {
  // Not-a-number and the infinities have no text in the platform's own
  // number type; these are the words a reader recognises, and they read back
  // as nothing rather than as a wrong number.
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
  if (value == 0.0) return QStringLiteral("0");  // -0 included

  // Round to 15 significant digits: "d.dddddddddddddde+XX". to_chars, unlike
  // printf, never looks at the C locale.
  char sci[40];
  auto r = std::to_chars(sci, sci + sizeof(sci), value, std::chars_format::scientific, 14);
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[16];
  int count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  ++p;  // 'e'
  if (*p == '+') ++p;
  int exponent = 0;
  std::from_chars(p, r.ptr, exponent);
  while (count > 1 && digits[count - 1] == '0') --count;

  char out[40];
  int n = 0;
  if (negative) out[n++] = '-';
  if (exponent > -5 && exponent < 15) {
    if (exponent < 0) {
      out[n++] = '0';
      out[n++] = '.';
      for (int i = -1; i > exponent; --i) out[n++] = '0';
      for (int i = 0; i < count; ++i) out[n++] = digits[i];
    } else {
      for (int i = 0; i <= exponent; ++i) out[n++] = i < count ? digits[i] : '0';
      if (count > exponent + 1) {
        out[n++] = '.';
        for (int i = exponent + 1; i < count; ++i) out[n++] = digits[i];
      }
    }
  } else {
    out[n++] = digits[0];
    if (count > 1) {
      out[n++] = '.';
      for (int i = 1; i < count; ++i) out[n++] = digits[i];
    }
    out[n++] = 'E';
    out[n++] = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) out[n++] = '0';
    n = static_cast<int>(std::to_chars(out + n, out + sizeof(out), magnitude).ptr - out);
  }
  return QString::fromLatin1(out, n);
}

}  // namespace core
