#include "core/regional_format.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "core/fault.h"

namespace core {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// Locales whose money and dates look different in every way that matters:
// symbol before or after, grouping by threes or not, blanks as separators,
// non-Latin digits, field order of short dates.
QList<QLocale> variedLocales() {
  return {kUs, kGerman, QLocale("fr_FR"), QLocale("nl_NL"), QLocale("en_IN"), QLocale("de_CH"),
          QLocale("sv_SE"), QLocale("ja_JP"), QLocale("ko_KR"), QLocale("ar_EG"), QLocale("pt_BR")};
}

TEST(FormatCurrency, MoneyInUsAndGermanFormats) {
  const std::pair<double, const char*> us[] = {
      {1234.56, "$1,234.56"}, {0, "$0.00"},          {-5, "($5.00)"},   {0.005, "$0.01"},
      {-0.005, "($0.01)"},    {0.0049, "$0.00"},     {-0.0001, "$0.00"}, {1234567.891, "$1,234,567.89"},
  };
  for (const auto& [amount, text] : us)
    EXPECT_EQ(formatCurrency(Money::fromDouble(amount), kUs).toStdString(), text) << amount;
  EXPECT_EQ(formatCurrency(Money::fromDouble(1234.56), kGerman), u"1.234,56\u00A0€");
  EXPECT_EQ(formatCurrency(Money::fromDouble(-5), kGerman), u"-5,00\u00A0€");
  // Exact at the top of the range, where a double would lose the cents.
  EXPECT_EQ(formatCurrency(Money::fromRaw(INT64_MAX), kUs), u"$922,337,203,685,477.58");
  EXPECT_EQ(formatCurrency(Money::fromRaw(INT64_MIN), kUs), u"($922,337,203,685,477.58)");
}

// A double is shown through its 15 significant digits, as the platform
// shows it, then rounded with halves away from zero.
TEST(FormatCurrency, DoubleRoundsItsFifteenDigitFormHalvesAwayFromZero) {
  EXPECT_EQ(formatCurrency(1234.56, kUs), u"$1,234.56");
  EXPECT_EQ(formatCurrency(0.125, kUs), u"$0.13");    // exactly a half
  EXPECT_EQ(formatCurrency(-0.125, kUs), u"($0.13)");
  EXPECT_EQ(formatCurrency(2.675, kUs), u"$2.68");    // 2.67499999... is 2.67500000000000
  EXPECT_EQ(formatCurrency(999.995, kUs), u"$1,000.00");
  EXPECT_EQ(formatCurrency(9.995, kUs), u"$10.00");        // 9.99499999... is 9.99500000000000
  EXPECT_EQ(formatCurrency(30864197253086400512.0, kUs), u"$30,864,197,253,086,400,000.00");
  EXPECT_EQ(formatCurrency(-5.0, kGerman), u"-5,00\u00A0€");
}

TEST(FormatCurrency, AmountsMatchTheLocaleOwnCurrencyTextNegativeStyleIncluded) {
  for (const QLocale& locale : variedLocales())
    for (double amount : {0.0, 7.5, 1234.56, 1234567.01, -7.5, -1234567.01})
      EXPECT_EQ(formatCurrency(Money::fromDouble(amount), locale), locale.toCurrencyString(amount, QString(), 2))
          << locale.name().toStdString() << " " << amount;
}

TEST(FormatPattern, FixedPatterns) {
  struct Case {
    double value;
    const char* pattern;
    const char* text;
  };
  const Case cases[] = {
      {0, "#0.00", "0.00"},          {15.01, "#0.00", "15.01"},        {31.25, "#0.00", "31.25"},
      {-3.5, "#0.00", "-3.50"},      {1234567.891, "#0.00", "1234567.89"}, {18.75, "#0.00", "18.75"},
      {0.125, "#0.00", "0.13"},      {2.675, "#0.00", "2.68"},         {1.005, "#0.00", "1.01"},
      {30864197253086400512.0, "#0.00", "30864197253086400000.00"},  {0.1 + 0.2, "#0.00", "0.30"},
      {18.745, "#0.00", "18.75"},         {-0.125, "#0.00", "-0.13"},
      {0.004, "#0.00", "0.00"},      {-0.004, "#0.00", "0.00"},        {99.999, "#0.00", "100.00"},
      {1234.5, "#,##0.00", "1,234.50"}, {-1234567.891, "#,##0.00", "-1,234,567.89"},
      {0, "#,##0.00", "0.00"},       {999.996, "#,##0.00", "1,000.00"}, {123, "#,##0.00", "123.00"},
      {1384, "$#,###", "$1,384"},    {138, "$#,###", "$138"},          {0, "$#,###", "$"},
      {0.4, "$#,###", "$"},          {1234.5, "$#,###", "$1,235"},     {-1500, "$#,###", "-$1,500"},
      {0.5, "$#,###", "$1"},         {-0.5, "$#,###", "-$1"},          {1e15, "$#,###", "$1,000,000,000,000,000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(formatPattern(c.value, QString::fromLatin1(c.pattern)).toStdString(), c.text)
        << c.pattern << " " << c.value;
}

TEST(FormatPattern, UnknownPatternIsAnInvalidCall) {
  try {
    formatPattern(1, QStringLiteral("0.000"));
    ADD_FAILURE() << "no fault";
  } catch (const FaultError& e) {
    EXPECT_EQ(e.fault().number, kInvalidProcedureCall);
  }
}

TEST(FormatShortDate, TwoDigitFields) {
  EXPECT_EQ(formatShortDate(QDate(2026, 3, 7)), u"03/07/26");
  EXPECT_EQ(formatShortDate(QDate(1999, 12, 31)), u"12/31/99");
  EXPECT_EQ(formatShortDate(QDate()), QString());
}

TEST(ReadMoney, UsTexts) {
  const std::pair<const char16_t*, int64_t> accepted[] = {
      {u"$1,234.50", 12345000}, {u"1234.56", 12345600}, {u"(5.00)", -50000}, {u"($5.00)", -50000},
      {u"-$5", -50000},         {u"$-5", -50000},       {u" 12 ", 120000},   {u"USD 12.5", 125000},
      {u"5-", -50000},          {u".25", 2500},          {u"7.", 70000},      {u"+3", 30000},
      {u"0.00005", 0},          {u"0.00015", 2},         {u"0.000051", 1},    {u"-0.00015", -2},
      {u"922,337,203,685,477.5807", INT64_MAX},          {u"-922337203685477.5808", INT64_MIN},
  };
  for (const auto& [text, raw] : accepted) {
    std::optional<Money> m = readMoney(QString::fromUtf16(text), kUs);
    ASSERT_TRUE(m.has_value()) << QString::fromUtf16(text).toStdString();
    EXPECT_EQ(m->raw(), raw) << QString::fromUtf16(text).toStdString();
  }
  for (const char16_t* text : {u"", u"abc", u"$", u"(-5)", u"1,,234", u",5", u"1.234.5", u"12a",
                               u"1,234.5,6", u"--5", u"€5", u"922337203685477.5808"})
    EXPECT_FALSE(readMoney(QString::fromUtf16(text), kUs).has_value()) << QString::fromUtf16(text).toStdString();
}

TEST(ReadMoney, GermanAndFrenchTexts) {
  EXPECT_EQ(readMoney(u"1.234,50 €"_qs, kGerman), Money::fromDouble(1234.5));
  EXPECT_EQ(readMoney(u"1.234,50"_qs, kGerman), Money::fromDouble(1234.5));
  EXPECT_EQ(readMoney(u"-0,5 EUR"_qs, kGerman), Money::fromDouble(-0.5));
  // A point is a group separator here, not a decimal point.
  EXPECT_EQ(readMoney(u"1.234"_qs, kGerman), Money::fromWhole(1234));
  EXPECT_FALSE(readMoney(u"1,2,3"_qs, kGerman).has_value());
  // Blank group separators: the locale's own and the one people type.
  const QLocale french("fr_FR");
  EXPECT_EQ(readMoney(u"1\u202F234,50 €"_qs, french), Money::fromDouble(1234.5));
  EXPECT_EQ(readMoney(u"1 234,50"_qs, french), Money::fromDouble(1234.5));
}

TEST(ReadMoney, LocaleMoneyTextsSurviveTheRoundTrip) {
  const std::pair<QLocale, const char16_t*> texts[] = {
      {kUs, u"($1,234.50)"},  {kUs, u"$1,234.50"},  {kUs, u"($0.01)"},  {kUs, u"$0.00"},
      {kGerman, u"-1.234,50\u00A0€"}, {kGerman, u"1.234,50\u00A0€"}, {kGerman, u"-0,01\u00A0€"},
  };
  for (const auto& [locale, text] : texts) {
    const QString written = QString::fromUtf16(text);
    const std::optional<Money> money = readMoney(written, locale);
    ASSERT_TRUE(money.has_value()) << written.toStdString();
    EXPECT_EQ(formatCurrency(*money, locale), written);
  }
}

TEST(ReadMoney, ReadsBackWhatFormatCurrencyWrites) {
  for (const QLocale& locale : variedLocales())
    for (double amount : {0.0, 0.01, 7.5, -7.5, 1234.56, -1234567.89}) {
      const QString text = formatCurrency(Money::fromDouble(amount), locale);
      std::optional<Money> back = readMoney(text, locale);
      ASSERT_TRUE(back.has_value()) << locale.name().toStdString() << " " << text.toStdString();
      EXPECT_EQ(*back, Money::fromDouble(amount)) << locale.name().toStdString() << " " << text.toStdString();
    }
}

TEST(ReadLocaleNumber, GroupingAndDecimalOfTheLocale) {
  EXPECT_EQ(readLocaleNumber(u"1,234.5"_qs, kUs), 1234.5);
  EXPECT_EQ(readLocaleNumber(u"1.234,5"_qs, kGerman), 1234.5);
  EXPECT_EQ(readLocaleNumber(u"-0.1"_qs, kUs), -0.1);
  EXPECT_EQ(readLocaleNumber(u"$2"_qs, kUs), 2.0);
  EXPECT_EQ(readLocaleNumber(u"0.123456789"_qs, kUs), 0.123456789);
  EXPECT_EQ(readLocaleNumber(u"(3)"_qs, kUs), -3.0);
  EXPECT_FALSE(readLocaleNumber(u"1,5.5"_qs, kGerman).has_value());
  EXPECT_FALSE(readLocaleNumber(u""_qs, kUs).has_value());
  EXPECT_FALSE(readLocaleNumber(u"1e5"_qs, kUs).has_value());
}

TEST(ReadLocaleDate, ShortFormsAndIso) {
  const std::tuple<QLocale, const char16_t*, QDate> cases[] = {
      {kUs, u"3/7/26", QDate(2026, 3, 7)},       {kUs, u"03/07/2026", QDate(2026, 3, 7)},
      {kUs, u"3/7/29", QDate(2029, 3, 7)},       {kUs, u"3/7/30", QDate(1930, 3, 7)},
      {kUs, u"12/31/99", QDate(1999, 12, 31)},   {kUs, u"2/29/00", QDate(2000, 2, 29)},
      {kUs, u" 2026-03-07 ", QDate(2026, 3, 7)}, {kGerman, u"07.03.26", QDate(2026, 3, 7)},
      {kGerman, u"7.3.2026", QDate(2026, 3, 7)}, {kGerman, u"2026-03-07", QDate(2026, 3, 7)},
  };
  for (const auto& [locale, text, date] : cases)
    EXPECT_EQ(readLocaleDate(QString::fromUtf16(text), locale), date) << QString::fromUtf16(text).toStdString();
  for (const char16_t* text : {u"", u"abc", u"2/30/2026", u"13/1/26", u"3/7", u"3/7/26/1", u"3/7/202",
                               u"3/7/26 10:00 Cook", u"2026-3-7x"})
    EXPECT_FALSE(readLocaleDate(QString::fromUtf16(text), kUs).isValid()) << QString::fromUtf16(text).toStdString();
}

// Months in words and a time after the date: what a list's first column may
// hold besides the short form. Words that are no month, or a lone month and
// number, stay no date.
TEST(ReadLocaleDate, MonthNamesAndATimeAfterTheDate) {
  const std::tuple<QLocale, const char16_t*, QDate> cases[] = {
      {kUs, u"January 2, 2024", QDate(2024, 1, 2)},
      {kUs, u"Jan 2, 2024", QDate(2024, 1, 2)},
      {kUs, u"Tuesday, January 2, 2024", QDate(2024, 1, 2)},
      {kUs, u"Tue, Jan. 2, 24", QDate(2024, 1, 2)},
      {kUs, u"2 January 2024", QDate(2024, 1, 2)},
      {kUs, u"2-Jan-24", QDate(2024, 1, 2)},
      {kUs, u"2024 Jan 2", QDate(2024, 1, 2)},
      {kUs, u"march 7th, 2026", QDate(2026, 3, 7)},
      {kUs, u"3/7/26 10:00", QDate(2026, 3, 7)},
      {kUs, u"3/7/26 10:00:59 PM", QDate(2026, 3, 7)},
      {kUs, u"2026-03-07T10:00:00", QDate(2026, 3, 7)},
      {kUs, u"January 2, 2024 9:30 am", QDate(2024, 1, 2)},
      {kGerman, u"2. Januar 2024", QDate(2024, 1, 2)},
      {kGerman, u"07.03.26 10:00", QDate(2026, 3, 7)},
      {QLocale::c(), u"Jan 2, 2024", QDate(2024, 1, 2)},
  };
  for (const auto& [locale, text, date] : cases)
    EXPECT_EQ(readLocaleDate(QString::fromUtf16(text), locale), date) << QString::fromUtf16(text).toStdString();
  for (const char16_t* text : {u"January", u"Jan 2", u"Cook 2 2024", u"January 32, 2024", u"Jan 2, 202",
                               u"Jan Feb 2 2024", u"12", u"10:00", u"Totals 10:00"})
    EXPECT_FALSE(readLocaleDate(QString::fromUtf16(text), kUs).isValid()) << QString::fromUtf16(text).toStdString();
}

// The locale's short date format with every field at the given length.
QString withFieldLengths(const QString& shortFormat, int dayAndMonth, int year) {
  static const QRegularExpression day(QStringLiteral("d+")), month(QStringLiteral("M+")), years(QStringLiteral("y+"));
  QString format = shortFormat;
  format.replace(day, QString(dayAndMonth, u'd'));
  format.replace(month, QString(dayAndMonth, u'M'));
  format.replace(years, QString(year, u'y'));
  return format;
}

TEST(ReadLocaleDate, EveryLocaleTakesOneOrTwoDigitDaysAndMonthsAndTwoOrFourDigitYears) {
  for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    if (locale.language() == QLocale::C) continue;
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    for (QDate date : {QDate(2026, 3, 7), QDate(1999, 12, 31), QDate(2000, 2, 29)})
      for (auto [dayAndMonth, year] : {std::pair{1, 4}, std::pair{2, 2}, std::pair{1, 2}, std::pair{2, 4}}) {
        const QString text = locale.toString(date, withFieldLengths(shortFormat, dayAndMonth, year));
        EXPECT_EQ(readLocaleDate(text, locale), date) << locale.name().toStdString() << " " << text.toStdString();
      }
  }
}

TEST(RegionalLocale, CAndPosixFollowUsConventions) {
  EXPECT_EQ(regionalLocale(QLocale::c()), kUs);
  EXPECT_EQ(regionalLocale(kGerman), kGerman);
  EXPECT_EQ(formatCurrency(Money::fromWhole(-5), QLocale::c()), u"($5.00)");
  EXPECT_EQ(readMoney(u"($1,234.50)"_qs, QLocale::c()), Money::fromDouble(-1234.5));
  EXPECT_EQ(readLocaleDate(u"12/31/1999"_qs, QLocale::c()), QDate(1999, 12, 31));
  // The default arguments take the user's locale the same way.
  const QLocale before;
  QLocale::setDefault(QLocale::c());
  EXPECT_EQ(formatCurrency(Money::fromDouble(1234.5)), u"$1,234.50");
  QLocale::setDefault(before);
}

}  // namespace
}  // namespace core
