#pragma once
// The dispatch interface of a public class: its members in slot order, called
// by slot with tagged values. By-reference arguments are written back into the
// caller's vector. invoke never throws: a fault comes back as a record.
#include <QString>
#include <optional>
#include <vector>

#include "core/fault.h"
#include "core/value.h"

namespace platform {

enum class CallKind { Method, PropertyGet, PropertyPut, PropertyPutRef };

// The declared type of a parameter; arguments are coerced to it before the
// member runs (fault 13 or 6 when they do not convert).
enum class ValueType { Variant, Int16, Int32, Double, Bool, Text, Object };

struct Param {
  QString name;
  ValueType type = ValueType::Variant;
  bool byRef = false;
  std::optional<core::Value> defaultValue;  // set: the argument is optional

  bool isOptional() const { return defaultValue.has_value(); }
};

// Parameters as the member tables write them: by value or by reference
// (written back to the caller's variable), required unless given a default.
inline Param byVal(const char* name, ValueType type) { return Param{QLatin1String(name), type, false, std::nullopt}; }
inline Param byRef(const char* name, ValueType type) { return Param{QLatin1String(name), type, true, std::nullopt}; }
inline Param optional(const char* name, ValueType type, const core::Value& byDefault) {
  return Param{QLatin1String(name), type, false, byDefault};
}

struct MemberInfo {
  QString name;
  CallKind kind = CallKind::Method;
  std::vector<Param> params;
};

class Dispatch {
 public:
  virtual ~Dispatch() = default;

  // Members in slot order: slot = index + 1. A property with a getter and a
  // setter takes two slots.
  virtual const std::vector<MemberInfo>& members() const = 0;

  // Calls the member at `slot` with `args` (missing optional arguments take
  // their defaults; by-reference arguments are written back). No exception
  // leaves: a fault is returned, with number 0 meaning success.
  virtual core::Fault invoke(int slot, std::vector<core::Value>& args, core::Value& result) noexcept = 0;

  // The slot of `name` (letter case ignored) for a call of `kind`, 0 when
  // there is none. A member of that very kind comes first; failing one, a
  // method and a property getter stand in for each other, and so do the two
  // kinds of setter (PropertyPut and PropertyPutRef), both ways.
  int slotOf(const QString& name, CallKind kind) const;
};

}  // namespace platform
