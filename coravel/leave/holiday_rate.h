#pragma once
// How the holiday pay rate follows from the hourly rate: the four pay factors
// and the cut to whole cents.

namespace coravel {

enum class HolidayFactor { AtCurrentRate, TimeAndAHalf, DoubleTime, DoubleTimeAndAHalf };

// The holiday rate per hour for the hourly `rate`, in double precision.
double holidayAmount(HolidayFactor factor, double rate);

// `amount` written as a number text and cut to whole cents by core::noRound,
// as the window shows a computed rate. An amount past the double range stays
// as it is.
double cutToCents(double amount);

}  // namespace coravel
