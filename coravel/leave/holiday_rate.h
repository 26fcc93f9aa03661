#pragma once
// How the holiday pay rate follows from the hourly rate: the four pay factors
// and the cut to whole cents.
#include <QStringView>

namespace coravel {

enum class HolidayFactor { AtCurrentRate, TimeAndAHalf, DoubleTime, DoubleTimeAndAHalf };

// The holiday rate per hour for the hourly `rate`, in double precision.
double holidayAmount(HolidayFactor factor, double rate);

// NoRound: the number in `text` (lenient reading) cut down to whole cents,
// toward minus infinity, never rounded up: "15.015" gives 15.01.
double noRound(QStringView text);

// `amount` written as a number text and cut by noRound, as the window shows
// a computed rate. An amount past the double range stays as it is.
double cutToCents(double amount);

}  // namespace coravel
