#pragma once
// What one handle lists, subkeys or values, read a run of items at a time.
//
// A caller lists a key by asking for index 0, 1, 2, ... one call each. The
// listing keeps the run of items it read last, from index `first`, and
// serves the next indexes from it while the store is unchanged: while the
// read cache is usable under the generation it was read in (read_cache.h
// says why an unchanged generation means no process has committed since).
// Without a usable cache every call reads, one item, and continues after the
// item it returned last only while the store's stamp is the same.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/store_connection.h"

namespace platform {

// One subkey (name, folded path) or value (name, type, data, row id).
struct ListedItem {
  std::string name;
  std::string lpath;
  uint32_t type = 0;
  std::string data;
  int64_t id = 0;
};

class KeyListing {
 public:
  enum class Kind : uint8_t { kSubkeys, kValues };

  // Where the items come from: the children or values of `keyId`, or for
  // the HKEY_CLASSES_ROOT view the children of the user's and the machine's
  // key merged (`merged`; 0: that tree has none).
  struct Source {
    Kind kind = Kind::kValues;
    int64_t keyId = 0;
    bool merged = false;
    int64_t userParent = 0, machineParent = 0;
    int64_t listId() const { return merged ? -1 : keyId; }
  };

  // The kept item at `index` of `source`'s listing, when the store is
  // unchanged since it was read (`generation`: the cache's, 0 when unusable).
  const ListedItem* kept(const Source& source, uint32_t index, uint64_t generation) const;
  // Whether the kept items reached the end before `index`, the store unchanged.
  bool endsBefore(const Source& source, uint32_t index, uint64_t generation) const;
  // Reads the items from `index` on. A result other than ok() failed.
  SqliteCode read(StoreConnection& store, const Source& source, uint32_t index, uint64_t generation);
  // The item at the index last read (nullptr: the listing ends before it).
  const ListedItem* first() const { return items_.empty() ? nullptr : &items_.front(); }

 private:
  bool holds(const Source& source, uint64_t generation) const;
  SqliteCode readItems(StoreConnection& store, const Source& source, const ListedItem* after, uint32_t index,
                       uint32_t limit, std::vector<ListedItem>& out, bool& ended);
  SqliteCode readMerged(StoreConnection& store, const Source& source, const ListedItem* after, uint32_t index,
                        uint32_t limit, std::vector<ListedItem>& out, bool& ended);

  int64_t listId_ = 0;  // 0: nothing kept
  uint32_t first_ = 0;
  std::vector<ListedItem> items_;
  bool ended_ = false;  // no item follows the kept ones
  uint64_t generation_ = 0;
  StoreStamp stamp_;
};

}  // namespace platform
