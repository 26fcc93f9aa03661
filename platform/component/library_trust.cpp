#include "platform/component/library_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {

bool ownedByUserOrRoot(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

bool othersMayWrite(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

QString quoted(const QString& path) { return QLatin1Char('"') + path + QLatin1Char('"'); }

// lstat: a link where the resolved path had none is seen, never followed.
bool statNoFollow(const QString& path, struct stat* st) {
  return ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

// Each folder from the file's own up to the root; `path` as registered.
QString untrustedFolderReason(const QString& path, const QString& file) {
  for (QString folder = QFileInfo(file).path();; folder = QFileInfo(folder).path()) {
    struct stat st {};
    QString why;
    if (!statNoFollow(folder, &st) || !S_ISDIR(st.st_mode))
      why = QStringLiteral("cannot be checked");
    else if (!ownedByUserOrRoot(st))
      why = QStringLiteral("another user owns");
    else if (othersMayWrite(st) && (st.st_mode & S_ISVTX) == 0)
      why = QStringLiteral("others may write");
    if (!why.isEmpty()) return QStringLiteral("%1 lies in %2, which %3").arg(quoted(path), quoted(folder), why);
    if (folder == QLatin1String("/")) return {};
  }
}

QString untrustedFileReason(const QString& path, const QString& file) {
  struct stat st {};
  if (!statNoFollow(file, &st) || !S_ISREG(st.st_mode))
    return QStringLiteral("%1 is not a regular file").arg(quoted(path));
  if (!ownedByUserOrRoot(st)) return QStringLiteral("%1 is owned by another user").arg(quoted(path));
  if (othersMayWrite(st)) return QStringLiteral("%1 may be written by others").arg(quoted(path));
  return untrustedFolderReason(path, file);
}

}  // namespace

LibraryCheck checkLibrary(const QString& path) {
  if (!path.startsWith(QLatin1Char('/')))
    return {QString(), QStringLiteral("%1 is not an absolute path").arg(quoted(path))};
  LibraryCheck check{QFileInfo(path).canonicalFilePath(), QString()};
  if (check.canonicalPath.isEmpty())
    check.refusal = QStringLiteral("%1 does not exist").arg(quoted(path));
  else
    check.refusal = untrustedFileReason(path, check.canonicalPath);
  return check;
}

QString untrustedLibraryReason(const QString& path) { return checkLibrary(path).refusal; }

}  // namespace platform
