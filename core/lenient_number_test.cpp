#include "core/lenient_number.h"

#include <gtest/gtest.h>

#include <QString>

#include <cfloat>
#include <cmath>

namespace core {
namespace {

struct Case {
  const char16_t* text;
  double expected;
};

void expectLenient(std::initializer_list<Case> cases) {
  for (const Case& c : cases)
    EXPECT_EQ(readLenientNumber(QStringView(c.text)), c.expected) << QString::fromUtf16(c.text).toStdString();
}

TEST(LenientNumber, DecimalFormsAndWhereTheyEnd) {
  expectLenient({
      {u"42", 42},       {u"-7", -7},       {u"+3", 3},        {u".5", 0.5},
      {u"5.", 5},        {u"1.2.3", 1.2},   {u"12abc", 12},    {u"0012.50", 12.5},
      {u"3,5", 3},       {u"1-2", 1},       {u"--5", 0},       {u"0.1", 0.1},
  });
}

TEST(LenientNumber, BlanksTabsAndLineFeedsAreInvisible) {
  expectLenient({
      {u"1 2 3", 123}, {u" - 5", -5}, {u"\t1\n0 . 2 5", 10.25}, {u"1 E 2", 100}, {u"& H 1 0", 16},
  });
}

TEST(LenientNumber, TextWithoutANumberReadsAsZero) {
  expectLenient({{u"", 0}, {u"abc", 0}, {u".", 0}, {u"-", 0}, {u"+.", 0}, {u"E5", 0}, {u"&", 0}, {u"&X1", 0}});
}

TEST(LenientNumber, Exponents) {
  expectLenient({
      {u"1E5", 100000}, {u"2.5d2", 250}, {u"2.5D+2", 250}, {u"1e-2", 0.01},  {u"4E0", 4},
      {u"1E", 1},       {u"1E+", 1},     {u"1d-x", 1},     {u"1E2E3", 100},  {u".5e1", 5},
  });
}

TEST(LenientNumber, ExponentOutOfRangeSaturatesOrVanishes) {
  expectLenient({
      {u"1E400", DBL_MAX},  {u"-1E400", -DBL_MAX}, {u"0.01E311", DBL_MAX},
      {u"1E-400", 0},       {u"123E-99999999999", 0}, {u"0E99999", 0},
  });
  EXPECT_TRUE(std::signbit(readLenientNumber(u"-1E-400")));
  EXPECT_EQ(readLenientNumber(u"1E308"), 1e308);
}

TEST(LenientNumber, ResultIsTheCorrectlyRoundedDouble) {
  expectLenient({{u"0.1", 0.1}, {u"2.2250738585072014E-308", 2.2250738585072014e-308},
                 {u"9007199254740993", 9007199254740992.0}, {u"1.7976931348623157E308", DBL_MAX}});
  // A digit run longer than any stack buffer still reads exactly.
  const QString longRun = QString(200, u'0') + QStringLiteral("1") + QString(150, u'0') + QStringLiteral(".5");
  EXPECT_EQ(readLenientNumber(longRun), 1e150);
}

TEST(LenientNumber, HexAndOctalFollowThePlatformSignRule) {
  expectLenient({
      {u"&HFF", 255},         {u"&hff", 255},         {u"&O17", 15},            {u"&o17", 15},
      {u"&H", 0},             {u"&HZZ", 0},           {u"&H1G", 1},             {u"&O18", 1},
      {u"&H7FFF", 32767},     {u"&HFFFF", -1},        {u"&H8000", -32768},      {u"&H10000", 65536},
      {u"&HFFFFFFFF", -1},    {u"&H80000000", -2147483648.0}, {u"&H7FFFFFFF", 2147483647},
      {u"&H100000000", 4294967296.0}, {u"&O177777", -1}, {u"&O200000", 65536},
      {u"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},
      {u"&H10000000000000000", 18446744073709551616.0},
  });
}

TEST(StrictNumber, AcceptsOneWholeNumber) {
  const Case accepted[] = {
      {u"12", 12}, {u" 12 ", 12}, {u"\t-3.5\n", -3.5}, {u"1e3", 1000}, {u"2D-1", 0.2},
      {u"+.5", 0.5}, {u"5.", 5}, {u"&HFFFF", -1}, {u" &o10 ", 8},
  };
  for (const Case& c : accepted) {
    std::optional<double> v = readStrictNumber(c.text);
    ASSERT_TRUE(v.has_value()) << QString::fromUtf16(c.text).toStdString();
    EXPECT_EQ(*v, c.expected);
  }
}

TEST(StrictNumber, RejectsAnythingElse) {
  for (const char16_t* text : {u"", u"  ", u"12a", u"1 2", u"- 5", u"1.2.3", u".", u"-", u"1E",
                               u"1E+", u"&H", u"&H1G", u"abc", u"1,5", u"--1", u"1e5x"})
    EXPECT_FALSE(readStrictNumber(text).has_value()) << QString::fromUtf16(text).toStdString();
}

}  // namespace
}  // namespace core
