#include "platform/files/store_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArrayView>
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

// The user's store, the one in use and every store noted, each once.
QStringList storeFiles() {
  QStringList files{userStoreFileName()};
  if (const QString inUse = defaultStoreFileName(); !files.contains(inUse)) files << inUse;
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

// SQLite keeps its header and the list of tables on the first page; a store
// marks its header with kStoreApplicationId (offset 68). A store whose mark
// is still in its journal shows its tables' definitions instead.
constexpr qsizetype kStoreProbeBytes = qsizetype{64} * 1024;
constexpr char kSqliteMagic[] = "SQLite format 3";  // with its NUL: 16 bytes

bool looksLikeStore(QByteArrayView head) {
  if (head.size() < 100 || !head.startsWith(QByteArrayView(kSqliteMagic, sizeof kSqliteMagic))) return false;
  const auto byte = [&](qsizetype i) { return uint32_t(uint8_t(head[i])); };
  const uint32_t applicationId = byte(68) << 24 | byte(69) << 16 | byte(70) << 8 | byte(71);
  if (applicationId == uint32_t(kStoreApplicationId)) return true;
  return head.contains("CREATE TABLE keys(") && head.contains("CREATE TABLE vals(");
}

}  // namespace

QString defaultStoreFileName() {
  QString fromEnv = qEnvironmentVariable("WAGEWISE_REGISTRY");
  return fromEnv.isEmpty() ? userStoreFileName() : fromEnv;
}

QString userStoreFileName() {
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

bool holdsSettingsStore(int fd) {
  const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
  const int reader = ::open(self.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (reader < 0) return false;
  QByteArray page(kStoreProbeBytes, '\0');
  const ssize_t got = ::pread(reader, page.data(), size_t(page.size()), 0);
  ::close(reader);
  return got > 0 && looksLikeStore(QByteArrayView(page.constData(), got));
}

}  // namespace platform
