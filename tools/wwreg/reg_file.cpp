#include "tools/wwreg/reg_file.h"

#include <QStringDecoder>
#include <QStringList>

namespace wwreg {
namespace {

constexpr qsizetype kLineLimit = 80;

QString quoted(const std::string& bytes) {
  QString out = QStringLiteral("\"");
  for (char c : bytes) {
    if (c == '\\')
      out += QStringLiteral("\\\\");
    else if (c == '"')
      out += QStringLiteral("\\\"");
    else
      out += QChar(static_cast<unsigned char>(c));
  }
  out += QLatin1Char('"');
  return out;
}

bool fitsInQuotes(const std::string& data) {
  for (char c : data)
    if (c == '\0' || c == '\r' || c == '\n') return false;
  return true;
}

std::string toBytes(const QString& text) {
  const QByteArray latin = text.toLatin1();  // characters past 0xFF become '?'
  return std::string(latin.constData(), size_t(latin.size()));
}

QString decode(const QByteArray& bytes) {
  if (bytes.startsWith("\xFF\xFE")) {
    QString out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
      out += QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8)));
    return out;
  }
  const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString out = utf8(body);
  return utf8.hasError() ? QString::fromLatin1(body) : out;
}

// Reads a "..." literal starting at text[pos] (the opening quote); on
// success pos is past the closing quote.
bool readQuoted(const QString& text, qsizetype& pos, std::string& out) {
  out.clear();
  QString value;
  for (qsizetype i = pos + 1; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\\') && i + 1 < text.size() &&
        (text[i + 1] == QLatin1Char('\\') || text[i + 1] == QLatin1Char('"'))) {
      value += text[++i];
    } else if (c == QLatin1Char('"')) {
      pos = i + 1;
      out = toBytes(value);
      return true;
    } else {
      value += c;
    }
  }
  return false;
}

bool readHexBytes(const QString& list, std::string& out) {
  out.clear();
  const QStringList items = list.split(QLatin1Char(','));
  for (qsizetype i = 0; i < items.size(); ++i) {
    const QString item = items[i].trimmed();
    if (item.isEmpty() && i == items.size() - 1) break;  // nothing, or a trailing comma
    bool ok = false;
    const uint byte = item.toUInt(&ok, 16);
    if (!ok || item.size() > 2 || byte > 0xFF) return false;
    out.push_back(static_cast<char>(byte));
  }
  return true;
}

}  // namespace

QString formatValue(const RegFileValue& v) {
  QString line = (v.name.empty() ? QStringLiteral("@") : quoted(v.name)) + QLatin1Char('=');
  if (v.remove) return line + QLatin1Char('-');
  if (v.type == 1 && fitsInQuotes(v.data)) return line + quoted(v.data);
  if (v.type == 4 && v.data.size() == 4) {
    const uint32_t n = uint32_t(uchar(v.data[0])) | uint32_t(uchar(v.data[1])) << 8 |
                       uint32_t(uchar(v.data[2])) << 16 | uint32_t(uchar(v.data[3])) << 24;
    return line + QStringLiteral("dword:%1").arg(n, 8, 16, QLatin1Char('0'));
  }
  line += v.type == 3 ? QStringLiteral("hex:") : QStringLiteral("hex(%1):").arg(v.type, 0, 16);
  QString out;
  for (size_t i = 0; i < v.data.size(); ++i) {
    QString item = QStringLiteral("%1").arg(uint(uchar(v.data[i])), 2, 16, QLatin1Char('0'));
    if (i + 1 < v.data.size()) item += QLatin1Char(',');
    // Leave room for the continuation mark.
    if (line.size() + item.size() > kLineLimit - 2 && !line.endsWith(QLatin1Char(':'))) {
      out += line + QStringLiteral("\\\r\n");
      line = QStringLiteral("  ");
    }
    line += item;
  }
  return out + line;
}

QByteArray writeRegFile(const std::vector<RegFileSection>& sections) {
  QString text = QLatin1String(kRegFileHeader) + QStringLiteral("\r\n\r\n");
  for (const RegFileSection& s : sections) {
    text += QLatin1Char('[') + (s.remove ? QStringLiteral("-") : QString()) + s.key + QStringLiteral("]\r\n");
    for (const RegFileValue& v : s.values) text += formatValue(v) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n");
  }
  return text.toUtf8();
}

RegFileContent readRegFile(const QByteArray& bytes) {
  RegFileContent result;
  QString text = decode(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const QStringList lines = text.split(QLatin1Char('\n'));
  auto fail = [&](int line, const QString& why) {
    result.sections.clear();
    result.error = why;
    result.line = line;
    return result;
  };

  bool headerSeen = false;
  for (qsizetype n = 0; n < lines.size(); ++n) {
    const int lineNo = int(n + 1);
    QString line = lines[n].trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    if (!headerSeen) {
      if (line != QLatin1String(kRegFileHeader))
        return fail(lineNo, QStringLiteral("the file does not begin with the registry file header"));
      headerSeen = true;
      continue;
    }
    if (line.startsWith(QLatin1Char('['))) {
      const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
      if (close < 0) return fail(lineNo, QStringLiteral("a key line lacks its closing bracket"));
      RegFileSection section;
      section.key = line.mid(1, close - 1);
      if (section.key.startsWith(QLatin1Char('-'))) {
        section.remove = true;
        section.key.remove(0, 1);
      }
      if (section.key.isEmpty()) return fail(lineNo, QStringLiteral("a key line names no key"));
      result.sections.push_back(std::move(section));
      continue;
    }
    if (result.sections.empty()) return fail(lineNo, QStringLiteral("a value line comes before any key"));
    RegFileValue value;
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (!line.startsWith(QLatin1Char('"')) || !readQuoted(line, pos, value.name)) {
      return fail(lineNo, QStringLiteral("a value line must begin with a quoted name or @"));
    }
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
      return fail(lineNo, QStringLiteral("a value name must be followed by ="));
    QString data = line.mid(pos + 1).trimmed();
    if (data == QLatin1String("-")) {
      value.remove = true;
    } else if (data.startsWith(QLatin1Char('"'))) {
      qsizetype end = 0;
      if (!readQuoted(data, end, value.data) || !data.mid(end).trimmed().isEmpty())
        return fail(lineNo, QStringLiteral("a string value is not closed by a quote"));
      value.type = 1;
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
      bool ok = false;
      const QString digits = data.mid(6).trimmed();
      const uint32_t n32 = digits.toUInt(&ok, 16);
      if (!ok || digits.size() > 8) return fail(lineNo, QStringLiteral("a dword value needs up to 8 hex digits"));
      value.type = 4;
      value.data = {char(n32 & 0xFF), char((n32 >> 8) & 0xFF), char((n32 >> 16) & 0xFF), char(n32 >> 24)};
    } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
      const qsizetype colon = data.indexOf(QLatin1Char(':'));
      if (colon < 0) return fail(lineNo, QStringLiteral("a hex value lacks its colon"));
      const QString form = data.left(colon).toLower();
      if (form == QLatin1String("hex")) {
        value.type = 3;
      } else if (form.startsWith(QLatin1String("hex(")) && form.endsWith(QLatin1Char(')'))) {
        bool ok = false;
        value.type = form.mid(4, form.size() - 5).toUInt(&ok, 16);
        if (!ok) return fail(lineNo, QStringLiteral("hex(n) needs a hex type number"));
      } else {
        return fail(lineNo, QStringLiteral("unknown value form"));
      }
      QString list = data.mid(colon + 1).trimmed();
      while (list.endsWith(QLatin1Char('\\'))) {  // continues on the next line
        list.chop(1);
        if (++n >= lines.size()) return fail(lineNo, QStringLiteral("the file ends inside a hex value"));
        list += lines[n].trimmed();
      }
      if (!readHexBytes(list, value.data)) return fail(lineNo, QStringLiteral("bad hex bytes"));
    } else {
      return fail(lineNo, QStringLiteral("unknown value form"));
    }
    result.sections.back().values.push_back(std::move(value));
  }
  if (!headerSeen) return fail(1, QStringLiteral("the file is empty"));
  return result;
}

}  // namespace wwreg
