#include "platform/registry/sqlite_registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill() is POSIX, declared here, not in <csignal>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry/child_process_test_support.h"

namespace platform {
namespace {

using namespace std::string_literals;

constexpr HKEY kHKCU = reg::kCurrentUser;

// ---- helpers ------------------------------------------------------------------

int32_t setBytes(Registry& r, HKEY key, std::string_view name, uint32_t type, std::string_view bytes) {
  return r.RegSetValueExA(key, name, 0, type, reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<uint32_t>(bytes.size()));
}

// The value's bytes, read the way callers do: size first, then data.
// Gives "<rc N>" when a call fails.
std::string readBytes(Registry& r, HKEY key, std::string_view name, uint32_t* type = nullptr) {
  uint32_t size = 0;
  if (int32_t rc = r.RegQueryValueExA(key, name, nullptr, type, nullptr, &size); rc != reg::kSuccess)
    return "<rc " + std::to_string(rc) + ">";
  std::string out(size, '\0');
  if (int32_t rc = r.RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<uint8_t*>(out.data()), &size);
      rc != reg::kSuccess)
    return "<rc " + std::to_string(rc) + ">";
  out.resize(size);
  return out;
}

HKEY create(Registry& r, HKEY root, std::string_view path) {
  HKEY h = 0;
  EXPECT_EQ(r.RegCreateKeyA(root, path, &h), reg::kSuccess) << path;
  return h;
}

std::vector<std::string> subkeys(Registry& r, HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t size = sizeof name;
    const int32_t rc = r.RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != reg::kSuccess) {
      EXPECT_EQ(rc, reg::kNoMoreItems);
      return out;
    }
    out.emplace_back(name, size);
  }
}

std::vector<std::string> valueNames(Registry& r, HKEY key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t size = sizeof name;
    const int32_t rc = r.RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != reg::kSuccess) {
      EXPECT_EQ(rc, reg::kNoMoreItems);
      return out;
    }
    out.emplace_back(name, size);
  }
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

mode_t fileMode(const QString& path) {
  struct stat st{};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

using test::spawn;
using test::waitExit;

// Runs `body` in a child that file modes bind: as root the child becomes
// "nobody". Exit code 99: the child could not give up root.
int runUnprivileged(const std::function<int()>& body) {
  return waitExit(spawn([&] {
    if (geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return 99;
    }
    return body();
  }));
}

bool sameRoot(int code) { return code != 99; }

// Another process working on the same store, driven by commands over pipes.
// It is forked before the test opens the store itself.
class Peer {
 public:
  using Handler = std::function<int32_t(SqliteRegistry&, int)>;
  Peer(const QString& path, Handler handler) {
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) std::abort();
    pid_ = spawn([&] {
      ::close(toChild_[1]);
      ::close(toParent_[0]);
      SqliteRegistry registry(path);
      int cmd = 0;
      while (::read(toChild_[0], &cmd, sizeof cmd) == sizeof cmd) {
        const int32_t result = handler(registry, cmd);
        if (::write(toParent_[1], &result, sizeof result) != sizeof result) return 1;
      }
      return 0;
    });
    ::close(toChild_[0]);
    ::close(toParent_[1]);
  }
  ~Peer() {
    ::close(toChild_[1]);
    ::close(toParent_[0]);
    waitExit(pid_);
  }
  int32_t run(int cmd) {
    int32_t result = -1;
    if (::write(toChild_[1], &cmd, sizeof cmd) != sizeof cmd) return -2;
    if (::read(toParent_[0], &result, sizeof result) != sizeof result) return -3;
    return result;
  }

 private:
  int toChild_[2]{};
  int toParent_[2]{};
  pid_t pid_ = -1;
};

class RegistryTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("registry.sqlite3"));
};

// The calls behave the same with the read cache on and off.
class RegistryCallsTest : public RegistryTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override { registry.setReadCacheEnabled(GetParam()); }
  SqliteRegistry registry{path};
};

INSTANTIATE_TEST_SUITE_P(Cache, RegistryCallsTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

// ---- names and paths -------------------------------------------------------------

TEST_P(RegistryCallsTest, NamesMatchWithoutRegardToCaseAndKeepTheirFirstCase) {
  HKEY foo = create(registry, kHKCU, "Software\\Foo");
  ASSERT_EQ(setBytes(registry, foo, "MyValue", reg::kString, "x"), reg::kSuccess);
  ASSERT_EQ(registry.RegCloseKey(foo), reg::kSuccess);

  HKEY again = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "SOFTWARE\\foo", &again), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, again, "MYVALUE"), "x");
  // Setting under another case replaces the value but keeps the name.
  ASSERT_EQ(setBytes(registry, again, "myvalue", reg::kString, "y"), reg::kSuccess);
  EXPECT_EQ(valueNames(registry, again), std::vector<std::string>{"MyValue"});
  EXPECT_EQ(readBytes(registry, again, "MyValue"), "y");
  // Creating under another case opens the existing key.
  HKEY viaCreate = create(registry, kHKCU, "software\\FOO");
  EXPECT_EQ(readBytes(registry, viaCreate, "myVALUE"), "y");

  HKEY software = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &software), reg::kSuccess);
  EXPECT_EQ(subkeys(registry, software), std::vector<std::string>{"Foo"});
  for (HKEY h : {again, viaCreate, software}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, Latin1LettersFoldButOtherBytesDoNot) {
  HKEY upper = create(registry, kHKCU, "\xC4rger");  // Ärger
  HKEY lower = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "\xE4RGER", &lower), reg::kSuccess);  // äRGER
  // × (D7) and ÷ (F7), ß (DF) and ÿ (FF) are not case pairs.
  HKEY times = create(registry, kHKCU, "a\xD7");
  HKEY sharp = create(registry, kHKCU, "b\xDF");
  HKEY other = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "a\xF7", &other), reg::kFileNotFound);
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "b\xFF", &other), reg::kFileNotFound);
  ASSERT_EQ(setBytes(registry, upper, "\xC9t\xC9", reg::kString, "summer"), reg::kSuccess);  // ÉtÉ
  EXPECT_EQ(readBytes(registry, lower, "\xE9T\xE9"), "summer");
  for (HKEY h : {upper, lower, times, sharp}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, EmptyPathComponentsAreSkipped) {
  HKEY a = create(registry, kHKCU, "\\Software\\\\Vandr\\Registry\\");
  ASSERT_EQ(setBytes(registry, a, "v", reg::kString, "1"), reg::kSuccess);
  HKEY b = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Vandr\\Registry", &b), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, b, "v"), "1");
  HKEY software = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &software), reg::kSuccess);
  EXPECT_EQ(subkeys(registry, software), std::vector<std::string>{"Vandr"});
  for (HKEY h : {a, b, software}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, RootsAreSeparateTreesAndHoldValues) {
  HKEY user = create(registry, reg::kCurrentUser, "Software\\Same");
  HKEY machine = create(registry, reg::kLocalMachine, "Software\\Same");
  ASSERT_EQ(setBytes(registry, user, "who", reg::kString, "user"), reg::kSuccess);
  ASSERT_EQ(setBytes(registry, machine, "who", reg::kString, "machine"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, user, "who"), "user");
  EXPECT_EQ(readBytes(registry, machine, "who"), "machine");
  HKEY none = 0;
  for (HKEY root = reg::kClassesRoot; root <= reg::kDynData; ++root) {
    if (root == reg::kCurrentUser || root == reg::kLocalMachine) continue;
    EXPECT_EQ(registry.RegOpenKeyA(root, "Software\\Same", &none), reg::kFileNotFound) << root;
  }
  // Values directly below a root.
  ASSERT_EQ(setBytes(registry, reg::kUsers, "", reg::kString, "default"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, reg::kUsers, ""), "default");
  EXPECT_EQ(readBytes(registry, reg::kClassesRoot, ""), "<rc 2>");
  registry.RegCloseKey(user);
  registry.RegCloseKey(machine);
}

// HKEY_CLASSES_ROOT shows the user's classes over the machine's: a key in
// either is seen, the user's wins, writes go where the key is (a new key:
// the user's), and subkeys are listed once each, in order.
TEST_P(RegistryCallsTest, ClassesRootIsTheUsersClassesOverTheMachines) {
  auto put = [&](HKEY root, const char* path, const char* value) {
    HKEY k = create(registry, root, path);
    EXPECT_EQ(setBytes(registry, k, "", reg::kString, value), reg::kSuccess);
    registry.RegCloseKey(k);
  };
  put(kHKCU, "Software\\Classes\\Both", "user");
  put(reg::kLocalMachine, "Software\\Classes\\Both", "machine");
  put(reg::kLocalMachine, "Software\\Classes\\both\\OnlyMachine", "deep");
  put(reg::kLocalMachine, "Software\\Classes\\MachineOnly", "machine");
  put(kHKCU, "Software\\Classes\\UserOnly", "user");
  auto viaClasses = [&](const char* path) {
    HKEY k = 0;
    const int32_t rc = registry.RegOpenKeyExA(reg::kClassesRoot, path, 0, reg::kKeyRead, &k);
    if (rc != reg::kSuccess) return "<rc " + std::to_string(rc) + ">";
    std::string v = readBytes(registry, k, "");
    registry.RegCloseKey(k);
    return v;
  };
  EXPECT_EQ(viaClasses("Both"), "user");
  EXPECT_EQ(viaClasses("BOTH\\OnlyMachine"), "deep");  // below a key the user has too
  EXPECT_EQ(viaClasses("MachineOnly"), "machine");
  EXPECT_EQ(viaClasses("UserOnly"), "user");
  EXPECT_EQ(viaClasses("Nowhere"), "<rc 2>");
  HKEY both = 0;
  ASSERT_EQ(registry.RegOpenKeyA(reg::kClassesRoot, "Both", &both), reg::kSuccess);
  EXPECT_EQ(subkeys(registry, reg::kClassesRoot), (std::vector<std::string>{"Both", "MachineOnly", "UserOnly"}));
  HKEY sub = 0;
  ASSERT_EQ(registry.RegOpenKeyA(both, "onlymachine", &sub), reg::kSuccess);  // through a handle of the view
  registry.RegCloseKey(sub);

  // Writes: to the machine's key when only it has one; new keys are the user's.
  HKEY machineOnly = create(registry, reg::kClassesRoot, "MachineOnly");
  ASSERT_EQ(setBytes(registry, machineOnly, "x", reg::kString, "1"), reg::kSuccess);
  registry.RegCloseKey(machineOnly);
  HKEY made = create(registry, both, "Made");
  registry.RegCloseKey(made);
  HKEY check = create(registry, reg::kLocalMachine, "Software\\Classes\\MachineOnly");
  EXPECT_EQ(readBytes(registry, check, "x"), "1");
  registry.RegCloseKey(check);
  check = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Classes\\Both\\Made", &check), reg::kSuccess);
  registry.RegCloseKey(check);
  EXPECT_EQ(subkeys(registry, both), (std::vector<std::string>{"Made", "OnlyMachine"}));

  // Deleting through the view takes the user's key first, then the machine's.
  put(kHKCU, "Software\\Classes\\Both\\Gone", "user");
  put(reg::kLocalMachine, "Software\\Classes\\Both\\Gone", "machine");
  for (const char* left : {"machine", "<rc 2>"}) {
    EXPECT_EQ(registry.RegDeleteKeyA(both, "Gone"), reg::kSuccess);
    EXPECT_EQ(viaClasses("Both\\Gone"), left);
  }
  EXPECT_EQ(registry.RegDeleteKeyA(both, "Gone"), reg::kFileNotFound);
  registry.RegCloseKey(both);
  // Values of the root itself are those of the user's classes key.
  ASSERT_EQ(setBytes(registry, reg::kClassesRoot, "top", reg::kString, "t"), reg::kSuccess);
  HKEY classes = create(registry, kHKCU, "Software\\Classes");
  EXPECT_EQ(readBytes(registry, classes, "top"), "t");
  registry.RegCloseKey(classes);
}

// A store of the version that kept HKEY_CLASSES_ROOT as a tree of its own
// has that tree moved into the user's classes when it is opened, once; a key
// the user has already keeps its own values.
TEST_F(RegistryTest, AStoreWithItsOwnClassesTreeIsMovedIntoTheUsersOnce) {
  {
    SqliteRegistry registry(path);
    HKEY k = create(registry, kHKCU, "Software\\Classes\\Shared");
    ASSERT_EQ(setBytes(registry, k, "who", reg::kString, "user"), reg::kSuccess);
    registry.RegCloseKey(k);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  // Names and data are blobs in the store, as the calls write them.
  const char* oldTree = R"sql(
    INSERT INTO keys(id, root, parent, name, lpath) VALUES
      (100, 0, 1, CAST('Rowcast.CRowcast' AS BLOB), CAST('rowcast.crowcast' AS BLOB)),
      (101, 0, 100, CAST('CLSID' AS BLOB), CAST('rowcast.crowcast\clsid' AS BLOB)),
      (102, 0, 1, CAST('Shared' AS BLOB), CAST('shared' AS BLOB));
    INSERT INTO vals(key, lname, name, type, data) VALUES
      (101, x'', x'', 1, CAST('{AF63}' AS BLOB)),
      (102, CAST('who' AS BLOB), CAST('who' AS BLOB), 1, CAST('old' AS BLOB)),
      (102, CAST('more' AS BLOB), CAST('more' AS BLOB), 1, CAST('m' AS BLOB));
    PRAGMA user_version=1;)sql";
  ASSERT_EQ(sqlite3_exec(db, oldTree, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);

  for (int open = 0; open < 2; ++open) {
    SqliteRegistry registry(path);
    HKEY k = 0;
    ASSERT_EQ(registry.RegOpenKeyA(reg::kClassesRoot, "Rowcast.CRowcast\\CLSID", &k), reg::kSuccess);
    EXPECT_EQ(readBytes(registry, k, ""), "{AF63}");
    registry.RegCloseKey(k);
    ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Classes\\Shared", &k), reg::kSuccess);
    EXPECT_EQ(readBytes(registry, k, "who"), "user");
    EXPECT_EQ(readBytes(registry, k, "more"), "m");
    registry.RegCloseKey(k);
  }
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT (SELECT count(*) FROM keys WHERE root=0), "
                                   "(SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys))",
                               -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(s, 0), 1) << "only the old root row is left";
  EXPECT_EQ(sqlite3_column_int(s, 1), 0) << "no value lost its key";
  sqlite3_finalize(s);
  sqlite3_close(db);
}

// ---- values --------------------------------------------------------------------------

TEST_P(RegistryCallsTest, ValuesKeepTypeAndExactBytes) {
  HKEY k = create(registry, kHKCU, "Software\\Bytes");
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const struct {
    const char* name;
    uint32_t type;
    std::string bytes;
  } cases[] = {
      {"all bytes", reg::kBinary, all},
      {"nuls inside", reg::kString, "a\0b\0\0c"s},
      {"ends in nul", reg::kString, "text\0"s},
      {"empty string", reg::kString, ""},
      {"empty binary", reg::kBinary, ""},
      {"number", reg::kDword, "\x2a\0\0\0"s},
      {"type none", reg::kNone, "zz"},
      {"odd type", 0x12345u, "q"},
      {"", reg::kString, "the default value"},
      {"large", reg::kBinary, std::string(300000, '\xA5')},
  };
  for (const auto& c : cases) ASSERT_EQ(setBytes(registry, k, c.name, c.type, c.bytes), reg::kSuccess) << c.name;
  for (const auto& c : cases) {
    uint32_t type = 0xFFFF;
    EXPECT_EQ(readBytes(registry, k, c.name, &type), c.bytes) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
  // Replacing changes the type too.
  ASSERT_EQ(setBytes(registry, k, "number", reg::kBinary, "\x01"), reg::kSuccess);
  uint32_t type = 0;
  EXPECT_EQ(readBytes(registry, k, "number", &type), "\x01");
  EXPECT_EQ(type, reg::kBinary);
  // Null data with size 0 stores an empty value.
  ASSERT_EQ(registry.RegSetValueExA(k, "nothing", 0, reg::kBinary, nullptr, 0), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "nothing"), "");
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, StringReadPlacesNulOnlyWhenDataLacksOneAndRoomIsLeft) {
  HKEY k = create(registry, kHKCU, "Software\\Strings");
  ASSERT_EQ(setBytes(registry, k, "bare", reg::kString, "abc"), reg::kSuccess);
  ASSERT_EQ(setBytes(registry, k, "ended", reg::kString, "abc\0"s), reg::kSuccess);
  ASSERT_EQ(setBytes(registry, k, "binary", reg::kBinary, "abc"), reg::kSuccess);
  ASSERT_EQ(setBytes(registry, k, "empty", reg::kString, ""), reg::kSuccess);

  struct Read {
    int32_t rc;
    uint32_t size;
    std::string buffer;  // the whole buffer after the call
  };
  auto read = [&](const char* name, uint32_t bufferSize) {
    std::string buffer(bufferSize + 2, '#');  // two guard bytes past the stated size
    uint32_t size = bufferSize;
    uint32_t type = 0;
    const int32_t rc =
        registry.RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<uint8_t*>(buffer.data()), &size);
    return Read{rc, size, buffer};
  };

  // Without NUL: 3 bytes.
  Read r = read("bare", 0);
  EXPECT_EQ(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "##");
  r = read("bare", 2);
  EXPECT_EQ(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 3u);
  r = read("bare", 3);  // exact: no room for the NUL, none written
  EXPECT_EQ(r.rc, reg::kSuccess);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc##");
  r = read("bare", 4);  // room: NUL placed, size stays the data length
  EXPECT_EQ(r.rc, reg::kSuccess);
  EXPECT_EQ(r.size, 3u);
  EXPECT_EQ(r.buffer, "abc\0##"s);
  r = read("bare", 10);
  EXPECT_EQ(r.buffer.substr(0, 5), "abc\0#"s);

  // With NUL: 4 bytes, nothing added.
  r = read("ended", 3);
  EXPECT_EQ(r.rc, reg::kMoreData);
  EXPECT_EQ(r.size, 4u);
  r = read("ended", 4);
  EXPECT_EQ(r.rc, reg::kSuccess);
  EXPECT_EQ(r.size, 4u);
  EXPECT_EQ(r.buffer, "abc\0##"s);
  r = read("ended", 5);
  EXPECT_EQ(r.size, 4u);
  EXPECT_EQ(r.buffer, "abc\0###"s);

  // Binary data never gets a NUL.
  r = read("binary", 4);
  EXPECT_EQ(r.rc, reg::kSuccess);
  EXPECT_EQ(r.buffer, "abc###");

  // Empty string: size 0 fits a zero buffer; a larger one gets the NUL.
  r = read("empty", 0);
  EXPECT_EQ(r.rc, reg::kSuccess);
  EXPECT_EQ(r.size, 0u);
  EXPECT_EQ(r.buffer, "##");
  r = read("empty", 1);
  EXPECT_EQ(r.size, 0u);
  EXPECT_EQ(r.buffer, "\0##"s);

  // Without a buffer: type and size; with neither: only whether it exists.
  uint32_t type = 0, size = 99;
  EXPECT_EQ(registry.RegQueryValueExA(k, "ended", nullptr, &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(registry.RegQueryValueExA(k, "bare", nullptr, nullptr, nullptr, nullptr), reg::kSuccess);
  EXPECT_EQ(registry.RegQueryValueExA(k, "nope", nullptr, nullptr, nullptr, nullptr), reg::kFileNotFound);
  registry.RegCloseKey(k);
}

// ---- result codes ----------------------------------------------------------------------

TEST_P(RegistryCallsTest, BadParametersGive87) {
  HKEY k = create(registry, kHKCU, "Software\\Params");
  ASSERT_EQ(setBytes(registry, k, "v", reg::kString, "x"), reg::kSuccess);
  uint8_t buf[8];
  uint32_t reserved = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(kHKCU, "Software", 0, reg::kKeyRead, nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software", nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry.RegCreateKeyA(kHKCU, "Software", nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry.RegQueryValueExA(k, "v", nullptr, nullptr, buf, nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry.RegQueryValueExA(k, "v", &reserved, nullptr, nullptr, nullptr), reg::kInvalidParameter);
  EXPECT_EQ(registry.RegSetValueExA(k, "v", 0, reg::kString, nullptr, 3), reg::kInvalidParameter);
  EXPECT_EQ(readBytes(registry, k, "v"), "x");  // unchanged by the refused set
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, MissingKeysAndValuesGive2) {
  HKEY k = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Nowhere", &k), reg::kFileNotFound);
  EXPECT_EQ(k, 0u);
  EXPECT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Nowhere", 0, reg::kKeyRead, &k), reg::kFileNotFound);
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Nowhere"), reg::kFileNotFound);
  k = create(registry, kHKCU, "Software\\Somewhere");
  EXPECT_EQ(readBytes(registry, k, "missing"), "<rc 2>");
  EXPECT_EQ(registry.RegDeleteValueA(k, "missing"), reg::kFileNotFound);
  ASSERT_EQ(setBytes(registry, k, "here", reg::kString, "x"), reg::kSuccess);
  EXPECT_EQ(registry.RegDeleteValueA(k, "HERE"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "here"), "<rc 2>");
  EXPECT_EQ(registry.RegDeleteValueA(k, "here"), reg::kFileNotFound);
  registry.RegCloseKey(k);
}

TEST_P(RegistryCallsTest, HandleRules) {
  HKEY a = create(registry, kHKCU, "Software\\Handles");
  HKEY b = 0, c = 0;
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Handles", 0, reg::kKeyRead, &b), reg::kSuccess);
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Handles", &c), reg::kSuccess);
  for (HKEY h : {a, b, c}) {
    EXPECT_NE(h, 0u);
    EXPECT_FALSE(reg::isRoot(h));
  }
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);

  // An empty path: RegOpenKeyA and RegCreateKeyA give the same handle back,
  // RegOpenKeyExA a new one.
  HKEY same = 0;
  EXPECT_EQ(registry.RegOpenKeyA(a, "", &same), reg::kSuccess);
  EXPECT_EQ(same, a);
  EXPECT_EQ(registry.RegCreateKeyA(a, "", &same), reg::kSuccess);
  EXPECT_EQ(same, a);
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "", &same), reg::kSuccess);
  EXPECT_EQ(same, kHKCU);
  HKEY fresh = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(a, "", 0, reg::kKeyRead, &fresh), reg::kSuccess);
  EXPECT_NE(fresh, a);
  ASSERT_EQ(setBytes(registry, a, "v", reg::kString, "seen"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, fresh, "v"), "seen");

  // Closing: roots always succeed; a handle once; 0 and unknown numbers never.
  EXPECT_EQ(registry.RegCloseKey(kHKCU), reg::kSuccess);
  EXPECT_EQ(registry.RegCloseKey(fresh), reg::kSuccess);
  EXPECT_EQ(registry.RegCloseKey(fresh), reg::kInvalidHandle);
  EXPECT_EQ(registry.RegCloseKey(0), reg::kInvalidHandle);
  EXPECT_EQ(registry.RegCloseKey(0x7654321), reg::kInvalidHandle);

  // A closed, zero, unknown or out-of-range handle is refused by every call
  // (but for no handle with no subkey, which opens nothing).
  for (HKEY bad : {fresh, HKEY(0), HKEY(0x7654321), HKEY(reg::kDynData + 1)}) {
    HKEY out = 1;
    uint32_t size = 0;
    EXPECT_EQ(registry.RegOpenKeyExA(bad, "x", 0, reg::kKeyRead, &out), reg::kInvalidHandle);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(registry.RegOpenKeyA(bad, "", &out), bad == 0 ? reg::kSuccess : reg::kInvalidHandle);
    EXPECT_EQ(registry.RegCreateKeyA(bad, "x", &out), reg::kInvalidHandle);
    EXPECT_EQ(registry.RegQueryValueExA(bad, "v", nullptr, nullptr, nullptr, &size), reg::kInvalidHandle);
    EXPECT_EQ(setBytes(registry, bad, "v", reg::kString, "x"), reg::kInvalidHandle);
    EXPECT_EQ(registry.RegDeleteValueA(bad, "v"), reg::kInvalidHandle);
    EXPECT_EQ(registry.RegDeleteKeyA(bad, "x"), reg::kInvalidHandle);
  }
  for (HKEY h : {a, b, c}) EXPECT_EQ(registry.RegCloseKey(h), reg::kSuccess);
}

// Where the calls answer as the platform's do, each with the result, the
// caller's result variable, size, type and bytes it leaves behind.
TEST_P(RegistryCallsTest, CallsLeaveTheirArgumentsAsThePlatformDoes) {
  HKEY k = create(registry, kHKCU, "Software\\Platform");
  ASSERT_EQ(setBytes(registry, k, "LongName", reg::kBinary, "abc"), reg::kSuccess);
  ASSERT_EQ(setBytes(registry, k, "n", reg::kString, "longer data"), reg::kSuccess);
  registry.RegCloseKey(k);
  HKEY readOnly = 0;
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Platform", 0, reg::kKeyRead, &readOnly), reg::kSuccess);
  constexpr uint32_t kUntouched = 0xDEAD;
  struct Outcome {
    // 0xDEAD: kUntouched, which a local class's defaults cannot name.
    Outcome(int32_t r, HKEY h = 0xDEAD, uint32_t s = 0xDEAD, uint32_t t = 0xDEAD, std::string b = {})
        : rc(r), handle(h), size(s), type(t), bytes(std::move(b)) {}
    int32_t rc;
    HKEY handle;
    uint32_t size;
    uint32_t type;
    std::string bytes;  // the name or data buffer's start, as the row reads it

    bool operator==(const Outcome&) const = default;
  };
  auto enumValue = [&](uint32_t nameRoom, uint32_t dataRoom) {
    char name[16] = "##############";
    uint8_t data[16];
    std::memset(data, '#', sizeof data);
    uint32_t nameSize = nameRoom, dataSize = dataRoom, type = kUntouched;
    const int32_t rc = registry.RegEnumValueA(readOnly, 0, name, &nameSize, nullptr, &type, data, &dataSize);
    return Outcome{rc, nameSize, dataSize, type,
                   std::string(name, 3) + "|" + std::string(reinterpret_cast<char*>(data), 4)};
  };
  auto query = [&](const char* name, bool buffer) {
    uint8_t data[16];
    std::memset(data, '#', sizeof data);
    uint32_t size = buffer ? sizeof data : kUntouched, type = kUntouched;
    const int32_t rc = registry.RegQueryValueExA(readOnly, name, nullptr, &type, buffer ? data : nullptr, &size);
    return Outcome{rc, kUntouched, size, type, std::string(reinterpret_cast<char*>(data), buffer ? 4 : 0)};
  };
  struct Row {
    const char* what;
    std::function<Outcome()> call;
    Outcome want;
  } rows[] = {
      {"enum value, name too small, data fits: name size kept, type and data written",
       [&] { return enumValue(4, 8); }, {reg::kMoreData, 4, 3, reg::kBinary, "###|abc#"}},
      {"enum value, both too small: name size kept, data size needed",
       [&] { return enumValue(4, 2); }, {reg::kMoreData, 4, 3, reg::kBinary, "###|####"}},
      {"enum value, only the data too small", [&] { return enumValue(16, 2); },
       {reg::kMoreData, 16, 3, reg::kBinary, "###|####"}},
      {"query of a missing value without a buffer: size 0", [&] { return query("Missing", false); },
       {reg::kFileNotFound, kUntouched, 0, kUntouched, ""}},
      {"query of a missing value with a buffer: size kept", [&] { return query("Missing", true); },
       {reg::kFileNotFound, kUntouched, 16, kUntouched, "####"}},
      {"one variable for type and size: read as size, written as type",
       [&] {
         uint8_t data[16] = {};
         uint32_t both = sizeof data;
         const int32_t rc = registry.RegQueryValueExA(readOnly, "LongName", nullptr, &both, data, &both);
         return Outcome{rc, kUntouched, both, kUntouched, std::string(reinterpret_cast<char*>(data), 3)};
       },
       {reg::kSuccess, kUntouched, reg::kBinary, kUntouched, "abc"}},
      {"RegOpenKeyA without a handle or subkey: success, no handle",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyA(0, "", &out), out};
       },
       {reg::kSuccess, 0}},
      {"RegOpenKeyA without a handle, with a subkey: 6, variable kept",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyA(0, "Software", &out), out};
       },
       {reg::kInvalidHandle, kUntouched}},
      {"RegOpenKeyExA on an invalid handle: 6, variable kept",
       [&] {
         HKEY out = kUntouched;
         return Outcome{registry.RegOpenKeyExA(0x7654321, "Software", 0, reg::kKeyRead, &out), out};
       },
       {reg::kInvalidHandle, kUntouched}},
      {"RegOpenKeyExA of a root with no subkey: the root itself, closed for nothing",
       [&] {
         HKEY out = kUntouched;
         const int32_t rc = registry.RegOpenKeyExA(reg::kClassesRoot, "", 0, reg::kKeyRead, &out);
         return Outcome{rc == reg::kSuccess ? registry.RegCloseKey(out) : rc, out};
       },
       {reg::kSuccess, reg::kClassesRoot}},
      {"RegCreateKeyA below a handle open for reading, new then existing",
       [&] {
         HKEY first = 0, again = 0;
         const int32_t rc = registry.RegCreateKeyA(readOnly, "Made", &first);
         registry.RegCloseKey(first);
         const int32_t rc2 = registry.RegCreateKeyA(readOnly, "Made", &again);
         registry.RegCloseKey(again);
         return Outcome{rc == reg::kSuccess ? rc2 : rc};
       },
       {reg::kSuccess}},
  };
  for (const Row& row : rows) {
    const Outcome got = row.call();
    EXPECT_TRUE(got == row.want) << row.what << ": rc " << got.rc << " handle " << got.handle << " size "
                                 << got.size << " type " << got.type << " bytes \"" << got.bytes << "\"";
  }
  registry.RegCloseKey(readOnly);
}

TEST_P(RegistryCallsTest, AccessIsWhatTheOpenGranted) {
  HKEY full = create(registry, kHKCU, "Software\\Access");
  ASSERT_EQ(setBytes(registry, full, "v", reg::kString, "x"), reg::kSuccess);
  HKEY sub = create(registry, full, "Existing");
  registry.RegCloseKey(sub);

  HKEY readOnly = 0, writeOnly = 0, nothing = 0, maximum = 0;
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kKeyRead, &readOnly), reg::kSuccess);
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kKeyWrite, &writeOnly), reg::kSuccess);
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, 0, &nothing), reg::kSuccess);
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "Software\\Access", 0, reg::kMaximumAllowed, &maximum), reg::kSuccess);

  // Read access: reads and enumeration, no writes; new subkeys, whose own
  // rights are what count.
  EXPECT_EQ(readBytes(registry, readOnly, "v"), "x");
  EXPECT_EQ(setBytes(registry, readOnly, "v", reg::kString, "y"), reg::kAccessDenied);
  EXPECT_EQ(registry.RegDeleteValueA(readOnly, "v"), reg::kAccessDenied);
  EXPECT_EQ(subkeys(registry, readOnly), std::vector<std::string>{"Existing"});
  HKEY out = 0;
  EXPECT_EQ(registry.RegCreateKeyA(readOnly, "Existing", &out), reg::kSuccess);
  registry.RegCloseKey(out);
  EXPECT_EQ(registry.RegCreateKeyA(readOnly, "New", &out), reg::kSuccess);
  registry.RegCloseKey(out);

  // Write access: writes, no reads.
  EXPECT_EQ(setBytes(registry, writeOnly, "w", reg::kString, "1"), reg::kSuccess);
  uint32_t size = 0;
  EXPECT_EQ(registry.RegQueryValueExA(writeOnly, "w", nullptr, nullptr, nullptr, &size), reg::kAccessDenied);
  char name[16];
  uint32_t nameSize = sizeof name;
  EXPECT_EQ(registry.RegEnumKeyExA(writeOnly, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            reg::kAccessDenied);

  // No access: nothing on the key itself, but opening below it works.
  EXPECT_EQ(registry.RegQueryValueExA(nothing, "v", nullptr, nullptr, nullptr, &size), reg::kAccessDenied);
  EXPECT_EQ(setBytes(registry, nothing, "v", reg::kString, "z"), reg::kAccessDenied);
  EXPECT_EQ(registry.RegOpenKeyA(nothing, "Existing", &out), reg::kSuccess);
  registry.RegCloseKey(out);

  EXPECT_EQ(setBytes(registry, maximum, "v", reg::kString, "m"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, maximum, "v"), "m");
  for (HKEY h : {full, readOnly, writeOnly, nothing, maximum}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, KeyWithSubkeysIsNotDeletedUntilTheyGo) {
  HKEY parent = create(registry, kHKCU, "Software\\Parent");
  HKEY child = create(registry, parent, "Child");
  ASSERT_EQ(setBytes(registry, parent, "v", reg::kString, "kept"), reg::kSuccess);
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Parent"), reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, parent, "v"), "kept");
  EXPECT_EQ(registry.RegDeleteKeyA(parent, "CHILD"), reg::kSuccess);
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Parent"), reg::kSuccess);
  HKEY out = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Parent", &out), reg::kFileNotFound);
  // Its values went with it: a key made again at the path is empty.
  HKEY again = create(registry, kHKCU, "Software\\Parent");
  EXPECT_EQ(readBytes(registry, again, "v"), "<rc 2>");
  EXPECT_TRUE(valueNames(registry, again).empty());
  for (HKEY h : {parent, child, again}) registry.RegCloseKey(h);
}

TEST_P(RegistryCallsTest, RootsCannotBeDeleted) {
  HKEY k = create(registry, kHKCU, "Software");
  registry.RegCloseKey(k);
  HKEY rootAgain = 0;
  ASSERT_EQ(registry.RegOpenKeyExA(kHKCU, "", 0, reg::kKeyAllAccess, &rootAgain), reg::kSuccess);
  EXPECT_EQ(registry.RegDeleteKeyA(reg::kLocalMachine, ""), reg::kAccessDenied);
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "\\"), reg::kAccessDenied);
  EXPECT_EQ(registry.RegDeleteKeyA(rootAgain, ""), reg::kAccessDenied);
  registry.RegCloseKey(rootAgain);
}

TEST_P(RegistryCallsTest, HandlesOfADeletedKeyGive1018) {
  HKEY doomed = create(registry, kHKCU, "Software\\Doomed");
  ASSERT_EQ(setBytes(registry, doomed, "v", reg::kString, "x"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, doomed, "v"), "x");
  HKEY other = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Doomed", &other), reg::kSuccess);
  ASSERT_EQ(registry.RegDeleteKeyA(other, ""), reg::kSuccess);  // an empty path deletes the key itself

  HKEY out = 0;
  uint32_t size = 0;
  char name[16];
  uint32_t nameSize = sizeof name;
  EXPECT_EQ(registry.RegQueryValueExA(doomed, "v", nullptr, nullptr, nullptr, &size), reg::kKeyDeleted);
  EXPECT_EQ(setBytes(registry, doomed, "v", reg::kString, "y"), reg::kKeyDeleted);
  EXPECT_EQ(registry.RegDeleteValueA(doomed, "v"), reg::kKeyDeleted);
  EXPECT_EQ(registry.RegOpenKeyA(doomed, "Sub", &out), reg::kKeyDeleted);
  EXPECT_EQ(registry.RegCreateKeyA(doomed, "Sub", &out), reg::kKeyDeleted);
  EXPECT_EQ(registry.RegDeleteKeyA(doomed, ""), reg::kKeyDeleted);
  EXPECT_EQ(registry.RegEnumKeyExA(doomed, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            reg::kKeyDeleted);
  // A new key at the same path is another key: old handles stay dead.
  HKEY reborn = create(registry, kHKCU, "Software\\Doomed");
  EXPECT_EQ(registry.RegQueryValueExA(doomed, "v", nullptr, nullptr, nullptr, &size), reg::kKeyDeleted);
  EXPECT_EQ(readBytes(registry, reborn, "v"), "<rc 2>");
  EXPECT_EQ(registry.RegCloseKey(doomed), reg::kSuccess);  // closing still works
  EXPECT_EQ(registry.RegCloseKey(other), reg::kSuccess);
  registry.RegCloseKey(reborn);
}

TEST_P(RegistryCallsTest, EnumerationOrderAndBufferSizes) {
  HKEY k = create(registry, kHKCU, "Software\\Enum");
  for (const char* name : {"beta", "Alpha", "GAMMA"}) registry.RegCloseKey(create(registry, k, name));
  for (const char* name : {"zulu", "alpha", "Mike"}) ASSERT_EQ(setBytes(registry, k, name, 1, name), 0);
  EXPECT_EQ(subkeys(registry, k), (std::vector<std::string>{"Alpha", "beta", "GAMMA"}));
  EXPECT_EQ(valueNames(registry, k), (std::vector<std::string>{"zulu", "alpha", "Mike"}));

  char name[8];
  uint32_t nameSize = 5;  // "Alpha" needs 6 with its NUL
  EXPECT_EQ(registry.RegEnumKeyExA(k, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), reg::kMoreData);
  EXPECT_EQ(nameSize, 6u);
  nameSize = 6;
  EXPECT_EQ(registry.RegEnumKeyExA(k, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), reg::kSuccess);
  EXPECT_EQ(std::string(name, nameSize), "Alpha");
  EXPECT_EQ(registry.RegEnumKeyExA(k, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), reg::kNoMoreItems);

  uint8_t data[8];
  uint32_t type = 0, dataSize = 3;
  nameSize = sizeof name;
  EXPECT_EQ(registry.RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, data, &dataSize), reg::kMoreData);
  EXPECT_EQ(dataSize, 4u);
  dataSize = sizeof data;
  nameSize = sizeof name;
  EXPECT_EQ(registry.RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, data, &dataSize), reg::kSuccess);
  EXPECT_EQ(std::string(name, nameSize), "zulu");
  EXPECT_EQ(type, reg::kString);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataSize + 1), "zulu\0"s);
  EXPECT_EQ(registry.RegEnumValueA(k, 3, name, &nameSize, nullptr, &type, data, &dataSize), reg::kNoMoreItems);
  registry.RegCloseKey(k);
}

// ---- limits, enumeration positions, atomic runs -------------------------------------------

// A whole path below a root, `depth` keys deep.
std::string pathOfDepth(size_t depth, const std::string& name = "k") {
  std::string path;
  for (size_t i = 0; i < depth; ++i) path += (i ? "\\" : "") + name;
  return path;
}

int64_t pageCount(const QString& path) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &s, nullptr);
  const int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
  sqlite3_finalize(s);
  sqlite3_close(db);
  return n;
}

TEST_F(RegistryTest, NamesPastThePlatformLimitsGive87AndChangeNothing) {
  SqliteRegistry registry(path);
  HKEY deep = create(registry, kHKCU, pathOfDepth(500));
  ASSERT_NE(deep, 0u);
  HKEY k = create(registry, kHKCU, "Software");
  const std::string longName(256, 'n'), longValue(16384, 'v');
  const struct {
    const char* what;
    std::function<int32_t(HKEY&)> call;
  } refused[] = {
      {"key name of 256", [&](HKEY& out) { return registry.RegCreateKeyA(k, longName, &out); }},
      {"513 keys deep", [&](HKEY& out) { return registry.RegCreateKeyA(kHKCU, pathOfDepth(513), &out); }},
      {"513 keys deep below a handle", [&](HKEY& out) { return registry.RegCreateKeyA(deep, pathOfDepth(13), &out); }},
      {"10,000 keys deep", [&](HKEY& out) { return registry.RegCreateKeyA(kHKCU, pathOfDepth(10000, "x"), &out); }},
      {"NUL in a key name", [&](HKEY& out) { return registry.RegCreateKeyA(k, "a\0b"s, &out); }},
      {"open a key name of 256", [&](HKEY& out) { return registry.RegOpenKeyA(k, longName, &out); }},
      {"delete a key name of 256", [&](HKEY&) { return registry.RegDeleteKeyA(k, longName); }},
      {"value name of 16384", [&](HKEY&) { return setBytes(registry, k, longValue, reg::kString, "x"); }},
      {"query a value name of 16384",
       [&](HKEY&) { return registry.RegQueryValueExA(k, longValue, nullptr, nullptr, nullptr, nullptr); }},
      {"delete a value name of 16384", [&](HKEY&) { return registry.RegDeleteValueA(k, longValue); }},
      {"NUL in a value name", [&](HKEY&) { return setBytes(registry, k, "a\0b"s, reg::kString, "x"); }},
  };
  const int64_t pagesBefore = pageCount(path);
  for (const auto& c : refused) {
    HKEY out = 0;
    EXPECT_EQ(c.call(out), reg::kInvalidParameter) << c.what;
    EXPECT_EQ(out, 0u) << c.what;
  }
  EXPECT_EQ(subkeys(registry, k), std::vector<std::string>{});
  EXPECT_EQ(valueNames(registry, k), std::vector<std::string>{});
  EXPECT_EQ(subkeys(registry, kHKCU), (std::vector<std::string>{"k", "Software"}));
  EXPECT_EQ(pageCount(path), pagesBefore);

  // At the limits themselves, all is well.
  HKEY out = 0;
  EXPECT_EQ(registry.RegCreateKeyA(k, std::string(255, 'n'), &out), reg::kSuccess);
  registry.RegCloseKey(out);
  EXPECT_EQ(registry.RegCreateKeyA(deep, pathOfDepth(12), &out), reg::kSuccess);
  registry.RegCloseKey(out);
  EXPECT_EQ(setBytes(registry, k, std::string(16383, 'v'), reg::kString, "x"), reg::kSuccess);
  registry.RegCloseKey(k);
  registry.RegCloseKey(deep);
}

TEST_F(RegistryTest, DeletedKeysGiveTheirSpaceBack) {
  SqliteRegistry registry(path);
  const int64_t empty = pageCount(path);
  for (int i = 0; i < 100; ++i) {
    HKEY k = create(registry, kHKCU, "Software\\Big\\k" + std::to_string(i));
    ASSERT_EQ(setBytes(registry, k, "v", reg::kBinary, std::string(20000, char(i))), reg::kSuccess);
    registry.RegCloseKey(k);
  }
  const int64_t full = pageCount(path);
  ASSERT_GT(full, empty + 400);
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Big\\k" + std::to_string(i)), reg::kSuccess);
  EXPECT_LT(pageCount(path), empty + 100);
}

// Consecutive indexes follow on from the last item returned (enumeration is
// linear), but only while the store is unchanged: an index always means the
// item at that place in the store as it is now.
TEST_F(RegistryTest, AnIndexCountsFromTheFirstItemOfTheStoreAsItIsNow) {
  SqliteRegistry registry(path), other(path);
  HKEY k = create(registry, kHKCU, "Software\\List");
  for (const char* name : {"a", "b", "c", "d"}) {
    HKEY sub = create(registry, k, name);
    registry.RegCloseKey(sub);
    ASSERT_EQ(setBytes(registry, k, name, reg::kString, name), reg::kSuccess);
  }
  auto subkeyAt = [&](uint32_t index) {
    char name[16];
    uint32_t size = sizeof name;
    const int32_t rc = registry.RegEnumKeyExA(k, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    return rc == reg::kSuccess ? std::string(name, size) : "<rc " + std::to_string(rc) + ">";
  };
  auto valueAt = [&](uint32_t index) {
    char name[16];
    uint32_t size = sizeof name;
    const int32_t rc = registry.RegEnumValueA(k, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    return rc == reg::kSuccess ? std::string(name, size) : "<rc " + std::to_string(rc) + ">";
  };
  EXPECT_EQ(subkeyAt(0), "a");
  EXPECT_EQ(valueAt(0), "a");
  EXPECT_EQ(subkeyAt(1), "b");
  EXPECT_EQ(valueAt(1), "b");
  // Another user removes the first items: every later index moves down.
  HKEY list = 0;
  ASSERT_EQ(other.RegOpenKeyA(kHKCU, "Software\\List", &list), reg::kSuccess);
  ASSERT_EQ(other.RegDeleteKeyA(list, "a"), reg::kSuccess);
  ASSERT_EQ(other.RegDeleteValueA(list, "a"), reg::kSuccess);
  other.RegCloseKey(list);
  EXPECT_EQ(subkeyAt(2), "d");
  EXPECT_EQ(valueAt(1), "c");
  // So do this connection's own changes: a key added in front, a value removed.
  HKEY front = create(registry, k, "0");
  registry.RegCloseKey(front);
  ASSERT_EQ(registry.RegDeleteValueA(k, "b"), reg::kSuccess);
  EXPECT_EQ(subkeyAt(3), "d");
  EXPECT_EQ(valueAt(2), "<rc 259>");
  EXPECT_EQ(subkeyAt(0), "0");
  EXPECT_EQ(subkeyAt(4), "<rc 259>");
  registry.RegCloseKey(k);
}

TEST_F(RegistryTest, AnAtomicRunLandsWhollyOrNotAtAll) {
  SqliteRegistry registry(path), other(path);
  HKEY k = create(registry, kHKCU, "Software\\Atomic");
  HKEY sub = create(registry, k, "Sub\\Child");
  registry.RegCloseKey(sub);
  auto writeAll = [&](int32_t result) {
    return registry.runAtomically([&] {
      HKEY created = 0;
      if (registry.RegCreateKeyA(k, "New", &created) != reg::kSuccess) return int32_t(-1);
      registry.RegCloseKey(created);
      if (setBytes(registry, k, "one", reg::kString, "1") != reg::kSuccess) return int32_t(-1);
      // A call that fails inside the run undoes only itself.
      if (registry.RegDeleteKeyA(k, "Sub") != reg::kAccessDenied) return int32_t(-1);
      if (registry.RegDeleteKeyA(k, "Sub\\Child") != reg::kSuccess) return int32_t(-1);
      return result;
    });
  };
  HKEY seen = 0;
  EXPECT_EQ(writeAll(reg::kDiskFull), reg::kDiskFull);
  EXPECT_EQ(readBytes(other, kHKCU, "one"), "<rc 2>");
  ASSERT_EQ(other.RegOpenKeyA(kHKCU, "Software\\Atomic", &seen), reg::kSuccess);
  EXPECT_EQ(subkeys(other, seen), std::vector<std::string>{"Sub"});
  EXPECT_EQ(readBytes(other, seen, "one"), "<rc 2>");
  EXPECT_EQ(readBytes(registry, k, "one"), "<rc 2>");

  EXPECT_EQ(writeAll(reg::kSuccess), reg::kSuccess);
  EXPECT_EQ(subkeys(other, seen), (std::vector<std::string>{"New", "Sub"}));
  EXPECT_EQ(readBytes(other, seen, "one"), "1");
  HKEY child = 0;
  EXPECT_EQ(other.RegOpenKeyA(seen, "Sub\\Child", &child), reg::kFileNotFound);
  other.RegCloseKey(seen);
  registry.RegCloseKey(k);
}

TEST_F(RegistryTest, AnAtomicReadSeesOneMomentAndRefusesWrites) {
  SqliteRegistry registry(path), other(path);
  HKEY k = create(registry, kHKCU, "Software\\Snap");
  ASSERT_EQ(setBytes(registry, k, "v", reg::kString, "before"), reg::kSuccess);
  HKEY o = create(other, kHKCU, "Software\\Snap");
  std::string first, second;
  int32_t write = -1;
  EXPECT_EQ(registry.readAtomically([&] {
    first = readBytes(registry, k, "v");
    EXPECT_EQ(setBytes(other, o, "v", reg::kString, "after"), reg::kSuccess);
    second = readBytes(registry, k, "v");
    write = setBytes(registry, k, "w", reg::kString, "x");
    return reg::kSuccess;
  }), reg::kSuccess);
  EXPECT_EQ(first, "before");
  EXPECT_EQ(second, "before");
  EXPECT_EQ(write, reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, k, "v"), "after");
  EXPECT_EQ(readBytes(registry, k, "w"), "<rc 2>");
  registry.RegCloseKey(k);
  other.RegCloseKey(o);
}

// ---- several users of one store ------------------------------------------------------------

TEST_F(RegistryTest, TwoInstancesInOneProcessSeeEachOthersWrites) {
  SqliteRegistry first(path), second(path);
  ASSERT_TRUE(first.readCacheAvailable());
  HKEY a = create(first, kHKCU, "Software\\Shared");
  ASSERT_EQ(setBytes(first, a, "v", reg::kString, "one"), reg::kSuccess);
  HKEY b = 0;
  ASSERT_EQ(second.RegOpenKeyA(kHKCU, "Software\\Shared", &b), reg::kSuccess);
  EXPECT_EQ(readBytes(second, b, "v"), "one");
  EXPECT_EQ(readBytes(second, b, "v"), "one");  // now from the cache
  ASSERT_EQ(setBytes(first, a, "v", reg::kString, "two"), reg::kSuccess);
  EXPECT_EQ(readBytes(second, b, "v"), "two");
  // Handles belong to their instance.
  uint32_t size = 0;
  EXPECT_EQ(second.RegQueryValueExA(a, "v", nullptr, nullptr, nullptr, &size), reg::kInvalidHandle);
  first.RegCloseKey(a);
  second.RegCloseKey(b);
}

TEST_F(RegistryTest, ReadsNeverMissAnotherProcessesCommittedWrite) {
  enum { kSetTwo = 1, kDeleteValue, kSetThree, kRecreateKey, kDeleteKey, kAddSubkey };
  Peer peer(path, [](SqliteRegistry& r, int cmd) -> int32_t {
    HKEY k = 0;
    int32_t rc = r.RegCreateKeyA(kHKCU, "Software\\Fresh", &k);
    switch (cmd) {
      case kSetTwo: rc = setBytes(r, k, "v", reg::kString, "two"); break;
      case kDeleteValue: rc = r.RegDeleteValueA(k, "v"); break;
      case kSetThree: rc = setBytes(r, k, "v", reg::kString, "three"); break;
      case kRecreateKey:
        r.RegCloseKey(k);
        if ((rc = r.RegDeleteKeyA(kHKCU, "Software\\Fresh")) != 0) return rc;
        k = create(r, kHKCU, "Software\\Fresh");
        rc = setBytes(r, k, "v", reg::kString, "four");
        break;
      case kDeleteKey:
        r.RegCloseKey(k);
        k = 0;
        rc = r.RegDeleteKeyA(kHKCU, "Software\\Fresh");
        break;
      case kAddSubkey: {
        HKEY sub = 0;
        rc = r.RegCreateKeyA(kHKCU, "Software\\Fresh\\Sub", &sub);
        r.RegCloseKey(sub);
        break;
      }
    }
    if (k != 0) r.RegCloseKey(k);
    return rc;
  });

  SqliteRegistry registry(path);
  ASSERT_TRUE(registry.readCacheAvailable());
  HKEY k = create(registry, kHKCU, "Software\\Fresh");
  ASSERT_EQ(setBytes(registry, k, "v", reg::kString, "one"), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "one");
  EXPECT_EQ(readBytes(registry, k, "v"), "one");

  ASSERT_EQ(peer.run(kSetTwo), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "two");
  ASSERT_EQ(peer.run(kDeleteValue), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "<rc 2>");
  ASSERT_EQ(peer.run(kSetThree), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "three");

  // The key is replaced by a new one: the old handle is dead, a new open finds the new key.
  HKEY out = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Fresh", &out), reg::kSuccess);
  registry.RegCloseKey(out);
  ASSERT_EQ(peer.run(kRecreateKey), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "<rc 1018>");
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Fresh", &out), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, out, "v"), "four");
  EXPECT_TRUE(subkeys(registry, out).empty());
  ASSERT_EQ(peer.run(kAddSubkey), reg::kSuccess);
  EXPECT_EQ(subkeys(registry, out), std::vector<std::string>{"Sub"});
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Fresh"), reg::kAccessDenied);
  ASSERT_EQ(registry.RegDeleteKeyA(out, "Sub"), reg::kSuccess);
  registry.RegCloseKey(out);

  ASSERT_EQ(peer.run(kDeleteKey), reg::kSuccess);
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Fresh", &out), reg::kFileNotFound);
  registry.RegCloseKey(k);
}

// Runs SQL on a connection of its own, as another program using the store would.
int foreignExec(const QString& path, const char* sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

// A checkpointer killed between writing the WAL-index header's second copy
// and its first leaves two copies that differ; the next reader rebuilds the
// header from the WAL, and from an empty WAL that is always the same header.
// A reader must not take that header for the one it read under before.
TEST_F(RegistryTest, ReadsAfterARecoveredWalIndexSeeCommitsMadeBeforeIt) {
  for (const bool cacheOn : {true, false}) {
    SCOPED_TRACE(cacheOn ? "cache on" : "cache off");
    QFile::remove(path);
    {
      SqliteRegistry writer(path);
      HKEY k = create(writer, kHKCU, "Software\\Torn");
      ASSERT_EQ(setBytes(writer, k, "v", reg::kString, "one"), reg::kSuccess);
      writer.RegCloseKey(k);
    }  // the last connection to close removes the WAL and its index
    ASSERT_FALSE(QFile::exists(path + "-shm"));

    SqliteRegistry reader(path);
    reader.setReadCacheEnabled(cacheOn);
    HKEY k = 0;
    ASSERT_EQ(reader.RegOpenKeyA(kHKCU, "Software\\Torn", &k), reg::kSuccess);
    EXPECT_EQ(readBytes(reader, k, "v"), "one");
    EXPECT_EQ(readBytes(reader, k, "v"), "one");

    ASSERT_EQ(foreignExec(path, "UPDATE vals SET data=CAST('two' AS BLOB) WHERE lname=CAST('v' AS BLOB);"
                                "PRAGMA wal_checkpoint(TRUNCATE);"),
              SQLITE_OK);
    QFile shm(path + "-shm");
    ASSERT_TRUE(shm.open(QIODevice::ReadWrite));
    QByteArray header = shm.read(96);
    ASSERT_EQ(header.size(), 96);
    header[8] = char(header[8] ^ 0x01);  // the first copy's change counter, as the killed writer left it
    ASSERT_TRUE(shm.seek(0));
    ASSERT_EQ(shm.write(header.left(48)), 48);
    shm.close();
    ASSERT_EQ(foreignExec(path, "SELECT count(*) FROM keys;"), SQLITE_OK);  // recovers the index

    EXPECT_EQ(readBytes(reader, k, "v"), "two");
    reader.RegCloseKey(k);
  }
}

TEST_F(RegistryTest, ConcurrentWritersLoseNoWrite) {
  constexpr int kPerWriter = 1500;
  { SqliteRegistry(path).readCacheAvailable(); }  // creates the store
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::vector<pid_t> writers;
  for (char who : {'a', 'b'}) {
    writers.push_back(spawn([&, who] {
      ::close(go[1]);
      char byte;
      if (::read(go[0], &byte, 1) != 0) return 2;  // wait until the parent closes its end
      SqliteRegistry r(path);
      for (int i = 0; i < kPerWriter; ++i) {
        // Create, write, close as the settings writer does; both writers
        // create and fill the same seven keys.
        HKEY k = 0;
        if (r.RegCreateKeyA(kHKCU, "Software\\Stress\\k" + std::to_string(i % 7), &k) != 0)
          return 3;
        const std::string value = std::string(1, who) + std::to_string(i);
        if (setBytes(r, k, value, reg::kString, value) != 0) return 4;
        r.RegCloseKey(k);
      }
      return 0;
    }));
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t pid : writers) EXPECT_EQ(waitExit(pid), 0);

  SqliteRegistry registry(path);
  int found = 0;
  for (char who : {'a', 'b'}) {
    for (int i = 0; i < kPerWriter; ++i) {
      HKEY k = 0;
      ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Stress\\k" + std::to_string(i % 7), &k),
                reg::kSuccess);
      const std::string value = std::string(1, who) + std::to_string(i);
      found += readBytes(registry, k, value) == value;
      registry.RegCloseKey(k);
    }
  }
  EXPECT_EQ(found, 2 * kPerWriter);
}

TEST_F(RegistryTest, AWriterWaitsForAnotherConnectionsLock) {
  SqliteRegistry registry(path);
  HKEY k = create(registry, kHKCU, "Software\\Wait");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread release([other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(setBytes(registry, k, "v", reg::kString, "after the wait"), reg::kSuccess);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  release.join();
  sqlite3_close(other);
  EXPECT_EQ(readBytes(registry, k, "v"), "after the wait");
  registry.RegCloseKey(k);
}

TEST_F(RegistryTest, KilledWriterLeavesASoundStoreWithEveryReturnedWrite) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t writer = spawn([&] {
    ::close(report[0]);
    SqliteRegistry r(path);
    HKEY k = 0;
    if (r.RegCreateKeyA(kHKCU, "Software\\Killed", &k) != 0) return 2;
    for (int32_t i = 0;; ++i) {
      const std::string text = "value " + std::to_string(i) + std::string(size_t(i % 50), '.');
      if (setBytes(r, k, "v" + std::to_string(i), reg::kString, text) != 0) return 3;
      if (::write(report[1], &i, sizeof i) != sizeof i) return 4;
    }
  });
  ::close(report[1]);
  int32_t last = -1, i = 0;
  while (last < 400 && ::read(report[0], &i, sizeof i) == sizeof i) last = i;
  ASSERT_EQ(::kill(writer, SIGKILL), 0);
  while (::read(report[0], &i, sizeof i) == sizeof i) last = i;
  ::close(report[0]);
  EXPECT_EQ(waitExit(writer), 128 + SIGKILL);
  ASSERT_GE(last, 400);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);

  SqliteRegistry registry(path);
  HKEY k = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Killed", &k), reg::kSuccess);
  int missing = 0;
  for (int32_t n = 0; n <= last; ++n) {
    const std::string text = "value " + std::to_string(n) + std::string(size_t(n % 50), '.');
    missing += readBytes(registry, k, "v" + std::to_string(n)) != text;
  }
  EXPECT_EQ(missing, 0);
  registry.RegCloseKey(k);
}

// ---- the store file ----------------------------------------------------------------------

TEST_F(RegistryTest, StoreIsCreatedPrivateWithItsFolders) {
  const QString nested = dir.filePath(QStringLiteral("a/b/registry.sqlite3"));
  const mode_t oldMask = ::umask(0);
  {
    SqliteRegistry registry(nested);
    HKEY k = create(registry, kHKCU, "Software");
    ASSERT_EQ(setBytes(registry, k, "v", reg::kString, "x"), reg::kSuccess);
    EXPECT_EQ(fileMode(nested), 0600u);
    EXPECT_EQ(fileMode(nested + "-wal"), 0600u);
    EXPECT_EQ(fileMode(nested + "-shm"), 0600u);
    EXPECT_EQ(fileMode(dir.filePath("a/b")), 0700u);
    registry.RegCloseKey(k);
  }
  ::umask(oldMask);

  // The schema and the journal mode are there for any reader.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(nested).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "wal");
  sqlite3_finalize(s);
  sqlite3_close(db);
}

TEST_F(RegistryTest, AStoreThatCannotBeUsedSaysWhyAndNamesItsFile) {
  QFile blocker(dir.filePath(QStringLiteral("plain-file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString fifo = dir.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const struct {
    QString store;
    int32_t rc;
    std::string error;  // with %s for the store's path
  } cases[] = {
      {dir.path(), reg::kAccessDenied, "the registry store \"%s\" is not a regular file"},
      {fifo, reg::kAccessDenied, "the registry store \"%s\" is not a regular file"},
      {dir.filePath(QStringLiteral("plain-file/sub/registry.sqlite3")), reg::kPathNotFound,
       "cannot make the folder \"" + QFile::encodeName(dir.filePath(QStringLiteral("plain-file/sub"))).toStdString() +
           "\" of the registry store \"%s\": Not a directory"},
  };
  for (const auto& c : cases) {
    SqliteRegistry registry(c.store);
    std::string want = c.error;
    want.replace(want.find("%s"), 2, QFile::encodeName(c.store).toStdString());
    HKEY k = 0;
    EXPECT_EQ(registry.RegCreateKeyA(kHKCU, "Software", &k), c.rc) << want;
    EXPECT_EQ(registry.storeError(), want);
    EXPECT_EQ(readBytes(registry, kHKCU, "v"), "<rc " + std::to_string(c.rc) + ">") << want;
  }
  // A store that works has no store error.
  SqliteRegistry registry(path);
  HKEY k = 0;
  EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kFileNotFound);
  EXPECT_EQ(registry.storeError(), "");
}

TEST_F(RegistryTest, AStoreFileOthersCouldReadIsNarrowedToItsOwner) {
  {
    SqliteRegistry registry(path);
    HKEY k = create(registry, kHKCU, "Software");
    ASSERT_EQ(setBytes(registry, k, "v", reg::kString, "x"), reg::kSuccess);
    registry.RegCloseKey(k);
  }
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
  SqliteRegistry registry(path);
  EXPECT_EQ(readBytes(registry, kHKCU, "v"), "<rc 2>");
  EXPECT_EQ(fileMode(path), 0600u);
  EXPECT_EQ(fileMode(path + "-wal"), 0600u);
  EXPECT_EQ(fileMode(path + "-shm"), 0600u);
}

// A store path that leads, through a link, to some file that is no store:
// that file is refused and keeps its mode; a link to a store of ours is
// narrowed as the store itself is.
TEST_F(RegistryTest, ALinkedFileIsNarrowedOnlyOnceItIsKnownToBeAStore) {
  const QString other = dir.filePath(QStringLiteral("notes.txt"));
  QFile notes(other);
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write(QByteArray(4096, 'n'));
  notes.close();
  {
    SqliteRegistry registry(path);
    HKEY k = create(registry, kHKCU, "Software");
    registry.RegCloseKey(k);
  }
  for (const QString& target : {other, path}) {
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    const QString link = dir.filePath(QStringLiteral("link-") + QFileInfo(target).fileName());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    SqliteRegistry registry(link);
    HKEY k = 0;
    EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &k), target == other ? reg::kBadDb : reg::kSuccess);
    if (k != 0) registry.RegCloseKey(k);
    EXPECT_EQ(fileMode(target), target == other ? 0644u : 0600u) << target.toStdString();
  }
}

TEST_F(RegistryTest, DefaultPathFollowsTheEnvironment) {
  const QByteArray savedStore = qgetenv("WAGEWISE_REGISTRY");
  const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
  const QString explicitPath = dir.filePath(QStringLiteral("chosen.sqlite3"));
  qputenv("WAGEWISE_REGISTRY", QFile::encodeName(explicitPath));
  EXPECT_EQ(SqliteRegistry::defaultPath(), explicitPath);
  qunsetenv("WAGEWISE_REGISTRY");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
  EXPECT_EQ(SqliteRegistry::defaultPath(), dir.filePath(QStringLiteral("config/wagewise/registry.sqlite3")));
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("config/wagewise"))).isDir());
  qputenv("WAGEWISE_REGISTRY", savedStore);
  if (savedConfig.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

// The only test in this binary that touches the process-wide store.
TEST_F(RegistryTest, DefaultRegistryOpensTheDefaultPathOnFirstUse) {
  static bool opened = false;
  if (opened) GTEST_SKIP() << "the process-wide store was opened by an earlier repetition";
  opened = true;
  const QByteArray saved = qgetenv("WAGEWISE_REGISTRY");
  const QString chosen = dir.filePath(QStringLiteral("default/registry.sqlite3"));
  qputenv("WAGEWISE_REGISTRY", QFile::encodeName(chosen));
  Registry& registry = defaultRegistry();
  EXPECT_EQ(&registry, &defaultRegistry());
  HKEY k = create(registry, kHKCU, "Software\\Default");
  EXPECT_EQ(setBytes(registry, k, "v", reg::kString, "x"), reg::kSuccess);
  registry.RegCloseKey(k);
  qputenv("WAGEWISE_REGISTRY", saved);
  EXPECT_TRUE(QFileInfo::exists(chosen));
  SqliteRegistry same(chosen);
  EXPECT_EQ(readBytes(same, kHKCU, "v"), "<rc 2>");
  ASSERT_EQ(same.RegOpenKeyA(kHKCU, "Software\\Default", &k), reg::kSuccess);
  EXPECT_EQ(readBytes(same, k, "v"), "x");
  same.RegCloseKey(k);
}

TEST_F(RegistryTest, AFileThatIsNotAStoreIsNeverWritten) {
  QByteArray garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 8192; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage.push_back(static_cast<char>(seed >> 24));
  }
  for (const QByteArray& content : {garbage, QByteArray("not a database at all")}) {
    {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(content);
    }
    {
      SqliteRegistry registry(path);
      HKEY k = 0;
      uint32_t size = 0;
      EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kBadDb);
      EXPECT_EQ(registry.RegQueryValueExA(kHKCU, "v", nullptr, nullptr, nullptr, &size), reg::kBadDb);
      EXPECT_EQ(registry.RegCreateKeyA(kHKCU, "Software", &k), reg::kBadDb);
      EXPECT_EQ(setBytes(registry, kHKCU, "v", reg::kString, "x"), reg::kBadDb);
      EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software"), reg::kBadDb);
      EXPECT_FALSE(registry.readCacheAvailable());
    }
    EXPECT_EQ(fileBytes(path), content);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"registry.sqlite3"});
  }
}

TEST_F(RegistryTest, AnotherProgramsDatabaseIsLeftAlone) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE theirs(x); INSERT INTO theirs VALUES(1);", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const QByteArray before = fileBytes(path);
  {
    SqliteRegistry registry(path);
    HKEY k = 0;
    EXPECT_EQ(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kBadDb);
    EXPECT_EQ(registry.RegCreateKeyA(kHKCU, "Software", &k), reg::kBadDb);
  }
  EXPECT_EQ(fileBytes(path), before);
}

TEST_F(RegistryTest, ReadOnlyModeReadsAndRefusesWrites) {
  {
    SqliteRegistry writer(path);
    HKEY k = create(writer, kHKCU, "Software\\Fixed");
    ASSERT_EQ(setBytes(writer, k, "v", reg::kString, "x"), reg::kSuccess);
    writer.RegCloseKey(k);
  }
  SqliteRegistry registry(path, SqliteRegistry::Mode::ReadOnly);
  HKEY k = 0;
  ASSERT_EQ(registry.RegOpenKeyA(kHKCU, "Software\\Fixed", &k), reg::kSuccess);
  EXPECT_EQ(readBytes(registry, k, "v"), "x");
  EXPECT_EQ(setBytes(registry, k, "v", reg::kString, "y"), reg::kAccessDenied);
  EXPECT_EQ(registry.RegDeleteValueA(k, "v"), reg::kAccessDenied);
  HKEY created = 0;
  EXPECT_EQ(registry.RegCreateKeyA(kHKCU, "Software\\New", &created), reg::kAccessDenied);
  EXPECT_EQ(registry.RegDeleteKeyA(kHKCU, "Software\\Fixed"), reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, k, "v"), "x");
}

TEST_F(RegistryTest, FilePermissionsDecideWhatWorks) {
  {
    SqliteRegistry writer(path);
    HKEY k = create(writer, kHKCU, "Software\\Perm");
    ASSERT_EQ(setBytes(writer, k, "v", reg::kString, "x"), reg::kSuccess);
    writer.RegCloseKey(k);
  }
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
  const QByteArray file = QFile::encodeName(path);
  const QByteArray before = fileBytes(path);
  const QString p = path;

  // A file that cannot be read: every call 5, with the reason naming the
  // file (not a damaged store); the file is untouched.
  ASSERT_EQ(::chmod(file.constData(), 0), 0);
  int code = runUnprivileged([p] {
    SqliteRegistry r(p);
    HKEY k = 0;
    if (r.RegOpenKeyA(kHKCU, "Software\\Perm", &k) != reg::kAccessDenied) return 1;
    if (r.storeError() != "cannot read the registry store \"" + p.toStdString() + "\": Permission denied") return 5;
    if (readBytes(r, kHKCU, "v") != "<rc 5>") return 2;
    if (setBytes(r, kHKCU, "v", reg::kString, "y") != reg::kAccessDenied) return 3;
    if (r.RegCreateKeyA(kHKCU, "Software\\Other", &k) != reg::kAccessDenied) return 4;
    return 0;
  });
  if (!sameRoot(code)) GTEST_SKIP() << "cannot drop root in a child";
  EXPECT_EQ(code, 0);
  ASSERT_EQ(::chmod(file.constData(), 0600), 0);
  EXPECT_EQ(fileBytes(path), before);

  // A file that can only be read: reads work, writes 5.
  ASSERT_EQ(::chmod(file.constData(), 0444), 0);
  code = runUnprivileged([p] {
    SqliteRegistry r(p);
    HKEY k = 0;
    if (r.RegOpenKeyA(kHKCU, "Software\\Perm", &k) != reg::kSuccess) return 1;
    if (readBytes(r, k, "v") != "x") return 2;
    if (setBytes(r, k, "v", reg::kString, "y") != reg::kAccessDenied) return 3;
    if (r.RegDeleteKeyA(kHKCU, "Software\\Perm") != reg::kAccessDenied) return 4;
    if (readBytes(r, k, "v") != "x") return 5;
    return 0;
  });
  EXPECT_EQ(code, 0);
  ::chmod(file.constData(), 0600);
}

}  // namespace
}  // namespace platform

