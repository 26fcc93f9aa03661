#include "platform/registry/registry_model.h"

#include <algorithm>
#include <utility>

namespace platform {

RegistryModel::RegistryModel() {
  for (int i = 0; i < kRoots; ++i) keys_[i] = Key{};
}

std::string RegistryModel::folded(const std::string& name) {
  std::string out = name;
  for (char& c : out) c = reg::foldCase(c);
  return out;
}

int RegistryModel::keyOf(int conn, HKEY handle) const {
  if (reg::isRoot(handle)) return int(handle - reg::kClassesRoot);
  auto it = handles_.find({conn, handle});
  return it == handles_.end() ? -1 : it->second.key;
}

uint32_t RegistryModel::accessOf(int conn, HKEY handle) const {
  if (reg::isRoot(handle)) return reg::kKeyAllAccess;
  auto it = handles_.find({conn, handle});
  return it == handles_.end() ? 0 : it->second.access;
}

void RegistryModel::addHandle(int conn, HKEY handle, int key, uint32_t access) {
  handles_[{conn, handle}] = Handle{key, access};
  if (std::find(seen_.begin(), seen_.end(), handle) == seen_.end()) seen_.push_back(handle);
}

void RegistryModel::closeHandle(int conn, HKEY handle) { handles_.erase({conn, handle}); }

void RegistryModel::closeConnection(int conn) {
  for (auto it = handles_.begin(); it != handles_.end();) it = it->first.first == conn ? handles_.erase(it) : ++it;
}

int RegistryModel::find(int from, const std::vector<std::string>& parts) const {
  int at = from;
  for (const std::string& part : parts) {
    const Key& k = keys_.at(at);
    auto it = k.children.find(folded(part));
    if (it == k.children.end()) return -1;
    at = it->second;
  }
  return at;
}

int RegistryModel::create(int from, const std::vector<std::string>& parts) {
  int at = from;
  for (const std::string& part : parts) {
    const std::string name = folded(part);
    auto it = keys_.at(at).children.find(name);
    if (it != keys_.at(at).children.end()) {
      at = it->second;
      continue;
    }
    const int id = nextKey_++;
    keys_[id] = Key{part, at, {}, {}};
    keys_.at(at).children[name] = id;
    at = id;
  }
  return at;
}

void RegistryModel::erase(int key) {
  Key& parent = keys_.at(keys_.at(key).parent);
  parent.children.erase(folded(keys_.at(key).name));
  keys_.erase(key);
}

void RegistryModel::restore(Tree tree) {
  keys_ = std::move(tree.keys);
  nextKey_ = tree.nextKey;
}

const RegistryModel::Value* RegistryModel::value(int key, const std::string& name) const {
  const std::string lname = folded(name);
  for (const auto& [n, v] : keys_.at(key).values)
    if (n == lname) return &v;
  return nullptr;
}

void RegistryModel::setValue(int key, const std::string& name, uint32_t type, const std::string& data) {
  const std::string lname = folded(name);
  for (auto& [n, v] : keys_.at(key).values) {
    if (n == lname) {
      v.type = type;
      v.data = data;
      return;
    }
  }
  keys_.at(key).values.emplace_back(lname, Value{name, type, data});
}

bool RegistryModel::deleteValue(int key, const std::string& name) {
  auto& values = keys_.at(key).values;
  const std::string lname = folded(name);
  auto it = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.first == lname; });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

}  // namespace platform
