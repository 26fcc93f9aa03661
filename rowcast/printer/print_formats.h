#pragma once
// The locale's way of writing the printout's numbers and dates.
#include <QLocale>
#include <QString>

namespace rowcast {

// "#,##0.00" with the locale's separators: grouped, exactly two decimals
// (1234.5 -> "1,234.50" in the US, "1.234,50" in Germany). Halves round away
// from zero, as the platform's format function does.
QString formatGroupedNumber(double value, const QLocale& locale);

// The first column of a row printed above 11 points: a text that reads as a
// date becomes "mm/dd/yy" with the locale's date separator. Anything else,
// plain numbers included, prints as it is: a number is not taken for a day
// count, which would turn "12" into a date in 1899.
class ShortDateCell {
 public:
  explicit ShortDateCell(const QLocale& locale);
  QString format(const QString& text) const;

 private:
  QLocale locale_;
  QChar separator_;
};

}  // namespace rowcast
