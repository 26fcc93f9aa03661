#pragma once
// Registry export files (.reg): the header line, then one [KEY] section per
// key with its value lines ("name"="text", @=..., dword:, hex:, hex(n):).
// Sections and lines may also delete: [-KEY] and "name"=-.
//
// Names and data are registry bytes (code page 1252 text). A string value is
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
// The older header, of files whose string data is single-byte throughout.
inline constexpr char kOldRegFileHeader[] = "REGEDIT4";

// How a file is written: Text is UTF-8 and carries every value's bytes as
// they are; Platform is what the platform's registry editor writes, UTF-16LE
// with its byte-order mark, where the string types' hex data (hex(1),
// hex(2), hex(7)) is UTF-16LE too.
enum class RegFileForm { Text, Platform };
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
QString formatValue(const RegFileValue& value, RegFileForm form = RegFileForm::Text);

// Why the sections cannot be written so that reading gives them back (empty
// when they can): a key or value name holding a CR, LF or NUL.
QString unwritableName(const std::vector<RegFileSection>& sections);

// The whole file, CRLF line ends: UTF-8 without byte-order mark (Text), or
// UTF-16LE with it (Platform).
QByteArray writeRegFile(const std::vector<RegFileSection>& sections, RegFileForm form = RegFileForm::Text);

struct RegFileContent {
  std::vector<RegFileSection> sections;
  QString error;  // empty when the file was read
  int line = 0;   // 1-based line of the error
};

// Reads UTF-8 (with or without byte-order mark) or UTF-16LE with its mark
// (a UTF-16LE file with the version 5 header is the Platform form: its
// string types' hex data is read back into single bytes, a character outside
// code page 1252 becoming "?"); the header may also be the older one;
// a file with bytes that are not UTF-8 is read as code page 1252 (the text
// of the platform's single-byte files) when it holds no
// UTF-8 multi-byte character, and refused at the first such line when it
// does. Line ends CRLF, LF or CR, lines at most kMaxLineBytes long. The first
// line must be the header. Lines are taken one at a time (a file is read
// twice, a sequential device gathered whole), so memory follows the keys and
// values held, not the lines. Names holding a NUL or characters outside code
// page 1252 are refused; in string data such characters become "?".
RegFileContent readRegFile(QIODevice& in);
RegFileContent readRegFile(const QByteArray& bytes);

}  // namespace wwreg
