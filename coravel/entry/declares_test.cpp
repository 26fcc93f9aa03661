#include "coravel/entry/declares.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "coravel/entry/test_registry.h"
#include "coravel/settings/registry_settings.h"
#include "platform/registry/growing_value_registry.h"
#include "platform/ui/fake_ui.h"

using core::Value;
using coravel::Declares;
namespace reg = platform::reg;

namespace {

class DeclaresTest : public ::testing::Test {
 protected:
  // The raw bytes and type of a value, read past the classes under test.
  std::pair<uint32_t, QByteArray> raw(platform::HKEY root, const char* path, const char* name) {
    platform::HKEY key = 0;
    if (store.registry.RegOpenKeyA(root, path, &key) != reg::kSuccess) return {0, {}};
    uint32_t type = 0, size = 0;
    store.registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    QByteArray data(qsizetype(size), '\0');
    store.registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<uint8_t*>(data.data()), &size);
    store.registry.RegCloseKey(key);
    return {type, data};
  }
  void setRaw(const char* path, const char* name, uint32_t type, const QByteArray& data) {
    platform::HKEY key = 0;
    ASSERT_EQ(store.registry.RegCreateKeyA(reg::kCurrentUser, path, &key), reg::kSuccess);
    store.registry.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(data.constData()),
                                  uint32_t(data.size()));
    store.registry.RegCloseKey(key);
  }

  coravel::test::TestRegistry store;
  platform::FakeUi ui;
  Declares declares{store.registry, ui};
};

TEST_F(DeclaresTest, StringRoundTripShortensTheCallersPath) {
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Test");
  // Writing needs the key to exist: the writers open, they never create.
  EXPECT_TRUE(declares.SetStringValue(path, "Name", "Ann").isEmpty());
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\Test", "Name").second, QByteArray());
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Test");
  declares.CreateKey(path);
  EXPECT_EQ(path, QStringLiteral("Software\\Test"));
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Test");
  declares.SetStringValue(path, "Name", "Ann");
  auto [type, data] = raw(reg::kCurrentUser, "Software\\Test", "Name");
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(data, QByteArray("Ann"));  // no terminating NUL
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Test");
  EXPECT_EQ(declares.GetStringValue(path, "Name"), Value(QStringLiteral("Ann")));
  EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DeclaresTest, SameVariableTwiceShowsIncorrectFormatTheSecondTime) {
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Twice");
  declares.CreateKey(path);
  ASSERT_EQ(path, QStringLiteral("Software\\Twice"));
  declares.CreateKey(path);
  ASSERT_EQ(ui.boxes.size(), 1);
  EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Incorrect Format:\n\nSoftware\\Twice"));
  EXPECT_EQ(ui.boxes[0].buttons, platform::MsgButtons::Ok);
  EXPECT_EQ(ui.boxes[0].icon, platform::MsgIcon::None);
  EXPECT_EQ(path, QStringLiteral("Software\\Twice"));  // left unchanged
}

TEST_F(DeclaresTest, MalformedAndUnknownRoots) {
  for (QString bad : {QStringLiteral("hkey_CURRENT_USER\\Software"), QStringLiteral("HKEY_CURRENT_USER\\Software\\")}) {
    const QString before = bad;
    EXPECT_TRUE(declares.GetStringValue(bad, "x").isEmpty());
    EXPECT_EQ(bad, before);
  }
  EXPECT_EQ(ui.boxes.size(), 2);
  // A root name in the wrong case: nothing happens, no box, empty result.
  QString lower = QStringLiteral("HKEY_current_user\\Software\\X");
  EXPECT_TRUE(declares.CreateKey(lower).isEmpty());
  QString lowerRead = QStringLiteral("HKEY_current_user\\Software\\X");
  EXPECT_TRUE(declares.GetStringValue(lowerRead, "x").isEmpty());
  QString lowerDword = QStringLiteral("HKEY_current_user\\Software\\X");
  EXPECT_TRUE(declares.GetDWORDValue(lowerDword, "x").isEmpty());
  EXPECT_EQ(ui.boxes.size(), 2);
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\X", "").first, 0u);
  EXPECT_EQ(Declares::GetMainKeyHandle("HKEY_LOCAL_MACHINE"), int32_t(reg::kLocalMachine));
  EXPECT_EQ(Declares::GetMainKeyHandle("HKEY_Local_Machine"), 0);
}

TEST_F(DeclaresTest, RootAloneSelectsTheRootItself) {
  QString path = QStringLiteral("HKEY_CURRENT_USER");
  declares.SetDWORDValue(path, "AtRoot", 42);
  EXPECT_EQ(path, QString());
  auto [type, data] = raw(reg::kCurrentUser, "", "AtRoot");
  EXPECT_EQ(type, reg::kDword);
  EXPECT_EQ(data, QByteArray("\x2a\0\0\0", 4));
  path = QStringLiteral("HKEY_CURRENT_USER");
  EXPECT_EQ(declares.GetDWORDValue(path, "AtRoot"), Value(int32_t(42)));
}

TEST_F(DeclaresTest, ReadersSayErrorForMissingKeysAndValues) {
  QString missingKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Nowhere");
  EXPECT_EQ(declares.GetStringValue(missingKey, "x"), Value(QStringLiteral("Error")));
  setRaw("Software\\R", "s", reg::kString, "abc");
  for (auto read : {&Declares::GetStringValue, &Declares::GetDWORDValue, &Declares::GetBinaryValue}) {
    QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\R");
    EXPECT_EQ((declares.*read)(path, "missing"), Value(QStringLiteral("Error")));
  }
}

// A path of 1 MB, or one cut short by a NUL, reaches no key: readers say
// "Error", writers change nothing, and nothing faults.
TEST_F(DeclaresTest, PathsPastTheLimitsOrHoldingNulReachNoKey) {
  setRaw("Software\\A", "v", reg::kString, "kept");
  const QString huge = QStringLiteral("HKEY_CURRENT_USER\\Software\\") + QString(1 << 20, QLatin1Char('k'));
  const QString nulPath = QStringLiteral("HKEY_CURRENT_USER\\Software\\A") + QChar(0) + QStringLiteral("B");
  const QString nulName = QStringLiteral("v") + QChar(0) + QStringLiteral("x");
  const std::pair<QString, QString> cases[] = {
      {huge, "v"}, {nulPath, "v"}, {"HKEY_CURRENT_USER\\Software\\A", nulName}};
  for (const auto& [original, name] : cases) {
    QString path = original;
    declares.CreateKey(path);
    path = original;
    declares.SetStringValue(path, name, "overwritten");
    path = original;
    declares.SetDWORDValue(path, name, 7);
    for (auto read : {&Declares::GetStringValue, &Declares::GetDWORDValue, &Declares::GetBinaryValue}) {
      path = original;
      EXPECT_EQ((declares.*read)(path, name), Value(QStringLiteral("Error")));
    }
    path = original;
    if (name == "v") declares.DeleteKey(path);
  }
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\A", "v"), std::make_pair(reg::kString, QByteArray("kept")));
  platform::HKEY key = 0;
  ASSERT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software", &key), reg::kSuccess);
  char subkey[300];
  uint32_t size = sizeof subkey;
  EXPECT_EQ(store.registry.RegEnumKeyExA(key, 1, subkey, &size, nullptr, nullptr, nullptr, nullptr), reg::kNoMoreItems);
  store.registry.RegCloseKey(key);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(DeclaresTest, StringReadTrimsBlanksAndRefusesLongValues) {
  setRaw("Software\\S", "lead", reg::kString, "   abc");
  setRaw("Software\\S", "nul", reg::kString, QByteArray("abc\0", 4));
  setRaw("Software\\S", "fits", reg::kString, QByteArray(254, 'x') + QByteArray(1, '\0'));
  setRaw("Software\\S", "long", reg::kString, QByteArray(255, 'x') + QByteArray(1, '\0'));
  auto read = [&](const char* name) {
    QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\S");
    return declares.GetStringValue(path, name);
  };
  EXPECT_EQ(read("lead"), Value(QStringLiteral("abc")));
  EXPECT_EQ(read("nul"), Value(QStringLiteral("abc")));
  EXPECT_EQ(read("fits"), Value(QString(254, QLatin1Char('x'))));
  EXPECT_EQ(read("long"), Value(QStringLiteral("Error")));
}

TEST_F(DeclaresTest, DwordReadRefusesDataLongerThanFourBytes) {
  setRaw("Software\\D", "five", reg::kBinary, "12345");
  setRaw("Software\\D", "text", reg::kString, "ab");  // the type is not checked
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\D");
  EXPECT_EQ(declares.GetDWORDValue(path, "five"), Value(QStringLiteral("Error")));
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\D");
  EXPECT_EQ(declares.GetDWORDValue(path, "text"), Value(int32_t(0x6261)));
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\D");
  declares.SetDWORDValue(path, "neg", -2);
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\D");
  EXPECT_EQ(declares.GetDWORDValue(path, "neg"), Value(int32_t(-2)));
}

TEST_F(DeclaresTest, BinaryValuesStoreLineFeedsAsZeroBytes) {
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\B");
  declares.CreateKey(path);
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\B");
  declares.SetBinaryValue(path, "bin", QStringLiteral("a\nb\xe9"));
  auto [type, data] = raw(reg::kCurrentUser, "Software\\B", "bin");
  EXPECT_EQ(type, reg::kBinary);
  EXPECT_EQ(data, QByteArray("a\0b\xe9", 4));
  path = QStringLiteral("HKEY_CURRENT_USER\\Software\\B");
  EXPECT_EQ(declares.GetBinaryValue(path, "bin"), Value(QString::fromLatin1(QByteArray("a\0b\xe9", 4))));
}

TEST_F(DeclaresTest, BinaryValueLengthFaultsStoreNothingAndStillShortenThePath) {
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\B");
  declares.CreateKey(path);
  // Through the dispatch interface, as a host calls: the caller's path comes
  // back shortened whether the member returns or faults.
  auto faultOf = [&](const QString& value) {
    std::vector<Value> args{Value(QStringLiteral("HKEY_CURRENT_USER\\Software\\B")), Value(QStringLiteral("bin")),
                            Value(value)};
    Value result;
    const core::Fault f = declares.invoke(declares.slotOf("SetBinaryValue", platform::CallKind::Method), args, result);
    EXPECT_EQ(args[0], Value(QStringLiteral("Software\\B"))) << "value of " << value.size() << " characters";
    return f.number;
  };
  EXPECT_EQ(faultOf(QString(32768, QLatin1Char('x'))), core::kOverflow);
  EXPECT_EQ(faultOf(QString()), core::kSubscriptOutOfRange);
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\B", "bin").first, 0u);
  EXPECT_EQ(faultOf(QString(32767, QLatin1Char('x'))), 0);
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\B", "bin").second.size(), 32767);
}

TEST_F(DeclaresTest, DeleteKeyFollowsTheStoreRuleForSubkeys) {
  QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\P\\Child");
  declares.CreateKey(path);
  QString parent = QStringLiteral("HKEY_CURRENT_USER\\Software\\P");
  declares.DeleteKey(parent);  // refused silently: it has a subkey
  platform::HKEY key = 0;
  EXPECT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software\\P\\Child", &key), reg::kSuccess);
  store.registry.RegCloseKey(key);
  QString child = QStringLiteral("HKEY_CURRENT_USER\\Software\\P\\Child");
  declares.DeleteKey(child);
  parent = QStringLiteral("HKEY_CURRENT_USER\\Software\\P");
  declares.DeleteKey(parent);
  EXPECT_EQ(store.registry.RegOpenKeyA(reg::kCurrentUser, "Software\\P", &key), reg::kFileNotFound);
}

// A name outside the code page names no key: as "?" it would reach another one.
TEST_F(DeclaresTest, NamesOutsideTheCodePageReachNoOtherKey) {
  QString lookalike = QStringLiteral("HKEY_CURRENT_USER\\Software\\??");
  declares.CreateKey(lookalike);
  setRaw("Software\\??", "V", reg::kString, "kept");
  QString foreign = QString::fromUtf8("HKEY_CURRENT_USER\\Software\\\u03a9\u20ac");
  declares.DeleteKey(foreign);
  foreign = QString::fromUtf8("HKEY_CURRENT_USER\\Software\\\u03a9\u20ac");
  declares.SetStringValue(foreign, "V", "lost");
  foreign = QString::fromUtf8("HKEY_CURRENT_USER\\Software\\\u03a9\u20ac");
  EXPECT_EQ(declares.GetStringValue(foreign, "V"), Value(QStringLiteral("Error")));
  EXPECT_EQ(raw(reg::kCurrentUser, "Software\\??", "V").second, QByteArray("kept"));
}

TEST(DeclaresErrorMsg, NamesTheKnownCodesAndNumbersTheRest) {
  EXPECT_EQ(Declares::ErrorMsg(2), QStringLiteral("Bad Key Name"));
  EXPECT_EQ(Declares::ErrorMsg(1010), QStringLiteral("Bad Key Name"));
  EXPECT_EQ(Declares::ErrorMsg(1012), QStringLiteral("Can't Read Key"));
  EXPECT_EQ(Declares::ErrorMsg(5), QStringLiteral("Access to this key is denied"));
  EXPECT_EQ(Declares::ErrorMsg(14), QStringLiteral("Out of memory"));
  EXPECT_EQ(Declares::ErrorMsg(87), QStringLiteral("Invalid Parameter"));
  EXPECT_EQ(Declares::ErrorMsg(234), QStringLiteral("There is more data than the buffer has been allocated to hold."));
  EXPECT_EQ(Declares::ErrorMsg(1015), QStringLiteral("The Registry Database is corrupt!"));
  EXPECT_EQ(Declares::ErrorMsg(1011), QStringLiteral("Can't Open Key"));
  EXPECT_EQ(Declares::ErrorMsg(1013), QStringLiteral("Can't Write Key"));
  EXPECT_EQ(Declares::ErrorMsg(1014), QStringLiteral("Undefined Error Code:   1014"));
  EXPECT_EQ(Declares::ErrorMsg(0), QStringLiteral("Undefined Error Code:   0"));
  EXPECT_EQ(Declares::ErrorMsg(-1), QStringLiteral("Undefined Error Code:  -1"));
}

}  // namespace

namespace {

// Each reader that sizes a value and then reads it gets the whole value when
// another process makes it longer in between, never an empty or missing one
// (a host that writes back what it read would lose the setting).
TEST(TwoCallReaders, AValueGrowingBetweenTheirTwoQueriesIsReadWhole) {
  QTemporaryDir dir;
  platform::test::GrowingValueRegistry store(dir.filePath(QStringLiteral("registry.sqlite3")));
  platform::FakeUi ui;
  coravel::RegistrySettings settings(store);
  Declares declares(store, ui);
  const std::string grown = "9.5" + std::string(3, '0');
  struct Case {
    const char* reader;
    uint32_t type;
    std::function<QString()> read;
  } cases[] = {
      {"getstring", reg::kString,
       [&] { return settings.getstring(reg::kCurrentUser, QLatin1String(coravel::kSettingsKey), "SickPay").toText(); }},
      {"getstringp", reg::kString,
       [&] {
         QString path;
         return settings.getstringp(path, QStringLiteral("SickPay")).toText();
       }},
      {"GetBinaryValue", reg::kBinary,
       [&] {
         QString path = QStringLiteral("HKEY_CURRENT_USER\\") + QLatin1String(coravel::kSettingsKey);
         return declares.GetBinaryValue(path, QStringLiteral("SickPay")).toText();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reader);
    platform::HKEY key = 0;
    ASSERT_EQ(store.RegCreateKeyA(reg::kCurrentUser, coravel::kSettingsKey, &key), reg::kSuccess);
    const std::string start = c.type == reg::kString ? std::string("9.5") + '\0' : std::string("9.5");
    store.RegSetValueExA(key, "SickPay", 0, c.type, reinterpret_cast<const uint8_t*>(start.data()),
                         uint32_t(start.size()));
    store.RegCloseKey(key);
    store.growBeforeDataQueries(3, reg::kCurrentUser, coravel::kSettingsKey, "0");
    EXPECT_EQ(c.read(), QString::fromStdString(grown));
  }
}

}  // namespace
