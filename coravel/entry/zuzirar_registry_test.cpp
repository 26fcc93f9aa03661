#include "coravel/entry/zuzirar_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryFile>
#include <cstdio>

#include "core/code_page.h"
#include "coravel/entry/test_registry.h"

using core::Value;
using coravel::ZuzirarRegistry;
namespace reg = platform::reg;

namespace {

// Records which windows were asked for.
class RecordingWindows : public coravel::LibraryWindows {
 public:
  void show(coravel::WindowId id) override { shown.push_back(id); }
  std::vector<coravel::WindowId> shown;
};

class ZuzirarRegistryTest : public ::testing::Test {
 protected:
  void setRaw(const char* path, const char* name, uint32_t type, const QByteArray& data) {
    platform::HKEY key = 0;
    ASSERT_EQ(store.registry.RegCreateKeyA(reg::kCurrentUser, path, &key), reg::kSuccess);
    store.registry.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(data.constData()),
                                  uint32_t(data.size()));
    store.registry.RegCloseKey(key);
  }
  // Calls a member by name through the dispatch interface, as hosts do.
  Value call(const char* name, std::vector<Value>& args, int32_t* faultNumber = nullptr) {
    Value result;
    core::Fault f = object.invoke(object.slotOf(name, platform::CallKind::Method), args, result);
    if (faultNumber) *faultNumber = f.number;
    else EXPECT_FALSE(f.isFault()) << name << ": " << f.description.toStdString();
    return result;
  }

  coravel::test::TestRegistry store;
  RecordingWindows windows;
  ZuzirarRegistry object{store.registry, windows};
  coravel::RegistrySettings& settings = object.settings();
};

const int32_t kUser = int32_t(reg::kCurrentUser);

TEST_F(ZuzirarRegistryTest, MembersSitInTheirSlots) {
  const char* names[] = {"RunExcelfrm", "ShowHolidayfrm", "ShowSickfrm", "ShowVacationfrm", "ShowGraphfrm",
                         "savekey", "getstring", "getstringx", "getstringp", "savestring", "getdword",
                         "SaveDword", "DeleteKey", "DeleteValue"};
  for (int slot = 1; slot <= 14; ++slot) EXPECT_EQ(object.slotOf(names[slot - 1], platform::CallKind::Method), slot);
}

TEST_F(ZuzirarRegistryTest, SavestringStoresWithoutNulAndCreatesMissingKeys) {
  std::vector<Value> args{Value(kUser), Value("Software\\A\\B\\C"), Value("Rate"), Value("12.50")};
  call("savestring", args);
  platform::HKEY key = 0;
  ASSERT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software\\A\\B\\C", &key), reg::kSuccess);
  uint32_t type = 0, size = 0;
  store.registry.RegQueryValueExA(key, "Rate", nullptr, &type, nullptr, &size);
  store.registry.RegCloseKey(key);
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(size, 5u);
  std::vector<Value> read{Value(kUser), Value("Software\\A\\B\\C"), Value("Rate")};
  EXPECT_EQ(call("getstring", read), Value("12.50"));
}

TEST_F(ZuzirarRegistryTest, GetstringGivesEmptyForWhatIsNotAString) {
  setRaw("Software\\G", "num", reg::kDword, QByteArray("\x01\0\0\0", 4));
  setRaw("Software\\G", "empty", reg::kString, QByteArray());
  setRaw("Software\\G", "withNul", reg::kString, QByteArray("abc\0", 4));
  setRaw("Software\\G", "inner", reg::kString, QByteArray("ab\0cd", 5));
  EXPECT_TRUE(settings.getstring(reg::kCurrentUser, "Software\\G", "missing").isEmpty());
  EXPECT_TRUE(settings.getstring(reg::kCurrentUser, "Software\\Nope", "num").isEmpty());
  EXPECT_TRUE(settings.getstring(reg::kCurrentUser, "Software\\G", "num").isEmpty());
  EXPECT_EQ(settings.getstring(reg::kCurrentUser, "Software\\G", "empty"), Value(QString()));  // text, not empty
  EXPECT_EQ(settings.getstring(reg::kCurrentUser, "Software\\G", "withNul"), Value("abc"));
  EXPECT_EQ(settings.getstring(reg::kCurrentUser, "Software\\G", "inner"), Value("ab"));
  EXPECT_EQ(settings.getdword(reg::kCurrentUser, "Software\\G", "withNul"), 0);
  EXPECT_EQ(settings.getdword(reg::kCurrentUser, "Software\\G", "num"), 1);
  EXPECT_EQ(settings.getdword(reg::kCurrentUser, "Software\\Nope", "num"), 0);
}

TEST_F(ZuzirarRegistryTest, GetstringpAndGetstringxPrefixTheCallersPath) {
  settings.writeSetting("HolidaysPay", "7.5");
  std::vector<Value> args{Value(""), Value("HolidaysPay")};
  EXPECT_EQ(call("getstringp", args), Value("7.5"));
  EXPECT_EQ(args[0], Value("Software\\Vandr\\Registry"));
  // Without a leading backslash the two paths run together.
  std::vector<Value> joined{Value("Sub"), Value("HolidaysPay")};
  EXPECT_TRUE(call("getstringp", joined).isEmpty());
  EXPECT_EQ(joined[0], Value("Software\\Vandr\\RegistrySub"));
  setRaw("Software\\Ravelin\\Registry\\Sub", "x", reg::kString, "y");
  std::vector<Value> sub{Value("\\Sub"), Value("x")};
  EXPECT_EQ(call("getstringx", sub), Value("y"));
  EXPECT_EQ(sub[0], Value("Software\\Ravelin\\Registry\\Sub"));
}

// The single-byte calls use code page 1252: every character of 0x80-0x9F
// (the euro, curly quotes, dashes, "Œ") is stored as its byte, in names and
// data, and reads back as itself; a character with no byte there is "?" in
// data. A byte already stored reads as the code page's character.
TEST_F(ZuzirarRegistryTest, TextTakesCodePage1252BytesBothWays) {
  QString high;
  QByteArray highBytes;
  for (int byte = 0x80; byte <= 0x9F; ++byte) {
    high += core::fromCodePage1252(std::string(1, char(byte)));
    highBytes += char(byte);
  }
  const struct {
    QString written;
    QByteArray stored;
    QString read;
  } cases[] = {
      {QStringLiteral("5\u20ac"), "5\x80", QStringLiteral("5\u20ac")},
      {high, highBytes, high},
      {QStringLiteral("\u201cquoted\u201d \u2013 \u0152uvre"), "\x93quoted\x94 \x96 \x8cuvre",
       QStringLiteral("\u201cquoted\u201d \u2013 \u0152uvre")},
      {QStringLiteral("\u03a9\u20ad"), "??", QStringLiteral("??")},
  };
  for (const auto& c : cases) {
    settings.savestring(reg::kCurrentUser, QStringLiteral("Software\\\u20ac"), high, c.written);
    platform::HKEY key = 0;
    ASSERT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software\\\x80", &key), reg::kSuccess);
    uint8_t data[64] = {};
    uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(store.registry.RegQueryValueExA(key, highBytes.toStdString(), nullptr, &type, data, &size), reg::kSuccess);
    store.registry.RegCloseKey(key);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), c.stored);
    EXPECT_EQ(settings.getstring(reg::kCurrentUser, QStringLiteral("Software\\\u20ac"), high), Value(c.read));
  }
  EXPECT_EQ(high.size(), 32);
  EXPECT_EQ(core::toCodePage1252(high), highBytes.toStdString()) << "every byte of 0x80-0x9F writes back as itself";
}

// A store whose neighbour kept it locked past the wait.
class BusyStore : public platform::MemoryRegistry {
 public:
  int32_t RegSetValueExA(platform::HKEY, std::string_view, uint32_t, uint32_t, const uint8_t*, uint32_t) override {
    return reg::kBusy;
  }
  std::string storeError() const override { return "the registry store \"S\" is kept locked by process 7 (wwreg)"; }
};

// A write the store drops stays silent to the caller, as the settings
// operations promise, but says so in one line on standard error.
TEST(SettingsWrites, AWriteDroppedByABusyStoreSaysSoOnStandardError) {
  BusyStore store;
  coravel::RegistrySettings settings(store);
  std::fflush(stderr);
  QTemporaryFile capture;
  ASSERT_TRUE(capture.open());
  const int saved = ::dup(2);
  ::dup2(capture.handle(), 2);
  settings.savestring(reg::kCurrentUser, QStringLiteral("Software\\Vandr\\Registry"), QStringLiteral("SickPay"),
                      QStringLiteral("9.5"));
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  capture.seek(0);
  EXPECT_EQ(capture.readAll(),
            "Wagewise: a setting was not saved: the registry store \"S\" is kept locked by process 7 (wwreg)\n");
}

// As "?" these names would reach the unrelated key and value named "??" and "?".
TEST_F(ZuzirarRegistryTest, NamesOutsideTheCodePageReachNoOtherKey) {
  setRaw("Software\\??", "?", reg::kString, "unrelated");
  const QString key = QStringLiteral("Software\\\u03a9\u20ac"), name = QStringLiteral("\u03a9");
  EXPECT_TRUE(settings.getstring(reg::kCurrentUser, key, "?").isEmpty());
  EXPECT_TRUE(settings.getstring(reg::kCurrentUser, "Software\\??", name).isEmpty());
  settings.savestring(reg::kCurrentUser, key, "?", "overwritten");
  settings.savestring(reg::kCurrentUser, "Software\\??", name, "overwritten");
  settings.DeleteValue(reg::kCurrentUser, "Software\\??", name);
  settings.DeleteKey(reg::kCurrentUser, key);
  EXPECT_EQ(settings.getstring(reg::kCurrentUser, "Software\\??", "?"), Value("unrelated"));
}

// A path of 1 MB, or a name cut short by a NUL, must not reach the key or
// value before the NUL: reads find nothing and writes change nothing.
TEST_F(ZuzirarRegistryTest, PathsPastTheLimitsOrHoldingNulReachNoKey) {
  setRaw("Software\\A", "v", reg::kString, "kept");
  const QString huge = QStringLiteral("Software\\") + QString(1 << 20, QLatin1Char('k'));
  const QString nulPath = QStringLiteral("Software\\A") + QChar(0) + QStringLiteral("B");
  const QString nulName = QStringLiteral("v") + QChar(0) + QStringLiteral("x");
  const std::pair<QString, QString> cases[] = {{huge, "v"}, {nulPath, "v"}, {"Software\\A", nulName}};
  for (const auto& [path, name] : cases) {
    settings.savekey(reg::kCurrentUser, path);
    settings.savestring(reg::kCurrentUser, path, name, "overwritten");
    settings.SaveDword(reg::kCurrentUser, path, name, 7);
    EXPECT_TRUE(settings.getstring(reg::kCurrentUser, path, name).isEmpty());
    EXPECT_EQ(settings.getdword(reg::kCurrentUser, path, name), 0);
    settings.DeleteValue(reg::kCurrentUser, path, name);
    if (path != "Software\\A") settings.DeleteKey(reg::kCurrentUser, path);
  }
  EXPECT_EQ(settings.getstring(reg::kCurrentUser, "Software\\A", "v"), Value("kept"));
  platform::HKEY key = 0;
  ASSERT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software", &key), reg::kSuccess);
  char subkey[300];
  uint32_t size = sizeof subkey;
  EXPECT_EQ(store.registry.RegEnumKeyExA(key, 1, subkey, &size, nullptr, nullptr, nullptr, nullptr), reg::kNoMoreItems);
  store.registry.RegCloseKey(key);
}

TEST_F(ZuzirarRegistryTest, DwordsDeletesAndKeys) {
  std::vector<Value> save{Value(kUser), Value("Software\\N"), Value("n"), Value(int32_t(-5))};
  EXPECT_TRUE(call("SaveDword", save).isEmpty());
  std::vector<Value> get{Value(kUser), Value("Software\\N"), Value("n")};
  EXPECT_EQ(call("getdword", get), Value(int32_t(-5)));
  std::vector<Value> del{Value(kUser), Value("Software\\N"), Value("n")};
  call("DeleteValue", del);
  EXPECT_EQ(call("getdword", get), Value(int32_t(0)));

  std::vector<Value> makeChild{Value(kUser), Value("Software\\N\\Child")};
  call("savekey", makeChild);
  std::vector<Value> dropParent{Value(kUser), Value("Software\\N")};
  call("DeleteKey", dropParent);  // refused: the key has a subkey; silent either way
  platform::HKEY key = 0;
  EXPECT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software\\N\\Child", &key), reg::kSuccess);
  store.registry.RegCloseKey(key);
}

TEST_F(ZuzirarRegistryTest, WindowMembersOpenTheirWindowsAndRunExcelfrmNeedsAnObject) {
  std::vector<Value> none;
  call("ShowHolidayfrm", none);
  call("ShowSickfrm", none);
  call("ShowVacationfrm", none);
  call("ShowGraphfrm", none);
  using coravel::WindowId;
  EXPECT_EQ(windows.shown, (std::vector<WindowId>{WindowId::Holidays, WindowId::Sick, WindowId::Vacations,
                                                  WindowId::Graph}));
  int32_t fault = 0;
  call("RunExcelfrm", none, &fault);
  EXPECT_EQ(fault, core::kObjectRequired);
}

}  // namespace
