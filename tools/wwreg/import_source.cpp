#include "tools/wwreg/import_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wwreg {
namespace {

const char* fileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

QString openRegularFile(const QString& path, qint64 maxBytes, QFile& file) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return QString::fromLatin1(kFileError);
  struct stat st{};
  const bool known = ::fstat(fd, &st) == 0;
  QString why;
  if (known && !S_ISREG(st.st_mode))
    why = QStringLiteral("ERROR: %1 is %2, not a registry file; only regular files are imported.")
              .arg(path, QLatin1String(fileKind(st.st_mode)));
  else if (known && st.st_size > maxBytes)
    why = QStringLiteral("ERROR: %1 is %2 bytes, more than the %3 a registry file may have (--max-bytes N "
                         "raises the limit); nothing was imported.")
              .arg(path)
              .arg(qint64(st.st_size))
              .arg(maxBytes);
  else if (known && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
    return QString();
  else
    why = QString::fromLatin1(kFileError);
  ::close(fd);
  return why;
}

}  // namespace wwreg
