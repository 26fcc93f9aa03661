#include "coravel/graph/profile_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace coravel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSeparator(char c) { return c == ',' || c == '\n' || c == '\r'; }

// Where the next comma or line end lies, or `size`. Files hold a million
// short fields, so sixteen bytes are looked at a time where the CPU can.
size_t findSeparator(const char* text, size_t pos, size_t size) {
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; pos + 16 <= size; pos += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
    const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, lf));
    if (const int mask = _mm_movemask_epi8(hits)) return pos + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  while (pos < size && !isSeparator(text[pos])) ++pos;
  return pos;
}

}  // namespace

bool ProfileReader::startRecord() {
  while (pos_ < text_.size() && (isBlank(text_[pos_]) || text_[pos_] == '\n' || text_[pos_] == '\r')) ++pos_;
  return pos_ < text_.size();
}

std::string_view ProfileReader::readField() {
  skipBlanks();
  if (atEnd()) return {};
  const size_t end = text_.size();
  std::string_view field;
  if (text_[pos_] == '"') {
    const size_t first = pos_ + 1;
    size_t close = text_.find('"', first);
    if (close == std::string_view::npos) close = end;
    field = text_.substr(first, close - first);
    pos_ = findSeparator(text_.data(), close < end ? close + 1 : end, end);
  } else {
    const size_t first = pos_;
    pos_ = findSeparator(text_.data(), pos_, end);
    size_t last = pos_;
    while (last > first && isBlank(text_[last - 1])) --last;
    field = text_.substr(first, last - first);
  }
  skipSeparator();
  return field;
}

void ProfileReader::skipBlanks() {
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
}

// One comma, or one line end (CR LF counts as one).
void ProfileReader::skipSeparator() {
  if (atEnd()) return;
  const char c = text_[pos_++];
  if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
}

}  // namespace coravel
