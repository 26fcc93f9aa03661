#pragma once
// What the store's callers share: a key handle closed on every path out, the
// single-byte conversions of names and data, and the size-then-data read.
#include <QString>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/code_page.h"
#include "platform/registry/name_text.h"
#include "platform/registry/registry.h"
#include "platform/registry/value_read.h"

namespace platform::reg {

// The handle an operation opened, closed when the operation ends, whatever
// path it takes. Handle 0 (an open that failed) is left alone.
class ScopedKey {
 public:
  ScopedKey(Registry& registry, HKEY key) : registry_(registry), key_(key) {}
  ~ScopedKey() {
    if (key_ != 0) registry_.RegCloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY get() const { return key_; }

 private:
  Registry& registry_;
  HKEY key_;
};

// Data in code page 1252, as the platform's single-byte calls keep it: a
// character it has no byte for becomes '?' (names use nameFromText, which
// refuses it).
inline std::string dataFromText(const QString& text) { return core::toCodePage1252(text); }
inline QString textFromData(std::string_view bytes) { return core::fromCodePage1252(bytes); }

// A settings write stays silent to its caller even when the store dropped
// it, as the settings operations promise; but one given up after waiting out
// a busy neighbour says so on standard error, in one line that names the
// store and the process holding it when that can be told.
inline int32_t reportDropped(Registry& registry, int32_t rc) {
  if (rc == kBusy) std::fprintf(stderr, "Wagewise: a setting was not saved: %s\n", registry.storeError().c_str());
  return rc;
}

}  // namespace platform::reg
