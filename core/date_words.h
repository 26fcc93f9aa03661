#pragma once
// The forms of a date that a list may hold beyond the locale's numeric short
// date: the month in words ("January 2, 2024", "2 Jan 2024", "Tue, Jan. 2,
// 24") and a time after the date ("1/2/24 10:30 PM"). The printout reads its
// first column with these, so that every date takes the short pattern.
#include <QDate>
#include <QLocale>
#include <QStringView>

namespace core {

// `s` without a time of day after its date: "h:mm", "h:mm:ss" (with a
// fraction), then an optional AM/PM mark (the locale's, or "am", "pm",
// "a.m.", "p.m."), after a blank, a comma or "T". `s` itself when it ends in
// no such time.
QStringView withoutTrailingTime(QStringView s, const QLocale& locale);

// A date whose month is a word of the locale (its long or abbreviated name,
// any letter case, a trailing point allowed), with a day of one or two digits
// and a year of two or four digits in either order around it ("2 January
// 2024", "January 2, 2024", "2024 Jan 2"); a weekday name, commas, blanks,
// "/", "-" and "." may stand between them, and English day endings ("2nd").
// Invalid when the text is anything else.
QDate readWordDate(QStringView s, const QLocale& locale);

}  // namespace core
