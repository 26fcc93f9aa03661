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
// kPathNotFound (kAccessDenied when permission is lacking). A store file that
// this user owns and that others may read or write is narrowed to mode 0600,
// with its -wal and -shm files. On failure `error` says why.
// Creates the missing folders of `dir` with mode 0700; false with errno set
// when one cannot be made.
bool makeFolders(const QByteArray& dir);

int32_t prepareStoreFile(const QByteArray& file, bool create, std::string& error);

}  // namespace platform
