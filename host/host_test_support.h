#pragma once
// Test support: one settings store in a temporary folder for the whole test
// process, with both libraries of this build registered in it. The libraries
// are loaded into the process and open the store that WAGEWISE_REGISTRY
// names, so it is set before the first of them loads.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <vector>
#include <QTemporaryDir>

#include "host/component_session.h"
#include "platform/registry/sqlite_registry.h"

namespace host::test {

inline QTemporaryDir& testDir() {
  static QTemporaryDir dir;
  return dir;
}

inline ComponentSession& testSession() {
  static platform::SqliteRegistry* store = [] {
    const QString path = testDir().filePath(QStringLiteral("registry.sqlite3"));
    qputenv("WAGEWISE_REGISTRY", QFile::encodeName(path));
    return new platform::SqliteRegistry(path);
  }();
  static ComponentSession session = [] {
    ComponentSession made(*store, store->path(), QStringLiteral(WW_LIBRARY_DIR));
    made.registerLibraries(nullptr);
    return made;
  }();
  return session;
}

// Every record of the sample profiles, in the order the host lists them, as
// its 13 fields (quotes removed). No sample field holds a comma.
inline std::vector<QStringList> sampleRecords() {
  std::vector<QStringList> records;
  const QStringList files = {QStringLiteral("Harbour Cafe/cafe_2025.dat"), QStringLiteral("Harbour Cafe/Archive/cafe_2024.dat"),
                             QStringLiteral("Northside Depot/depot_2025.dat")};
  for (const QString& name : files) {
    QFile file(QDir(QStringLiteral(WW_SAMPLE_PROFILES)).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList fields = QString::fromLatin1(file.readAll()).split(QRegularExpression(QStringLiteral("[,\\n]")));
    if (!fields.isEmpty() && fields.last().trimmed().isEmpty()) fields.removeLast();
    for (QString& field : fields) {
      field = field.trimmed();
      if (field.startsWith(QLatin1Char('"'))) field = field.mid(1).section(QLatin1Char('"'), 0, 0);
    }
    for (qsizetype at = 0; at + 13 <= fields.size(); at += 13) records.push_back(fields.mid(at, 13));
  }
  return records;
}

}  // namespace host::test
