#include "platform/component/object_host.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

}  // namespace
