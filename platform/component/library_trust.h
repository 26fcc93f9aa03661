#pragma once
// Which library files the host side may load. Loading runs a library's
// constructors before anything else can be checked, so a registered path is
// trusted only as far as a careful platform trusts one.
#include <QString>

namespace platform {

// Empty when `path` may be loaded; else why not, as a phrase that follows
// "its library" ("\"./libx.so\" is not an absolute path"). Trusted: an
// absolute path to a regular file (through links) owned by this user or
// root and writable by no one else, in folders that are owned by this user
// or root and that no one else may write (a sticky folder such as /tmp
// counts as closed: only an entry's owner may replace it there).
QString untrustedLibraryReason(const QString& path);

// The canonical path that `path` loads as: links resolved, a path relative
// to the current folder (or a bare name) made absolute. Empty when the file
// does not exist.
QString canonicalLibraryPath(const QString& path);

}  // namespace platform
