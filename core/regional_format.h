#pragma once
// Conversions and formats that follow the user's regional settings (a
// QLocale; QLocale::system() unless a caller passes another), and the fixed
// patterns the windows and printouts use.
#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

#include "core/money.h"

namespace core {

// The locale's currency format with two decimals ("$1,234.56", "-$5.00").
// Negative amounts are the locale's minus sign before the positive text,
// whatever negative form the locale table carries; an amount that rounds to
// zero shows no sign. Money rounds its cents halves away from zero exactly;
// a double rounds its exact binary value the same way (2.675 -> "$2.67").
QString formatCurrency(Money amount, const QLocale& locale = QLocale::system());
QString formatCurrency(double amount, const QLocale& locale = QLocale::system());

// Fixed patterns, independent of the locale: "." decimal point, "," grouping.
// "#0.00": at least one integer digit, two decimals (18.75 -> "18.75", 0 -> "0.00").
// "#,##0.00": grouped, two decimals ("1,234.50").
// "$#,###": "$" and the grouped whole number, no decimals; 0 gives "$".
// Halves round away from zero, as the platform's format function does, on
// the double's exact binary value (0.125 -> "0.13", 2.675 -> "2.67"). A value
// that rounds to zero shows no sign. Any other pattern throws fault 5.
QString formatPattern(double value, const QString& pattern);

// "mm/dd/yy" of a date.
QString formatShortDate(const QDate& date);

// Reads money the way the locale writes it: currency symbol, grouping and the
// locale's decimal separator accepted, as well as a plain number; a minus
// sign before or after, or parentheses, make it negative. More than four
// decimals round halves to even. Nothing when the text is not money or the
// amount does not fit.
std::optional<Money> readMoney(const QString& text, const QLocale& locale = QLocale::system());
// Reads a number the way the locale writes it (grouping accepted, a currency
// symbol tolerated, no exponent).
std::optional<double> readLocaleNumber(const QString& text, const QLocale& locale = QLocale::system());
// Reads a date the way the locale writes short dates (or ISO); invalid when it
// is none. Numeric short formats take one- or two-digit days and months and
// two- or four-digit years in the locale's field order; two-digit years are
// 1930 to 2029.
QDate readLocaleDate(const QString& text, const QLocale& locale = QLocale::system());

}  // namespace core
