#pragma once
// The registry store's in-process read cache: key ids by path and values by
// key and name, as one connection last read them.
//
// Invariant: every entry was read from the database after `header_` was read
// from SQLite's shared WAL-index, `header_` has a change counter other than
// 0, and the entries are used only while the WAL-index header still equals
// `header_` (both of its copies).
//
// Why that is enough: every commit, by any process, rewrites the header
// before the commit returns: the change counter and the frame count grow
// within one WAL generation, and a WAL restart changes the salts. So an
// unchanged header means no commit has completed since the entries were read.
// The one header that can come back after other commits is one rebuilt by
// recovery (after a process died mid-checkpoint or dropped its -shm locks):
// recovery starts the change counter at 0, and from an empty WAL it always
// builds the same {counter 0, frame count 0, salts 0}. Hence nothing is
// cached or trusted under counter 0. Any later header with counter n > 0
// carries a frame count past every commit of its WAL generation or new
// random salts, so it never equals a header seen before the recovery.
//
// A store that has just been recovered stays at counter 0 until someone
// commits; the store then makes a commit of its own (see
// StoreConnection::syncCache) so that reads can be cached again.
//
// The header is SQLite's own mapping of region 0 of the wal-index (its
// documented WAL-index format: two 48-byte copies at offsets 0 and 48,
// version 3007000), reached through the VFS's xShmMap.
#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

class ReadCache {
 public:
  // What a cached value read found.
  struct Value {
    enum State : uint8_t { kPresent, kMissing, kKeyGone } state = kMissing;
    uint32_t type = 0;
    std::string data;
  };

  enum class Header {
    kUnavailable,    // no shared header (no WAL, read-only store) or a writer is mid-update
    kCounterZero,    // a header rebuilt by recovery, or one no commit has followed yet
    kCacheable,
  };

  // Finds the WAL-index of `db`'s main database; without one the cache
  // stays empty. `db` must have read the database once (so the mapping exists).
  void attach(sqlite3* db);
  void detach();
  bool attached() const { return walIndex_ != nullptr; }

  // Called at the start of every reading call: afterwards the cache holds
  // only answers that are still current, and is usable() only under a
  // cacheable header.
  Header sync();
  // Whether the header now in the WAL-index could be one rebuilt by
  // recovery (counter 0), or is being rewritten.
  bool mayBeRecovered() const;
  void drop();
  bool usable() const { return usable_; }
  // Moves on every drop(): what was read under one generation is current
  // while the generation holds and the cache is usable().
  uint64_t generation() const { return generation_; }

  // Lookups give nullptr when the entry is missing or the cache is not usable.
  const int64_t* findKey(uint8_t root, std::string_view lpath) const;
  void putKey(uint8_t root, std::string_view lpath, int64_t id);
  const Value* findValue(int64_t keyId, std::string_view lname) const;
  const Value* putValue(int64_t keyId, std::string_view lname, Value value);

 private:
  using WalHeader = std::array<uint32_t, 12>;
  static bool readHeader(const uint32_t* words, WalHeader& out);
  static std::string keyEntry(uint8_t root, std::string_view lpath);
  static std::string valueEntry(int64_t keyId, std::string_view lname);
  void makeRoom(size_t bytes);

  uint32_t* walIndex_ = nullptr;
  bool usable_ = false;
  uint64_t generation_ = 1;
  WalHeader header_{};
  std::unordered_map<std::string, int64_t> keys_;  // root byte + lpath -> id (0: none)
  std::unordered_map<std::string, Value> values_;  // key id bytes + lname
  size_t bytes_ = 0;
};

}  // namespace platform
