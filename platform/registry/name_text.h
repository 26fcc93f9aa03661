#pragma once
// Registry names from text, for callers that hold names as QString.
#include <QString>
#include <string>

namespace platform::reg {

// Each character becomes one byte of ISO 8859-1. A text holding a character
// outside it gives a name with a NUL, which every registry call refuses
// (kInvalidParameter): turned into "?" it would name another key or value.
inline std::string nameFromText(const QString& text) {
  std::string out;
  out.reserve(size_t(text.size()));
  for (QChar c : text) {
    if (c.unicode() > 0xFF) return std::string(1, '\0');
    out.push_back(static_cast<char>(c.unicode()));
  }
  return out;
}

}  // namespace platform::reg
