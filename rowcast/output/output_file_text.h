#pragma once
// How OutputFile turns UTF-16 text into UTF-8 with an escape policy, for
// the writers that quote or escape what they write (the exports keep their
// rules beside them). An Escape provides:
//   special(c)          whether the ASCII unit c is written in another form;
//   anySpecial(units)   the same test on four ASCII units packed in 64 bits,
//                       for the loop that copies plain text four at a time
//                       (anyUnitIs below does it for one character);
//   replacement(c)      the form of a special unit;
//   kMaxBytesPerUnit    the most bytes one unit can take (UTF-8: 3).
#include <QChar>
#include <cstdint>
#include <cstring>

#include "rowcast/output/output_file.h"

namespace rowcast {

// Whether any of four ASCII units packed in `x` equals `c` (a zero lane in x ^ c).
inline bool anyUnitIs(uint64_t x, char16_t c) {
  const uint64_t v = x ^ (0x0001000100010001ull * c);
  return ((v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull) != 0;
}

// A long text goes in pieces (never between the halves of a surrogate
// pair), and a line grown past kSpillAt goes to the file as it grows, so the
// buffer never holds more than a piece's worth beyond that.
template <class Escape>
void OutputFile::appendEscaped(QStringView text, std::string_view before, std::string_view after) {
  while (text.size() > kPieceUnits) {
    qsizetype piece = kPieceUnits;
    if (QChar::isHighSurrogate(text[piece - 1].unicode())) --piece;
    appendPiece<Escape>(text.first(piece), before, {});
    before = {};
    text = text.sliced(piece);
    if (used_ - lineEnd_ >= kSpillAt) writeOut(used_);
  }
  appendPiece<Escape>(text, before, after);
}

// UTF-16 to UTF-8 straight into the buffer, between `before` and `after`; a
// lone surrogate becomes U+FFFD. Plain ASCII, by far the most common, goes
// four units at a time.
template <class Escape>
void OutputFile::appendPiece(QStringView text, std::string_view before, std::string_view after) {
  const char16_t* in = text.utf16();
  const char16_t* const end = in + text.size();
  char* const start = room(before.size() + size_t(text.size()) * Escape::kMaxBytesPerUnit + after.size());
  char* out = start;
  for (char c : before) *out++ = c;
  while (in < end) {
    while (end - in >= 4) {
      uint64_t units;
      std::memcpy(&units, in, sizeof units);
      if ((units & 0xFF80FF80FF80FF80ull) != 0 || Escape::anySpecial(units)) break;
      // The low byte of each 16-bit lane, side by side.
      const uint32_t bytes = uint32_t((units & 0xFF) | ((units >> 8) & 0xFF00) | ((units >> 16) & 0xFF0000) |
                                      ((units >> 24) & 0xFF000000));
      std::memcpy(out, &bytes, sizeof bytes);
      in += 4;
      out += 4;
    }
    if (in == end) break;
    const char16_t c = *in++;
    if (c < 0x80 && !Escape::special(c)) {
      *out++ = char(c);
    } else if (c < 0x80) {
      for (const char* r = Escape::replacement(c); *r; ++r) *out++ = *r;
    } else if (c < 0x800) {
      *out++ = char(0xC0 | (c >> 6));
      *out++ = char(0x80 | (c & 0x3F));
    } else if (QChar::isHighSurrogate(c) && in < end && QChar::isLowSurrogate(*in)) {
      const char32_t u = QChar::surrogateToUcs4(c, *in++);
      *out++ = char(0xF0 | (u >> 18));
      *out++ = char(0x80 | ((u >> 12) & 0x3F));
      *out++ = char(0x80 | ((u >> 6) & 0x3F));
      *out++ = char(0x80 | (u & 0x3F));
    } else {
      const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xFFFD) : c;
      *out++ = char(0xE0 | (unit >> 12));
      *out++ = char(0x80 | ((unit >> 6) & 0x3F));
      *out++ = char(0x80 | (unit & 0x3F));
    }
  }
  for (char c : after) *out++ = c;
  used_ += size_t(out - start);
}

}  // namespace rowcast
