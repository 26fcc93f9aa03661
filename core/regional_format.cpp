#include "core/regional_format.h"

#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/date_words.h"
#include "core/fault.h"
#include "core/number_text.h"

namespace core {
namespace {

// ---------------------------------------------------------------------------
// What a locale writes, looked up once and kept for the next call.

enum class DateField : uint8_t { Day, Month, Year };

struct LocaleSymbols {
  QLocale locale;
  QString decimal;
  QString group;
  bool groupIsSpace = false;  // then any blank is taken as a group separator
  QString minus;
  QString plus;
  QString symbol;
  QString isoCode;
  // A currency text is prefix + number + suffix, with the locale's own
  // affixes for negative amounts ("(" and ")" in the US).
  QString currencyPrefix;
  QString currencySuffix;
  QString negativePrefix;
  QString negativeSuffix;
  // Short dates: the order of the numeric fields, and the characters between
  // and around them (literal words such as a year mark included).
  bool numericShortDate = false;
  DateField dateOrder[3] = {DateField::Month, DateField::Day, DateField::Year};
  QString dateSeparators;
};

// Directional marks some locales put around signs and symbols; reading ignores them.
bool isDirectionMark(QChar c) {
  return c.unicode() == 0x200E || c.unicode() == 0x200F || c.unicode() == 0x061C;
}

QString withoutDirectionMarks(QString s) {
  s.removeIf(isDirectionMark);
  return s;
}

void readShortDateFormat(LocaleSymbols& s) {
  const QString format = s.locale.dateFormat(QLocale::ShortFormat);
  int fields = 0;
  bool seen[3] = {false, false, false};
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == u'\'') {  // quoted literal text ("d.MM.yy 'г'."): read past it like a separator
      const qsizetype end = format.indexOf(u'\'', i + 1);
      if (end < 0) return;
      for (QChar literal : QStringView(format).sliced(i + 1, end - i - 1))
        if (!literal.isDigit() && !s.dateSeparators.contains(literal)) s.dateSeparators.append(literal);
      i = end + 1;
      continue;
    }
    if (!c.isLetter()) {
      if (!s.dateSeparators.contains(c)) s.dateSeparators.append(c);
      ++i;
      continue;
    }
    qsizetype run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    DateField field;
    if (c == u'd' && run <= 2) field = DateField::Day;
    else if (c == u'M' && run <= 2) field = DateField::Month;
    else if (c == u'y' && (run == 2 || run == 4)) field = DateField::Year;
    else return;  // names of days or months, eras, ...
    const int index = static_cast<int>(field);
    if (seen[index] || fields == 3) return;
    seen[index] = true;
    s.dateOrder[fields++] = field;
    i += run;
  }
  s.numericShortDate = fields == 3;
}

LocaleSymbols makeSymbols(const QLocale& locale) {
  LocaleSymbols s;
  s.locale = locale;
  s.decimal = withoutDirectionMarks(locale.decimalPoint());
  s.group = withoutDirectionMarks(locale.groupSeparator());
  s.groupIsSpace = s.group.size() == 1 && s.group[0].isSpace();
  s.minus = withoutDirectionMarks(locale.negativeSign());
  s.plus = withoutDirectionMarks(locale.positiveSign());
  s.symbol = withoutDirectionMarks(locale.currencySymbol()).trimmed();
  s.isoCode = locale.currencySymbol(QLocale::CurrencyIsoCode);

  const QString number = locale.toString(1.0, 'f', 2);
  const QString positive = locale.toCurrencyString(1.0, QString(), 2);
  if (const qsizetype at = positive.indexOf(number); at >= 0) {
    s.currencyPrefix = positive.left(at);
    s.currencySuffix = positive.mid(at + number.size());
  } else {
    s.currencyPrefix = locale.currencySymbol();
  }
  const QString negative = locale.toCurrencyString(-1.0, QString(), 2);
  if (const qsizetype at = negative.indexOf(number); at >= 0) {
    s.negativePrefix = negative.left(at);
    s.negativeSuffix = negative.mid(at + number.size());
  } else {
    s.negativePrefix = locale.negativeSign() + s.currencyPrefix;
    s.negativeSuffix = s.currencySuffix;
  }
  readShortDateFormat(s);
  return s;
}

// Lists of thousands of cells are read with the same locale, call after call.
const LocaleSymbols& symbolsFor(const QLocale& chosen) {
  const QLocale locale = regionalLocale(chosen);
  thread_local LocaleSymbols cached = makeSymbols(locale);
  if (!(cached.locale == locale)) cached = makeSymbols(locale);
  return cached;
}

// ---------------------------------------------------------------------------
// Reading numbers the way a locale writes them.

struct LocaleDigits {
  bool negative = false;
  std::string digits;  // ASCII digits with at most one '.'
};

bool startsWith(QStringView s, const QString& word) {
  return !word.isEmpty() && s.startsWith(word, Qt::CaseInsensitive);
}

bool endsWith(QStringView s, const QString& word) {
  return !word.isEmpty() && s.endsWith(word, Qt::CaseInsensitive);
}

bool isMinus(QChar c) { return c == u'-' || c.unicode() == 0x2212; }

// Takes a sign (the locale's, "-", "\u2212" or "+") off the front or the back of `s`.
bool stripSign(QStringView& s, const LocaleSymbols& sym, bool atFront, bool* negative, bool* sawSign) {
  if (*sawSign || s.isEmpty()) return false;
  const QChar edge = atFront ? s.front() : s.back();
  qsizetype length = 0;
  bool minus = false;
  if (atFront ? startsWith(s, sym.minus) : endsWith(s, sym.minus)) length = sym.minus.size(), minus = true;
  else if (isMinus(edge)) length = 1, minus = true;
  else if (atFront ? startsWith(s, sym.plus) : endsWith(s, sym.plus)) length = sym.plus.size();
  else if (edge == u'+') length = 1;
  if (length == 0) return false;
  s = atFront ? s.sliced(length) : s.chopped(length);
  *negative = minus;
  *sawSign = true;
  return true;
}

bool stripSymbol(QStringView& s, const LocaleSymbols& sym, bool atFront, bool* sawSymbol) {
  if (*sawSymbol) return false;
  for (const QString* word : {&sym.symbol, &sym.isoCode}) {
    if (atFront ? startsWith(s, *word) : endsWith(s, *word)) {
      s = atFront ? s.sliced(word->size()) : s.chopped(word->size());
      *sawSymbol = true;
      return true;
    }
  }
  return false;
}

// Splits a locale number into its sign and plain digits. Accepts the
// currency symbol or code and a sign on either side, parentheses around,
// group separators between integer digits and the locale's decimal separator.
std::optional<LocaleDigits> scanLocaleNumber(QStringView text, const LocaleSymbols& sym) {
  QString cleaned;
  if (std::any_of(text.begin(), text.end(), isDirectionMark)) {
    cleaned = withoutDirectionMarks(text.toString());
    text = cleaned;
  }
  QStringView s = text.trimmed();
  bool parentheses = false;
  if (s.size() >= 2 && s.front() == u'(' && s.back() == u')') {
    parentheses = true;
    s = s.sliced(1).chopped(1).trimmed();
  }
  LocaleDigits out;
  bool sawSign = false, sawSymbol = false;
  for (bool front : {true, false}) {
    while (stripSymbol(s, sym, front, &sawSymbol) || stripSign(s, sym, front, &out.negative, &sawSign))
      s = s.trimmed();
  }
  if (parentheses) {
    if (sawSign) return std::nullopt;
    out.negative = true;
  }

  bool anyDigit = false, point = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    const int digit = c.digitValue();
    if (digit >= 0) {
      out.digits.push_back(static_cast<char>('0' + digit));
      anyDigit = true;
      continue;
    }
    if (!point && startsWith(s.sliced(i), sym.decimal)) {
      out.digits.push_back('.');
      point = true;
      i += sym.decimal.size() - 1;
      continue;
    }
    // A group separator sits between two integer digits.
    qsizetype groupLength = 0;
    if (startsWith(s.sliced(i), sym.group)) groupLength = sym.group.size();
    else if (sym.groupIsSpace && c.isSpace()) groupLength = 1;
    const bool between = i > 0 && s[i - 1].digitValue() >= 0 && i + groupLength < s.size() &&
                         s[i + groupLength].digitValue() >= 0;
    if (point || groupLength == 0 || !between) return std::nullopt;
    i += groupLength - 1;
  }
  if (!anyDigit) return std::nullopt;
  return out;
}

// ---------------------------------------------------------------------------
// Rounding a double to a few decimals, halves away from zero, through its
// decimal form of 15 significant digits, as the platform formats numbers.

struct Decimal {
  bool negative = false;
  std::string whole;     // no leading zeros; "0" for none
  std::string fraction;  // exactly the requested number of digits
};

// The value rounded to 15 significant digits, in fixed notation with at
// least `decimals` + 1 decimals: 2.675 (really 2.67499999999999982...) is
// "2.675000..." here, so it rounds to 2.68 as the platform shows it, and
// 30864197253086400512 is "30864197253086400000.0...".
std::string fifteenDigits(double value, int decimals) {
  char text[64];
  const auto r = std::to_chars(text, text + sizeof(text), value, std::chars_format::scientific, 14);
  const std::string_view all(text, size_t(r.ptr - text));
  const size_t e = all.find('e');
  const bool negative = all[0] == '-';
  std::string digits;  // the 15 significant digits
  for (char c : all.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
    if (c != '.') digits.push_back(c);
  const int exponent = std::stoi(std::string(all.substr(e + 1)));
  // digits[0] stands for 10^exponent.
  std::string whole, fraction;
  if (exponent < 0) {
    whole = "0";
    fraction = std::string(size_t(-exponent - 1), '0') + digits;
  } else if (size_t(exponent) + 1 >= digits.size()) {
    whole = digits + std::string(size_t(exponent) + 1 - digits.size(), '0');
  } else {
    whole = digits.substr(0, size_t(exponent) + 1);
    fraction = digits.substr(size_t(exponent) + 1);
  }
  if (fraction.size() < size_t(decimals) + 1) fraction.append(size_t(decimals) + 1 - fraction.size(), '0');
  return (negative ? "-" : "") + whole + '.' + fraction;
}

Decimal roundDecimal(double value, int decimals) {
  std::string s = fifteenDigits(value, decimals);
  Decimal d;
  if (!s.empty() && s[0] == '-') {
    d.negative = true;
    s.erase(0, 1);
  }
  const size_t point = s.find('.');
  std::string digits = s.substr(0, point) + s.substr(point + 1, static_cast<size_t>(decimals));
  const bool up = s[point + 1 + static_cast<size_t>(decimals)] >= '5';
  if (up) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) digits.insert(digits.begin(), '1');
    else ++digits[i - 1];
  }
  d.whole = digits.substr(0, digits.size() - static_cast<size_t>(decimals));
  d.fraction = digits.substr(digits.size() - static_cast<size_t>(decimals));
  const size_t firstNonZero = d.whole.find_first_not_of('0');
  d.whole = firstNonZero == std::string::npos ? "0" : d.whole.substr(firstNonZero);
  return d;
}

bool isZero(const Decimal& d) {
  return d.whole == "0" && d.fraction.find_first_not_of('0') == std::string::npos;
}

// "1234567" -> "1,234,567".
std::string groupThousands(const std::string& whole) {
  std::string out;
  out.reserve(whole.size() + whole.size() / 3);
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(whole[i]);
  }
  return out;
}

// The digits are written here from the exact amount; only the affixes come
// from the locale's currency format. A sum that rounds to zero shows no sign.
// A whole number of any length in the locale's digits and grouping: the
// digits past 64 bits follow in groups of three.
QString localeWhole(std::string whole, const LocaleSymbols& sym) {
  QStringList groups;
  while (whole.size() > 18) {
    QString group;
    for (char digit : whole.substr(whole.size() - 3)) group += sym.locale.toString(digit - '0');
    groups.prepend(group);
    whole.resize(whole.size() - 3);
  }
  uint64_t head = 0;
  std::from_chars(whole.data(), whole.data() + whole.size(), head);
  QString text = sym.locale.toString(static_cast<qulonglong>(head));
  for (const QString& group : groups) text += sym.group + group;
  return text;
}

QString currencyText(bool negative, const std::string& whole, unsigned cents, const LocaleSymbols& sym) {
  const bool showNegative = negative && (whole != "0" || cents != 0);
  QString text = showNegative ? sym.negativePrefix : sym.currencyPrefix;
  text += localeWhole(whole, sym);
  text += sym.locale.decimalPoint();
  text += sym.locale.toString(static_cast<qulonglong>(cents / 10));
  text += sym.locale.toString(static_cast<qulonglong>(cents % 10));
  text += showNegative ? sym.negativeSuffix : sym.currencySuffix;
  return text;
}

}  // namespace

QLocale regionalLocale(const QLocale& chosen) {
  if (chosen.language() != QLocale::C) return chosen;
  static const QLocale home(QLocale::English, QLocale::UnitedStates);
  return home;
}

QString formatCurrency(Money amount, const QLocale& locale) {
  // Cents, halves away from zero, straight from the ten-thousandths.
  const int64_t raw = amount.raw();
  const uint64_t magnitude = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  const uint64_t cents = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
  return currencyText(raw < 0, std::to_string(cents / 100), static_cast<unsigned>(cents % 100), symbolsFor(locale));
}

QString formatCurrency(double amount, const QLocale& locale) {
  if (!std::isfinite(amount)) return numberToText(amount);
  const LocaleSymbols& sym = symbolsFor(locale);
  const Decimal d = roundDecimal(amount, 2);
  const unsigned cents = static_cast<unsigned>((d.fraction[0] - '0') * 10 + (d.fraction[1] - '0'));
  return currencyText(d.negative, d.whole, cents, sym);
}

// Only the three patterns the windows and printouts use are known; any other
// is a programming error and ends with fault 5 rather than a guessed text.
QString formatPattern(double value, const QString& pattern) {
  enum { Plain, Grouped, Dollars } kind;
  if (pattern == u"#0.00") kind = Plain;
  else if (pattern == u"#,##0.00") kind = Grouped;
  else if (pattern == u"$#,###") kind = Dollars;
  else throw FaultError(kInvalidProcedureCall);
  if (!std::isfinite(value)) return numberToText(value);

  const Decimal d = roundDecimal(value, kind == Dollars ? 0 : 2);
  std::string out;
  if (d.negative && !isZero(d)) out.push_back('-');
  switch (kind) {
    case Plain: out += d.whole + '.' + d.fraction; break;
    case Grouped: out += groupThousands(d.whole) + '.' + d.fraction; break;
    case Dollars:
      // "#" shows no digit for a zero whole number.
      out += '$';
      if (d.whole != "0") out += groupThousands(d.whole);
      break;
  }
  return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString formatShortDate(const QDate& date) {
  return date.isValid() ? date.toString(u"MM/dd/yy") : QString();
}

// Amounts with more than four decimals round halves to even; amounts past
// the 64-bit range are not money (nothing, like any other non-amount).
std::optional<Money> readMoney(const QString& text, const QLocale& locale) {
  const std::optional<LocaleDigits> scanned = scanLocaleNumber(text, symbolsFor(locale));
  if (!scanned) return std::nullopt;
  const std::string& digits = scanned->digits;
  const size_t point = std::min(digits.find('.'), digits.size());

  uint64_t magnitude = 0;
  auto push = [&magnitude](int d) {
    return !__builtin_mul_overflow(magnitude, 10u, &magnitude) &&
           !__builtin_add_overflow(magnitude, static_cast<uint64_t>(d), &magnitude);
  };
  for (size_t i = 0; i < point; ++i)
    if (!push(digits[i] - '0')) return std::nullopt;
  for (size_t i = 1; i <= 4; ++i) {
    const size_t at = point + i;
    if (!push(at < digits.size() ? digits[at] - '0' : 0)) return std::nullopt;
  }
  const size_t droppedAt = point + 5;
  if (droppedAt < digits.size()) {
    const int dropped = digits[droppedAt] - '0';
    const bool beyond = digits.find_first_not_of('0', droppedAt + 1) != std::string::npos;
    if (dropped > 5 || (dropped == 5 && (beyond || (magnitude & 1u))))
      if (__builtin_add_overflow(magnitude, 1u, &magnitude)) return std::nullopt;
  }
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(INT64_MAX);
  if (magnitude > kMaxPositive + (scanned->negative ? 1 : 0)) return std::nullopt;
  const int64_t raw = scanned->negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return Money::fromRaw(raw);
}

std::optional<double> readLocaleNumber(const QString& text, const QLocale& locale) {
  std::optional<LocaleDigits> scanned = scanLocaleNumber(text, symbolsFor(locale));
  if (!scanned) return std::nullopt;
  std::string& digits = scanned->digits;
  if (scanned->negative) digits.insert(digits.begin(), '-');
  digits.insert(digits.begin() + (scanned->negative ? 1 : 0), '0');  // "0.5" for ".5"
  double value = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (r.ec == std::errc::result_out_of_range) return std::nullopt;
  return value;
}

int fullYear(int year, int digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

namespace {

// "yyyy-mm-dd".
QDate readIsoDate(QStringView s) {
  int parts[3] = {0, 0, 0};
  int lengths[3] = {0, 0, 0};
  int field = 0;
  for (QChar c : s) {
    if (c == u'-') {
      if (++field > 2) return {};
    } else if (c >= u'0' && c <= u'9') {
      parts[field] = parts[field] * 10 + (c.unicode() - u'0');
      if (++lengths[field] > 4) return {};
    } else {
      return {};
    }
  }
  if (field != 2 || lengths[0] != 4 || lengths[1] == 0 || lengths[1] > 2 || lengths[2] == 0 ||
      lengths[2] > 2)
    return {};
  return QDate(parts[0], parts[1], parts[2]);
}

// Numeric short formats are read field by field, so "3/7/26" and "3/7/2026"
// both read in a "M/d/yy" locale and any of "/", "-", "." may separate them.
QDate readNumericDate(QStringView s, const QLocale& locale) {
  const LocaleSymbols& sym = symbolsFor(locale);
  if (!sym.numericShortDate) return locale.toDate(s.toString(), QLocale::ShortFormat);

  int values[3] = {0, 0, 0};
  int lengths[3] = {0, 0, 0};
  int field = -1;
  bool inDigits = false;
  // By code point: some scripts' digits lie beyond 16 bits.
  for (const uint code : s.toUcs4()) {
    const int digit = QChar::digitValue(char32_t(code));
    const QChar c = QChar::requiresSurrogates(code) ? QChar(QChar::ReplacementCharacter) : QChar(char16_t(code));
    if (digit >= 0) {
      if (!inDigits) {
        if (++field > 2) return {};
        inDigits = true;
      }
      values[field] = values[field] * 10 + digit;
      if (++lengths[field] > 4) return {};
    } else if (c.isSpace() || c == u'/' || c == u'-' || c == u'.' || sym.dateSeparators.contains(c) ||
               isDirectionMark(c)) {
      inDigits = false;
    } else {
      return {};
    }
  }
  if (field != 2) return {};
  int day = 0, month = 0, year = 0;
  for (int i = 0; i < 3; ++i) {
    switch (sym.dateOrder[i]) {
      case DateField::Day:
        if (lengths[i] > 2) return {};
        day = values[i];
        break;
      case DateField::Month:
        if (lengths[i] > 2) return {};
        month = values[i];
        break;
      case DateField::Year:
        if (lengths[i] == 3) return {};
        year = fullYear(values[i], lengths[i]);
        break;
    }
  }
  return QDate(year, month, day);
}

}  // namespace

// A time after the date is left out; a month may be a word.
QDate readLocaleDate(const QString& text, const QLocale& locale) {
  const QStringView s = withoutTrailingTime(QStringView(text).trimmed(), locale);
  if (s.isEmpty()) return {};
  if (QDate iso = readIsoDate(s); iso.isValid()) return iso;
  if (QDate named = readWordDate(s, locale); named.isValid()) return named;
  return readNumericDate(s, locale);
}

}  // namespace core
