#pragma once
// A plain in-memory registry: keys with children and values, and the
// handles each connection holds. It knows no result codes. The store's fuzz
// target keeps one in step with the real store as its oracle (the target says
// what each call must give and asks the model only for state), and
// MemoryRegistry answers the registry calls over one.
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry.h"

namespace platform {

class RegistryModel {
 public:
  struct Value {
    std::string name;  // as first set
    uint32_t type = 0;
    std::string data;
  };
  struct Key {
    std::string name;                    // as created
    int parent = -1;
    std::map<std::string, int> children;  // by case-folded name
    std::vector<std::pair<std::string, Value>> values;  // by folded name, in order first set
  };
  static constexpr int kRoots = 7;  // keys 0..6 are the predefined roots

  RegistryModel();

  static std::string folded(const std::string& name);

  // The key a handle names on connection `conn`, or -1 when the handle is
  // not open there. Roots are open everywhere.
  int keyOf(int conn, HKEY handle) const;
  uint32_t accessOf(int conn, HKEY handle) const;
  bool isOpen(int conn, HKEY handle) const { return keyOf(conn, handle) >= 0; }
  void addHandle(int conn, HKEY handle, int key, uint32_t access);
  void closeHandle(int conn, HKEY handle);
  void closeConnection(int conn);
  // Handles open now or earlier (closed ones stay, to be tried again).
  const std::vector<HKEY>& handlesSeen() const { return seen_; }

  bool exists(int key) const { return keys_.count(key) != 0; }
  const Key& key(int id) const { return keys_.at(id); }
  // The key at `parts` below `from`, or -1.
  int find(int from, const std::vector<std::string>& parts) const;
  // Creates what is missing of `parts` below `from`; the key at the end.
  int create(int from, const std::vector<std::string>& parts);
  void erase(int key);

  // The tree without the handles, to put back when a batch of calls fails.
  struct Tree {
    std::unordered_map<int, Key> keys;
    int nextKey = 0;
  };
  Tree tree() const { return {keys_, nextKey_}; }
  void restore(Tree tree);

  const Value* value(int key, const std::string& name) const;
  void setValue(int key, const std::string& name, uint32_t type, const std::string& data);
  bool deleteValue(int key, const std::string& name);

 private:
  struct Handle {
    int key;
    uint32_t access;
  };
  std::unordered_map<int, Key> keys_;
  int nextKey_ = kRoots;
  std::map<std::pair<int, HKEY>, Handle> handles_;
  std::vector<HKEY> seen_;
};

}  // namespace platform
