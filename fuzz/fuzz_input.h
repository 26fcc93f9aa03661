#pragma once
// Takes typed pieces off the front of a fuzz input. Every read succeeds: past
// the end it gives zeros and empty texts, so a target never has to check.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  bool empty() const { return p_ == end_; }
  size_t remaining() const { return size_t(end_ - p_); }

  uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
  bool flag() { return (byte() & 1) != 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
    return v;
  }
  // A number in 0..limit-1 (limit > 0).
  uint32_t below(uint32_t limit) { return (limit <= 256 ? byte() : u32()) % limit; }

  // Up to `maxLength` raw bytes; the length comes first.
  std::string bytes(size_t maxLength) {
    size_t n = below(uint32_t(maxLength) + 1);
    if (n > remaining()) n = remaining();
    std::string out(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return out;
  }
  // Everything that is left.
  std::string rest() {
    std::string out(reinterpret_cast<const char*>(p_), remaining());
    p_ = end_;
    return out;
  }

  // A text of up to `maxLength` UTF-16 units. Most units come from a small
  // alphabet that holds the characters writers and readers treat specially;
  // the rest are any 16-bit unit, lone surrogates included.
  QString text(size_t maxLength) {
    static const char16_t kAlphabet[] = u"aZ0179 ,\"'<>&;\\\r\n\t.-+eEdDfF&HhOo\u00e9\u00c9\u20ac";
    constexpr size_t kAlphabetSize = sizeof(kAlphabet) / sizeof(kAlphabet[0]) - 1;
    const size_t n = below(uint32_t(maxLength) + 1);
    QString out;
    for (size_t i = 0; i < n && !empty(); ++i) {
      const uint8_t b = byte();
      if (b < 0xF0) {
        out += QChar(kAlphabet[b % kAlphabetSize]);
      } else {
        // Two statements: the order of the reads must not be left to the compiler.
        const char16_t low = byte();
        out += QChar(char16_t(low | (byte() << 8)));
      }
    }
    return out;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

}  // namespace fuzz
