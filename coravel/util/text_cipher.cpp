#include "coravel/util/text_cipher.h"

#include <QByteArray>
#include <cmath>

#include "core/fault.h"

namespace coravel {

namespace {

// Lengths and loop counters of the cipher are 8-bit.
constexpr qsizetype kLongestCipherText = 255;

// The shift of each position's code, by position modulo 6 (index 0 is the
// sixth, twelfth, ... position): code + sign * key + offset when encrypting.
struct Shift {
  int keySign;
  int offset;
};
constexpr Shift kShifts[6] = {{-1, 2}, {1, -4}, {-1, 6}, {1, 1}, {-1, 7}, {1, 0}};

QString shifted(const QString& text, int16_t key, int direction) {
  if (text.size() > kLongestCipherText) return {};
  const QByteArray codes = text.toLatin1();
  QByteArray out;
  out.reserve(codes.size());
  for (qsizetype i = 0; i < codes.size(); ++i) {
    const Shift& s = kShifts[(i + 1) % 6];
    const int code = uint8_t(codes[i]) + direction * (s.keySign * key + s.offset);
    if (code >= 0 && code <= 255) out.append(char(code));
  }
  return QString::fromLatin1(out);
}

}  // namespace

QString scramble(const QString& text) {
  if (text.size() > INT16_MAX) throw core::FaultError(core::kOverflow);
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 1; i < text.size(); i += 2) out += text[i];
  for (qsizetype i = 0; i < text.size(); i += 2) out += text[i];
  return out;
}

int16_t cipherKey(const QString& password) {
  int sum = 0;
  if (password.size() <= kLongestCipherText) {
    for (char c : password.toLatin1()) {
      const int code = uint8_t(c);
      if (sum + code <= INT16_MAX) sum += code;
    }
  }
  return int16_t(int(std::nearbyint(sum * 0.1)) / 6);  // the default rounding mode: half to even
}

QString encryptWithKey(const QString& text, int16_t key) { return shifted(text, key, 1); }
QString decryptWithKey(const QString& text, int16_t key) { return shifted(text, key, -1); }

QString decodeDoubledCodes(const QString& text, int32_t strength) {
  if (strength < 0) throw core::FaultError(core::kInvalidProcedureCall);  // a step of 0 would never advance
  const QByteArray codes = text.toLatin1();
  const int64_t step = int64_t(strength) + 1;
  QByteArray out;
  for (int64_t i = 0; i < codes.size(); i += step) out.append(char(std::nearbyint(uint8_t(codes[qsizetype(i)]) / 2.0)));
  return QString::fromLatin1(out);
}

}  // namespace coravel
