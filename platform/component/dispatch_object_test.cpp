#include "platform/component/dispatch_object.h"

#include <gtest/gtest.h>

#include <stdexcept>

using core::Value;
using platform::CallKind;
using platform::DispatchObject;
using platform::byRef;
using platform::byVal;
using platform::optional;
using platform::ValueType;

namespace {

// A class with one member of each shape the libraries use.
class Sample : public DispatchObject {
 public:
  Sample() : DispatchObject(QStringLiteral("Test.Sample")) {
    addMethod(QStringLiteral("Join"),
              {byRef("left", ValueType::Text), byVal("count", ValueType::Int32),
               optional("sep", ValueType::Text, Value(QStringLiteral("-")))},
              [](Args& a) {
                QString joined = a[0].text() + a[2].text() + QString::number(a[1].int32());
                a[0] = QStringLiteral("changed");
                a[1] = int32_t(99);  // by value: the caller's copy stays
                return Value(joined);
              });
    addPropertyGet(QStringLiteral("Name"), [this] { return Value(name); });
    addPropertyPut(QStringLiteral("Name"), byVal("v", ValueType::Text),
                   [this](Value& v) { name = v.text(); });
    // Changes its first argument, sets the second to what it already holds,
    // then faults when asked to.
    addMethod(QStringLiteral("Stamp"),
              {byRef("stamped", ValueType::Text), byRef("kept", ValueType::Text), byVal("fail", ValueType::Bool)},
              [](Args& a) {
                a[0] = a[0].text() + u'!';
                a[1] = a[1].text();
                if (a[2].boolean()) throw core::FaultError(core::kOverflow);
                return Value();
              });
    addMethod(QStringLiteral("Fail"), {}, [](Args&) -> Value { throw core::FaultError(core::kOverflow); });
    addMethod(QStringLiteral("Crash"), {}, [](Args&) -> Value { throw std::runtime_error("boom"); });
  }
  QString name;
};

TEST(DispatchObject, SlotsFollowDeclarationOrderAndIgnoreCase) {
  Sample s;
  EXPECT_EQ(s.slotOf("join", CallKind::Method), 1);
  EXPECT_EQ(s.slotOf("NAME", CallKind::PropertyGet), 2);
  EXPECT_EQ(s.slotOf("name", CallKind::Method), 2);  // a getter answers a plain call
  EXPECT_EQ(s.slotOf("Name", CallKind::PropertyPut), 3);
  EXPECT_EQ(s.slotOf("Missing", CallKind::Method), 0);
}

TEST(DispatchObject, ByReferenceArgumentsAreWrittenBackAndByValueOnesAreNot) {
  Sample s;
  std::vector<Value> args{Value(QStringLiteral("a")), Value(QStringLiteral("7"))};
  Value result;
  core::Fault f = s.invoke(1, args, result);
  ASSERT_FALSE(f.isFault()) << f.description.toStdString();
  EXPECT_EQ(result, Value(QStringLiteral("a-7")));  // default separator, "7" coerced to 7
  EXPECT_EQ(args[0], Value(QStringLiteral("changed")));
  EXPECT_EQ(args[1], Value(QStringLiteral("7")));
}

// Only what the member changed goes back, also when it faults: a number it
// left alone stays the caller's number.
TEST(DispatchObject, OnlyChangedByReferenceArgumentsAreWrittenBack) {
  Sample s;
  for (bool fail : {false, true}) {
    std::vector<Value> args{Value(int32_t(7)), Value(int32_t(8)), Value(fail)};
    Value result;
    EXPECT_EQ(s.invoke(s.slotOf("Stamp", CallKind::Method), args, result).isFault(), fail);
    EXPECT_EQ(args[0], Value(QStringLiteral("7!"))) << fail;
    EXPECT_EQ(args[1], Value(int32_t(8))) << fail;
  }
}

TEST(DispatchObject, ArgumentProblemsAreFaultsWithThePlatformNumbers) {
  Sample s;
  Value result;
  std::vector<Value> none;
  EXPECT_EQ(s.invoke(1, none, result).number, core::kArgumentNotOptional);
  std::vector<Value> tooMany{Value("a"), Value(int32_t(1)), Value("b"), Value("c")};
  EXPECT_EQ(s.invoke(1, tooMany, result).number, core::kWrongNumberOfArguments);
  std::vector<Value> badNumber{Value("a"), Value("seven")};
  EXPECT_EQ(s.invoke(1, badNumber, result).number, core::kTypeMismatch);
  std::vector<Value> tooBig{Value("a"), Value(3e9)};
  EXPECT_EQ(s.invoke(1, tooBig, result).number, core::kOverflow);
  EXPECT_EQ(s.invoke(0, none, result).number, core::kMemberNotSupported);
  EXPECT_EQ(s.invoke(99, none, result).number, core::kMemberNotSupported);
}

TEST(DispatchObject, FaultsAndExceptionsNeverLeaveInvoke) {
  Sample s;
  Value result;
  std::vector<Value> none;
  core::Fault overflow = s.invoke(s.slotOf("Fail", CallKind::Method), none, result);
  EXPECT_EQ(overflow.number, core::kOverflow);
  EXPECT_EQ(overflow.description, QStringLiteral("Overflow"));
  EXPECT_EQ(overflow.source, QStringLiteral("Test.Sample"));
  core::Fault crash = s.invoke(s.slotOf("Crash", CallKind::Method), none, result);
  EXPECT_EQ(crash.number, core::kInternalError);
  EXPECT_EQ(crash.description, QStringLiteral("boom"));
}

TEST(DispatchObject, PropertiesPutAndGet) {
  Sample s;
  Value result;
  std::vector<Value> put{Value(int32_t(12))};
  ASSERT_FALSE(s.invoke(s.slotOf("Name", CallKind::PropertyPut), put, result).isFault());
  std::vector<Value> none;
  ASSERT_FALSE(s.invoke(s.slotOf("Name", CallKind::PropertyGet), none, result).isFault());
  EXPECT_EQ(result, Value(QStringLiteral("12")));
}

}  // namespace
