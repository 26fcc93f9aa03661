#pragma once
// Windows code page 1252, the code page of the single-byte calls on a Western
// system: ISO 8859-1 but for 0x80-0x9F, where it has the euro sign, curly
// quotes, dashes, "Œ" and others. Its five unassigned bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the code points of the same number, as the
// platform's own conversion takes them, so every byte reads as a character
// and every such character writes back as its byte.
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace core {

// The byte of `c` in code page 1252, or -1 when it has none.
int codePage1252Byte(char16_t c);

// Each character as its byte; a character with none becomes "?".
std::string toCodePage1252(QStringView text);
// Each byte as its character.
QString fromCodePage1252(std::string_view bytes);

}  // namespace core
