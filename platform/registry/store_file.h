#pragma once
// Readies the registry store's file before SQLite opens it, so that a store
// that cannot be used fails with a result code and a message that says why
// and names the file, rather than as a damaged database.
#include <QByteArray>
#include <cstdint>
#include <string>

namespace platform {

// With `create`: makes the missing folders (mode 0700) and a missing file
// (mode 0600, whatever the umask). Then refuses a path that is not a regular
// file (kAccessDenied), a missing file (kFileNotFound) and one this user
// cannot read (kAccessDenied); a folder that cannot be made gives
// kPathNotFound (kAccessDenied when permission is lacking). On failure
// `error` says why.
int32_t prepareStoreFile(const QByteArray& file, bool create, std::string& error);

// Narrows a store file that this user owns and that others may read or
// write to mode 0600, with its -wal and -shm files. Only for a file known to
// be a store of ours.
void narrowStoreFiles(const QByteArray& file);

// Creates the missing folders of `dir` with mode 0700; false with errno set
// when one cannot be made.
bool makeFolders(const QByteArray& dir);

// Which other process holds a write lock on the store `file` (its database
// or its -shm file), as "process 1234 (wwreg)"; empty when that cannot be
// told (no lock seen in /proc/locks, or locks of another kind).
std::string lockHolderOf(const QByteArray& file);

}  // namespace platform
