#include "platform/registry/key_names.h"

#include <algorithm>

#include "platform/registry/registry.h"

namespace platform::reg {

void appendFolded(std::string& out, std::string_view s) {
  const size_t at = out.size();
  out.append(s);
  for (size_t i = at; i < out.size(); ++i) out[i] = foldCase(out[i]);
}

std::string folded(std::string_view s) {
  std::string out;
  appendFolded(out, s);
  return out;
}

std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string joinFolded(const std::string& base, const std::vector<std::string_view>& parts) {
  std::string out = base;
  for (std::string_view p : parts) {
    if (!out.empty()) out.push_back('\\');
    appendFolded(out, p);
  }
  return out;
}

std::string joinPath(const std::string& base, const std::vector<std::string_view>& parts) {
  std::string out = base;
  for (std::string_view p : parts) {
    if (!out.empty()) out.push_back('\\');
    out.append(p);
  }
  return out;
}

std::string classesLpath(const std::string& foldedPath) {
  return foldedPath.empty() ? std::string("software\\classes") : "software\\classes\\" + foldedPath;
}

bool validKeyNames(const std::string& baseLpath, const std::vector<std::string_view>& parts) {
  return validKeyNames(baseLpath.empty() ? 0 : size_t(std::count(baseLpath.begin(), baseLpath.end(), '\\')) + 1,
                       parts);
}

bool validKeyNames(size_t baseDepth, const std::vector<std::string_view>& parts) {
  size_t depth = baseDepth;
  for (std::string_view part : parts) {
    if (part.size() > kMaxKeyNameLength || part.find('\0') != std::string_view::npos) return false;
    if (++depth > kMaxKeyDepth) return false;
  }
  return true;
}

bool validValueName(std::string_view name) {
  return name.size() <= kMaxValueNameLength && name.find('\0') == std::string_view::npos;
}

}  // namespace platform::reg
