#include "tools/wwreg/reg_file.h"

#include <QBuffer>
#include <QStringList>
#include <functional>

#include "core/code_page.h"
#include "platform/registry/registry_client.h"

namespace wwreg {
namespace {

constexpr qsizetype kLineLimit = 80;
// Longer string data is written as hex(1): lines then stay far below
// kMaxLineBytes whatever the data holds.
constexpr size_t kMaxQuotedData = size_t{256} * 1024;

QString quoted(const std::string& bytes) {
  QString out = QStringLiteral("\"");
  for (QChar c : platform::reg::textFromData(bytes)) {
    if (c == u'\\')
      out += QStringLiteral("\\\\");
    else if (c == u'"')
      out += QStringLiteral("\\\"");
    else
      out += c;
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

// In data, characters without a byte in code page 1252 become '?'.
std::string toBytes(const QString& text) { return platform::reg::dataFromText(text); }

// Splits a device's bytes into lines at CRLF, LF or CR, each at most
// kMaxLineBytes long, and hands them out one at a time: only the line being
// split is held. UTF-16LE lines stay byte pairs for the caller to decode.
class LineSplitter {
 public:
  // `take` gets each line with its 1-based number; false from it stops.
  using Take = std::function<bool(const QByteArray& line, int number)>;

  LineSplitter(QIODevice& in, bool utf16) : in_(in), utf16_(utf16) {}

  // False with `error` and `errorLine` set when a line is too long or the
  // device fails; true when the device ended or `take` stopped.
  bool run(const Take& take, QString& error, int& errorLine) {
    take_ = &take;
    char chunk[64 * 1024];
    for (;;) {
      const qint64 n = in_.read(chunk, sizeof chunk);
      if (n < 0) {
        error = QStringLiteral("the file cannot be read");
        errorLine = number_;
        return false;
      }
      if (n == 0) break;
      if (!split(chunk, n)) {
        if (stopped_) return true;
        error = QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineBytes);
        errorLine = number_;
        return false;
      }
    }
    if (!odd_.isEmpty()) current_ += odd_;
    hand();
    return true;
  }

 private:
  bool split(const char* data, qint64 n) {
    if (utf16_) {
      const QByteArray bytes = odd_ + QByteArray(data, n);
      const qsizetype even = bytes.size() & ~qsizetype(1);
      for (qsizetype i = 0; i < even; i += 2) {
        const char16_t c = char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8));
        if (lineEnd(c)) {
          if (stopped_) return false;
        } else if (!append(bytes.constData() + i, 2)) {
          return false;
        }
      }
      odd_ = bytes.mid(even);
      return true;
    }
    qint64 start = 0;
    for (qint64 i = 0; i < n; ++i) {
      if (data[i] != '\r' && data[i] != '\n') continue;
      if (!append(data + start, i - start)) return false;
      lineEnd(char16_t(data[i]));
      if (stopped_) return false;
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
    hand();
    current_.clear();
    return true;
  }

  // Gives the current line to the caller; false once the caller stopped.
  bool hand() {
    if (!(*take_)(current_, number_)) stopped_ = true;
    ++number_;
    return !stopped_;
  }

  bool append(const char* bytes, qint64 n) {
    if (n == 0) return true;
    afterCr_ = false;
    current_.append(bytes, n);
    return current_.size() <= kMaxLineBytes;
  }

  QIODevice& in_;
  const bool utf16_;
  const Take* take_ = nullptr;
  bool afterCr_ = false;
  bool stopped_ = false;
  int number_ = 1;
  QByteArray odd_;  // a UTF-16 unit's first byte at the end of a chunk
  QByteArray current_;
};

// The length of the well-formed sequence at `i`, or 0 (overlong forms,
// surrogates and code points past U+10FFFF are not well-formed).
int utf8SequenceLength(const QByteArray& s, qsizetype i) {
  struct Lead {
    uchar first, last;          // the lead bytes of this row
    int length;                 // of the sequence
    uchar secondLow, secondHigh;  // the bounds of its second byte
  };
  static constexpr Lead kLeads[] = {
      {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
      {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
      {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
  };
  const uchar lead = uchar(s[i]);
  for (const Lead& row : kLeads) {
    if (lead < row.first || lead > row.last) continue;
    if (i + row.length > s.size()) return 0;
    for (int k = 1; k < row.length; ++k) {
      const uchar c = uchar(s[i + k]);
      if (c < (k == 1 ? row.secondLow : 0x80) || c > (k == 1 ? row.secondHigh : 0xBF)) return 0;
    }
    return row.length;
  }
  return 0;
}

// What a first reading finds: the first line that is not UTF-8 (0 when
// none), and whether any line holds a well-formed multi-byte sequence.
struct Utf8Survey {
  int firstInvalidLine = 0;
  bool multiByte = false;

  void add(const QByteArray& line, int number) {
    for (qsizetype i = 0; i < line.size();) {
      if (uchar(line[i]) < 0x80) {
        ++i;
      } else if (const int length = utf8SequenceLength(line, i); length > 0) {
        multiByte = true;
        i += length;
      } else {
        if (firstInvalidLine == 0) firstInvalidLine = number;
        ++i;
      }
    }
  }
};

enum class Encoding { Utf8, CodePage1252, Utf16 };

QString decodeLine(const QByteArray& line, Encoding encoding) {
  if (encoding == Encoding::Utf8) return QString::fromUtf8(line);
  if (encoding == Encoding::CodePage1252) return core::fromCodePage1252(std::string_view(line.constData(), size_t(line.size())));
  QString text(line.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i + 1 < line.size(); i += 2)
    text[i / 2] = QChar(char16_t(uchar(line[i]) | (uchar(line[i + 1]) << 8)));
  return text;
}

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
// or a character outside code page 1252 (which would become "?" and so name
// another key or value).
QString nameProblem(const QString& name) {
  for (QChar c : name) {
    if (c.unicode() == 0) return QStringLiteral("holds a NUL character");
    if (core::codePage1252Byte(c.unicode()) < 0) return QStringLiteral("holds characters outside code page 1252");
  }
  return QString();
}

// 1 to `maxDigits` hex digits and nothing else (no sign, no 0x).
bool readHexNumber(QStringView text, qsizetype maxDigits, uint32_t& out) {
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

// Comma-separated bytes; the last item may be empty (nothing, or a trailing
// comma). Walks the list in place: a long value is not split into items.
bool readHexBytes(QStringView list, std::string& out) {
  out.clear();
  out.reserve(size_t(list.size() / 3 + 1));
  for (qsizetype start = 0;;) {
    const qsizetype comma = list.indexOf(u',', start);
    const QStringView item = list.mid(start, comma < 0 ? -1 : comma - start).trimmed();
    if (comma < 0 && item.isEmpty()) return true;
    uint32_t byte = 0;
    if (!readHexNumber(item, 2, byte)) return false;
    out.push_back(static_cast<char>(byte));
    if (comma < 0) return true;
    start = comma + 1;
  }
}

bool isStringType(uint32_t type) { return type == 1 || type == 2 || type == 7; }

// The Platform form's string data: single bytes to UTF-16LE and back.
std::string wideFromBytes(const std::string& bytes) {
  std::string wide;
  wide.reserve(bytes.size() * 2);
  for (QChar c : platform::reg::textFromData(bytes)) {
    wide.push_back(char(c.unicode() & 0xFF));
    wide.push_back(char(c.unicode() >> 8));
  }
  return wide;
}

bool bytesFromWide(const std::string& wide, std::string& bytes) {
  if (wide.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < wide.size(); i += 2) {
    const char16_t unit = char16_t(uchar(wide[i]) | (uchar(wide[i + 1]) << 8));
    const int byte = core::codePage1252Byte(unit);
    bytes.push_back(byte < 0 ? '?' : char(byte));
  }
  return true;
}

// Turns a file's lines, given one at a time, into its sections; a hex value
// whose line ends in a backslash waits for its next lines.
class SectionParser {
 public:
  // A UTF-16LE file: with the version 5 header it is the Platform form.
  explicit SectionParser(bool utf16 = false) : utf16_(utf16) {}

  // False once the file is refused (see content()).
  bool line(const QString& text, int lineNo) {
    if (pendingHex_) return continueHex(text);
    const QString line = text.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) return true;
    if (!headerSeen_) {
      if (line != QLatin1String(kRegFileHeader) && line != QLatin1String(kOldRegFileHeader))
        return fail(lineNo, QStringLiteral("the file does not begin with the registry file header"));
      headerSeen_ = true;
      wideStrings_ = utf16_ && line == QLatin1String(kRegFileHeader);
      return true;
    }
    if (line.startsWith(QLatin1Char('['))) return section(line, lineNo);
    return valueLine(line, lineNo);
  }

  // The sections once every line was given, or the first refusal.
  RegFileContent finish() {
    if (!result_.error.isEmpty()) return std::move(result_);
    if (pendingHex_) fail(pendingLine_, QStringLiteral("the file ends inside a hex value"));
    else if (!headerSeen_) fail(1, QStringLiteral("the file is empty"));
    return std::move(result_);
  }

  bool fail(int lineNo, const QString& why) {
    result_.sections.clear();
    result_.error = why;
    result_.line = lineNo;
    return false;
  }

 private:
  bool section(const QString& line, int lineNo) {
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
    result_.sections.push_back(std::move(section));
    return true;
  }

  bool valueLine(const QString& line, int lineNo) {
    if (result_.sections.empty()) return fail(lineNo, QStringLiteral("a value line comes before any key"));
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
    const QString data = line.mid(pos + 1).trimmed();
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) return hexValue(std::move(value), data, lineNo);
    if (!plainValue(value, data, lineNo)) return false;
    result_.sections.back().values.push_back(std::move(value));
    return true;
  }

  // "-", "text" or dword:.
  bool plainValue(RegFileValue& value, const QString& data, int lineNo) {
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
      if (!readHexNumber(QStringView(data).mid(6).trimmed(), 8, n32))
        return fail(lineNo, QStringLiteral("a dword value needs 1 to 8 hex digits"));
      value.type = 4;
      value.data = {char(n32 & 0xFF), char((n32 >> 8) & 0xFF), char((n32 >> 16) & 0xFF), char(n32 >> 24)};
    } else {
      return fail(lineNo, QStringLiteral("unknown value form"));
    }
    return true;
  }

  bool hexValue(RegFileValue value, const QString& data, int lineNo) {
    const qsizetype colon = data.indexOf(QLatin1Char(':'));
    if (colon < 0) return fail(lineNo, QStringLiteral("a hex value lacks its colon"));
    const QString form = data.left(colon).toLower();
    if (form == QLatin1String("hex")) {
      value.type = 3;
    } else if (form.startsWith(QLatin1String("hex(")) && form.endsWith(QLatin1Char(')'))) {
      if (!readHexNumber(QStringView(form).mid(4, form.size() - 5), 8, value.type))
        return fail(lineNo, QStringLiteral("hex(n) needs a hex type number"));
    } else {
      return fail(lineNo, QStringLiteral("unknown value form"));
    }
    pendingValue_ = std::move(value);
    pendingList_ = data.mid(colon + 1).trimmed();
    pendingLine_ = lineNo;
    return endHex();
  }

  bool continueHex(const QString& text) {
    pendingList_ += text.trimmed();
    return endHex();
  }

  // Waits for the next line while the list ends in a backslash, else takes the value.
  bool endHex() {
    pendingHex_ = pendingList_.endsWith(QLatin1Char('\\'));
    if (pendingHex_) {
      pendingList_.chop(1);
      return true;
    }
    const bool read = readHexBytes(pendingList_, pendingValue_.data);
    pendingList_.clear();
    if (!read) return fail(pendingLine_, QStringLiteral("bad hex bytes"));
    if (wideStrings_ && isStringType(pendingValue_.type)) {
      std::string bytes;
      if (!bytesFromWide(pendingValue_.data, bytes))
        return fail(pendingLine_, QStringLiteral("string data in a UTF-16 file must be whole UTF-16 units"));
      pendingValue_.data = std::move(bytes);
    }
    result_.sections.back().values.push_back(std::move(pendingValue_));
    return true;
  }

  RegFileContent result_;
  const bool utf16_;
  bool wideStrings_ = false;
  bool headerSeen_ = false;
  bool pendingHex_ = false;
  RegFileValue pendingValue_;
  QString pendingList_;
  int pendingLine_ = 0;
};

}  // namespace

QString formatValue(const RegFileValue& value, RegFileForm form) {
  const bool wide = form == RegFileForm::Platform && isStringType(value.type) && !value.remove &&
                    !(value.type == 1 && fitsInQuotes(value.data));
  RegFileValue wideValue;
  if (wide) wideValue = RegFileValue{value.name, false, value.type, wideFromBytes(value.data)};
  const RegFileValue& v = wide ? wideValue : value;
  QString line = (v.name.empty() ? QStringLiteral("@") : quoted(v.name)) + QLatin1Char('=');
  if (v.remove) return line + QLatin1Char('-');
  if (v.type == 1 && !wide && fitsInQuotes(v.data)) return line + quoted(v.data);
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
      const QString name = platform::reg::textFromData(v.name);
      if (unfit(name)) return QStringLiteral("the value name \"%1\" in key \"%2\"").arg(shown(name), shown(s.key));
    }
  }
  return QString();
}

QByteArray writeRegFile(const std::vector<RegFileSection>& sections, RegFileForm form) {
  QString text = QLatin1String(kRegFileHeader) + QStringLiteral("\r\n\r\n");
  for (const RegFileSection& s : sections) {
    text += QLatin1Char('[') + (s.remove ? QStringLiteral("-") : QString()) + s.key + QStringLiteral("]\r\n");
    for (const RegFileValue& v : s.values) text += formatValue(v, form) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n");
  }
  if (form == RegFileForm::Text) return text.toUtf8();
  QByteArray utf16("\xFF\xFE", 2);
  utf16.reserve(2 + text.size() * 2);
  for (QChar c : text) {
    utf16.append(char(c.unicode() & 0xFF));
    utf16.append(char(c.unicode() >> 8));
  }
  return utf16;
}

RegFileContent readRegFile(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return readRegFile(buffer);
}

RegFileContent readRegFile(QIODevice& in) {
  // The encoding is known only once every line was seen, so a file is read
  // twice; a pipe's bytes are gathered first.
  if (in.isSequential()) return readRegFile(in.readAll());
  const QByteArray head = in.peek(3);
  Encoding encoding = head.startsWith("\xFF\xFE") ? Encoding::Utf16 : Encoding::Utf8;
  if (encoding == Encoding::Utf16) in.skip(2);
  else if (head.startsWith("\xEF\xBB\xBF")) in.skip(3);
  const qint64 start = in.pos();
  SectionParser parser(encoding == Encoding::Utf16);
  QString error;
  int errorLine = 0;
  if (encoding == Encoding::Utf8) {
    Utf8Survey survey;
    const LineSplitter::Take look = [&](const QByteArray& line, int number) {
      survey.add(line, number);
      return true;
    };
    if (!LineSplitter(in, false).run(look, error, errorLine)) {
      parser.fail(errorLine, error);
      return parser.finish();
    }
    // Bytes that are not UTF-8 in a file that is UTF-8 elsewhere are damage,
    // not another encoding.
    if (survey.firstInvalidLine > 0 && survey.multiByte) {
      parser.fail(survey.firstInvalidLine,
                  QStringLiteral("the line is not valid UTF-8, though the file holds UTF-8 characters elsewhere"));
      return parser.finish();
    }
    if (survey.firstInvalidLine > 0) encoding = Encoding::CodePage1252;
    if (!in.seek(start)) {
      parser.fail(1, QStringLiteral("the file cannot be read"));
      return parser.finish();
    }
  }
  const LineSplitter::Take take = [&](const QByteArray& line, int number) {
    return parser.line(decodeLine(line, encoding), number);
  };
  if (!LineSplitter(in, encoding == Encoding::Utf16).run(take, error, errorLine)) parser.fail(errorLine, error);
  return parser.finish();
}

}  // namespace wwreg
