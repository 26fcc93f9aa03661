#include "core/code_page.h"

#include <array>

namespace core {
namespace {

// The characters of the bytes 0x80 to 0x9F; an unassigned byte stands for
// itself.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

int codePage1252Byte(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return int(0x80 + i);
  return -1;
}

std::string toCodePage1252(QStringView text) {
  std::string out;
  out.reserve(size_t(text.size()));
  for (QChar c : text) {
    const int byte = codePage1252Byte(c.unicode());
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

QString fromCodePage1252(std::string_view bytes) {
  QString out(qsizetype(bytes.size()), Qt::Uninitialized);
  QChar* to = out.data();
  for (char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    *to++ = QChar(byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t(byte));
  }
  return out;
}

}  // namespace core
