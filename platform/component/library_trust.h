#pragma once
// Which library files the host side may load. Loading runs a library's
// constructors before anything else can be checked, so a registered path is
// trusted only as far as a careful platform trusts one, and what is loaded is
// exactly what was checked: the path is resolved once, every rule runs on
// that resolved path, and the loader is handed that same string.
#include <QString>

namespace platform {

struct LibraryCheck {
  // The file to load: `path` with its links resolved once (absolute, with no
  // link left in it). Empty when the file does not exist.
  QString canonicalPath;
  // Empty when `canonicalPath` may be loaded; else why not, as a phrase that
  // follows "its library" ("\"./libx.so\" is not an absolute path").
  QString refusal;

  bool trusted() const { return refusal.isEmpty() && !canonicalPath.isEmpty(); }
};

// Trusted: an absolute path to a regular file (through links) owned by this
// user or root and writable by no one else, in folders that are owned by this
// user or root and that no one else may write (a sticky folder such as /tmp
// counts as closed: only an entry's owner may replace it there). The rules
// look at the resolved path without following links, so a link swapped in
// after the path was resolved is refused rather than followed; and as no one
// else may change a folder on it, no one else can swap what it names before
// it is loaded.
LibraryCheck checkLibrary(const QString& path);

// checkLibrary(path).refusal.
QString untrustedLibraryReason(const QString& path);

}  // namespace platform
