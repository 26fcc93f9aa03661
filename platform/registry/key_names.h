#pragma once
// The rules of key and value names, apart from the store: case folding,
// the components of a backslash-separated path, and the limits of names
// (registry.h). Pure functions; the store keeps folded paths ("lpath")
// so that one index lookup resolves a whole path.
#include <string>
#include <string_view>
#include <vector>

namespace platform::reg {

// `s` case-folded onto the end of `out`.
void appendFolded(std::string& out, std::string_view s);
std::string folded(std::string_view s);

// The non-empty components of a backslash-separated path.
std::vector<std::string_view> components(std::string_view path);

// `base` extended by the components, folded (joinFolded) or as spelled (joinPath).
std::string joinFolded(const std::string& base, const std::vector<std::string_view>& parts);
std::string joinPath(const std::string& base, const std::vector<std::string_view>& parts);

// Where a folded path of the HKEY_CLASSES_ROOT view lives in the user's or
// the machine's tree.
std::string classesLpath(const std::string& foldedPath);

// Whether `parts` below the folded path `baseLpath` keep the limits of key
// names and depth; whether `name` keeps those of value names.
bool validKeyNames(const std::string& baseLpath, const std::vector<std::string_view>& parts);
// The same below a key `baseDepth` keys deep (a root: 0).
bool validKeyNames(size_t baseDepth, const std::vector<std::string_view>& parts);
bool validValueName(std::string_view name);

}  // namespace platform::reg
