#include "platform/component/dispatch_object.h"

#include <atomic>
#include <new>

namespace platform {

namespace {
std::atomic<int> liveObjects{0};

// Whether a member changed a by-reference argument; when that cannot even be
// told, it counts as changed and is written back.
bool changed(const core::Value& now, const core::Value& entered) noexcept {
  try {
    return !(now == entered);
  } catch (...) {
    return true;
  }
}
}  // namespace

int liveObjectCount() { return liveObjects.load(); }

DispatchObject::DispatchObject(QString source) : source_(std::move(source)) { ++liveObjects; }
DispatchObject::~DispatchObject() { --liveObjects; }

using core::Fault;
using core::FaultError;
using core::Value;

void DispatchObject::addMethod(const QString& name, std::vector<Param> params, Body body) {
  members_.push_back(MemberInfo{name, CallKind::Method, std::move(params)});
  bodies_.push_back(std::move(body));
}

void DispatchObject::addPropertyGet(const QString& name, std::function<Value()> get) {
  members_.push_back(MemberInfo{name, CallKind::PropertyGet, {}});
  bodies_.emplace_back([get = std::move(get)](Args&) { return get(); });
}

void DispatchObject::addPropertyPut(const QString& name, Param param, std::function<void(Value&)> put,
                                    CallKind kind) {
  members_.push_back(MemberInfo{name, kind, {std::move(param)}});
  bodies_.emplace_back([put = std::move(put)](Args& args) {
    put(args[0]);
    return Value();
  });
}

Value DispatchObject::coerce(const Value& v, ValueType type) const {
  switch (type) {
    case ValueType::Variant: return v;
    case ValueType::Int16: return Value(int32_t(v.toInt16()));
    case ValueType::Int32: return Value(v.toInt32());
    case ValueType::Double: return Value(v.toDouble());
    case ValueType::Bool: return Value(v.toBool());
    case ValueType::Text: return Value(v.toText());
    case ValueType::Object: return Value(v.toObject());
  }
  return v;
}

Fault DispatchObject::invoke(int slot, Args& args, Value& result) noexcept {
  // The member works on its own copies; by-reference ones are the caller's
  // variables, so those the member changed are written back whether it
  // returns or faults. One it left as it was entered keeps the caller's value
  // and type (a number stays a number, not the text it was read as).
  Args working;
  Args entered;
  const std::vector<Param>* ranWith = nullptr;
  auto writeBack = [&] {
    if (!ranWith) return;
    for (size_t i = 0; i < args.size(); ++i)
      if ((*ranWith)[i].byRef && changed(working[i], entered[i])) args[i] = working[i];
  };
  try {
    if (slot < 1 || slot > int(members_.size())) throw FaultError(core::kMemberNotSupported, source_);
    const MemberInfo& member = members_[size_t(slot - 1)];
    const std::vector<Param>& params = member.params;
    if (args.size() > params.size()) throw FaultError(core::kWrongNumberOfArguments, source_);

    working.reserve(params.size());
    for (size_t i = 0; i < params.size(); ++i) {
      if (i < args.size()) {
        working.push_back(coerce(args[i], params[i].type));
      } else if (params[i].isOptional()) {
        working.push_back(*params[i].defaultValue);
      } else {
        throw FaultError(core::kArgumentNotOptional, source_);
      }
    }
    entered = working;
    ranWith = &params;
    result = bodies_[size_t(slot - 1)](working);
    writeBack();
    return {};
  } catch (...) {
    writeBack();
    Fault f = core::faultInFlight(source_);
    if (f.source.isEmpty()) f.source = source_;
    return f;
  }
}

}  // namespace platform
