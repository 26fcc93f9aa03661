#include "coravel/entry/declares.h"

#include "core/fault.h"
#include "coravel/settings/registry_settings.h"
#include "platform/registry/registry_client.h"
#include "platform/registry/sqlite_registry.h"

namespace coravel {

using core::Value;
using platform::HKEY;
namespace reg = platform::reg;

namespace {

const QString kError = QStringLiteral("Error");

struct RootName {
  const char* name;
  HKEY handle;
};
constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", reg::kClassesRoot},       {"HKEY_CURRENT_USER", reg::kCurrentUser},
    {"HKEY_LOCAL_MACHINE", reg::kLocalMachine},     {"HKEY_USERS", reg::kUsers},
    {"HKEY_PERFORMANCE_DATA", reg::kPerformanceData}, {"HKEY_CURRENT_CONFIG", reg::kCurrentConfig},
    {"HKEY_DYN_DATA", reg::kDynData},
};

QByteArray bytesOf(const QString& text) { return QByteArray::fromStdString(reg::dataFromText(text)); }

}  // namespace

Declares::Declares() : Declares(platform::defaultRegistry(), platform::ui()) {}

Declares::Declares(platform::Registry& registry, platform::Ui& ui)
    : DispatchObject(QStringLiteral("Coravel.Declares")), registry_(registry), ui_(ui) {
  declareMembers();
}

int32_t Declares::GetMainKeyHandle(const QString& mainKeyName) {
  for (const RootName& r : kRoots)
    if (mainKeyName == QLatin1String(r.name)) return int32_t(r.handle);
  return 0;
}

QString Declares::ErrorMsg(int32_t code) {
  switch (code) {
    case 2: case 1010: return QStringLiteral("Bad Key Name");
    case 4: case 1012: return QStringLiteral("Can't Read Key");
    case 5: return QStringLiteral("Access to this key is denied");
    case 8: case 14: return QStringLiteral("Out of memory");
    case 87: return QStringLiteral("Invalid Parameter");
    case 234: return QStringLiteral("There is more data than the buffer has been allocated to hold.");
    case 1009: case 1015: return QStringLiteral("The Registry Database is corrupt!");
    case 1011: return QStringLiteral("Can't Open Key");
    case 1013: return QStringLiteral("Can't Write Key");
    default:
      // The number as the platform's Str writes it: a leading blank unless negative.
      return QStringLiteral("Undefined Error Code:  ") + (code >= 0 ? QStringLiteral(" ") : QString()) +
             QString::number(code);
  }
}

HKEY Declares::ParseKey(QString& path) {
  if (path.endsWith(QLatin1Char('\\')) || !path.startsWith(QLatin1String("HKEY_"), Qt::CaseSensitive)) {
    ui_.messageBox({QStringLiteral("Incorrect Format:") + QLatin1Char('\n') + QLatin1Char('\n') + path,
                    QLatin1String(kMessageTitle), platform::MsgButtons::Ok, platform::MsgIcon::None, 1});
    return 0;
  }
  const qsizetype slash = path.indexOf(QLatin1Char('\\'));
  if (slash < 0) {
    HKEY root = HKEY(GetMainKeyHandle(path));
    path.clear();
    return root;
  }
  HKEY root = HKEY(GetMainKeyHandle(path.left(slash)));
  path = path.mid(slash + 1);
  return root;
}

HKEY Declares::openKey(QString& path, uint32_t access, HKEY* root) {
  *root = ParseKey(path);
  if (*root == 0) return 0;
  HKEY key = 0;
  lastResult_ = registry_.RegOpenKeyExA(*root, reg::nameFromText(path), 0, access, &key);
  return lastResult_ == reg::kSuccess ? key : 0;
}

void Declares::store(HKEY key, const QString& entry, uint32_t type, const QByteArray& data) {
  lastResult_ = reg::reportDropped(
      registry_, registry_.RegSetValueExA(key, reg::nameFromText(entry), 0, type,
                                          reinterpret_cast<const uint8_t*>(data.constData()), uint32_t(data.size())));
}

Value Declares::SetDWORDValue(QString& subkey, const QString& entry, int32_t value) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyWrite, &root));
  if (key.get() == 0) return {};
  const uint32_t u = uint32_t(value);
  const char bytes[4] = {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
  store(key.get(), entry, reg::kDword, QByteArray(bytes, 4));
  return {};
}

Value Declares::GetDWORDValue(QString& subkey, const QString& entry) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyRead, &root));
  if (root == 0) return {};
  if (key.get() == 0) return kError;
  uint8_t b[4] = {0, 0, 0, 0};
  uint32_t type = 0, size = 4;
  lastResult_ = registry_.RegQueryValueExA(key.get(), reg::nameFromText(entry), nullptr, &type, b, &size);
  if (lastResult_ != reg::kSuccess) return kError;
  return Value(int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24));
}

Value Declares::SetBinaryValue(QString& subkey, const QString& entry, const QString& value) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyWrite, &root));
  if (key.get() == 0) return {};
  // The length is a 16-bit count, and the bytes are numbered from 1 to it.
  if (value.size() > 32767) throw core::FaultError(core::kOverflow);
  if (value.isEmpty()) throw core::FaultError(core::kSubscriptOutOfRange);
  QByteArray data = bytesOf(value);
  for (char& c : data)
    if (c == '\n') c = '\0';
  store(key.get(), entry, reg::kBinary, data);
  return {};
}

Value Declares::GetBinaryValue(QString& subkey, const QString& entry) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyRead, &root));
  if (root == 0) return {};
  if (key.get() == 0) return kError;
  const platform::ValueRead read = platform::readValue(registry_, key.get(), reg::nameFromText(entry));
  lastResult_ = read.result;
  if (lastResult_ != reg::kSuccess) return kError;
  return fromCodePage(read.data.data(), read.data.size());
}

Value Declares::DeleteKey(QString& keyname) {
  HKEY root = ParseKey(keyname);
  if (root == 0) return {};
  lastResult_ = reg::reportDropped(registry_, registry_.RegDeleteKeyA(root, reg::nameFromText(keyname)));
  return {};
}

Value Declares::GetStringValue(QString& subkey, const QString& entry) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyRead, &root));
  if (root == 0) return {};
  if (key.get() == 0) return kError;
  std::string buffer(255, ' ');
  uint32_t type = 0, size = 255;
  lastResult_ = registry_.RegQueryValueExA(key.get(), reg::nameFromText(entry), nullptr, &type,
                                           reinterpret_cast<uint8_t*>(buffer.data()), &size);
  if (lastResult_ != reg::kSuccess) return kError;
  // Blanks off both ends, then drop the last character: the NUL that ends
  // the stored text (or that the read placed after it).
  QString text = fromCodePage(buffer.data(), buffer.size());
  qsizetype first = 0, last = text.size();
  while (first < last && text[first] == QLatin1Char(' ')) ++first;
  while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
  text = text.mid(first, last - first);
  text.chop(1);
  return text;
}

Value Declares::CreateKey(QString& subkey) {
  HKEY root = ParseKey(subkey);
  if (root == 0) return {};
  HKEY key = 0;
  lastResult_ = reg::reportDropped(registry_, registry_.RegCreateKeyA(root, reg::nameFromText(subkey), &key));
  if (lastResult_ == reg::kSuccess) registry_.RegCloseKey(key);
  return {};
}

Value Declares::SetStringValue(QString& subkey, const QString& entry, const QString& value) {
  HKEY root = 0;
  reg::ScopedKey key(registry_, openKey(subkey, reg::kKeyWrite, &root));
  if (key.get() == 0) return {};
  store(key.get(), entry, reg::kString, bytesOf(value));
  return {};
}

void Declares::declareMembers() {
  using platform::byRef;
  using platform::ValueType;
  const ValueType t = ValueType::Text, n = ValueType::Int32;

  // The path is the caller's variable: the shortened path is written back,
  // also when the member faults after shortening it.
  auto path = [](Args& a, auto member) {
    QString p = a[0].text();
    try {
      Value result = member(p);
      a[0] = p;
      return result;
    } catch (...) {
      a[0] = p;
      throw;
    }
  };
  addMethod(QStringLiteral("SetDWORDValue"), {byRef("subkey", t), byRef("entry", t), byRef("Value", n)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return SetDWORDValue(p, a[1].text(), a[2].int32()); }); });
  addMethod(QStringLiteral("GetDWORDValue"), {byRef("subkey", t), byRef("entry", t)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return GetDWORDValue(p, a[1].text()); }); });
  addMethod(QStringLiteral("SetBinaryValue"), {byRef("subkey", t), byRef("entry", t), byRef("Value", t)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return SetBinaryValue(p, a[1].text(), a[2].text()); }); });
  addMethod(QStringLiteral("GetBinaryValue"), {byRef("subkey", t), byRef("entry", t)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return GetBinaryValue(p, a[1].text()); }); });
  addMethod(QStringLiteral("DeleteKey"), {byRef("keyname", t)}, [this, path](Args& a) { return path(a, [&](QString& p) { return DeleteKey(p); }); });
  addMethod(QStringLiteral("GetMainKeyHandle"), {byRef("MainKeyName", t)},
            [](Args& a) { return Value(GetMainKeyHandle(a[0].text())); });
  addMethod(QStringLiteral("ErrorMsg"), {byRef("lErrorCode", n)}, [](Args& a) { return Value(ErrorMsg(a[0].int32())); });
  addMethod(QStringLiteral("GetStringValue"), {byRef("subkey", t), byRef("entry", t)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return GetStringValue(p, a[1].text()); }); });
  addMethod(QStringLiteral("CreateKey"), {byRef("subkey", t)}, [this, path](Args& a) { return path(a, [&](QString& p) { return CreateKey(p); }); });
  addMethod(QStringLiteral("SetStringValue"), {byRef("subkey", t), byRef("entry", t), byRef("Value", t)},
            [this, path](Args& a) { return path(a, [&](QString& p) { return SetStringValue(p, a[1].text(), a[2].text()); }); });
}

}  // namespace coravel
