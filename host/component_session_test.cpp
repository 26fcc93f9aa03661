// The host-side version check: a class is created only from a library of the
// version its caller expects.
#include <gtest/gtest.h>

#include "host/host_test_support.h"

namespace host {
namespace {

TEST(ComponentSession, TheLoaderRefusesARegisteredLibraryOfAnotherVersion) {
  test::testSession();  // this build's libraries, registered
  platform::SqliteRegistry store(test::testDir().filePath(QStringLiteral("registry.sqlite3")));

  const platform::CreatedObject same = platform::createObject(QStringLiteral("Rowcast.CRowcast"), store, {}, QStringLiteral("2"));
  ASSERT_NE(same.object, nullptr) << same.fault.description.toStdString();
  EXPECT_TRUE(same.libraryVersion.startsWith(QStringLiteral("2."))) << same.libraryVersion.toStdString();
  EXPECT_TRUE(same.libraryPath.endsWith(QStringLiteral("librowcast.so.") + same.libraryVersion));

  const platform::CreatedObject other = platform::createObject(QStringLiteral("Rowcast.CRowcast"), store, {}, QStringLiteral("3"));
  EXPECT_EQ(other.object, nullptr);
  EXPECT_EQ(other.fault.number, core::kCantCreateObject);
  EXPECT_TRUE(other.fault.description.endsWith(QStringLiteral("Rowcast.CRowcast is registered with %1, of version %2, "
                                                              "but version 3 is expected")
                                                   .arg(same.libraryPath, same.libraryVersion)))
      << other.fault.description.toStdString();

  EXPECT_TRUE(platform::versionMatches(QStringLiteral("2.1.0"), QStringLiteral("2.1")));
  EXPECT_FALSE(platform::versionMatches(QStringLiteral("2.10.0"), QStringLiteral("2.1")));
}

}  // namespace
}  // namespace host
