#pragma once
// Test support: a registry store in a temporary folder, never the user's.
#include <QTemporaryDir>
#include <memory>

#include "platform/registry/sqlite_registry.h"

namespace coravel::test {

struct TempRegistry {
  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("registry.sqlite3"));
  platform::SqliteRegistry registry{path};
};

}  // namespace coravel::test
