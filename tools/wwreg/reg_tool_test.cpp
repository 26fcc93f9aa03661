#include "tools/wwreg/reg_tool.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <sstream>
#include <thread>

#include "platform/registry/registry_test_support.h"
#include "platform/registry/sqlite_registry.h"
#include "tools/wwreg/reg_file.h"

namespace wwreg {
namespace {

using namespace std::string_literals;
using platform::HKEY;
using platform::test::createAt;
using platform::test::failed;
using platform::test::openAt;
namespace reg = platform::reg;

struct Result {
  int code;
  std::string out;
  std::string err;
};

class RegToolTest : public ::testing::Test {
 protected:
  Result wwreg(const QStringList& args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    Console console{in, out, err};
    const int code = run(args, [this]() -> platform::Registry& { return registry; }, console);
    return Result{code, out.str(), err.str()};
  }

  // A value below HKEY_CURRENT_USER: its bytes (the type in `type`), or kMissing.
  std::string stored(const char* path, const char* name, uint32_t* type = nullptr) {
    return platform::test::readBytes(registry, reg::kCurrentUser, path, name, type);
  }
  void set(const char* path, const char* name, uint32_t type, const std::string& data) {
    ASSERT_REG_OK(platform::test::setBytes(registry, reg::kCurrentUser, path, name, type, data));
  }
  bool keyExists(const char* path) { return openAt(registry, reg::kCurrentUser, path).rc == reg::kSuccess; }

  // A file in the test's folder holding `bytes`; its path.
  QString writeFile(const char* name, const QByteArray& bytes) {
    QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << name;
    return path;
  }

  QTemporaryDir dir;
  platform::SqliteRegistry registry{dir.filePath(QStringLiteral("registry.sqlite3"))};
};

const std::string kDone = "The operation completed successfully.\n";
const std::string kNotFound = "ERROR: The system was unable to find the specified registry key or value.\n";
const std::string kMissing = failed(reg::kFileNotFound);

TEST_F(RegToolTest, QueryListsValuesThenSubkeys) {
  set("Software\\Vandr\\Registry", "AppPath", reg::kString, "/home/me");
  set("Software\\Vandr\\Registry", "Count", reg::kDword, "\x2a\0\0\0"s);
  set("Software\\Vandr\\Registry", "Blob", reg::kBinary, "\x01\xab");
  set("Software\\Vandr\\Registry", "", reg::kString, "dflt\0tail"s);
  set("Software\\Vandr\\Registry\\Sub", "x", reg::kMultiString, "a\0b\0\0"s);

  Result r = wwreg({"query", "HKCU\\Software\\Vandr\\Registry"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "\nHKEY_CURRENT_USER\\Software\\Vandr\\Registry\n"
            "    AppPath    REG_SZ    /home/me\n"
            "    Count    REG_DWORD    0x2a\n"
            "    Blob    REG_BINARY    01AB\n"
            "    (Default)    REG_SZ    dflt\n"
            "\nHKEY_CURRENT_USER\\Software\\Vandr\\Registry\\Sub\n");

  // One value, found whatever the case; printed with its stored name.
  r = wwreg({"QUERY", "hkey_current_user\\software\\vandr\\registry", "/V", "apppath"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "\nHKEY_CURRENT_USER\\software\\vandr\\registry\n    AppPath    REG_SZ    /home/me\n\n");
  r = wwreg({"query", "HKCU\\Software\\Vandr\\Registry\\Sub", "/ve"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, kNotFound);

  r = wwreg({"query", "HKCU\\Software\\Vandr", "/s"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\\Sub\n    x    REG_MULTI_SZ    a\\0b\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("End of search: 7 match(es) found."), std::string::npos) << r.out;

  for (const QStringList& args : {QStringList{"query", "HKCU\\Software\\Nowhere"},
                                  QStringList{"query", "HKCU\\Software\\Vandr\\Registry", "/v", "Nothing"}}) {
    r = wwreg(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kNotFound);
  }
}

TEST_F(RegToolTest, AddStoresEachTypeAsBytes) {
  const struct {
    QStringList args;
    uint32_t type;
    std::string bytes;
  } cases[] = {
      {{"/v", "Text", "/d", "caf\u00e9"}, reg::kString, "caf\xe9\0"s},
      // Code page 1252: the euro sign and curly quotes have bytes, Greek has none.
      {{"/v", "Text2", "/t", "reg_sz", "/d", "\u20ac\u201c\u201d\u0152\u03a9"}, reg::kString, "\x80\x93\x94\x8c?\0"s},
      {{"/v", "Empty"}, reg::kString, "\0"s},
      {{"/ve", "/d", "dflt"}, reg::kString, "dflt\0"s},
      {{"/v", "Dec", "/t", "REG_DWORD", "/d", "4294967295"}, reg::kDword, "\xff\xff\xff\xff"},
      {{"/v", "Hex", "/t", "REG_DWORD", "/d", "0x2A"}, reg::kDword, "\x2a\0\0\0"s},
      {{"/v", "Q", "/t", "REG_QWORD", "/d", "0x100000000"}, reg::kQword, "\0\0\0\0\x01\0\0\0"s},
      {{"/v", "Bin", "/t", "REG_BINARY", "/d", "00ff10"}, reg::kBinary, "\0\xff\x10"s},
      {{"/v", "NoBin", "/t", "REG_BINARY"}, reg::kBinary, ""},
      {{"/v", "None", "/t", "REG_NONE", "/d", "ab"}, reg::kNone, "\xab"},
      {{"/v", "Multi", "/t", "REG_MULTI_SZ", "/d", "a\\0bc"}, reg::kMultiString, "a\0bc\0\0"s},
      {{"/v", "Multi2", "/t", "REG_MULTI_SZ", "/s", "#", "/d", "x#y"}, reg::kMultiString, "x\0y\0\0"s},
      {{"/v", "Exp", "/t", "REG_EXPAND_SZ", "/d", "%HOME%"}, reg::kExpandString, "%HOME%\0"s},
  };
  for (const auto& c : cases) {
    Result r = wwreg(QStringList{"add", "HKCU\\Software\\Add"} + c.args);
    EXPECT_EQ(r.code, 0) << c.args.join(' ').toStdString() << r.err;
    EXPECT_EQ(r.out, kDone);
    const QString name = c.args[0] == "/ve" ? QString() : c.args[1];
    uint32_t type = 99;
    EXPECT_EQ(stored("Software\\Add", name.toLatin1().constData(), &type), c.bytes) << name.toStdString();
    EXPECT_EQ(type, c.type) << name.toStdString();
  }
  // The NUL is stored, never shown.
  EXPECT_EQ(wwreg({"query", "HKCU\\Software\\Add", "/v", "Text"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Add\n    Text    REG_SZ    caf\u00e9\n\n");
  // A key alone, with its parents.
  EXPECT_EQ(wwreg({"add", "HKLM\\Software\\A\\B\\C"}).code, 0);
  EXPECT_REG_OK(openAt(registry, reg::kLocalMachine, "Software\\A\\B\\C").rc);
}

TEST_F(RegToolTest, AddRefusesDataThatDoesNotFitItsType) {
  for (const QStringList& args : {
           QStringList{"/v", "n", "/t", "REG_DWORD", "/d", "4294967296"},
           QStringList{"/v", "n", "/t", "REG_DWORD", "/d", "-1"},
           QStringList{"/v", "n", "/t", "REG_DWORD", "/d", "12abc"},
           QStringList{"/v", "n", "/t", "REG_DWORD"},
           QStringList{"/v", "n", "/t", "REG_BINARY", "/d", "abc"},
           QStringList{"/v", "n", "/t", "REG_BINARY", "/d", "zz"},
       }) {
    Result r = wwreg(QStringList{"add", "HKCU\\Software\\Bad"} + args);
    EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
    EXPECT_EQ(r.err.rfind("ERROR: Invalid data", 0), 0u) << r.err;
  }
  EXPECT_FALSE(keyExists("Software\\Bad")) << "nothing is created for refused data";
  Result r = wwreg({"add", "HKCU\\Software\\Bad", "/v", "n", "/t", "REG_FLOAT", "/d", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "ERROR: Invalid type \"REG_FLOAT\".\n");
}

TEST_F(RegToolTest, AddAsksBeforeOverwriting) {
  set("Software\\Ask", "v", reg::kString, "old");
  const QStringList add{"add", "HKCU\\Software\\Ask", "/v", "v", "/d", "new"};
  for (const std::string& answer : {"n\n"s, "NO\n"s, ""s}) {
    Result r = wwreg(add, answer);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.rfind("Value v exists, overwrite(Yes/No)? ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("The operation was canceled by the user."), std::string::npos);
    EXPECT_EQ(stored("Software\\Ask", "v"), "old");
  }
  Result r = wwreg(add, "perhaps\nyes\n");  // asks again until yes or no
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Value v exists, overwrite(Yes/No)? Value v exists, overwrite(Yes/No)? " + kDone);
  EXPECT_EQ(stored("Software\\Ask", "v"), "new\0"s);
  r = wwreg({"add", "HKCU\\Software\\Ask", "/v", "V", "/d", "forced", "/f"});
  EXPECT_EQ(r.out, kDone);
  EXPECT_EQ(stored("Software\\Ask", "v"), "forced\0"s);
}

TEST_F(RegToolTest, DeleteRemovesValuesOrWholeTrees) {
  set("Software\\Tree\\A\\B\\C", "deep", reg::kString, "1");
  set("Software\\Tree\\A", "mid", reg::kString, "2");
  set("Software\\Tree\\D", "side", reg::kString, "3");
  set("Software\\Tree", "top1", reg::kString, "4");
  set("Software\\Tree", "top2", reg::kString, "5");

  Result r = wwreg({"delete", "HKCU\\Software\\Tree"}, "n\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out.rfind("Delete the registry key HKEY_CURRENT_USER\\Software\\Tree (Yes/No)? ", 0), 0u);
  EXPECT_TRUE(keyExists("Software\\Tree\\A\\B\\C"));

  r = wwreg({"delete", "HKCU\\Software\\Tree", "/v", "TOP1"}, "y\n");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Delete the registry value TOP1 (Yes/No)? " + kDone);
  EXPECT_EQ(stored("Software\\Tree", "top1"), kMissing);
  EXPECT_EQ(stored("Software\\Tree", "top2"), "5");
  r = wwreg({"delete", "HKCU\\Software\\Tree", "/v", "top1", "/f"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, kNotFound);

  r = wwreg({"delete", "HKCU\\Software\\Tree\\A", "/va", "/f"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(stored("Software\\Tree\\A", "mid"), kMissing);
  EXPECT_TRUE(keyExists("Software\\Tree\\A\\B\\C"));

  r = wwreg({"delete", "HKCU\\Software\\Tree", "/f"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kDone);
  EXPECT_FALSE(keyExists("Software\\Tree"));
  EXPECT_TRUE(keyExists("Software"));

  r = wwreg({"delete", "HKCU\\Software\\Tree", "/f"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, kNotFound);
  r = wwreg({"delete", "HKCU", "/f"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "ERROR: Access is denied.\n");
  EXPECT_TRUE(keyExists("Software"));
}

TEST_F(RegToolTest, ExportThenImportRestoresEveryByte) {
  std::string every;
  for (int i = 0; i < 256; ++i) every.push_back(char(i));
  const struct {
    const char* path;
    const char* name;
    uint32_t type;
    std::string data;
  } values[] = {
      {"Software\\Round", "", reg::kString, "default"},
      {"Software\\Round", "quote\"back\\slash", reg::kString, "a \"b\" \\c\\"},
      {"Software\\Round", "with nul", reg::kString, "text\0"s},
      {"Software\\Round", "lines", reg::kString, "one\r\ntwo"},
      {"Software\\Round", "every", reg::kString, every},
      {"Software\\Round", "latin \xe9", reg::kString, "\xe9t\xe9"},
      {"Software\\Round", "dword", reg::kDword, "\x01\x02\x03\x04"},
      {"Software\\Round", "short dword", reg::kDword, "\x01"},
      {"Software\\Round", "binary", reg::kBinary, every + every},
      {"Software\\Round", "empty", reg::kBinary, ""},
      {"Software\\Round\\Sub\\Deeper", "odd", 0x4242, "x"},
      {"Software\\Round\\Empty Key", nullptr, 0, ""},
  };
  for (const auto& v : values) {
    if (v.name != nullptr) {
      set(v.path, v.name, v.type, v.data);
    } else {
      ASSERT_REG_OK(createAt(registry, reg::kCurrentUser, v.path).rc);
    }
  }
  const QString file = dir.filePath(QStringLiteral("round.reg"));
  Result r = wwreg({"export", "HKCU\\Software\\Round", file});
  ASSERT_EQ(r.code, 0) << r.err;
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray exported = f.readAll();
  f.close();
  EXPECT_TRUE(exported.contains("\r\n[HKEY_CURRENT_USER\\Software\\Round\\Sub]\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Round\\Sub\\Deeper]\r\n"))
      << "subkeys follow their parent";

  ASSERT_EQ(wwreg({"delete", "HKCU\\Software\\Round", "/f"}).code, 0);
  r = wwreg({"import", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, kDone);
  for (const auto& v : values) {
    if (v.name == nullptr) {
      EXPECT_TRUE(keyExists(v.path));
      continue;
    }
    uint32_t type = 0;
    EXPECT_EQ(stored(v.path, v.name, &type), v.data) << v.name;
    EXPECT_EQ(type, v.type) << v.name;
  }
  // Exported again: the same file, as a second export must not ask.
  r = wwreg({"export", "HKCU\\Software\\Round", file}, "n\n");
  EXPECT_EQ(r.code, 1);
  r = wwreg({"export", "HKCU\\Software\\Round", file, "/y"});
  ASSERT_EQ(r.code, 0);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), exported);
}

TEST_F(RegToolTest, ImportAppliesDeletions) {
  set("Software\\Imp\\Old\\Child", "x", reg::kString, "1");
  set("Software\\Imp", "gone", reg::kString, "2");
  set("Software\\Imp", "kept", reg::kString, "3");
  const QString changes = writeFile("changes.reg",
                                    "Windows Registry Editor Version 5.00\r\n\r\n"
                                    "[-HKEY_CURRENT_USER\\Software\\Imp\\Old]\r\n\r\n"
                                    "[-HKEY_CURRENT_USER\\Software\\Imp\\NeverThere]\r\n\r\n"
                                    "[HKCU\\Software\\Imp]\r\n\"gone\"=-\r\n\"absent\"=-\r\n\"new\"=\"4\"\r\n");
  Result r = wwreg({"import", changes});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(keyExists("Software\\Imp\\Old"));
  EXPECT_EQ(stored("Software\\Imp", "gone"), kMissing);
  EXPECT_EQ(stored("Software\\Imp", "kept"), "3");
  EXPECT_EQ(stored("Software\\Imp", "new"), "4");
}

TEST_F(RegToolTest, ExportRefusesNamesAFileCannotCarryAndWritesNothing) {
  const struct {
    const char* key;
    const char* value;
  } cases[] = {
      // Imported, this key's section line would delete the settings key.
      {"Software\\Case1\\Backup]\n[-HKEY_CURRENT_USER\\Software\\Vandr", "v"},
      {"Software\\Case2\\Carriage\rReturn", "v"},
      {"Software\\Case3", "line\nfeed"},
      {"Software\\Case4", "carriage\rreturn"},
  };
  set("Software\\Vandr", "kept", reg::kString, "yes");
  for (const auto& c : cases) {
    set(c.key, c.value, reg::kString, "x");
    const QString top = QStringLiteral("HKCU\\") + QString::fromLatin1(c.key).section(QLatin1Char('\\'), 0, 1);
    const QString file = dir.filePath(QStringLiteral("refused.reg"));
    Result r = wwreg({"export", top, file});
    EXPECT_EQ(r.code, 1) << c.key;
    EXPECT_EQ(r.err.rfind("ERROR: Cannot export: the ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("No file was written."), std::string::npos) << r.err;
    EXPECT_FALSE(QFile::exists(file)) << c.key;
  }
  EXPECT_EQ(stored("Software\\Vandr", "kept"), "yes");
}

TEST_F(RegToolTest, ImportChangesNothingWhenAnySectionFails) {
  set("Software\\Keep", "v", reg::kString, "old");
  set("Software\\Doomed", "v", reg::kString, "here");
  const QByteArray tooLong(256, 'k');
  const QString partial = writeFile("partial.reg",
                                    "Windows Registry Editor Version 5.00\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Keep]\r\n\"v\"=\"new\"\r\n\r\n"
                                    "[-HKEY_CURRENT_USER\\Software\\Doomed]\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Fresh]\r\n\"x\"=dword:00000001\r\n\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\" + tooLong + "]\r\n");
  Result r = wwreg({"import", partial});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("ERROR: The parameter is incorrect: a name is past the registry's limits", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(" Key [HKEY_CURRENT_USER\\Software\\kkkk"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("...]; nothing was imported.\n"), std::string::npos) << r.err;
  EXPECT_EQ(stored("Software\\Keep", "v"), "old");
  EXPECT_EQ(stored("Software\\Doomed", "v"), "here");
  EXPECT_FALSE(keyExists("Software\\Fresh"));
}

// A store whose disk fills after `room` value writes, each taking a
// millisecond, so an import commits several bounded transactions first.
class FillingStore : public platform::SqliteRegistry {
 public:
  FillingStore(const QString& path, int room) : SqliteRegistry(path), room_(room) {}
  int32_t RegSetValueExA(HKEY key, std::string_view name, uint32_t reserved, uint32_t type, const uint8_t* data,
                         uint32_t size) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (room_-- <= 0) return reg::kDiskFull;
    return SqliteRegistry::RegSetValueExA(key, name, reserved, type, data, size);
  }

 private:
  int room_;
};

// An import is written in bounded transactions once the whole file has been
// checked; a failure while writing (a full disk) leaves what was written
// before it, as the platform's own import does, and says how far it reached.
TEST_F(RegToolTest, AnImportThatFailsWhileWritingSaysWhichKeysItWrote) {
  QByteArray big = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int key = 0; key < 40; ++key) {
    big += QStringLiteral("[HKEY_CURRENT_USER\\Software\\Big\\K%1]\r\n").arg(key, 2, 10, QLatin1Char('0')).toLatin1();
    for (int value = 0; value < 10; ++value) big += QStringLiteral("\"v%1\"=\"x\"\r\n").arg(value).toLatin1();
  }
  const QString bigFile = writeFile("big.reg", big);
  FillingStore filling(dir.filePath(QStringLiteral("filling.sqlite3")), 305);
  std::istringstream in;
  std::ostringstream out, err;
  Console console{in, out, err};
  EXPECT_EQ(run({"import", bigFile}, [&]() -> platform::Registry& { return filling; }, console), 1);
  // 30 keys of 10 values fit, then 5 values of K30 (as far as the last
  // transaction that landed reached).
  static const QRegularExpression said(QStringLiteral(
      "^ERROR: There is not enough space on the disk\\. Key \\[HKEY_CURRENT_USER\\\\Software\\\\Big\\\\K30\\]; "
      "the (\\d+) keys from \\[HKEY_CURRENT_USER\\\\Software\\\\Big\\\\K00\\] to \\[HKEY_CURRENT_USER\\\\Software\\\\Big\\\\K(\\d+)\\] were "
      "imported(, and (\\d+) values of \\[HKEY_CURRENT_USER\\\\Software\\\\Big\\\\K(\\d+)\\])?; the rest was not\\.\\n$"));
  const QRegularExpressionMatch m = said.match(QString::fromStdString(err.str()));
  ASSERT_TRUE(m.hasMatch()) << err.str();
  const int whole = m.captured(1).toInt();
  EXPECT_EQ(m.captured(2).toInt(), whole - 1);
  EXPECT_GE(whole, 1);
  EXPECT_LE(whole, 30);
  // The store holds exactly what the message says.
  for (int key = 0; key < 40; ++key) {
    const std::string path = "Software\\Big\\K" + std::string(key < 10 ? "0" : "") + std::to_string(key);
    const bool there = openAt(filling, reg::kCurrentUser, path).rc == reg::kSuccess;
    if (key < whole) {
      EXPECT_TRUE(there) << key;
    } else if (key > whole) {
      EXPECT_FALSE(there) << key;
    }
  }
}

TEST_F(RegToolTest, ImportReadsOnlyRegularFilesWithinTheLimit) {
  const QString fifo = dir.filePath(QStringLiteral("pipe.reg"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString sparse = dir.filePath(QStringLiteral("sparse.reg"));  // 64 MiB and a byte, costing nothing
  {
    QFile f(sparse);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize((qint64(64) << 20) + 1));
  }
  const QString small = writeFile("small.reg", "Windows Registry Editor Version 5.00\r\n"
                                              "[HKEY_CURRENT_USER\\Software\\Small]\r\n\"v\"=\"1\"\r\n");
  const qint64 smallSize = QFile(small).size();
  const std::string tooLarge = " bytes, more than the ";
  const struct {
    QStringList args;
    std::string err;  // a part of the error output; empty: imported
  } cases[] = {
      {{"import", fifo}, "ERROR: " + fifo.toStdString() + " is a pipe, not a registry file;"},
      {{"import", dir.path()}, "ERROR: " + dir.path().toStdString() + " is a folder, not a registry file;"},
      {{"import", "/dev/urandom"}, "ERROR: /dev/urandom is a device, not a registry file;"},
      {{"import", sparse}, "is 67108865 bytes, more than the 67108864 a registry file may have"},
      {{"import", small, "--max-bytes", QString::number(smallSize - 1)}, tooLarge},
      {{"import", small, "--max-bytes", "lots"}, "ERROR: Invalid --max-bytes \"lots\"."},
      {{"import", small, "--max-bytes", QString::number(smallSize)}, ""},
  };
  for (const auto& c : cases) {
    const Result r = wwreg(c.args);
    EXPECT_EQ(r.code, c.err.empty() ? 0 : 1) << c.args.join(' ').toStdString();
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args.join(' ').toStdString() << " gave: " << r.err;
    EXPECT_EQ(keyExists("Software\\Small"), c.err.empty()) << c.args.join(' ').toStdString();
  }
}

TEST_F(RegToolTest, AddThatFailsOnTheValueLeavesNoNewKey) {
  const QString pastLimit(16384, u'v');  // value names hold at most 16,383 characters
  const Result r = wwreg({"add", "HKCU\\Software\\Fresh\\Deeper", "/v", pastLimit, "/d", "x", "/f"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("ERROR: The parameter is incorrect", 0), 0u) << r.err;
  EXPECT_FALSE(keyExists("Software\\Fresh"));
  const Result ok = wwreg({"add", "HKCU\\Software\\Fresh\\Deeper", "/v", pastLimit.left(16383), "/d", "x", "/f"});
  EXPECT_EQ(ok.code, 0) << ok.err;
  EXPECT_TRUE(keyExists("Software\\Fresh\\Deeper"));
}

// A file as the platform's registry editor writes it (UTF-16LE, every value
// type, string types in hex as UTF-16LE) imports to single-byte values and
// exports back byte for byte; the text form round-trips the same store.
TEST_F(RegToolTest, ThePlatformEditorsFilesComeBackByteForByte) {
  QFile sample(QStringLiteral(WWREG_PLATFORM_SAMPLE));
  ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
  const QByteArray original = sample.readAll();
  ASSERT_EQ(wwreg({"import", QStringLiteral(WWREG_PLATFORM_SAMPLE)}).err, "");
  uint32_t type = 0;
  EXPECT_EQ(stored("Software\\Vandr\\Registry", "Home", &type), "%USERPROFILE%\0"s);
  EXPECT_EQ(type, reg::kExpandString);
  EXPECT_EQ(stored("Software\\Vandr\\Registry", "Jobs", &type), "Caf\xe9\0Depot\0\0"s);
  EXPECT_EQ(stored("Software\\Vandr\\Registry", "Note", &type), "two\r\nlines\0"s);
  EXPECT_EQ(stored("Software\\Vandr\\Registry", "Path"), "C:\\Wagewise \"jobs\"");

  const QString platform = dir.filePath(QStringLiteral("platform.reg"));
  const QString text = dir.filePath(QStringLiteral("text.reg"));
  ASSERT_EQ(wwreg({"export", "HKCU\\Software\\Vandr", platform, "/utf16"}).code, 0);
  ASSERT_EQ(wwreg({"export", "HKCU\\Software\\Vandr", text}).code, 0);
  QFile back(platform);
  ASSERT_TRUE(back.open(QIODevice::ReadOnly));
  EXPECT_EQ(back.readAll(), original);
  ASSERT_EQ(wwreg({"delete", "HKCU\\Software\\Vandr", "/f"}).code, 0);
  ASSERT_EQ(wwreg({"import", text}).code, 0);
  ASSERT_EQ(wwreg({"export", "HKCU\\Software\\Vandr", platform, "/utf16", "/y"}).code, 0);
  back.seek(0);
  EXPECT_EQ(back.readAll(), original);
  // The older header reads string data as single bytes.
  const RegFileContent old = readRegFile(QByteArray("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"e\"=hex(2):41,00\r\n"));
  ASSERT_EQ(old.error, QString());
  EXPECT_EQ(old.sections.at(0).values.at(0).data, "A\0"s);
}

TEST_F(RegToolTest, ExportRefusesTheStoreAndItsJournalFiles) {
  set("Software\\Vandr", "kept", reg::kString, "yes");
  const QString store = dir.filePath(QStringLiteral("registry.sqlite3"));
  for (const QString& target : {store, store + "-wal", store + "-shm", dir.path() + "/./registry.sqlite3"}) {
    Result r = wwreg({"export", "HKCU\\Software", target, "/y"});
    EXPECT_EQ(r.code, 1) << target.toStdString();
    EXPECT_EQ(r.err, "ERROR: Cannot export to " + target.toStdString() +
                         ": it is a file of the registry store itself.\n");
  }
  platform::SqliteRegistry reopened(store);
  ASSERT_REG_OK(openAt(reopened, reg::kCurrentUser, "Software\\Vandr").rc);
  EXPECT_EQ(stored("Software\\Vandr", "kept"), "yes");
}

TEST_F(RegToolTest, BadInputFailsWithAClearMessage) {
  const QString bad = writeFile("bad.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_NOWHERE\\x]\r\n");
  const QString garbage = writeFile("garbage.reg", "[HKEY_CURRENT_USER\\x]\r\n");
  const std::string syntax = "ERROR: Invalid syntax.\n";
  const struct {
    QStringList args;
    std::string err;  // start of the error output
  } cases[] = {
      {{"frobnicate"}, syntax + "Type \"WWREG /?\" for usage.\n"},
      {{"query"}, syntax + "Type \"WWREG QUERY /?\" for usage.\n"},
      {{"query", "HKCU\\x", "extra"}, syntax},
      {{"query", "HKCU\\x", "/v"}, syntax},
      {{"query", "HKCU\\x", "/v", "a", "/ve"}, syntax},
      {{"query", "HKCU\\x", "/v", "a", "/v", "b"}, syntax},
      {{"query", "HKEY_NOWHERE\\x"}, "ERROR: Invalid key name.\n"},
      {{"query", "\\\\machine\\HKLM\\x"}, "ERROR: Invalid key name.\n"},
      {{"add", "HKCU\\x", "/s", ","}, syntax},
      {{"delete", "HKCU\\x", "/v", "a", "/va"}, syntax},
      {{"export", "HKCU\\Software"}, syntax},
      {{"import"}, syntax},
      {{"import", dir.filePath(QStringLiteral("none.reg"))}, "ERROR: Error opening the file."},
      {{"import", bad}, "ERROR: Invalid key name [HKEY_NOWHERE\\x]."},
      {{"import", garbage}, "ERROR: " + garbage.toStdString() + " is not a valid registry file: line 1:"},
      // As "?" these names would reach the unrelated key "??" set below.
      {{"delete", "HKCU\\Software\\\u03a9\u20ac", "/f"},
       "ERROR: The name \"HKCU\\Software\\\u03a9\u20ac\" has characters outside code page 1252"},
      {{"delete", "HKCU\\Software\\??", "/v", "\u20ad", "/f"}, "ERROR: The name \"\u20ad\" has characters outside"},
      {{"add", "HKCU\\\u20ad", "/v", "a", "/d", "b"}, "ERROR: The name \"HKCU\\\u20ad\" has characters outside"},
      {{"query", "HKCU\\Software\\??", "/v", "\u03a9"}, "ERROR: The name \"\u03a9\" has characters outside"},
  };
  set("Software\\??", "?", reg::kString, "unrelated");
  for (const auto& c : cases) {
    Result r = wwreg(c.args);
    EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args.join(' ').toStdString();
  }
  EXPECT_EQ(stored("Software\\??", "?"), "unrelated");
  // Export to a place that cannot be written.
  ASSERT_REG_OK(createAt(registry, reg::kCurrentUser, "Software").rc);
  Result r = wwreg({"export", "HKCU\\Software", dir.filePath(QStringLiteral("no/such/folder.reg"))});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("ERROR: Error opening the file.", 0), 0u);

  // Usage: asked for, or no arguments at all.
  r = wwreg({"/?"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("WWREG Operation [Parameter List]", 0), 0u);
  EXPECT_EQ(wwreg({}).code, 1);
  r = wwreg({"add", "/?"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("WWREG ADD KeyName", 0), 0u);
}

}  // namespace
}  // namespace wwreg
