#pragma once
// A strict reader of the CSV form the list export writes: every field between
// double quotes with inner quotes doubled, fields joined by commas, every
// record ended by CR LF, UTF-8 text. Anything else (a bare field, a stray
// quote, a missing line end, an invalid UTF-8 sequence) is refused.
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

namespace fuzz {

// The records, or nothing with `error` saying where the text went wrong.
std::optional<std::vector<QStringList>> readStrictCsv(std::string_view bytes, std::string* error);

// Strict UTF-8 decoding: nothing for an invalid sequence.
std::optional<QString> decodeUtf8(std::string_view bytes);

// The text as it reads back from UTF-8: each lone surrogate becomes U+FFFD.
QString withoutLoneSurrogates(const QString& text);

}  // namespace fuzz
