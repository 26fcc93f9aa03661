#include "platform/registry/sqlite_code.h"

#include <cerrno>

#include "platform/registry/registry.h"

namespace platform {

// A file that may not grow (quota, file size limit) is a full disk to the
// caller as well. SQLite does not always keep the errno of a failed write,
// but nothing it does after one succeeds in clearing it.
int32_t registryCode(SqliteCode sqliteRc, sqlite3* db) {
  if (sqliteRc.primary() == SQLITE_IOERR && db != nullptr) {
    const int error = sqlite3_system_errno(db) != 0               ? sqlite3_system_errno(db)
                      : sqliteRc.extended() == SQLITE_IOERR_WRITE ? errno
                                                                  : 0;
    if (error == ENOSPC || error == EDQUOT || error == EFBIG) return reg::kDiskFull;
  }
  switch (sqliteRc.primary()) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return reg::kAccessDenied;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return reg::kBusy;
    case SQLITE_FULL:
      return reg::kDiskFull;
    case SQLITE_NOMEM:
      return reg::kOutOfMemory;
    case SQLITE_IOERR:
      return reg::kIoFailed;
    case SQLITE_TOOBIG:
      return reg::kInvalidParameter;
    default:  // NOTADB, CORRUPT, CANTOPEN, SCHEMA, ...
      return reg::kBadDb;
  }
}

}  // namespace platform
