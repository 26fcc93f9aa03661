#pragma once
// The registry service: a tree of keys below predefined roots, each key with
// named, typed values. The calls and their result codes are shaped after the
// platform's single-byte ("A") registry calls, so callers written for them
// keep their exact behaviour. Names are byte strings (code page 1252 text),
// compared without regard to the case of ASCII and Latin-1 letters and kept in
// the case they were created with. Paths separate keys with backslashes; empty
// components (doubled, leading or trailing backslashes) are skipped.
//
// Where this store answers otherwise than the platform's, on purpose:
// RegSetValueExA keeps exactly the bytes it is given (the platform counts a
// terminator for string data sized without one; the callers here rely on
// exact bytes), a path with a leading backslash opens as if it had none, and
// keys keep no class name or write time (enumeration reports none).
//
// HKEY_CLASSES_ROOT is no tree of its own but, as on the platform, the merged
// view of HKEY_CURRENT_USER\Software\Classes over
// HKEY_LOCAL_MACHINE\Software\Classes: a key is the user's when the user
// has it, else the machine's; its values are that key's; its subkeys are
// those of both, each name once; a new key is made in the user's tree.
//
// Names have the platform's limits; past them a call fails with
// kInvalidParameter and changes nothing: a key name (one path component) of
// at most kMaxKeyNameLength bytes, a path at most kMaxKeyDepth keys deep
// below its root, a value name of at most kMaxValueNameLength bytes, and no
// NUL in any name (the platform's names are NUL-terminated).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

using HKEY = uint32_t;  // a root handle (0x80000000..0x80000006) or an open key

namespace reg {
// Predefined roots.
constexpr HKEY kClassesRoot = 0x80000000;
constexpr HKEY kCurrentUser = 0x80000001;
constexpr HKEY kLocalMachine = 0x80000002;
constexpr HKEY kUsers = 0x80000003;
constexpr HKEY kPerformanceData = 0x80000004;
constexpr HKEY kCurrentConfig = 0x80000005;
constexpr HKEY kDynData = 0x80000006;
constexpr bool isRoot(HKEY h) { return h >= kClassesRoot && h <= kDynData; }

// The letter case that names are compared in: ASCII and Latin-1 capitals
// (0xC0..0xDE but 0xD7) become small letters; other bytes stay.
constexpr char foldCase(char c) {
  const auto u = static_cast<unsigned char>(c);
  return ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) ? static_cast<char>(u + 0x20) : c;
}

// Name limits.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;
constexpr size_t kMaxValueNameLength = 16383;

// Result codes.
constexpr int32_t kSuccess = 0;
constexpr int32_t kFileNotFound = 2;      // key or value missing
constexpr int32_t kPathNotFound = 3;      // the store's folder is missing and cannot be made
constexpr int32_t kAccessDenied = 5;      // access not granted; key with subkeys; read-only store
constexpr int32_t kInvalidHandle = 6;     // handle not open
constexpr int32_t kOutOfMemory = 14;
constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kDiskFull = 112;        // no room on the disk, or the store may not grow (quota, file size limit)
constexpr int32_t kCallNotImplemented = 120;
constexpr int32_t kBusy = 170;            // another process kept the store locked past the wait
constexpr int32_t kMoreData = 234;        // buffer too small; *size holds the size needed
constexpr int32_t kNoMoreItems = 259;     // enumeration index past the last item
constexpr int32_t kBadDb = 1009;          // the store cannot be opened or read (corrupt, unreadable)
constexpr int32_t kIoFailed = 1016;       // reading or writing the store's file failed
constexpr int32_t kKeyDeleted = 1018;     // the open key was deleted meanwhile

// Value types.
constexpr uint32_t kNone = 0;
constexpr uint32_t kString = 1;
constexpr uint32_t kExpandString = 2;
constexpr uint32_t kBinary = 3;
constexpr uint32_t kDword = 4;
constexpr uint32_t kMultiString = 7;
constexpr uint32_t kQword = 11;
// String types: a read places a NUL after their data when it lacks one.
constexpr bool isStringType(uint32_t type) {
  return type == kString || type == kExpandString || type == kMultiString;
}

// Access masks. A handle refuses (kAccessDenied) what its open did not
// grant: queries and value enumeration need kKeyQueryValue, setting and
// deleting values kKeySetValue, subkey enumeration kKeyEnumerateSubKeys.
// Creating a subkey asks nothing of the parent's handle (the rights of the
// key being made count, and every key here grants them). Roots grant
// everything.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kMaximumAllowed = 0x02000000;
constexpr uint32_t kGenericRead = 0x80000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericAll = 0x10000000;
}  // namespace reg

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens `path` below `key` with the access asked for; an empty path opens
  // `key` itself again (a root: the root handle itself). An invalid `key`
  // gives kInvalidHandle and leaves *result as it was; other failures set it
  // to 0.
  virtual int32_t RegOpenKeyExA(HKEY key, std::string_view path, uint32_t options, uint32_t access,
                                HKEY* result) = 0;
  // Opens with full access; an empty path gives back `key` itself (no key,
  // 0, with an empty path: kSuccess and 0).
  virtual int32_t RegOpenKeyA(HKEY key, std::string_view path, HKEY* result) = 0;
  // Opens `path` below `key` with full access, creating it and any missing
  // keys above it; an empty path gives back `key` itself.
  virtual int32_t RegCreateKeyA(HKEY key, std::string_view path, HKEY* result) = 0;
  // With data == nullptr: type and size only. With *size too small: kMoreData
  // and the needed size. Otherwise copies the data and sets *size; string data
  // lacking a final NUL gets one placed after it when the buffer has room.
  // A missing value asked with no buffer sets *size to 0. `type` and `size`
  // may be one variable: the size is read before the type is written.
  virtual int32_t RegQueryValueExA(HKEY key, std::string_view name, uint32_t* reserved,
                                   uint32_t* type, uint8_t* data, uint32_t* size) = 0;
  // Stores exactly `size` bytes under `name`, replacing any earlier value.
  virtual int32_t RegSetValueExA(HKEY key, std::string_view name, uint32_t reserved, uint32_t type,
                                 const uint8_t* data, uint32_t size) = 0;
  // Deletes the key at `path` below `key` (an empty path: `key` itself) with
  // its values; refused (kAccessDenied) while it has subkeys, and for a root.
  virtual int32_t RegDeleteKeyA(HKEY key, std::string_view path) = 0;
  virtual int32_t RegDeleteValueA(HKEY key, std::string_view name) = 0;
  virtual int32_t RegCloseKey(HKEY key) = 0;

  // Enumeration, for tools. Subkeys come in order of their case-folded names,
  // values in the order they were first set. Index past the end: kNoMoreItems.
  // Index i is the i-th item of the key as it is now. A handle keeps its
  // position, so that the index after the last one returned continues from
  // there while the store is unchanged (listing a key is linear); after any
  // change, by anyone, the index is counted from the first item again.
  // *nameSize holds the buffer size on entry (NUL included) and the name
  // length on success (NUL excluded). On kMoreData, RegEnumKeyExA sets it to
  // the buffer size needed (NUL included); RegEnumValueA leaves it as given,
  // writes the type, and copies the data when it fits (else sets *dataSize
  // to the size needed). The class name is always empty and the write time
  // 0. The base versions give kCallNotImplemented.
  virtual int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                uint32_t* reserved, char* className, uint32_t* classSize,
                                uint64_t* lastWriteTime);
  virtual int32_t RegEnumValueA(HKEY key, uint32_t index, char* name, uint32_t* nameSize,
                                uint32_t* reserved, uint32_t* type, uint8_t* data,
                                uint32_t* dataSize);

  // For tools: runs `body`, whose calls on this registry then land together
  // when it returns kSuccess and not at all otherwise (its result is
  // returned). The base version just runs it.
  virtual int32_t runAtomically(const std::function<int32_t()>& body) { return body(); }
  // For tools: runs `body`, whose reads then all see the registry as it was
  // at one moment (no other writer's commit in between). Not for writes.
  virtual int32_t readAtomically(const std::function<int32_t()>& body) { return body(); }
  // For messages: why the last call failed when the store itself could not
  // be used (it names the store's file), else empty.
  virtual std::string storeError() const { return {}; }
  // The file that holds the store, or empty.
  virtual std::string storeFile() const { return {}; }
};

inline int32_t Registry::RegEnumKeyExA(HKEY, uint32_t, char*, uint32_t*, uint32_t*, char*, uint32_t*,
                                       uint64_t*) {
  return reg::kCallNotImplemented;
}
inline int32_t Registry::RegEnumValueA(HKEY, uint32_t, char*, uint32_t*, uint32_t*, uint32_t*, uint8_t*,
                                       uint32_t*) {
  return reg::kCallNotImplemented;
}

}  // namespace platform
