#include "platform/registry/key_listing.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// The first run is short, for callers that look at one item only; runs that
// continue a listing double up to kMaxRun, and stop early past kMaxRunBytes
// of names and data, so a key of large values is not all held at once.
constexpr uint32_t kFirstRun = 16;
constexpr uint32_t kMaxRun = 1024;
constexpr size_t kMaxRunBytes = size_t(1) << 20;

// The child of `parent` after the folded path `after`.
SqliteCode childAfter(StoreConnection& store, int64_t parent, const std::string& after, ListedItem& item) {
  Run r = store.run(Sql::kEnumKeyAfter);
  r.bind(1, parent).bind(2, after).bind(3, int64_t(1));
  const SqliteCode sqliteRc = r.step();
  if (sqliteRc.row()) {
    item.name.assign(r.blob(0));
    item.lpath.assign(r.blob(1));
  }
  return sqliteRc;
}

// The subkey `skip` places after `after` (a folded path; empty: before the
// first) among the children of the user's and the machine's key (0: none),
// in the order of their folded names, the user's when both have one. Each
// step is one indexed look-up in each tree, so listing in order is linear.
SqliteCode findMergedChild(StoreConnection& store, int64_t userParent, int64_t machineParent, std::string after,
                           uint32_t skip, ListedItem& found) {
  const SqliteCode none(SQLITE_DONE);
  for (uint32_t step = 0;; ++step) {
    ListedItem user, machine;
    const SqliteCode u = userParent != 0 ? childAfter(store, userParent, after, user) : none;
    const SqliteCode m = machineParent != 0 ? childAfter(store, machineParent, after, machine) : none;
    if (!u.stepped()) return u;
    if (!m.stepped()) return m;
    if (u.done() && m.done()) return none;
    const bool userFirst = u.row() && (m.done() || user.lpath <= machine.lpath);
    found = userFirst ? std::move(user) : std::move(machine);
    if (step == skip) return SqliteCode(SQLITE_ROW);
    after = found.lpath;
  }
}

}  // namespace

bool KeyListing::holds(const Source& source, uint64_t generation) const {
  return listId_ != 0 && listId_ == source.listId() && generation != 0 && generation == generation_;
}

const ListedItem* KeyListing::kept(const Source& source, uint32_t index, uint64_t generation) const {
  if (!holds(source, generation) || index < first_ || index - first_ >= items_.size()) return nullptr;
  return &items_[index - first_];
}

bool KeyListing::endsBefore(const Source& source, uint32_t index, uint64_t generation) const {
  return holds(source, generation) && ended_ && index >= first_ && index - first_ >= items_.size();
}

SqliteCode KeyListing::read(StoreConnection& store, const Source& source, uint32_t index, uint64_t generation) {
  // Continues after the last item kept when the caller asks for the one
  // after it, as a caller listing in order does.
  const bool next = listId_ != 0 && listId_ == source.listId() && !items_.empty() && index > 0 &&
                    index == first_ + items_.size();
  const auto grown = static_cast<uint32_t>(std::min<size_t>(items_.size() * 2, kMaxRun));
  const uint32_t limit = generation == 0 ? 1 : next ? std::max(grown, kFirstRun) : kFirstRun;
  std::vector<ListedItem> items;
  bool ended = false;
  SqliteCode sqliteRc = readItems(store, source, next ? &items_.back() : nullptr, index, limit, items, ended);
  if (next && store.stamp() != stamp_) {  // changed since: count afresh
    items.clear();
    sqliteRc = readItems(store, source, nullptr, index, limit, items, ended);
  }
  if (!sqliteRc.stepped()) {
    listId_ = 0;
    return sqliteRc;
  }
  listId_ = source.listId();
  first_ = index;
  items_ = std::move(items);
  ended_ = ended;
  generation_ = generation;
  stamp_ = store.stamp();
  return SqliteCode(SQLITE_OK);
}

SqliteCode KeyListing::readItems(StoreConnection& store, const Source& source, const ListedItem* after, uint32_t index,
                          uint32_t limit, std::vector<ListedItem>& out, bool& ended) {
  if (source.merged) return readMerged(store, source, after, index, limit, out, ended);
  const bool subkeys = source.kind == Kind::kSubkeys;
  Run r = store.run(subkeys ? (after ? Sql::kEnumKeyAfter : Sql::kEnumKey)
                             : (after ? Sql::kEnumValueAfter : Sql::kEnumValue));
  r.bind(1, source.keyId).bind(3, int64_t(limit));
  if (after == nullptr)
    r.bind(2, int64_t(index));
  else if (subkeys)
    r.bind(2, after->lpath);
  else
    r.bind(2, after->id);
  SqliteCode sqliteRc(SQLITE_DONE);
  size_t bytes = 0;
  while (out.size() < limit && bytes < kMaxRunBytes && (sqliteRc = r.step()).row()) {
    ListedItem& item = out.emplace_back();
    item.name.assign(r.blob(0));
    if (subkeys) {
      item.lpath.assign(r.blob(1));
    } else {
      item.type = static_cast<uint32_t>(r.int64(1));
      item.data.assign(r.blob(2));
      item.id = r.int64(3);
    }
    bytes += item.name.size() + item.lpath.size() + item.data.size();
  }
  ended = sqliteRc.done();
  return sqliteRc;
}

SqliteCode KeyListing::readMerged(StoreConnection& store, const Source& source, const ListedItem* after, uint32_t index,
                           uint32_t limit, std::vector<ListedItem>& out, bool& ended) {
  std::string from = after != nullptr ? after->lpath : std::string();
  uint32_t skip = after != nullptr ? 0 : index;
  SqliteCode sqliteRc(SQLITE_DONE);
  while (out.size() < limit) {
    ListedItem item;
    sqliteRc = findMergedChild(store, source.userParent, source.machineParent, from, skip, item);
    if (!sqliteRc.row()) break;
    from = item.lpath;
    skip = 0;
    out.push_back(std::move(item));
  }
  ended = sqliteRc.done();
  return sqliteRc;
}

}  // namespace platform
