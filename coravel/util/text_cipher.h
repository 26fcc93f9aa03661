#pragma once
// The host's light text scrambling: a character shuffle, a password-keyed
// cipher with its inverse, and a decoder for texts of spread-out doubled
// character codes. Character codes are ISO 8859-1 (a character outside it
// counts as "?").
#include <QString>
#include <cstdint>

namespace coravel {

// The characters at even positions (2, 4, ...) then those at odd positions:
// "abcdef" gives "bdface". Fault 6 past 32,767 characters.
QString scramble(const QString& text);

// The cipher key of a password: its character codes summed (an addition that
// would pass 32,767 is skipped), times 0.1 rounded half to even, divided by 6
// without remainder. A password longer than 255 characters gives 0.
int16_t cipherKey(const QString& password);

// Encrypt and decrypt with `key`: each code is shifted by an amount that
// depends on the key and on the position modulo 6, and a code that leaves
// 0..255 is dropped. Exact inverses while every code stays in range. A text
// longer than 255 characters gives an empty text.
QString encryptWithKey(const QString& text, int16_t key);
QString decryptWithKey(const QString& text, int16_t key);

// Every (strength + 1)-th character from the first, its code halved and
// rounded half to even. Fault 5 for a negative strength.
QString decodeDoubledCodes(const QString& text, int32_t strength);

}  // namespace coravel
