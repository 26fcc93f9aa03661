#include "host/coravel_client.h"

namespace host {

using core::Value;

namespace {
constexpr char kProgId[] = "Coravel.ZuzirarRegistry";
constexpr int32_t kCurrentUser = int32_t(0x80000001);
}  // namespace

QString CoravelClient::setting(const QString& name) {
  platform::CreatedObject registry = session_.create(QLatin1String(kProgId));
  if (!registry.object) return {};
  std::vector<Value> args{Value(QString()), Value(name)};  // getstringp prefixes the settings key
  Value result;
  if (ComponentSession::call(*registry.object, QStringLiteral("getstringp"), args, &result).isFault()) return {};
  return result.kind() == Value::Kind::Text ? result.text() : QString();
}

core::Fault CoravelClient::saveSetting(const QString& name, const QString& value) {
  platform::CreatedObject registry = session_.create(QLatin1String(kProgId));
  if (!registry.object) return registry.fault;
  std::vector<Value> args{Value(kCurrentUser), Value(QLatin1String(kSettingsKey)), Value(name), Value(value)};
  return ComponentSession::call(*registry.object, QStringLiteral("savestring"), args);
}

core::Fault CoravelClient::openWindow(const QString& member) {
  platform::CreatedObject registry = session_.create(QLatin1String(kProgId));
  if (!registry.object) return registry.fault;
  std::vector<Value> none;
  return ComponentSession::call(*registry.object, member, none);
}

}  // namespace host
