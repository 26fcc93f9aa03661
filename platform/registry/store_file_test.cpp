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

#include "platform/files/writable_file.h"
#include "platform/registry/child_process_test_support.h"
#include "platform/registry/registry_test_support.h"

namespace platform {
namespace {

using namespace std::string_literals;
using namespace platform::test;

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

// An environment variable changed for the scope's length, then put back as
// it was (unset, when it was unset).
class ScopedEnv {
 public:
  explicit ScopedEnv(const char* name) : name_(name), saved_(qgetenv(name)), wasSet_(qEnvironmentVariableIsSet(name)) {}
  ~ScopedEnv() {
    if (wasSet_)
      qputenv(name_, saved_);
    else
      qunsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  void set(const QString& value) const { qputenv(name_, QFile::encodeName(value)); }
  void unset() const { qunsetenv(name_); }

 private:
  const char* name_;
  QByteArray saved_;
  bool wasSet_;
};

// ---- the store file ----------------------------------------------------------------------

TEST_F(RegistryTest, StoreIsCreatedPrivateWithItsFolders) {
  const QString nested = dir.filePath(QStringLiteral("a/b/registry.sqlite3"));
  const mode_t oldMask = ::umask(0);
  {
    SqliteRegistry registry(nested);
    ASSERT_REG_OK(setText(registry, kHKCU, "Software", "v", "x"));
    EXPECT_EQ(fileMode(nested), 0600u);
    EXPECT_EQ(fileMode(nested + "-wal"), 0600u);
    EXPECT_EQ(fileMode(nested + "-shm"), 0600u);
    EXPECT_EQ(fileMode(dir.filePath("a/b")), 0700u);
  }
  ::umask(oldMask);

  // The schema and the journal mode are there for any reader.
  EXPECT_EQ(sqlValue(nested, "PRAGMA journal_mode", SQLITE_OPEN_READONLY), "wal");
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
    EXPECT_REG(registry.RegCreateKeyA(kHKCU, "Software", &k), c.rc) << want;
    EXPECT_EQ(registry.storeError(), want);
    EXPECT_EQ(readBytes(registry, kHKCU, "v"), failed(c.rc)) << want;
  }
  // A store that works has no store error.
  SqliteRegistry registry(path);
  HKEY k = 0;
  EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kFileNotFound);
  EXPECT_EQ(registry.storeError(), "");
}

TEST_F(RegistryTest, AStoreFileOthersCouldReadIsNarrowedToItsOwner) {
  {
    SqliteRegistry registry(path);
    ASSERT_REG_OK(setText(registry, kHKCU, "Software", "v", "x"));
  }
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
  SqliteRegistry registry(path);
  EXPECT_EQ(readBytes(registry, kHKCU, "v"), failed(reg::kFileNotFound));
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
    ASSERT_REG_OK(createAt(registry, kHKCU, "Software").rc);
  }
  for (const QString& target : {other, path}) {
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    const QString link = dir.filePath(QStringLiteral("link-") + QFileInfo(target).fileName());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    SqliteRegistry registry(link);
    EXPECT_REG(openAt(registry, kHKCU, "Software").rc, target == other ? reg::kBadDb : reg::kSuccess);
    EXPECT_EQ(fileMode(target), target == other ? 0644u : 0600u) << target.toStdString();
  }
}

TEST_F(RegistryTest, DefaultPathFollowsTheEnvironment) {
  const ScopedEnv store("WAGEWISE_REGISTRY"), config("XDG_CONFIG_HOME");
  const QString explicitPath = dir.filePath(QStringLiteral("chosen.sqlite3"));
  store.set(explicitPath);
  EXPECT_EQ(SqliteRegistry::defaultPath(), explicitPath);
  store.unset();
  config.set(dir.filePath(QStringLiteral("config")));
  EXPECT_EQ(SqliteRegistry::defaultPath(), dir.filePath(QStringLiteral("config/wagewise/registry.sqlite3")));
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("config/wagewise"))).isDir());
}

// The only test in this binary that touches the process-wide store.
TEST_F(RegistryTest, DefaultRegistryOpensTheDefaultPathOnFirstUse) {
  static bool opened = false;
  if (opened) GTEST_SKIP() << "the process-wide store was opened by an earlier repetition";
  opened = true;
  const QString chosen = dir.filePath(QStringLiteral("default/registry.sqlite3"));
  {
    const ScopedEnv store("WAGEWISE_REGISTRY");
    store.set(chosen);
    Registry& registry = defaultRegistry();
    EXPECT_EQ(&registry, &defaultRegistry());
    EXPECT_REG_OK(setText(registry, kHKCU, "Software\\Default", "v", "x"));
  }
  EXPECT_TRUE(QFileInfo::exists(chosen));
  SqliteRegistry same(chosen);
  EXPECT_EQ(readBytes(same, kHKCU, "v"), failed(reg::kFileNotFound));
  EXPECT_EQ(readBytes(same, kHKCU, "Software\\Default", "v"), "x");
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
      EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kBadDb);
      EXPECT_REG(registry.RegQueryValueExA(kHKCU, "v", nullptr, nullptr, nullptr, &size), reg::kBadDb);
      EXPECT_REG(registry.RegCreateKeyA(kHKCU, "Software", &k), reg::kBadDb);
      EXPECT_REG(setBytes(registry, kHKCU, "v", reg::kString, "x"), reg::kBadDb);
      EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "Software"), reg::kBadDb);
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
    EXPECT_REG(registry.RegOpenKeyA(kHKCU, "Software", &k), reg::kBadDb);
    EXPECT_REG(registry.RegCreateKeyA(kHKCU, "Software", &k), reg::kBadDb);
  }
  EXPECT_EQ(fileBytes(path), before);
}

// No writer of the project writes into any settings store: the user's own
// while WAGEWISE_REGISTRY names another (even its -wal and -shm, which do not
// exist yet), and a store copied under any name, known by what it holds. A
// database of another program is an ordinary file.
TEST_F(RegistryTest, EveryStoreIsRefusedAsAWriteTargetWhateverItsName) {
  {
    SqliteRegistry registry(path);
    ASSERT_REG_OK(createAt(registry, kHKCU, "Software\\Kept").rc);
  }
  const QString config = dir.filePath(QStringLiteral("config"));
  const QString users = config + QStringLiteral("/wagewise/registry.sqlite3");
  const QString copy = dir.filePath(QStringLiteral("backup.db"));
  const QString theirs = dir.filePath(QStringLiteral("theirs.db"));
  ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/wagewise")));
  ASSERT_TRUE(QFile::copy(path, users) && QFile::copy(path, copy));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(theirs).constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE keys(x); CREATE TABLE valz(y);", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  const ScopedEnv store("WAGEWISE_REGISTRY"), configHome("XDG_CONFIG_HOME");
  store.set(dir.filePath(QStringLiteral("other.sqlite3")));
  configHome.set(config);

  struct Case {
    QString target;
    bool refused;
  } cases[] = {{users, true}, {users + QStringLiteral("-wal"), true}, {users + QStringLiteral("-shm"), true},
               {copy, true},  {theirs, false}};
  for (const Case& c : cases) {
    const QByteArray before = fileBytes(c.target);
    const WritableFile opened = openWritableFile(c.target, WriteMode::Replace);
    EXPECT_EQ(opened.refusal, c.refused ? WritableFile::Refusal::SettingsStore : WritableFile::Refusal::None)
        << c.target.toStdString();
    if (opened.ok()) ::close(opened.fd);
    if (c.refused) {
      EXPECT_EQ(fileBytes(c.target), before) << c.target.toStdString();
    }
  }
  EXPECT_FALSE(QFileInfo::exists(users + QStringLiteral("-shm")));
}

TEST_F(RegistryTest, ReadOnlyModeReadsAndRefusesWrites) {
  {
    SqliteRegistry writer(path);
    ASSERT_REG_OK(setText(writer, kHKCU, "Software\\Fixed", "v", "x"));
  }
  SqliteRegistry registry(path, SqliteRegistry::Mode::ReadOnly);
  HKEY k = 0;
  ASSERT_REG_OK(registry.RegOpenKeyA(kHKCU, "Software\\Fixed", &k));
  EXPECT_EQ(readBytes(registry, k, "v"), "x");
  EXPECT_REG(setBytes(registry, k, "v", reg::kString, "y"), reg::kAccessDenied);
  EXPECT_REG(registry.RegDeleteValueA(k, "v"), reg::kAccessDenied);
  HKEY created = 0;
  EXPECT_REG(registry.RegCreateKeyA(kHKCU, "Software\\New", &created), reg::kAccessDenied);
  EXPECT_REG(registry.RegDeleteKeyA(kHKCU, "Software\\Fixed"), reg::kAccessDenied);
  EXPECT_EQ(readBytes(registry, k, "v"), "x");
}

TEST_F(RegistryTest, FilePermissionsDecideWhatWorks) {
  {
    SqliteRegistry writer(path);
    ASSERT_REG_OK(setText(writer, kHKCU, "Software\\Perm", "v", "x"));
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
    if (readBytes(r, kHKCU, "v") != failed(reg::kAccessDenied)) return 2;
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
