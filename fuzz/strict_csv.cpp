#include "fuzz/strict_csv.h"

#include <QStringDecoder>

namespace fuzz {

std::optional<QString> decodeUtf8(std::string_view bytes) {
  // A text may begin with U+FEFF: it is a character here, not a mark to drop.
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
  if (decoder.hasError()) return std::nullopt;
  return text;
}

QString withoutLoneSurrogates(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out += c;
      out += text[++i];
    } else {
      out += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
    }
  }
  return out;
}

std::optional<std::vector<QStringList>> readStrictCsv(std::string_view bytes, std::string* error) {
  std::vector<QStringList> records;
  QStringList record;
  size_t i = 0;
  auto fail = [&](const std::string& what) {
    *error = what + " at byte " + std::to_string(i);
    return std::nullopt;
  };
  while (i < bytes.size()) {
    if (bytes[i] != '"') return fail("a field that does not start with a quote");
    ++i;
    std::string field;
    for (;;) {
      if (i >= bytes.size()) return fail("an unclosed quote");
      if (bytes[i] != '"') {
        field += bytes[i++];
      } else if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
        field += '"';
        i += 2;
      } else {
        ++i;
        break;
      }
    }
    std::optional<QString> text = decodeUtf8(field);
    if (!text) return fail("invalid UTF-8 in a field");
    record << *text;
    if (i < bytes.size() && bytes[i] == ',') {
      ++i;
      if (i >= bytes.size()) return fail("a comma at the end");
    } else if (bytes.substr(i, 2) == "\r\n") {
      i += 2;
      records.push_back(record);
      record.clear();
    } else {
      return fail("no comma or line end after a field");
    }
  }
  return records;
}

}  // namespace fuzz
