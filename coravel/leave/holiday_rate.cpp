#include "coravel/leave/holiday_rate.h"

#include <cmath>

#include "core/no_round.h"
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

double cutToCents(double amount) {
  if (!std::isfinite(amount)) return amount;
  return core::noRound(core::numberToText(amount));
}

}  // namespace coravel
