#pragma once
// Small helpers for the rowcast tests: reading files back, the log's lines,
// a path the test cannot write, and a list that fails partway.
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX, declared here
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <stdexcept>

#include "core/fault.h"
#include "rowcast/list/memory_list.h"

namespace rowcast::test {

inline QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) throw std::runtime_error("setup write failed");
}

// The lines of rowcast.err in `folder`, each without its CR LF.
inline QList<QByteArray> logLines(const QString& folder) {
  QFile file(folder + QStringLiteral("/rowcast.err"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.readAll();
  if (bytes.endsWith("\r\n")) bytes.chop(2);
  if (bytes.isEmpty()) return {};
  QList<QByteArray> lines = bytes.split('\n');
  for (QByteArray& line : lines)
    if (line.endsWith('\r')) line.chop(1);
  return lines;
}

// A file path that cannot be written. Root writes anywhere on an ordinary
// file system, so it gets a path under /sys, which refuses new files;
// empty when neither is available.
inline QString unwritablePath(const QString& tempFolder) {
  if (geteuid() == 0) return QDir(QStringLiteral("/sys")).exists() ? QStringLiteral("/sys/rowcast-test.out") : QString();
  const QString folder = tempFolder + QStringLiteral("/read-only");
  QDir().mkpath(folder);
  QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  return folder + QStringLiteral("/out.txt");
}

// While it lives, every file of this process is full past `bytes`: a write
// beyond fails with EFBIG, as on a disk that has no more room (the devices
// that do this are no place an export may write).
class FullFiles {
 public:
  explicit FullFiles(rlim_t bytes = 0) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    struct rlimit none = saved_;
    none.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &none);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &savedAction_);
  }
  ~FullFiles() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::sigaction(SIGXFSZ, &savedAction_, nullptr);
  }
  FullFiles(const FullFiles&) = delete;
  FullFiles& operator=(const FullFiles&) = delete;

 private:
  struct rlimit saved_ {};
  struct sigaction savedAction_ {};
};

// A list whose reading fails at item `failAt`, as one fed from a source that
// breaks off would.
class FailingList : public MemoryList {
 public:
  FailingList(std::vector<QStringList> rows, int failAt)
      : MemoryList(QStringLiteral("Broken"), {QStringLiteral("A"), QStringLiteral("B")}, std::move(rows)),
        failAt_(failAt) {}
  QString subItemText(int item, int subItem) const override {
    check(item);
    return MemoryList::subItemText(item, subItem);
  }
  QStringView subItemTextView(int item, int subItem, QString& scratch) const override {
    check(item);
    return MemoryList::subItemTextView(item, subItem, scratch);
  }

 private:
  void check(int item) const {
    if (item == failAt_) throw core::FaultError(core::kDeviceIoError, QStringLiteral("Broken"));
  }
  int failAt_;
};

}  // namespace rowcast::test
