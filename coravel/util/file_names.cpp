#include "coravel/util/file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/fault.h"

namespace coravel {

namespace {

// The platform's * (any run of characters, none included) and ?, without
// regard to letter case; brackets and backslashes in names match themselves.
bool wildcardMatch(QStringView pattern, QStringView name) {
  auto same = [](QChar a, QChar b) { return a == b || a.toCaseFolded() == b.toCaseFolded(); };
  qsizetype p = 0, n = 0, starAt = -1, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starAt = p++;
      starName = n;
    } else if (starAt >= 0) {
      p = starAt + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// As the platform matches names: a pattern ending in ".*" also takes a name
// without any point ("*.*" is every file).
bool nameMatches(QStringView pattern, QStringView name) {
  if (wildcardMatch(pattern, name)) return true;
  return pattern.endsWith(u".*") && !name.contains(u'.') && wildcardMatch(pattern.chopped(2), name);
}

bool hasWildcard(const QString& text) { return text.contains(u'*') || text.contains(u'?'); }

// The fault for a failed look-up, or none when the failure only means "no
// such file".
void raiseSearchFault(int error) {
  switch (error) {
    case ENOENT: case ENOTDIR: return;
    case ENAMETOOLONG: case ELOOP: case EINVAL: throw core::FaultError(core::kBadFileNameOrNumber);
    default: throw core::FaultError(core::kPathFileAccessError);
  }
}

bool isFileEntry(const QByteArray& path) {
  struct stat info;
  if (stat(path.constData(), &info) != 0) {
    raiseSearchFault(errno);
    return false;
  }
  return !S_ISDIR(info.st_mode);
}

bool folderHoldsMatchingFile(const QString& folder, const QString& pattern) {
  const QByteArray folderPath = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folderPath.constData()), &closedir);
  if (!dir) {
    raiseSearchFault(errno);
    return false;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const QString name = QFile::decodeName(entry->d_name);
    if (name == u"." || name == u".." || !nameMatches(pattern, name)) continue;
    // An entry that cannot be examined (a looping link, no access) is passed
    // over, as the platform's search passes over what it cannot list.
    struct stat info;
    if (stat((folderPath + '/' + entry->d_name).constData(), &info) == 0 && !S_ISDIR(info.st_mode)) return true;
  }
  return false;
}

}  // namespace

bool fileMatchExists(QString& path) {
  if (path.isEmpty() || path == u"\\") return false;
  if (path.size() < 4) throw core::FaultError(core::kInvalidProcedureCall);
  if (path[3] == u'\\') path.remove(3, 1);  // "C:\\name" as a root folder joined with a name
  if (path.contains(QChar(0))) throw core::FaultError(core::kBadFileNameOrNumber);

  const qsizetype slash = path.lastIndexOf(u'/');
  const QString folder = path.left(slash + 1);
  QString pattern = path.mid(slash + 1);
  if (pattern.isEmpty()) pattern = QStringLiteral("*");  // a folder path searches the folder's files
  if (!hasWildcard(pattern)) return isFileEntry(QFile::encodeName(path));
  return folderHoldsMatchingFile(folder, pattern);
}

QString fileNameAfterSeparator(const QString& text) {
  return text.mid(std::max(text.lastIndexOf(u'\\'), text.lastIndexOf(u'/')) + 1);
}

QString withoutExtension(const QString& name) {
  if (name.size() < 4) throw core::FaultError(core::kInvalidProcedureCall);
  return name.left(name.size() - 4);
}

int16_t fileExistsFlag(const QString& path) {
  if (path.isEmpty() || path.contains(QChar(0))) return 0;
  struct stat info;
  // Any length counts: one past 32,767 bytes says nothing about existence.
  if (stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISDIR(info.st_mode)) return 0;
  return -1;
}

}  // namespace coravel
