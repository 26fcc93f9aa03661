#include "tools/wwreg/reg_file.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QStringList>

namespace wwreg {
namespace {

constexpr qsizetype kLineLimit = 80;
// Longer string data is written as hex(1): lines then stay far below
// kMaxLineBytes whatever the data holds.
constexpr size_t kMaxQuotedData = size_t{256} * 1024;

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
  if (data.size() > kMaxQuotedData) return false;
  for (char c : data)
    if (c == '\0' || c == '\r' || c == '\n') return false;
  return true;
}

std::string toBytes(const QString& text) {
  const QByteArray latin = text.toLatin1();  // in data, characters past 0xFF become '?'
  return std::string(latin.constData(), size_t(latin.size()));
}

// Splits the device's bytes into lines at CRLF, LF or CR, each at most
// kMaxLineBytes long, and decodes them: UTF-16LE after its byte-order mark,
// else UTF-8 (mark optional), else ISO 8859-1 when the file is not valid UTF-8.
class LineReader {
 public:
  explicit LineReader(QIODevice& in) : in_(in) {}

  // False with `error` set when a line is too long or the device fails.
  bool read(QStringList& lines, QString& error, int& errorLine) {
    const QByteArray head = in_.peek(3);
    utf16_ = head.startsWith("\xFF\xFE");
    if (utf16_) in_.skip(2);
    else if (head.startsWith("\xEF\xBB\xBF")) in_.skip(3);
    char chunk[64 * 1024];
    for (;;) {
      const qint64 n = in_.read(chunk, sizeof chunk);
      if (n < 0) {
        error = QStringLiteral("the file cannot be read");
        errorLine = int(raw_.size() + 1);
        return false;
      }
      if (n == 0) break;
      if (!take(chunk, n)) {
        error = QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineBytes);
        errorLine = int(raw_.size() + 1);
        return false;
      }
    }
    if (!odd_.isEmpty()) current_ += odd_;
    raw_.push_back(current_);
    lines = decode();
    return true;
  }

 private:
  bool take(const char* data, qint64 n) {
    if (utf16_) {
      QByteArray bytes = odd_ + QByteArray(data, n);
      const qsizetype even = bytes.size() & ~qsizetype(1);
      for (qsizetype i = 0; i < even; i += 2) {
        const char16_t c = char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8));
        if (!lineEnd(c) && !append(bytes.constData() + i, 2)) return false;
      }
      odd_ = bytes.mid(even);
      return true;
    }
    qint64 start = 0;
    for (qint64 i = 0; i < n; ++i) {
      if (data[i] != '\r' && data[i] != '\n') continue;
      if (!append(data + start, i - start)) return false;
      lineEnd(char16_t(data[i]));
      start = i + 1;
    }
    return append(data + start, n - start);
  }

  // Ends the current line at a CR, an LF or a CRLF; false for any other unit.
  bool lineEnd(char16_t c) {
    const bool afterCr = afterCr_;
    afterCr_ = c == u'\r';
    if (c != u'\r' && c != u'\n') return false;
    if (c == u'\n' && afterCr) return true;  // the LF of CRLF
    raw_.push_back(current_);
    current_.clear();
    return true;
  }

  bool append(const char* bytes, qint64 n) {
    if (n == 0) return true;
    afterCr_ = false;
    current_.append(bytes, n);
    return current_.size() <= kMaxLineBytes;
  }

  QStringList decode() const {
    QStringList out;
    out.reserve(raw_.size());
    if (utf16_) {
      for (const QByteArray& line : raw_) {
        QString text(line.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i + 1 < line.size(); i += 2)
          text[i / 2] = QChar(char16_t(uchar(line[i]) | (uchar(line[i + 1]) << 8)));
        out << text;
      }
      return out;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    for (const QByteArray& line : raw_) {
      out << utf8(line);
      if (utf8.hasError()) {
        out.clear();
        for (const QByteArray& l : raw_) out << QString::fromLatin1(l);
        return out;
      }
    }
    return out;
  }

  QIODevice& in_;
  bool utf16_ = false;
  bool afterCr_ = false;
  QByteArray odd_;  // a UTF-16 unit's first byte at the end of a chunk
  QByteArray current_;
  QList<QByteArray> raw_;
};

// Reads a "..." literal starting at text[pos] (the opening quote); on
// success pos is past the closing quote.
bool readQuoted(const QString& text, qsizetype& pos, QString& out) {
  out.clear();
  for (qsizetype i = pos + 1; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\\') && i + 1 < text.size() &&
        (text[i + 1] == QLatin1Char('\\') || text[i + 1] == QLatin1Char('"'))) {
      out += text[++i];
    } else if (c == QLatin1Char('"')) {
      pos = i + 1;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

// Why a name cannot be carried into the registry (empty when it can): a NUL,
// or a character outside ISO 8859-1 (which would become "?" and so name
// another key or value).
QString nameProblem(const QString& name) {
  for (QChar c : name) {
    if (c.unicode() == 0) return QStringLiteral("holds a NUL character");
    if (c.unicode() > 0xFF) return QStringLiteral("holds characters outside ISO 8859-1");
  }
  return QString();
}

// 1 to `maxDigits` hex digits and nothing else (no sign, no 0x).
bool readHexNumber(const QString& text, qsizetype maxDigits, uint32_t& out) {
  if (text.isEmpty() || text.size() > maxDigits) return false;
  out = 0;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    const int digit = (u >= '0' && u <= '9')   ? u - '0'
                      : (u >= 'a' && u <= 'f') ? u - 'a' + 10
                      : (u >= 'A' && u <= 'F') ? u - 'A' + 10
                                               : -1;
    if (digit < 0) return false;
    out = (out << 4) | uint32_t(digit);
  }
  return true;
}

bool readHexBytes(const QString& list, std::string& out) {
  out.clear();
  const QStringList items = list.split(QLatin1Char(','));
  for (qsizetype i = 0; i < items.size(); ++i) {
    const QString item = items[i].trimmed();
    if (item.isEmpty() && i == items.size() - 1) break;  // nothing, or a trailing comma
    uint32_t byte = 0;
    if (!readHexNumber(item, 2, byte)) return false;
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

QString unwritableName(const std::vector<RegFileSection>& sections) {
  auto shown = [](QString name) {
    return name.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QChar(0), QStringLiteral("\\0"));
  };
  auto unfit = [](const QString& name) {
    return name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(0));
  };
  for (const RegFileSection& s : sections) {
    if (unfit(s.key)) return QStringLiteral("the key name \"%1\"").arg(shown(s.key));
    for (const RegFileValue& v : s.values) {
      const QString name = QString::fromLatin1(v.name.data(), qsizetype(v.name.size()));
      if (unfit(name)) return QStringLiteral("the value name \"%1\" in key \"%2\"").arg(shown(name), shown(s.key));
    }
  }
  return QString();
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
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return readRegFile(buffer);
}

RegFileContent readRegFile(QIODevice& in) {
  RegFileContent result;
  auto fail = [&](int line, const QString& why) {
    result.sections.clear();
    result.error = why;
    result.line = line;
    return result;
  };
  QStringList lines;
  {
    QString error;
    int errorLine = 0;
    if (!LineReader(in).read(lines, error, errorLine)) return fail(errorLine, error);
  }

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
      if (const QString why = nameProblem(section.key); !why.isEmpty())
        return fail(lineNo, QStringLiteral("the key name ") + why);
      result.sections.push_back(std::move(section));
      continue;
    }
    if (result.sections.empty()) return fail(lineNo, QStringLiteral("a value line comes before any key"));
    RegFileValue value;
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (!line.startsWith(QLatin1Char('"')) || !readQuoted(line, pos, name)) {
      return fail(lineNo, QStringLiteral("a value line must begin with a quoted name or @"));
    }
    if (const QString why = nameProblem(name); !why.isEmpty())
      return fail(lineNo, QStringLiteral("the value name ") + why);
    value.name = toBytes(name);
    while (pos < line.size() && line[pos].isSpace()) ++pos;
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
      return fail(lineNo, QStringLiteral("a value name must be followed by ="));
    QString data = line.mid(pos + 1).trimmed();
    if (data == QLatin1String("-")) {
      value.remove = true;
    } else if (data.startsWith(QLatin1Char('"'))) {
      qsizetype end = 0;
      QString text;
      if (!readQuoted(data, end, text) || !data.mid(end).trimmed().isEmpty())
        return fail(lineNo, QStringLiteral("a string value is not closed by a quote"));
      value.type = 1;
      value.data = toBytes(text);
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
      uint32_t n32 = 0;
      if (!readHexNumber(data.mid(6).trimmed(), 8, n32))
        return fail(lineNo, QStringLiteral("a dword value needs 1 to 8 hex digits"));
      value.type = 4;
      value.data = {char(n32 & 0xFF), char((n32 >> 8) & 0xFF), char((n32 >> 16) & 0xFF), char(n32 >> 24)};
    } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
      const qsizetype colon = data.indexOf(QLatin1Char(':'));
      if (colon < 0) return fail(lineNo, QStringLiteral("a hex value lacks its colon"));
      const QString form = data.left(colon).toLower();
      if (form == QLatin1String("hex")) {
        value.type = 3;
      } else if (form.startsWith(QLatin1String("hex(")) && form.endsWith(QLatin1Char(')'))) {
        if (!readHexNumber(form.mid(4, form.size() - 5), 8, value.type))
          return fail(lineNo, QStringLiteral("hex(n) needs a hex type number"));
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
