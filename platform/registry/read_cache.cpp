#include "platform/registry/read_cache.h"

#include <atomic>
#include <cstring>

namespace platform {
namespace {

constexpr uint32_t kWalIndexVersion = 3007000;
constexpr int kWalIndexRegion = 32768;
constexpr size_t kChangeCounter = 2;  // word of the header that counts commits
constexpr size_t kMaxEntries = 4096;
constexpr size_t kMaxBytes = 4u << 20;

}  // namespace

void ReadCache::attach(sqlite3* db) {
  detach();
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || f == nullptr ||
      f->pMethods == nullptr || f->pMethods->iVersion < 2 || f->pMethods->xShmMap == nullptr)
    return;
  // The connection has read the database in WAL mode, so this only hands
  // back SQLite's existing mapping.
  void volatile* region = nullptr;
  if (f->pMethods->xShmMap(f, 0, kWalIndexRegion, 0, &region) != SQLITE_OK || region == nullptr) return;
  auto* words = const_cast<uint32_t*>(static_cast<volatile uint32_t*>(region));
  if (words[0] != kWalIndexVersion && words[12] != kWalIndexVersion) return;
  walIndex_ = words;
}

void ReadCache::detach() {
  walIndex_ = nullptr;
  drop();
}

bool ReadCache::readHeader(const uint32_t* words, WalHeader& out) {
  // SQLite's writers fill the second copy, then the first; read in the
  // opposite order and accept only two equal copies.
  WalHeader second;
  for (size_t i = 0; i < out.size(); ++i) out[i] = __atomic_load_n(&words[i], __ATOMIC_RELAXED);
  std::atomic_thread_fence(std::memory_order_acquire);
  for (size_t i = 0; i < second.size(); ++i) second[i] = __atomic_load_n(&words[12 + i], __ATOMIC_RELAXED);
  std::atomic_thread_fence(std::memory_order_acquire);
  return out == second && out[0] == kWalIndexVersion;
}

ReadCache::Header ReadCache::sync() {
  WalHeader now;
  if (walIndex_ == nullptr || !readHeader(walIndex_, now)) {
    drop();
    return Header::kUnavailable;
  }
  if (now[kChangeCounter] == 0) {
    drop();
    return Header::kCounterZero;
  }
  if (usable_ && now == header_) return Header::kCacheable;
  drop();
  header_ = now;  // read before any of the reads that will fill the cache
  usable_ = true;
  return Header::kCacheable;
}

bool ReadCache::mayBeRecovered() const {
  WalHeader now;
  return walIndex_ != nullptr && (!readHeader(walIndex_, now) || now[kChangeCounter] == 0);
}

void ReadCache::drop() {
  usable_ = false;
  ++generation_;
  keys_.clear();
  values_.clear();
  bytes_ = 0;
}

std::string ReadCache::keyEntry(uint8_t root, std::string_view lpath) {
  std::string entry;
  entry.reserve(lpath.size() + 1);
  entry.push_back(static_cast<char>(root));
  entry.append(lpath);
  return entry;
}

std::string ReadCache::valueEntry(int64_t keyId, std::string_view lname) {
  std::string entry(sizeof keyId, '\0');
  std::memcpy(entry.data(), &keyId, sizeof keyId);
  entry.append(lname);
  return entry;
}

const int64_t* ReadCache::findKey(uint8_t root, std::string_view lpath) const {
  if (!usable_) return nullptr;
  auto it = keys_.find(keyEntry(root, lpath));
  return it == keys_.end() ? nullptr : &it->second;
}

void ReadCache::putKey(uint8_t root, std::string_view lpath, int64_t id) {
  if (!usable_) return;
  std::string entry = keyEntry(root, lpath);
  makeRoom(entry.size());
  keys_.insert_or_assign(std::move(entry), id);
}

const ReadCache::Value* ReadCache::findValue(int64_t keyId, std::string_view lname) const {
  if (!usable_) return nullptr;
  auto it = values_.find(valueEntry(keyId, lname));
  return it == values_.end() ? nullptr : &it->second;
}

const ReadCache::Value* ReadCache::putValue(int64_t keyId, std::string_view lname, Value value) {
  if (!usable_) return nullptr;
  std::string entry = valueEntry(keyId, lname);
  makeRoom(entry.size() + value.data.size());
  return &values_.insert_or_assign(std::move(entry), std::move(value)).first->second;
}

void ReadCache::makeRoom(size_t bytes) {
  if (keys_.size() + values_.size() >= kMaxEntries || bytes_ + bytes > kMaxBytes) {
    keys_.clear();
    values_.clear();
    bytes_ = 0;
  }
  bytes_ += bytes;
}

}  // namespace platform
