#pragma once
// Registry names from text, for callers that hold names as QString.
#include <QString>
#include <string>

#include "core/code_page.h"

namespace platform::reg {

// Each character becomes its byte of code page 1252. A text holding a
// character it has no byte for gives a name with a NUL, which every registry
// call refuses (kInvalidParameter): turned into "?" it would name another key
// or value.
inline std::string nameFromText(const QString& text) {
  std::string out;
  out.reserve(size_t(text.size()));
  for (QChar c : text) {
    const int byte = core::codePage1252Byte(c.unicode());
    if (byte < 0) return std::string(1, '\0');
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

}  // namespace platform::reg
