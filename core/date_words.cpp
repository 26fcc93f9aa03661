#include "core/date_words.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

#include "core/regional_format.h"

namespace core {
namespace {

// A word without its trailing points, in lower case, as names are compared.
QString folded(QStringView word) {
  while (word.endsWith(u'.')) word.chop(1);
  return word.toString().toLower();
}

struct DateWords {
  QLocale locale;
  std::vector<std::pair<QString, int>> months;  // folded name, month number
  QStringList weekdays;                         // folded names
  QStringList dayPeriods;                       // folded AM/PM marks
};

DateWords makeDateWords(const QLocale& locale) {
  DateWords words;
  words.locale = locale;
  for (int month = 1; month <= 12; ++month)
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
      words.months.emplace_back(folded(locale.monthName(month, type)), month);
      words.months.emplace_back(folded(locale.standaloneMonthName(month, type)), month);
    }
  for (int day = 1; day <= 7; ++day)
    for (QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
      words.weekdays << folded(locale.dayName(day, type)) << folded(locale.standaloneDayName(day, type));
    }
  words.dayPeriods << folded(locale.amText()) << folded(locale.pmText()) << QStringLiteral("am")
                   << QStringLiteral("pm") << QStringLiteral("a.m") << QStringLiteral("p.m");
  return words;
}

// Lists of thousands of cells are read with the same locale, call after call.
const DateWords& dateWordsFor(const QLocale& chosen) {
  const QLocale locale = regionalLocale(chosen);
  thread_local DateWords cached = makeDateWords(locale);
  if (!(cached.locale == locale)) cached = makeDateWords(locale);
  return cached;
}

int monthNamed(const DateWords& words, const QString& word) {
  for (const auto& [name, month] : words.months)
    if (!name.isEmpty() && name == word) return month;
  return 0;
}

bool isEnglishDayEnding(const QString& word) {
  return word == u"st" || word == u"nd" || word == u"rd" || word == u"th";
}

bool isSeparator(QChar c) {
  return c.isSpace() || c == u',' || c == u'/' || c == u'-' || c == u'.' || c.unicode() == 0x200E ||
         c.unicode() == 0x200F;
}

struct Number {
  int value = 0;
  int digits = 0;
};

}  // namespace

QStringView withoutTrailingTime(QStringView s, const QLocale& locale) {
  static const QRegularExpression time(
      QStringLiteral(R"(^(.*\S)[\s,T]+\d{1,2}:\d{2}(?::\d{2}(?:[.,]\d+)?)?(?:\s*([^\d\s:]{1,8}))?\s*$)"));
  if (!s.contains(u':')) return s;  // most cells: no time, no pattern run
  const QRegularExpressionMatch match = time.match(s.toString());
  if (!match.hasMatch()) return s;
  if (match.hasCaptured(2) && !dateWordsFor(locale).dayPeriods.contains(folded(match.capturedView(2)))) return s;
  return s.sliced(match.capturedStart(1), match.capturedLength(1));
}

QDate readWordDate(QStringView s, const QLocale& locale) {
  const DateWords& words = dateWordsFor(locale);
  std::vector<Number> numbers;
  int month = 0;
  for (qsizetype i = 0; i < s.size();) {
    const QChar c = s[i];
    if (isSeparator(c)) {
      ++i;
    } else if (c.isDigit()) {
      Number number;
      for (; i < s.size() && s[i].isDigit(); ++i, ++number.digits) {
        if (number.digits == 4) return {};
        number.value = number.value * 10 + s[i].digitValue();
      }
      numbers.push_back(number);
    } else if (c.isLetter()) {
      qsizetype end = i;
      while (end < s.size() && (s[end].isLetter() || s[end].isMark())) ++end;
      while (end < s.size() && s[end] == u'.') ++end;
      const QString word = folded(s.sliced(i, end - i));
      const bool afterNumber = i > 0 && s[i - 1].isDigit();
      if (const int named = monthNamed(words, word); named != 0) {
        if (month != 0) return {};
        month = named;
      } else if (!(afterNumber && isEnglishDayEnding(word)) && !words.weekdays.contains(word)) {
        return {};
      }
      i = end;
    } else {
      return {};
    }
  }
  if (month == 0 || numbers.size() != 2) return {};
  const bool yearFirst = numbers[0].digits > 2;
  const Number day = numbers[yearFirst ? 1 : 0];
  const Number year = numbers[yearFirst ? 0 : 1];
  if (day.digits > 2 || (year.digits != 2 && year.digits != 4)) return {};
  return QDate(fullYear(year.value, year.digits), month, day.value);
}

}  // namespace core
