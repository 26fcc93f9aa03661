#pragma once
// The tagged value that public members take and return: empty, a 32-bit
// number, a double, a truth value, a text, a text array, or an object.
// Conversions follow the platform's coercion rules and raise its faults
// (13 type mismatch, 6 overflow) where a value does not convert.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <variant>

namespace core {

// Base of anything a value can hold by reference (a list handed to an output).
class ValueObject {
 public:
  virtual ~ValueObject() = default;
};

class Value {
 public:
  enum class Kind { Empty, Int32, Double, Bool, Text, TextArray, Object };

  Value() = default;
  Value(int32_t n) : v_(n) {}
  Value(double d) : v_(d) {}
  Value(bool b) : v_(b) {}
  Value(const QString& s) : v_(s) {}
  Value(const char* s) : v_(QString::fromUtf8(s)) {}
  Value(const QStringList& a) : v_(a) {}
  Value(std::shared_ptr<ValueObject> o) : v_(std::move(o)) {}

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool isEmpty() const { return kind() == Kind::Empty; }

  // Coercions; each throws FaultError(13) when the value does not convert
  // and FaultError(6) when it does not fit.
  int32_t toInt32() const;
  int16_t toInt16() const;
  double toDouble() const;
  bool toBool() const;
  QString toText() const;  // empty gives "", numbers their shortest text
  QStringList toTextArray() const;
  // The object held; none (nullptr) for an empty value, fault 424 otherwise.
  std::shared_ptr<ValueObject> toObject() const;

  // Exact accessors for code that has checked kind().
  int32_t int32() const { return std::get<int32_t>(v_); }
  double dbl() const { return std::get<double>(v_); }
  bool boolean() const { return std::get<bool>(v_); }
  const QString& text() const { return std::get<QString>(v_); }
  const QStringList& textArray() const { return std::get<QStringList>(v_); }
  const std::shared_ptr<ValueObject>& object() const { return std::get<std::shared_ptr<ValueObject>>(v_); }

  bool operator==(const Value& other) const { return v_ == other.v_; }

 private:
  std::variant<std::monostate, int32_t, double, bool, QString, QStringList,
               std::shared_ptr<ValueObject>>
      v_;
};

}  // namespace core
