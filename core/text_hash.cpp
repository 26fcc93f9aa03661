#include "core/text_hash.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <random>

namespace core {

namespace {

std::array<uint64_t, 2> processKey() {
  static const std::array<uint64_t, 2> key = [] {
    std::random_device random;
    auto word = [&random] { return (uint64_t(random()) << 32) ^ uint64_t(random()); };
    return std::array<uint64_t, 2>{word(), word()};
  }();
  return key;
}

uint64_t rotate(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

struct SipState {
  uint64_t v0, v1, v2, v3;

  void round() {
    v0 += v1, v1 = rotate(v1, 13), v1 ^= v0, v0 = rotate(v0, 32);
    v2 += v3, v3 = rotate(v3, 16), v3 ^= v2;
    v0 += v3, v3 = rotate(v3, 21), v3 ^= v0;
    v2 += v1, v1 = rotate(v1, 17), v1 ^= v2, v2 = rotate(v2, 32);
  }
  void take(uint64_t word) {  // one compression round a word
    v3 ^= word;
    round();
    v0 ^= word;
  }
};

// SipHash-1-3 of `size` bytes.
uint64_t sipHash13(const unsigned char* bytes, size_t size, const std::array<uint64_t, 2>& key) {
  SipState s{key[0] ^ 0x736f6d6570736575ULL, key[1] ^ 0x646f72616e646f6dULL, key[0] ^ 0x6c7967656e657261ULL,
             key[1] ^ 0x7465646279746573ULL};
  const unsigned char* const wholeWordsEnd = bytes + (size & ~size_t(7));
  for (; bytes != wholeWordsEnd; bytes += 8) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    s.take(word);
  }
  uint64_t last = 0;
  std::memcpy(&last, bytes, size & 7);
  s.take(last | (uint64_t(size) << 56));
  s.v2 ^= 0xff;
  for (int round = 0; round < 3; ++round) s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace

size_t TextHash::operator()(const QString& text) const {
  return size_t(sipHash13(reinterpret_cast<const unsigned char*>(text.constData()), size_t(text.size()) * sizeof(QChar),
                          processKey()));
}

}  // namespace core
