#pragma once
// Finds and reads job profile files into the graph window's list. Loading can
// take long on a large folder tree, so the search lets the window's events run
// once per folder and reports the growing count of files read.
#include <QByteArray>
#include <QString>
#include <functional>
#include <set>
#include <sys/types.h>
#include <utility>

#include "coravel/graph/profile_table.h"

namespace coravel {

enum class LoadOutcome {
  Read,         // read to its end; every record listed
  NotProfile,   // a field holds "Inno": abandoned, earlier records stay listed
  NotReadable,  // missing, not a regular file, or unreadable: nothing listed
  AlreadyRead,  // the same file (by another name) was read in this search: nothing listed
};

class ProfileLoader {
 public:
  // `listViewGraph` is the list that searches fill; it must outlive the loader.
  explicit ProfileLoader(ProfileTable& listViewGraph) : list_(listViewGraph) {}

  // Called once per folder before it is listed; the window lets its pending
  // events run here. A reset of the list during the call ends the search.
  void setLetEventsRun(std::function<void()> letEventsRun) { letEventsRun_ = std::move(letEventsRun); }
  // Called with the new count each time a file has been read to its end.
  void setFilesReadChanged(std::function<void(int)> changed) { filesReadChanged_ = std::move(changed); }

  // Reads one profile file: 13 fields a record, each record one row appended
  // to `Lw` in file order. The file counts as read unless it is abandoned.
  LoadOutcome LoadLWGraph(ProfileTable& Lw, const QString& Fname);

  // Depth-first search from `DrivePath` (a "/" is appended to the caller's
  // text when missing): the folder's files whose names match the wildcard
  // `Ext` (letter case ignored) are loaded in name order, then its subfolders
  // are searched in name order. Hidden entries are left out, links to folders
  // are never followed, and folders that cannot be read are skipped. A file
  // reached twice (a link, a hard link) is read the first time only.
  void FilesSearch(QString& DrivePath, QString& Ext);

  // The window's load of the host's folder: every "*.dat" under `appPath`.
  // An empty `appPath` loads nothing (it would otherwise search from the root
  // of the file system and read other programs' files).
  void loadAppPath(const QString& appPath);

  // lblcount: profile files read to their end since the loader was made.
  int filesRead() const { return filesRead_; }

  // Files by device and inode.
  using FileIdentities = std::set<std::pair<dev_t, ino_t>>;

 private:
  // `seen`: the files this search has read, or none for a file read alone.
  LoadOutcome loadFile(ProfileTable& list, const QByteArray& path, FileIdentities* seen);
  class Search;

  ProfileTable& list_;
  std::function<void()> letEventsRun_;
  std::function<void(int)> filesReadChanged_;
  int filesRead_ = 0;
};

}  // namespace coravel
