#include "platform/component/object_host.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/component/library_trust.h"
#include "platform/registry/sqlite_registry.h"

namespace {

// Why a class cannot be created names the real cause: a class missing from a
// good store, or a store that cannot be read at all.
TEST(ObjectHost, CreationFailuresSayWhetherTheClassOrTheStoreIsAtFault) {
  QTemporaryDir dir;
  const QString good = dir.filePath(QStringLiteral("good.sqlite3"));
  const QString garbage = dir.filePath(QStringLiteral("garbage.sqlite3"));
  QFile file(garbage);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(8192, 'x'));
  file.close();

  struct Case {
    QString store;
    QString expected;
  } cases[] = {
      {good, QStringLiteral("Coravel.Missing is not registered")},
      {garbage, QStringLiteral("cannot open the settings store %1 (registry error 1009)").arg(garbage)},
  };
  for (const Case& c : cases) {
    platform::SqliteRegistry store(c.store);
    platform::CreatedObject created = platform::createObject(QStringLiteral("Coravel.Missing"), store, c.store);
    EXPECT_EQ(created.object, nullptr);
    EXPECT_EQ(created.fault.number, core::kCantCreateObject);
    EXPECT_TRUE(created.fault.description.endsWith(c.expected)) << created.fault.description.toStdString();
  }
}

// A store whose disk is full says so, rather than that the class is missing.
class FullDiskStore : public platform::SqliteRegistry {
 public:
  using SqliteRegistry::SqliteRegistry;
  int32_t RegOpenKeyExA(platform::HKEY, std::string_view, uint32_t, uint32_t, platform::HKEY*) override {
    return platform::reg::kDiskFull;
  }
};

TEST(ObjectHost, AFullDiskIsReportedAsTheStoresFault) {
  QTemporaryDir dir;
  FullDiskStore store(dir.filePath(QStringLiteral("registry.sqlite3")));
  const platform::CreatedObject created = platform::createObject(QStringLiteral("Rowcast.CRowcast"), store, "S");
  EXPECT_EQ(created.fault.number, core::kCantCreateObject);
  EXPECT_TRUE(created.fault.description.endsWith(QStringLiteral("the disk of the settings store S is full (registry error 112)")))
      << created.fault.description.toStdString();
}

// Which registered paths the host side loads: only what a careful platform
// would; everything else is refused before any of its code can run.
TEST(LibraryTrust, OnlyAbsolutePathsToFilesNoOneElseMayChangeAreLoaded) {
  QTemporaryDir dir;  // mode 0700 in the sticky /tmp: a closed folder
  auto file = [&](const QString& name, mode_t mode) {
    QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return path;
  };
  auto folder = [&](const QString& name, mode_t mode) {
    QString path = dir.filePath(name);
    EXPECT_TRUE(QDir().mkpath(path));
    EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    return path;
  };
  const QString good = file(QStringLiteral("libgood.so"), 0755);
  const QString link = dir.filePath(QStringLiteral("liblink.so"));
  ASSERT_EQ(::symlink("libgood.so", QFile::encodeName(link).constData()), 0);
  const QString open = folder(QStringLiteral("open"), 0777);
  QFile::copy(good, open + QStringLiteral("/libx.so"));
  const QString sticky = folder(QStringLiteral("sticky"), 01777);
  QFile::copy(good, sticky + QStringLiteral("/libx.so"));
  struct Case {
    QString path;
    QString reason;  // empty: trusted
  } cases[] = {
      {good, {}},
      {link, {}},
      {sticky + QStringLiteral("/libx.so"), {}},
      {QStringLiteral("./libgood.so"), QStringLiteral("\"./libgood.so\" is not an absolute path")},
      {QStringLiteral("libgood.so"), QStringLiteral("\"libgood.so\" is not an absolute path")},
      {dir.filePath(QStringLiteral("missing.so")), QStringLiteral("\"%1\" does not exist").arg(dir.filePath("missing.so"))},
      {dir.path(), QStringLiteral("\"%1\" is not a regular file").arg(dir.path())},
      {file(QStringLiteral("libgroup.so"), 0775),
       QStringLiteral("\"%1\" may be written by others").arg(dir.filePath("libgroup.so"))},
      {file(QStringLiteral("libworld.so"), 0757),
       QStringLiteral("\"%1\" may be written by others").arg(dir.filePath("libworld.so"))},
      {open + QStringLiteral("/libx.so"),
       QStringLiteral("\"%1/libx.so\" lies in \"%1\", which others may write").arg(open)},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::untrustedLibraryReason(c.path), c.reason) << c.path.toStdString();

  // Another user's file, which only root can make here.
  if (::geteuid() == 0) {
    const QString theirs = file(QStringLiteral("libtheirs.so"), 0755);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), 65534, 65534), 0);
    EXPECT_EQ(platform::untrustedLibraryReason(theirs), QStringLiteral("\"%1\" is owned by another user").arg(theirs));
  }
}

// A relative path in the store is never resolved against the current folder
// or the library search path: the class is not registered.
TEST(ObjectHost, ARelativeLibraryPathIsNotRegisteredAndNothingIsLoaded) {
  QTemporaryDir dir;
  platform::SqliteRegistry store(dir.filePath(QStringLiteral("registry.sqlite3")));
  auto setDefault = [&](const std::string& path, const std::string& text) {
    platform::HKEY key = 0;
    ASSERT_EQ(store.RegCreateKeyA(platform::reg::kClassesRoot, path, &key), platform::reg::kSuccess);
    store.RegSetValueExA(key, "", 0, platform::reg::kString, reinterpret_cast<const uint8_t*>(text.c_str()),
                         uint32_t(text.size() + 1));
    store.RegCloseKey(key);
  };
  setDefault("Marker.Class\\CLSID", "{00000000-0000-0000-0000-00000000000A}");
  setDefault("CLSID\\{00000000-0000-0000-0000-00000000000A}\\InprocServer32", "libc.so.6");
  const platform::CreatedObject created = platform::createObject(QStringLiteral("Marker.Class"), store);
  EXPECT_EQ(created.library, nullptr);
  EXPECT_TRUE(created.fault.description.endsWith(
      QStringLiteral("Marker.Class is not registered: its library \"libc.so.6\" is not an absolute path; "
                     "nothing was loaded")))
      << created.fault.description.toStdString();
}

namespace swap {

// The link on the registered path, and a staged link to the planted folder
// that replaces it in one step, as another user flipping it would.
QByteArray current;
QByteArray staged;

void flipToPlanted() { ::rename(staged.constData(), current.constData()); }

}  // namespace swap

// A folder link on the registered path that another user flips between the
// check and the load: what is loaded is what was checked, never the library
// planted behind the flipped link; and a path that leads to the planted one
// when it is checked is refused before anything of it runs.
TEST(LibraryTrust, ALinkFlippedBetweenCheckAndLoadNeverLoadsThePlantedLibrary) {
  QTemporaryDir dir;
  const QString trusted = dir.filePath(QStringLiteral("trusted"));
  const QString open = dir.filePath(QStringLiteral("open"));
  const QString planted = open + QStringLiteral("/planted");
  ASSERT_TRUE(QDir().mkpath(trusted) && QDir().mkpath(planted));
  ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0777), 0);
  ASSERT_TRUE(QFile::copy(QStringLiteral(TRUSTED_PROBE_LIBRARY), trusted + QStringLiteral("/libprobe.so")));
  ASSERT_TRUE(QFile::copy(QStringLiteral(PLANTED_PROBE_LIBRARY), planted + QStringLiteral("/libprobe.so")));
  swap::current = QFile::encodeName(open + QStringLiteral("/cur"));
  swap::staged = QFile::encodeName(open + QStringLiteral("/staged"));
  auto pointAt = [](const QString& folder, const QByteArray& link) {
    ::unlink(link.constData());
    EXPECT_EQ(::symlink(QFile::encodeName(folder).constData(), link.constData()), 0);
  };

  platform::SqliteRegistry store(dir.filePath(QStringLiteral("registry.sqlite3")));
  auto setDefault = [&](const std::string& path, const QString& text) {
    const QByteArray bytes = QFile::encodeName(text);
    platform::HKEY key = 0;
    ASSERT_EQ(store.RegCreateKeyA(platform::reg::kClassesRoot, path, &key), platform::reg::kSuccess);
    store.RegSetValueExA(key, "", 0, platform::reg::kString, reinterpret_cast<const uint8_t*>(bytes.constData()),
                         uint32_t(bytes.size() + 1));
    store.RegCloseKey(key);
  };
  setDefault("Probe.Class\\CLSID", QStringLiteral("{00000000-0000-0000-0000-00000000000B}"));
  setDefault("CLSID\\{00000000-0000-0000-0000-00000000000B}\\InprocServer32", open + QStringLiteral("/cur/libprobe.so"));

  platform::setAfterLibraryCheckedForTesting(&swap::flipToPlanted);
  int loads = 0, plantedLoads = 0;
  for (int i = 0; i < 500; ++i) {
    pointAt(trusted, swap::current);
    pointAt(planted, swap::staged);
    const platform::CreatedObject made = platform::createObject(QStringLiteral("Probe.Class"), store);
    loads += made.libraryVersion == QLatin1String("trusted");
    plantedLoads += made.libraryVersion == QLatin1String("planted");
  }
  platform::setAfterLibraryCheckedForTesting(nullptr);
  EXPECT_EQ(loads, 500);
  EXPECT_EQ(plantedLoads, 0);

  // Pointing at the planted folder when checked: refused, nothing loaded.
  const platform::CreatedObject refused = platform::createObject(QStringLiteral("Probe.Class"), store);
  EXPECT_TRUE(refused.fault.description.contains(QStringLiteral("which others may write; nothing was loaded")))
      << refused.fault.description.toStdString();
  EXPECT_EQ(refused.library, nullptr);
  EXPECT_EQ(std::getenv("WW_PLANTED_LIBRARY_RAN"), nullptr);
}

}  // namespace
