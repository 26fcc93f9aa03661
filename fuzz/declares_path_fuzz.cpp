// Full-path addressing of Coravel.Declares: every member takes a caller's
// path "ROOT\sub\key", shows the "Incorrect Format:" box for a malformed one
// and leaves it unchanged, and otherwise writes back the part after the root
// name and reaches the registry below that root (when the root is known).
#include <vector>

#include "coravel/entry/declares.h"
#include "coravel/settings/registry_settings.h"
#include "core/fault.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "platform/registry/name_text.h"
#include "platform/ui/fake_ui.h"

namespace {

using platform::HKEY;
namespace reg = platform::reg;

// Records the root and path of every open, create and delete, and answers
// every read with one value taken from the input.
class RecordingRegistry : public platform::Registry {
 public:
  struct Call {
    HKEY root;
    std::string path;
  };
  std::vector<Call> calls;
  uint32_t valueType = reg::kString;
  std::string value;

  int32_t RegOpenKeyExA(HKEY key, std::string_view path, uint32_t, uint32_t, HKEY* result) override {
    calls.push_back({key, std::string(path)});
    *result = kOpened;
    return reg::kSuccess;
  }
  int32_t RegOpenKeyA(HKEY key, std::string_view path, HKEY* result) override {
    return RegOpenKeyExA(key, path, 0, reg::kKeyAllAccess, result);
  }
  int32_t RegCreateKeyA(HKEY key, std::string_view path, HKEY* result) override {
    return RegOpenKeyExA(key, path, 0, reg::kKeyAllAccess, result);
  }
  int32_t RegQueryValueExA(HKEY key, std::string_view, uint32_t*, uint32_t* type, uint8_t* data,
                           uint32_t* size) override {
    FUZZ_CHECK(key == kOpened);
    if (type != nullptr) *type = valueType;
    const auto n = uint32_t(value.size());
    if (data == nullptr) {
      *size = n;
      return reg::kSuccess;
    }
    if (*size < n) {
      *size = n;
      return reg::kMoreData;
    }
    std::memcpy(data, value.data(), n);
    if (reg::isStringType(valueType) && *size > n) data[n] = 0;
    *size = n;
    return reg::kSuccess;
  }
  int32_t RegSetValueExA(HKEY key, std::string_view, uint32_t, uint32_t, const uint8_t*, uint32_t) override {
    FUZZ_CHECK(key == kOpened);
    return reg::kSuccess;
  }
  int32_t RegDeleteKeyA(HKEY key, std::string_view path) override {
    calls.push_back({key, std::string(path)});
    return reg::kSuccess;
  }
  int32_t RegDeleteValueA(HKEY, std::string_view) override { return reg::kSuccess; }
  int32_t RegCloseKey(HKEY) override { return reg::kSuccess; }

 private:
  static constexpr HKEY kOpened = 0x1234;
};

// Calls one member, chosen by `which`; false when it raised a fault.
bool callMember(coravel::Declares& declares, int which, QString& path, const QString& entry, const QString& text,
                int32_t number) {
  try {
    switch (which) {
      case 0: declares.CreateKey(path); break;
      case 1: declares.DeleteKey(path); break;
      case 2: declares.GetStringValue(path, entry); break;
      case 3: declares.SetStringValue(path, entry, text); break;
      case 4: declares.GetDWORDValue(path, entry); break;
      case 5: declares.SetDWORDValue(path, entry, number); break;
      case 6: declares.GetBinaryValue(path, entry); break;
      default: declares.SetBinaryValue(path, entry, text); break;
    }
  } catch (const core::FaultError&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  RecordingRegistry registry;
  platform::FakeUi ui;
  coravel::Declares declares(registry, ui);

  const int which = in.byte() % 8;
  registry.valueType = in.byte() % 5;
  registry.value = in.bytes(300);
  const QString entry = in.text(8);
  const QString text = in.text(16);
  const int32_t number = int32_t(in.u32());
  // A root name, whole or bent, starts most paths.
  static const char* const kStarts[] = {"HKEY_CURRENT_USER\\", "HKEY_LOCAL_MACHINE", "HKEY_DYN_DATA\\",
                                        "HKEY_current_user\\", "HKEY_", "", "HKEY_USERS\\\\"};
  const QString original = QString::fromLatin1(kStarts[in.byte() % 7]) + in.text(in.remaining());

  QString path = original;
  const bool finished = callMember(declares, which, path, entry, text, number);

  const bool malformed = original.endsWith(QLatin1Char('\\')) || !original.startsWith(QLatin1String("HKEY_"));
  if (malformed) {
    FUZZ_CHECK(finished);
    FUZZ_CHECK(ui.boxes.size() == 1);
    FUZZ_CHECK(ui.boxes[0].text == QStringLiteral("Incorrect Format:\n\n") + original);
    FUZZ_CHECK(ui.boxes[0].title == QLatin1String(coravel::Declares::kMessageTitle));
    FUZZ_CHECK(path == original);
    FUZZ_CHECK(registry.calls.empty());
    return 0;
  }
  FUZZ_CHECK(ui.boxes.isEmpty());
  const qsizetype slash = original.indexOf(QLatin1Char('\\'));
  const QString rootName = slash < 0 ? original : original.left(slash);
  const QString rest = slash < 0 ? QString() : original.mid(slash + 1);
  FUZZ_CHECK(path == rest, "path " + path.toStdString() + " expected " + rest.toStdString());
  const HKEY root = HKEY(coravel::Declares::GetMainKeyHandle(rootName));
  FUZZ_CHECK(root == 0 || reg::isRoot(root));
  if (root == 0) {
    FUZZ_CHECK(registry.calls.empty());
    FUZZ_CHECK(finished);
    return 0;
  }
  FUZZ_CHECK(!registry.calls.empty());
  FUZZ_CHECK(registry.calls[0].root == root);
  FUZZ_CHECK(registry.calls[0].path == reg::nameFromText(rest));
  // Only the binary writer raises, and only for a value it cannot store.
  FUZZ_CHECK(finished || (which == 7 && (text.isEmpty() || text.size() > 32767)));
  return 0;
}
