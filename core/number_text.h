#pragma once
#include <QString>

namespace core {

// The shortest decimal text of `value` with at most 15 significant digits:
// "." as the decimal point, no grouping, "-" for negatives, no point for whole
// numbers, and the exponent form for very large or very small magnitudes
// (12.5 -> "12.5", 31 -> "31", 0.00001 -> "1E-05", 1e15 -> "1E+15").
// Fixed notation while the decimal exponent after rounding lies in -4..14.
// Not-a-number gives "NaN", the infinities "Infinity" and "-Infinity".
QString numberToText(double value);

}  // namespace core
