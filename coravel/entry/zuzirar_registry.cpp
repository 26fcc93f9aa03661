#include "coravel/entry/zuzirar_registry.h"

#include "core/fault.h"
#include "platform/registry/sqlite_registry.h"

namespace coravel {

using core::Value;
using platform::byRef;
using platform::byVal;
using platform::ValueType;

namespace {
platform::HKEY handle(const Value& v) { return platform::HKEY(uint32_t(v.int32())); }
}  // namespace

ZuzirarRegistry::ZuzirarRegistry() : ZuzirarRegistry(platform::defaultRegistry(), libraryWindows()) {}

ZuzirarRegistry::ZuzirarRegistry(platform::Registry& registry, LibraryWindows& windows)
    : DispatchObject(QStringLiteral("Coravel.ZuzirarRegistry")), settings_(registry), windows_(windows) {
  declareMembers();
}

void ZuzirarRegistry::RunExcelfrm() { throw core::FaultError(core::kObjectRequired); }

void ZuzirarRegistry::declareMembers() {
  auto none = [](auto fn) {
    return [fn](Args&) {
      fn();
      return Value();
    };
  };
  addMethod(QStringLiteral("RunExcelfrm"), {}, none([this] { RunExcelfrm(); }));
  addMethod(QStringLiteral("ShowHolidayfrm"), {}, none([this] { ShowHolidayfrm(); }));
  addMethod(QStringLiteral("ShowSickfrm"), {}, none([this] { ShowSickfrm(); }));
  addMethod(QStringLiteral("ShowVacationfrm"), {}, none([this] { ShowVacationfrm(); }));
  addMethod(QStringLiteral("ShowGraphfrm"), {}, none([this] { ShowGraphfrm(); }));

  const ValueType n = ValueType::Int32, t = ValueType::Text;
  addMethod(QStringLiteral("savekey"), {byRef("hKey", n), byRef("strPath", t)}, [this](Args& a) {
    settings_.savekey(handle(a[0]), a[1].text());
    return Value();
  });
  addMethod(QStringLiteral("getstring"), {byRef("hKey", n), byRef("strPath", t), byRef("strValue", t)},
            [this](Args& a) { return settings_.getstring(handle(a[0]), a[1].text(), a[2].text()); });
  addMethod(QStringLiteral("getstringx"), {byRef("strPath", t), byRef("strValue", t)}, [this](Args& a) {
    QString path = a[0].text();
    Value result = settings_.getstringx(path, a[1].text());
    a[0] = path;
    return result;
  });
  addMethod(QStringLiteral("getstringp"), {byRef("strPath", t), byRef("strValue", t)}, [this](Args& a) {
    QString path = a[0].text();
    Value result = settings_.getstringp(path, a[1].text());
    a[0] = path;
    return result;
  });
  addMethod(QStringLiteral("savestring"),
            {byRef("hKey", n), byRef("strPath", t), byRef("strValue", t), byRef("strdata", t)}, [this](Args& a) {
              settings_.savestring(handle(a[0]), a[1].text(), a[2].text(), a[3].text());
              return Value();
            });
  addMethod(QStringLiteral("getdword"), {byVal("hKey", n), byVal("strPath", t), byVal("strValueName", t)},
            [this](Args& a) { return Value(settings_.getdword(handle(a[0]), a[1].text(), a[2].text())); });
  addMethod(QStringLiteral("SaveDword"),
            {byVal("hKey", n), byVal("strPath", t), byVal("strValueName", t), byVal("lData", n)}, [this](Args& a) {
              settings_.SaveDword(handle(a[0]), a[1].text(), a[2].text(), a[3].int32());
              return Value();
            });
  addMethod(QStringLiteral("DeleteKey"), {byVal("hKey", n), byVal("strKey", t)}, [this](Args& a) {
    settings_.DeleteKey(handle(a[0]), a[1].text());
    return Value();
  });
  addMethod(QStringLiteral("DeleteValue"), {byVal("hKey", n), byVal("strPath", t), byVal("strValue", t)},
            [this](Args& a) {
              settings_.DeleteValue(handle(a[0]), a[1].text(), a[2].text());
              return Value();
            });
}

}  // namespace coravel
