#pragma once
// Reading numbers out of text without regard to the user's regional settings.
#include <QStringView>
#include <optional>

namespace core {

// The lenient reading: blanks, tabs and line feeds are skipped anywhere; an
// optional sign, digits with at most one "." and an optional exponent (E or D,
// optional sign, digits) form the number; the first other character ends it.
// "&H" and "&O" start hexadecimal and octal whole numbers. Text that starts
// with no number reads as 0. Never fails. A hexadecimal or octal value that
// fits 16 bits is a signed 16-bit number ("&HFFFF" is -1), one that fits 32
// bits a signed 32-bit number. Magnitudes past the double range read as the
// largest double of that sign; too small ones read as 0.
double readLenientNumber(QStringView text);

// The strict reading used for coercions: the whole text, blanks at either end
// allowed, must be one number in the form above, with no blanks inside and
// digits after any exponent letter. Nothing when it is not.
std::optional<double> readStrictNumber(QStringView text);

}  // namespace core
