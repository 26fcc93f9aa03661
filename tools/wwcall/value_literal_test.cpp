#include "tools/wwcall/value_literal.h"

#include <gtest/gtest.h>

using core::Value;
using tools::formatValue;
using tools::parseValueLiteral;

namespace {

Value parse(const char* literal) {
  QString error;
  std::optional<Value> v = parseValueLiteral(QString::fromUtf8(literal), &error);
  EXPECT_TRUE(v.has_value()) << literal << ": " << error.toStdString();
  return v.value_or(Value());
}

TEST(ValueLiteral, EachTagMakesItsKind) {
  EXPECT_EQ(parse("e:"), Value());
  EXPECT_EQ(parse("i:42"), Value(int32_t(42)));
  EXPECT_EQ(parse("i:-2147483648"), Value(int32_t(INT32_MIN)));
  EXPECT_EQ(parse("i:0x80000001"), Value(int32_t(0x80000001u)));
  EXPECT_EQ(parse("i:0XfF"), Value(int32_t(255)));
  EXPECT_EQ(parse("i:+7"), Value(int32_t(7)));
  EXPECT_EQ(parse("d:1.5"), Value(1.5));
  EXPECT_EQ(parse("b:true"), Value(true));
  EXPECT_EQ(parse("s:a:b=c"), Value("a:b=c"));
  EXPECT_EQ(parse("s:"), Value(QString()));
  EXPECT_EQ(parse("a:[\"x\",\"y\\\"\"]"), Value(QStringList{"x", "y\""}));
}

TEST(ValueLiteral, MalformedLiteralsAreRefusedWithAReason) {
  for (const char* bad : {"42", "i:4294967296", "i:12x", "i:0x-1", "i:0x+1", "i:0x", "i:0x100000000", "i: 1",
                          "d:abc", "b:yes", "a:[1]", "a:{", "q:1", "list:x.json"}) {
    QString error;
    EXPECT_FALSE(parseValueLiteral(QString::fromUtf8(bad), &error).has_value()) << bad;
    EXPECT_FALSE(error.isEmpty()) << bad;
  }
}

TEST(ValueLiteral, PrintedFormEscapesControlCharacters) {
  EXPECT_EQ(formatValue(Value()), "empty");
  EXPECT_EQ(formatValue(Value(int32_t(-7))), "i:-7");
  EXPECT_EQ(formatValue(Value(0.00001)), "d:1E-05");
  EXPECT_EQ(formatValue(Value(false)), "b:false");
  EXPECT_EQ(formatValue(Value(QString::fromLatin1("a\"\\\n\t", 5) + QChar(0) + "z")), "s:\"a\\\"\\\\\\n\\t\\x00z\"");
  EXPECT_EQ(formatValue(Value(QStringList{"x", "y"})), "a:[\"x\",\"y\"]");
}

}  // namespace
