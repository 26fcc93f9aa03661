#include "coravel/leave/holiday_rate.h"

#include <QString>
#include <cmath>

#include "core/lenient_number.h"
#include "core/number_text.h"

namespace coravel {

double holidayAmount(HolidayFactor factor, double rate) {
  switch (factor) {
    case HolidayFactor::AtCurrentRate: return rate;
    case HolidayFactor::TimeAndAHalf: return rate + rate / 2;
    case HolidayFactor::DoubleTime: return rate * 2;
    case HolidayFactor::DoubleTimeAndAHalf: return rate * 2 + rate / 2;
  }
  return rate;
}

double noRound(QStringView text) {
  const double value = core::readLenientNumber(text);
  const double cents = value * 100;
  if (!std::isfinite(cents)) return value;
  // The product carries the binary error of the value: 4.35 * 100 is
  // 434.99999999999994, which floor alone would cut to 4.34. Read at the 15
  // digits that a number text holds, it is the 435 cents that were typed.
  return std::floor(QString::number(cents, 'g', 15).toDouble()) / 100;
}

double cutToCents(double amount) {
  if (!std::isfinite(amount)) return amount;
  return noRound(core::numberToText(amount));
}

}  // namespace coravel
