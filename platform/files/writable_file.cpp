#include "platform/files/writable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

#include "platform/files/store_files.h"

namespace platform {
namespace {

using Refusal = WritableFile::Refusal;

WritableFile refused(Refusal refusal, int error = 0) { return WritableFile{-1, refusal, error, {}, 0, 0}; }

// Where the file open at `fd` is now, as the system names it.
QByteArray nameOf(int fd) {
  const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
  QByteArray name(4096, '\0');
  const ssize_t length = ::readlink(self.constData(), name.data(), size_t(name.size()));
  return length > 0 && length < name.size() ? name.left(length) : QByteArray();
}

WritableFile systemError(int error) {
  // A FIFO with no reader, a socket, a device without its driver.
  if (error == ENXIO || error == ENODEV) return refused(Refusal::NotRegularFile);
  return refused(Refusal::SystemError, error);
}

// Opens an existing file, or makes a new one; O_EXCL never follows a link,
// so a link to nothing is seen rather than creating its target.
int openOrCreate(const QByteArray& name, int flags, bool* created, bool* dangling) {
  *created = false;
  *dangling = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::open(name.constData(), flags);
    if (fd >= 0 || errno != ENOENT) return fd;
    const int made = ::open(name.constData(), flags | O_CREAT | O_EXCL, 0666);
    if (made >= 0) {
      *created = true;
      return made;
    }
    if (errno != EEXIST) return -1;
    struct stat link {};
    if (::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
      struct stat target {};
      if (::stat(name.constData(), &target) != 0) {
        *dangling = true;
        return -1;
      }
    }
    // Someone made the file in between: open it as it now is.
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

QString WritableFile::reason() const {
  switch (refusal) {
    case Refusal::None: return {};
    case Refusal::SystemError: return QString::fromLocal8Bit(std::strerror(error));
    case Refusal::NotRegularFile: return QStringLiteral("not a regular file");
    case Refusal::DanglingLink: return QStringLiteral("a link to a file that does not exist");
    case Refusal::SettingsStore: return QStringLiteral("a file of the settings store");
  }
  return {};
}

WritableFile openWritableFile(const QString& path, WriteMode mode, LinkRule links) {
  if (isStoreFileName(path)) return refused(Refusal::SettingsStore);
  const QByteArray name = QFile::encodeName(path);
  const int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | (mode == WriteMode::Append ? O_APPEND : 0) |
                    (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
  bool created = false, dangling = false;
  const int fd = openOrCreate(name, flags, &created, &dangling);
  if (dangling) return refused(Refusal::DanglingLink);
  if (fd < 0) return systemError(errno);

  auto giveUp = [&](WritableFile why) {
    if (created) ::unlink(name.constData());
    ::close(fd);
    return why;
  };
  struct stat status {};
  if (::fstat(fd, &status) != 0) return giveUp(systemError(errno));
  if (!S_ISREG(status.st_mode)) return giveUp(refused(Refusal::NotRegularFile));
  if (isStoreFile(status)) return giveUp(refused(Refusal::SettingsStore));
  // A copy of a store, or another user's, under any name: read before anything is emptied.
  if (!created && holdsSettingsStore(fd)) return giveUp(refused(Refusal::SettingsStore));
  // Writes from here on wait as they should, for a full pipe to a disk.
  if (::fcntl(fd, F_SETFL, mode == WriteMode::Append ? O_APPEND : 0) != 0) return giveUp(systemError(errno));
  if (mode == WriteMode::Replace && !created && ::ftruncate(fd, 0) != 0) return giveUp(systemError(errno));
  return WritableFile{fd, Refusal::None, 0, nameOf(fd), status.st_dev, status.st_ino};
}

bool removeWrittenFile(const WritableFile& opened) {
  if (opened.name.isEmpty()) return false;
  // Opened again without following a link, and checked to be the same file
  // before anything is done to it.
  const int fd = ::open(opened.name.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat now {};
  const bool same = ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == opened.device &&
                    now.st_ino == opened.inode;
  // Emptied first: another name of the same file keeps nothing half-written.
  if (same) (void)::ftruncate(fd, 0);
  ::close(fd);
  return same && ::unlink(opened.name.constData()) == 0;
}

}  // namespace platform
