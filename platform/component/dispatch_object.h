#pragma once
// Base for public classes: each member is declared once, with its parameters,
// and bound to a function. The base checks the argument count, fills in
// defaults, coerces arguments to their declared types, catches every fault and
// writes by-reference arguments back.
#include <functional>

#include "platform/component/dispatch.h"

namespace platform {

class DispatchObject : public Dispatch {
 public:
  using Args = std::vector<core::Value>;
  using Body = std::function<core::Value(Args& args)>;

  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  const std::vector<MemberInfo>& members() const override { return members_; }
  core::Fault invoke(int slot, Args& args, core::Value& result) noexcept override;

 protected:
  // Declared in slot order. `source` names the class in fault records.
  explicit DispatchObject(QString source);
  ~DispatchObject() override;

  void addMethod(const QString& name, std::vector<Param> params, Body body);
  void addPropertyGet(const QString& name, std::function<core::Value()> get);
  void addPropertyPut(const QString& name, Param param, std::function<void(core::Value&)> put,
                      CallKind kind = CallKind::PropertyPut);

 private:
  core::Value coerce(const core::Value& v, ValueType type) const;

  QString source_;
  std::vector<MemberInfo> members_;
  std::vector<Body> bodies_;
};

}  // namespace platform
