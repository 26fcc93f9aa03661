#include "rowcast/printer/print_formats.h"

#include "core/regional_format.h"

namespace rowcast {

// The pattern's rounding comes from core; only its fixed "," "." and "-"
// change into the locale's symbols.
QString formatGroupedNumber(double value, const QLocale& locale) {
  const QString fixed = core::formatPattern(value, QStringLiteral("#,##0.00"));
  const QString group = locale.groupSeparator();
  const QString decimal = locale.decimalPoint();
  const QString minus = locale.negativeSign();
  QString text;
  text.reserve(fixed.size() + 2);
  for (QChar c : fixed) {
    if (c == u',') text += group;
    else if (c == u'.') text += decimal;
    else if (c == u'-') text += minus;
    else text += c;
  }
  return text;
}

namespace {

// The first character between the fields of the locale's short date.
QChar dateSeparatorOf(const QLocale& locale) {
  for (QChar c : locale.dateFormat(QLocale::ShortFormat))
    if (!c.isLetter() && c != u'\'' && !c.isSpace()) return c;
  return u'/';
}

}  // namespace

ShortDateCell::ShortDateCell(const QLocale& locale) : locale_(locale), separator_(dateSeparatorOf(locale)) {}

QString ShortDateCell::format(const QString& text) const {
  const QDate date = core::readLocaleDate(text, locale_);
  if (!date.isValid()) return text;
  QString formatted = core::formatShortDate(date);
  formatted.replace(u'/', separator_);
  return formatted;
}

}  // namespace rowcast
