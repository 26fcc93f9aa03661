#pragma once
// Conversions and formats that follow the user's regional settings (a
// QLocale; regionalLocale() unless a caller passes another), and the fixed
// patterns the windows and printouts use.
#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

#include "core/money.h"

namespace core {

// The user's regional settings: the default locale (the system's unless the
// host chose another). C or POSIX means no region was chosen, as on many
// servers and containers; then the host's home conventions hold, en_US.
QLocale regionalLocale(const QLocale& chosen = QLocale());

// The locale's currency format with two decimals: its symbol placement,
// grouping and negative style ("$1,234.56", "($5.00)"; "-5,00 €" in Germany).
// An amount that rounds to zero shows no sign. Money rounds its cents halves
// away from zero exactly; a double rounds its exact binary value the same way
// (2.675 -> "$2.67").
QString formatCurrency(Money amount, const QLocale& locale = regionalLocale());
QString formatCurrency(double amount, const QLocale& locale = regionalLocale());

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

// Reads money the way the locale writes it, so formatCurrency's texts read
// back: currency symbol, grouping and the locale's decimal separator
// accepted, as well as a plain number; a minus sign before or after, or
// parentheses, make it negative. More than four
// decimals round halves to even. Nothing when the text is not money or the
// amount does not fit.
std::optional<Money> readMoney(const QString& text, const QLocale& locale = regionalLocale());
// Reads a number the way the locale writes it (grouping accepted, a currency
// symbol tolerated, no exponent).
std::optional<double> readLocaleNumber(const QString& text, const QLocale& locale = regionalLocale());
// Reads a date the way the locale writes short dates (or ISO), or with its
// month in words (date_words.h), a time of day after it left out; invalid
// when it is none. Numeric short formats take one- or two-digit days and
// months and two- or four-digit years in the locale's field order; two-digit
// years are 1930 to 2029.
QDate readLocaleDate(const QString& text, const QLocale& locale = regionalLocale());

// The year that a date's year part of `digits` digits names: one or two
// digits name 1930 to 2029, as the platform reads them; more stand as written.
int fullYear(int year, int digits);

}  // namespace core
