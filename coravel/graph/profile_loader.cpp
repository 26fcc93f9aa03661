#include "coravel/graph/profile_loader.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "coravel/graph/profile_reader.h"

namespace coravel {
namespace {

// The whole file, or nothing when it is not a regular file or cannot be read.
// Opening does not wait: a pipe or device named like a profile is refused.
// With `seen`, a file already in it (reached again by a link) is not read and
// `*again` is set; a file read is added.
std::optional<QByteArray> readWholeFile(const QByteArray& path, ProfileLoader::FileIdentities* seen, bool* again) {
  const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  *again = regular && seen && !seen->insert({st.st_dev, st.st_ino}).second;
  if (!regular || *again) {
    ::close(fd);
    return std::nullopt;
  }
  QByteArray bytes(static_cast<qsizetype>(st.st_size), Qt::Uninitialized);
  qsizetype filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew
    const ssize_t got = ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
    if (got < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    filled += got;
  }
  ::close(fd);
  bytes.truncate(filled);
  return bytes;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool holdsNotProfileMark(std::string_view text) {
  // An empty field's view may have no data pointer, which memmem must not get.
  if (text.size() < 4) return false;
  return ::memmem(text.data(), text.size(), "Inno", 4) != nullptr;
}

}  // namespace

LoadOutcome ProfileLoader::LoadLWGraph(ProfileTable& Lw, const QString& Fname) {
  return loadFile(Lw, QFile::encodeName(Fname), nullptr);
}

LoadOutcome ProfileLoader::loadFile(ProfileTable& list, const QByteArray& path, FileIdentities* seen) {
  bool again = false;
  std::optional<QByteArray> text = readWholeFile(path, seen, &again);
  if (!text) return again ? LoadOutcome::AlreadyRead : LoadOutcome::NotReadable;
  const std::string_view view(text->constData(), static_cast<size_t>(text->size()));
  // Most files never hold the mark; only those that do are checked field by field.
  const bool checkFields = holdsNotProfileMark(view);

  RecordStarts recordStarts(text->size());
  // A UTF-8 byte-order mark is no part of the first date.
  ProfileReader reader(view, view.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
  bool abandoned = false;
  size_t listedEnd = 0;
  while (!abandoned && reader.startRecord()) {
    const size_t start = reader.position();
    for (int field = 0; field < ProfileTable::kColumnCount; ++field) {
      const std::string_view cell = reader.readField();
      if (checkFields && holdsNotProfileMark(cell)) {
        abandoned = true;
        break;
      }
    }
    if (abandoned) break;
    recordStarts.push_back(static_cast<int64_t>(start));
    listedEnd = reader.position();
  }
  if (abandoned) {
    text->truncate(static_cast<qsizetype>(listedEnd));  // the listed records end here
    text->squeeze();
  }
  if (!recordStarts.empty()) list.appendRecords(std::move(*text), std::move(recordStarts));
  if (abandoned) return LoadOutcome::NotProfile;
  ++filesRead_;
  if (filesReadChanged_) filesReadChanged_(filesRead_);
  return LoadOutcome::Read;
}

// One depth-first search; remembers the folders it has listed, so that a
// folder mounted inside itself is not searched forever either, and the files
// it has read, so that a linked profile does not count twice.
class ProfileLoader::Search {
 public:
  Search(ProfileLoader& loader, QByteArray pattern)
      : loader_(loader), pattern_(std::move(pattern)), generation_(loader.list_.generation()) {}

  // False once the list was reset under the search: then it ends.
  bool folder(const QByteArray& path) {
    if (loader_.letEventsRun_) loader_.letEventsRun_();
    if (loader_.list_.generation() != generation_) return false;
    Listing listing;
    if (!list(path, &listing)) return true;  // unreadable: skipped
    for (const QByteArray& name : listing.files) loader_.loadFile(loader_.list_, path + name, &filesRead_);
    for (const QByteArray& name : listing.subfolders)
      if (!folder(path + name + '/')) return false;
    return true;
  }

 private:
  struct Listing {
    std::vector<QByteArray> subfolders;
    std::vector<QByteArray> files;
  };

  bool list(const QByteArray& path, Listing* out) {
    DIR* dir = ::opendir(path.constData());
    if (!dir) return false;
    struct stat st;
    if (::fstat(::dirfd(dir), &st) != 0 || !visited_.insert({st.st_dev, st.st_ino}).second) {
      ::closedir(dir);
      return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (name[0] == '.') continue;  // ".", ".." and hidden entries
      unsigned char type = entry->d_type;
      if (type == DT_UNKNOWN) type = typeOf(::dirfd(dir), name);
      if (type == DT_DIR) out->subfolders.emplace_back(name);
      else if ((type == DT_REG || type == DT_LNK) && ::fnmatch(pattern_.constData(), name, FNM_CASEFOLD | FNM_NOESCAPE) == 0)
        out->files.emplace_back(name);  // a link is loaded only when it leads to a regular file
    }
    ::closedir(dir);
    sortByName(out->subfolders);
    sortByName(out->files);
    return true;
  }

  // The entry itself, not what a link leads to.
  static unsigned char typeOf(int dirFd, const char* name) {
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
    if (S_ISDIR(st.st_mode)) return DT_DIR;
    if (S_ISREG(st.st_mode)) return DT_REG;
    if (S_ISLNK(st.st_mode)) return DT_LNK;
    return DT_UNKNOWN;
  }

  // Names in the order a listing shows them: letter case ignored first.
  static void sortByName(std::vector<QByteArray>& names) {
    std::sort(names.begin(), names.end(), [](const QByteArray& a, const QByteArray& b) {
      const int c = qstricmp(a.constData(), b.constData());
      return c != 0 ? c < 0 : a < b;
    });
  }

  ProfileLoader& loader_;
  QByteArray pattern_;
  uint64_t generation_;
  std::set<std::pair<dev_t, ino_t>> visited_;
  FileIdentities filesRead_;  // a file reached by several names is read once
};

void ProfileLoader::FilesSearch(QString& DrivePath, QString& Ext) {
  if (!DrivePath.endsWith(u'/')) DrivePath += u'/';
  Search(*this, QFile::encodeName(Ext)).folder(QFile::encodeName(DrivePath));
}

void ProfileLoader::loadAppPath(const QString& appPath) {
  if (appPath.isEmpty()) return;
  QString drivePath = appPath + u'/';
  QString ext = QStringLiteral("*.dat");
  FilesSearch(drivePath, ext);
}

}  // namespace coravel
