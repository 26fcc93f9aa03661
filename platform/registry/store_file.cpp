#include "platform/registry/store_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/registry.h"

namespace platform {
namespace {

std::string quoted(const QByteArray& path) { return "\"" + path.toStdString() + "\""; }

bool lacksPermission(int error) { return error == EACCES || error == EPERM || error == EROFS; }

void narrowToOwner(const QByteArray& file) {
  struct stat st{};
  if (::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
      (st.st_mode & 077) != 0)
    ::chmod(file.constData(), st.st_mode & 0700);
}

}  // namespace

void narrowStoreFiles(const QByteArray& file) {
  for (const char* suffix : {"", "-wal", "-shm"}) narrowToOwner(file + suffix);
}

bool makeFolders(const QByteArray& dir) {
  if (dir.isEmpty()) return true;
  struct stat st{};
  if (::stat(dir.constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  const qsizetype slash = dir.lastIndexOf('/');
  if (slash > 0 && !makeFolders(dir.left(slash))) return false;
  return ::mkdir(dir.constData(), 0700) == 0 || errno == EEXIST;
}

int32_t prepareStoreFile(const QByteArray& file, bool create, std::string& error) {
  if (create) {
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? file.left(slash) : QByteArray();
    if (!makeFolders(dir)) {
      const int why = errno;
      error = "cannot make the folder " + quoted(dir) + " of the registry store " + quoted(file) + ": " +
              std::strerror(why);
      return lacksPermission(why) ? reg::kAccessDenied : reg::kPathNotFound;
    }
    const int fd = ::open(file.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
      ::fchmod(fd, 0600);
      ::close(fd);
    } else if (errno != EEXIST) {
      const int why = errno;
      error = "cannot create the registry store " + quoted(file) + ": " + std::strerror(why);
      return lacksPermission(why) ? reg::kAccessDenied : reg::kPathNotFound;
    }
  }
  struct stat st{};
  if (::stat(file.constData(), &st) != 0) {
    const int why = errno;
    error = "cannot open the registry store " + quoted(file) + ": " + std::strerror(why);
    return lacksPermission(why) ? reg::kAccessDenied : why == ENOENT ? reg::kFileNotFound : reg::kPathNotFound;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "the registry store " + quoted(file) + " is not a regular file";
    return reg::kAccessDenied;
  }
  if (::access(file.constData(), R_OK) != 0) {
    error = "cannot read the registry store " + quoted(file) + ": " + std::strerror(errno);
    return reg::kAccessDenied;
  }
  return reg::kSuccess;
}

namespace {

// "08:01:1234567", as /proc/locks names a file: device major and minor in
// hex, the inode in decimal.
std::string lockFileId(const QByteArray& path) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0) return {};
  char id[64];
  std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return id;
}

std::string processName(long pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

std::string lockHolderOf(const QByteArray& file) {
  const std::string ids[] = {lockFileId(file), lockFileId(file + "-shm")};
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, advisory, mode, id;
    long pid = 0;
    if (!(fields >> number >> kind >> advisory >> mode >> pid >> id)) continue;
    if (kind != "POSIX" || mode != "WRITE" || pid <= 0 || pid == long(::getpid())) continue;
    if (id != ids[0] && id != ids[1]) continue;
    const std::string name = processName(pid);
    return "process " + std::to_string(pid) + (name.empty() ? std::string() : " (" + name + ")");
  }
  return {};
}

}  // namespace platform
