#pragma once
// The files of the settings store, as this process knows them, so that no
// writer (an export, a printout, a log) ever writes into one of them.
#include <QString>
#include <cstdint>
#include <sys/stat.h>

namespace platform {

// The mark a settings store carries in its SQLite header ("WWrg").
inline constexpr int32_t kStoreApplicationId = 0x57577267;

// Where the store lives by default: $WAGEWISE_REGISTRY when set, else
// userStoreFileName(). Creates nothing.
QString defaultStoreFileName();

// The user's own store, whatever $WAGEWISE_REGISTRY names:
// $XDG_CONFIG_HOME/wagewise/registry.sqlite3 (~/.config/... when unset or
// relative). Creates nothing.
QString userStoreFileName();

// Adds a store file this process has opened (SqliteRegistry does this).
void noteStoreFile(const QString& path);

// Whether `path` names a store file or its -wal or -shm file: the user's
// store, the one $WAGEWISE_REGISTRY names, or one noted. By name (the folder's canonical path and the file
// name), so it holds for files that do not exist yet.
bool isStoreFileName(const QString& path);

// Whether the file described by `opened` (fstat of an open descriptor) is one
// of those files, by identity: through links, other spellings and hard links.
bool isStoreFile(const struct stat& opened);

// Whether the regular file open at `fd` holds a settings store, whatever its
// name: it begins with SQLite's header and carries the store's mark or its
// tables. Read through a descriptor of its own, so `fd` may be write-only;
// a file this user cannot read is not taken for one.
bool holdsSettingsStore(int fd);

}  // namespace platform
