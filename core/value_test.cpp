#include "core/value.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/fault.h"

namespace core {
namespace {

template <typename F>
int faultOf(F&& f) {
  try {
    f();
  } catch (const FaultError& e) {
    return e.fault().number;
  }
  return 0;
}

TEST(Value, TextToNumbers) {
  EXPECT_EQ(Value("42").toInt32(), 42);
  EXPECT_EQ(Value(" 42 ").toDouble(), 42.0);
  EXPECT_EQ(Value("2.5").toInt32(), 2);
  EXPECT_EQ(Value("3.5").toInt32(), 4);
  EXPECT_EQ(Value("-2.5").toInt16(), -2);
  EXPECT_EQ(Value("&HFF").toInt32(), 255);
  EXPECT_EQ(faultOf([] { Value("abc").toDouble(); }), kTypeMismatch);
  EXPECT_EQ(faultOf([] { Value("").toInt32(); }), kTypeMismatch);
  EXPECT_EQ(faultOf([] { Value("1 2").toInt32(); }), kTypeMismatch);
}

TEST(Value, WholeNumberRanges) {
  EXPECT_EQ(faultOf([] { Value(3e9).toInt32(); }), kOverflow);
  EXPECT_EQ(faultOf([] { Value(-2147483648.5).toInt32(); }), 0);  // to even: fits
  EXPECT_EQ(faultOf([] { Value(-2147483649.0).toInt32(); }), kOverflow);
  EXPECT_EQ(faultOf([] { Value(32768).toInt16(); }), kOverflow);
  EXPECT_EQ(Value(-32768).toInt16(), -32768);
  EXPECT_EQ(faultOf([] { Value(std::nan("")).toInt32(); }), kOverflow);
}

TEST(Value, EmptyAndTruth) {
  EXPECT_EQ(Value().toDouble(), 0.0);
  EXPECT_EQ(Value().toInt32(), 0);
  EXPECT_EQ(Value().toText(), QString());
  EXPECT_FALSE(Value().toBool());
  EXPECT_EQ(Value(true).toDouble(), -1.0);
  EXPECT_EQ(Value(true).toInt32(), -1);
  EXPECT_EQ(Value(false).toDouble(), 0.0);
  EXPECT_TRUE(Value("TRUE").toBool());
  EXPECT_FALSE(Value("0").toBool());
  EXPECT_TRUE(Value(0.5).toBool());
  EXPECT_EQ(faultOf([] { Value("maybe").toBool(); }), kTypeMismatch);
}

TEST(Value, ToText) {
  EXPECT_EQ(Value(12.5).toText(), u"12.5");
  EXPECT_EQ(Value(0.00001).toText(), u"1E-05");
  EXPECT_EQ(Value(int32_t{-7}).toText(), u"-7");
  EXPECT_EQ(Value(true).toText(), u"True");
  EXPECT_EQ(faultOf([] { Value(QStringList{"a"}).toText(); }), kTypeMismatch);
}

TEST(Value, ObjectsAndArrays) {
  auto object = std::make_shared<ValueObject>();
  EXPECT_EQ(Value(object).toObject(), object);
  EXPECT_EQ(Value().toObject(), nullptr);
  EXPECT_EQ(faultOf([] { Value(1.0).toObject(); }), kObjectRequired);
  EXPECT_EQ(Value(QStringList{"a", "b"}).toTextArray(), (QStringList{"a", "b"}));
  EXPECT_EQ(faultOf([] { Value("a").toTextArray(); }), kTypeMismatch);
}

}  // namespace
}  // namespace core
