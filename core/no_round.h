#pragma once
// Cutting an amount to whole hundredths (cents) without ever rounding up.
#include <QStringView>

namespace core {

// The number at the start of `text` (lenient reading) cut after two decimals
// toward minus infinity: "12.349" gives 12.34, "-1.234" gives -1.24, letters
// give 0. The cut is made on the shortest decimal text that reads back as the
// same double, so the decimal value the number stands for is cut: "4.35"
// stays 4.35 although 4.35 * 100 is 434.99999999999994 in binary.
double noRound(QStringView text);

// `value` cut the same way. Infinities and not-a-number stay as they are.
double cutToHundredths(double value);

}  // namespace core
