#include "core/value.h"

#include <cmath>
#include <limits>

#include "core/fault.h"
#include "core/lenient_number.h"
#include "core/number_text.h"
#include "core/truth_text.h"

namespace core {
namespace {

// Halves to even, as the platform brings a double to a whole number.
double roundHalfEven(double d) {
  double r = std::round(d);
  if (std::fabs(d - std::trunc(d)) == 0.5) r = 2.0 * std::round(d / 2.0);
  return r;
}

int64_t toWhole(double d, double lo, double hi) {
  if (std::isnan(d)) throw FaultError(kOverflow);
  double r = roundHalfEven(d);
  if (r < lo || r > hi) throw FaultError(kOverflow);
  return static_cast<int64_t>(r);
}

}  // namespace

double Value::toDouble() const {
  switch (kind()) {
    case Kind::Empty: return 0.0;
    case Kind::Int32: return int32();
    case Kind::Double: return dbl();
    case Kind::Bool: return boolean() ? -1.0 : 0.0;  // the platform's True is -1
    case Kind::Text: {
      std::optional<double> d = readStrictNumber(text());
      if (!d) throw FaultError(kTypeMismatch);
      return *d;
    }
    default: throw FaultError(kTypeMismatch);
  }
}

int32_t Value::toInt32() const {
  if (kind() == Kind::Int32) return int32();
  return static_cast<int32_t>(toWhole(toDouble(), std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

int16_t Value::toInt16() const {
  return static_cast<int16_t>(toWhole(toDouble(), std::numeric_limits<int16_t>::min(),
                                      std::numeric_limits<int16_t>::max()));
}

bool Value::toBool() const {
  switch (kind()) {
    case Kind::Bool: return boolean();
    case Kind::Text: return readTruthText(text());
    case Kind::Empty: return false;
    default: return toDouble() != 0.0;
  }
}

QString Value::toText() const {
  switch (kind()) {
    case Kind::Empty: return {};
    case Kind::Int32: return QString::number(int32());
    case Kind::Double: return numberToText(dbl());
    case Kind::Bool: return boolean() ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Text: return text();
    default: throw FaultError(kTypeMismatch);
  }
}

QStringList Value::toTextArray() const {
  if (kind() == Kind::TextArray) return textArray();
  throw FaultError(kTypeMismatch);
}

std::shared_ptr<ValueObject> Value::toObject() const {
  if (kind() == Kind::Object) return object();
  if (kind() == Kind::Empty) return nullptr;
  throw FaultError(kObjectRequired);
}

}  // namespace core
