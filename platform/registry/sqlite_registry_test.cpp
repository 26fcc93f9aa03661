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
#include "platform/registry/registry_test_support.h"

namespace platform {
namespace {

using namespace std::string_literals;
using namespace platform::test;
using test::spawn;
using test::waitExit;

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

// A store of the version that kept HKEY_CLASSES_ROOT as a tree of its own
// has that tree moved into the user's classes when it is opened, once; a key
// the user has already keeps its own values.
TEST_F(RegistryTest, AStoreWithItsOwnClassesTreeIsMovedIntoTheUsersOnce) {
  {
    SqliteRegistry registry(path);
    ASSERT_REG_OK(setText(registry, kHKCU, "Software\\Classes\\Shared", "who", "user"));
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
    EXPECT_EQ(readBytes(registry, reg::kClassesRoot, "Rowcast.CRowcast\\CLSID", ""), "{AF63}");
    const KeyAt shared = openAt(registry, kHKCU, "Software\\Classes\\Shared");
    ASSERT_REG_OK(shared.rc);
    EXPECT_EQ(readBytes(registry, shared.key, "who"), "user");
    EXPECT_EQ(readBytes(registry, shared.key, "more"), "m");
  }
  EXPECT_EQ(sqlNumber(path, "SELECT count(*) FROM keys WHERE root=0"), 1) << "only the old root row is left";
  EXPECT_EQ(sqlNumber(path, "SELECT count(*) FROM vals WHERE key NOT IN (SELECT id FROM keys)"), 0)
      << "no value lost its key";
}

// ---- the store's space ------------------------------------------------------------------

TEST_F(RegistryTest, DeletedKeysGiveTheirSpaceBack) {
  SqliteRegistry registry(path);
  const int64_t empty = pageCount(path);
  for (int i = 0; i < 100; ++i) {
    ASSERT_REG_OK(setBytes(registry, kHKCU, "Software\\Big\\k" + std::to_string(i), "v", reg::kBinary,
                           std::string(20000, char(i))));
  }
  const int64_t full = pageCount(path);
  ASSERT_GT(full, empty + 400);
  for (int i = 0; i < 100; ++i)
    ASSERT_REG_OK(registry.RegDeleteKeyA(kHKCU, "Software\\Big\\k" + std::to_string(i)));
  EXPECT_LT(pageCount(path), empty + 100);
}

// ---- several users of one store ------------------------------------------------------------

TEST_F(RegistryTest, TwoInstancesInOneProcessSeeEachOthersWrites) {
  SqliteRegistry first(path), second(path);
  ASSERT_TRUE(first.readCacheAvailable());
  HKEY a = create(first, kHKCU, "Software\\Shared");
  ASSERT_REG_OK(setBytes(first, a, "v", reg::kString, "one"));
  HKEY b = 0;
  ASSERT_REG_OK(second.RegOpenKeyA(kHKCU, "Software\\Shared", &b));
  EXPECT_EQ(readBytes(second, b, "v"), "one");
  EXPECT_EQ(readBytes(second, b, "v"), "one");  // now from the cache
  ASSERT_REG_OK(setBytes(first, a, "v", reg::kString, "two"));
  EXPECT_EQ(readBytes(second, b, "v"), "two");
  // Handles belong to their instance.
  uint32_t size = 0;
  EXPECT_REG(second.RegQueryValueExA(a, "v", nullptr, nullptr, nullptr, &size), reg::kInvalidHandle);
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
  ASSERT_REG_OK(setBytes(registry, k, "v", reg::kString, "one"));
  EXPECT_EQ(readBytes(registry, k, "v"), "one");
  EXPECT_EQ(readBytes(registry, k, "v"), "one");

  ASSERT_REG_OK(peer.run(kSetTwo));
  EXPECT_EQ(readBytes(registry, k, "v"), "two");
  ASSERT_REG_OK(peer.run(kDeleteValue));
  EXPECT_EQ(readBytes(registry, k, "v"), failed(reg::kFileNotFound));
  ASSERT_REG_OK(peer.run(kSetThree));
  EXPECT_EQ(readBytes(registry, k, "v"), "three");

  // The key is replaced by a new one: the old handle is dead, a new open finds the new key.
  ASSERT_REG_OK(openAt(registry, kHKCU, "Software\\Fresh").rc);
  ASSERT_REG_OK(peer.run(kRecreateKey));
  EXPECT_EQ(readBytes(registry, k, "v"), failed(reg::kKeyDeleted));
  HKEY out = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "Software\\Fresh", &out));
  EXPECT_EQ(readBytes(registry, out, "v"), "four");
  EXPECT_TRUE(subkeys(registry, out).empty());
  ASSERT_REG_OK(peer.run(kAddSubkey));
  EXPECT_EQ(subkeys(registry, out), std::vector<std::string>{"Sub"});
  EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "Software\\Fresh"), reg::kAccessDenied);
  ASSERT_REG_OK(registry.RegDeleteKeyA(out, "Sub"));
  registry.RegCloseKey(out);

  ASSERT_REG_OK(peer.run(kDeleteKey));
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software\\Fresh", &out), reg::kFileNotFound);
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
      ASSERT_REG_OK(setText(writer, kHKCU, "Software\\Torn", "v", "one"));
    }  // the last connection to close removes the WAL and its index
    ASSERT_FALSE(QFile::exists(path + "-shm"));

    SqliteRegistry reader(path);
    reader.setReadCacheEnabled(cacheOn);
    HKEY k = 0;
    ASSERT_REG_OK(reader.RegOpenKeyA(kHKCU, "Software\\Torn", &k));
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
      const std::string value = std::string(1, who) + std::to_string(i);
      found += readBytes(registry, kHKCU, "Software\\Stress\\k" + std::to_string(i % 7), value) == value;
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
  EXPECT_REG_OK(setBytes(registry, k, "v", reg::kString, "after the wait"));
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

  EXPECT_EQ(integrityCheck(path), "ok");

  SqliteRegistry registry(path);
  const KeyAt killed = openAt(registry, kHKCU, "Software\\Killed");
  ASSERT_REG_OK(killed.rc);
  int missing = 0;
  for (int32_t n = 0; n <= last; ++n) {
    const std::string text = "value " + std::to_string(n) + std::string(size_t(n % 50), '.');
    missing += readBytes(registry, killed.key, "v" + std::to_string(n)) != text;
  }
  EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace platform
