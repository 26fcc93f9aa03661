#include "platform/files/store_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <mutex>

namespace platform {
namespace {

constexpr const char* kSuffixes[] = {"", "-wal", "-shm"};

struct NotedStores {
  std::mutex mutex;
  QStringList paths;
};

NotedStores& noted() {
  static NotedStores stores;
  return stores;
}

// The default store and every store noted, each once.
QStringList storeFiles() {
  QStringList files{defaultStoreFileName()};
  NotedStores& stores = noted();
  std::lock_guard lock(stores.mutex);
  for (const QString& path : stores.paths)
    if (!files.contains(path)) files << path;
  return files;
}

// The canonical folder and the file's own name: a file need not exist to
// have one, its folder must.
QString canonicalName(const QString& path) {
  const QFileInfo info(path);
  const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
  return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + info.fileName();
}

}  // namespace

QString defaultStoreFileName() {
  QString fromEnv = qEnvironmentVariable("WAGEWISE_REGISTRY");
  if (!fromEnv.isEmpty()) return fromEnv;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/wagewise/registry.sqlite3");
}

void noteStoreFile(const QString& path) {
  if (path.isEmpty()) return;
  NotedStores& stores = noted();
  std::lock_guard lock(stores.mutex);
  if (!stores.paths.contains(path)) stores.paths << path;
}

bool isStoreFileName(const QString& path) {
  const QString target = canonicalName(path);
  if (target.isEmpty()) return false;
  for (const QString& store : storeFiles())
    for (const char* suffix : kSuffixes)
      if (canonicalName(store + QLatin1String(suffix)) == target) return true;
  return false;
}

bool isStoreFile(const struct stat& opened) {
  for (const QString& store : storeFiles()) {
    for (const char* suffix : kSuffixes) {
      struct stat part {};
      if (::stat(QFile::encodeName(store + QLatin1String(suffix)).constData(), &part) == 0 &&
          part.st_dev == opened.st_dev && part.st_ino == opened.st_ino)
        return true;
    }
  }
  return false;
}

}  // namespace platform
