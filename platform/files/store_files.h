#pragma once
// The files of the settings store, as this process knows them, so that no
// writer (an export, a printout, a log) ever writes into one of them.
#include <QString>
#include <sys/stat.h>

namespace platform {

// Where the store lives by default: $WAGEWISE_REGISTRY when set, else
// $XDG_CONFIG_HOME/wagewise/registry.sqlite3 (~/.config/... when unset or
// relative). Creates nothing.
QString defaultStoreFileName();

// Adds a store file this process has opened (SqliteRegistry does this).
void noteStoreFile(const QString& path);

// Whether `path` names a store file or its -wal or -shm file: the default
// store or one noted. By name (the folder's canonical path and the file
// name), so it holds for files that do not exist yet.
bool isStoreFileName(const QString& path);

// Whether the file described by `opened` (fstat of an open descriptor) is one
// of those files, by identity: through links, other spellings and hard links.
bool isStoreFile(const struct stat& opened);

}  // namespace platform
