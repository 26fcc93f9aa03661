#pragma once
// SQLite's result codes, kept apart from the registry's. Several share a
// number (SQLITE_BUSY is 5, the registry's access denied; SQLITE_LOCKED is
// 6, its invalid handle), so a code of one returned as the other would
// compile and mislead the caller. A SqliteCode is not an int: registryCode()
// is the one way from it to a registry result.
//
// Variables of this type are named `sqliteRc`; `rc` is a registry result.
#include <sqlite3.h>

#include <cstdint>

namespace platform {

class SqliteCode {
 public:
  constexpr explicit SqliteCode(int code) : code_(code) {}
  constexpr bool ok() const { return code_ == SQLITE_OK; }
  constexpr bool row() const { return code_ == SQLITE_ROW; }
  constexpr bool done() const { return code_ == SQLITE_DONE; }
  // A step that went well: a row, or the end of the rows.
  constexpr bool stepped() const { return row() || done(); }
  constexpr int primary() const { return code_ & 0xff; }
  constexpr int extended() const { return code_; }

 private:
  int code_;
};

// The registry result for SQLite's failure `sqliteRc` on `db` (which may be
// null when the connection could not be made).
int32_t registryCode(SqliteCode sqliteRc, sqlite3* db);

}  // namespace platform
