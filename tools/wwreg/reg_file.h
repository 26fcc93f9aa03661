#pragma once
// Registry export files (.reg): the header line, then one [KEY] section per
// key with its value lines ("name"="text", @=..., dword:, hex:, hex(n):).
// Sections and lines may also delete: [-KEY] and "name"=-.
//
// Names and data are registry bytes (ISO 8859-1 text). A string value is
// written as "text" only when its bytes hold no NUL, CR or LF; any other is
// written as hex(1): with its exact bytes, so a file read back gives the same
// bytes. hex(n): always carries the stored bytes as they are.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace wwreg {

inline constexpr char kRegFileHeader[] = "Windows Registry Editor Version 5.00";
// The longest line a file may have (a key path at the registry's limits is
// about 130 KB; longer string data is written as hex lines).
inline constexpr qsizetype kMaxLineBytes = 1 << 20;

struct RegFileValue {
  std::string name;     // empty: the default value, written @
  bool remove = false;  // "name"=-
  uint32_t type = 0;
  std::string data;
};

struct RegFileSection {
  QString key;          // full path, beginning with the root's name
  bool remove = false;  // [-KEY]
  std::vector<RegFileValue> values;
};

// One value line, e.g. "count"=dword:0000002a; long hex data continues on
// further lines ("\" at the end, two blanks at the start of the next).
QString formatValue(const RegFileValue& value);

// Why the sections cannot be written so that reading gives them back (empty
// when they can): a key or value name holding a CR, LF or NUL.
QString unwritableName(const std::vector<RegFileSection>& sections);

// The whole file: UTF-8 without byte-order mark, CRLF line ends.
QByteArray writeRegFile(const std::vector<RegFileSection>& sections);

struct RegFileContent {
  std::vector<RegFileSection> sections;
  QString error;  // empty when the file was read
  int line = 0;   // 1-based line of the error
};

// Reads UTF-8 (with or without byte-order mark) or UTF-16LE with its mark;
// a file with bytes that are not UTF-8 is read as ISO 8859-1 when it holds no
// UTF-8 multi-byte character, and refused at the first such line when it
// does. Line ends CRLF, LF or CR, lines at most kMaxLineBytes long. The first
// line must be the header. Lines are taken one at a time (a file is read
// twice, a sequential device gathered whole), so memory follows the keys and
// values held, not the lines. Names holding a NUL or characters outside ISO 8859-1
// are refused; in string data such characters become "?".
RegFileContent readRegFile(QIODevice& in);
RegFileContent readRegFile(const QByteArray& bytes);

}  // namespace wwreg
