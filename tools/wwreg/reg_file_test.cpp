#include "tools/wwreg/reg_file.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace wwreg {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

RegFileValue value(std::string name, uint32_t type, std::string data) {
  return RegFileValue{std::move(name), false, type, std::move(data)};
}

TEST(RegFileFormat, ValueLinesTakeTheShortestFaithfulForm) {
  EXPECT_EQ(formatValue(value("AppPath", 1, "C:\\jobs \"new\"")), R"("AppPath"="C:\\jobs \"new\"")");
  EXPECT_EQ(formatValue(value("", 1, "dflt")), R"(@="dflt")");
  EXPECT_EQ(formatValue(value("a\"b\\c", 1, "")), R"("a\"b\\c"="")");
  EXPECT_EQ(formatValue(value("n", 4, "\x2a\0\0\x80"s)), R"("n"=dword:8000002a)");
  EXPECT_EQ(formatValue(value("b", 3, "\x01\x02\xff")), R"("b"=hex:01,02,ff)");
  EXPECT_EQ(formatValue(value("e", 3, "")), R"("e"=hex:)");
  EXPECT_EQ(formatValue(value("q", 11, "\x01\0\0\0\0\0\0\0"s)), R"("q"=hex(b):01,00,00,00,00,00,00,00)");
  // Strings a quoted literal cannot carry, and dwords of another size.
  EXPECT_EQ(formatValue(value("z", 1, "ab\0"s)), R"("z"=hex(1):61,62,00)");
  EXPECT_EQ(formatValue(value("l", 1, "a\r\nb")), R"("l"=hex(1):61,0d,0a,62)");
  EXPECT_EQ(formatValue(value("s", 4, "\x01\x02")), R"("s"=hex(4):01,02)");
  RegFileValue gone = value("old", 0, "");
  gone.remove = true;
  EXPECT_EQ(formatValue(gone), R"("old"=-)");
  // Latin-1 bytes become their characters.
  EXPECT_EQ(formatValue(value("\xe9t\xe9", 1, "\xbd")), QStringLiteral("\"\u00e9t\u00e9\"=\"\u00bd\""));
}

TEST(RegFileFormat, LongHexDataWrapsWithinEightyColumns) {
  const std::string data(100, '\x5a');
  const QString text = formatValue(value("Blob", 3, data));
  const QStringList lines = text.split(QStringLiteral("\r\n"));
  ASSERT_GT(lines.size(), 2);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 80) << lines[i].toStdString();
    if (i + 1 < lines.size()) {
      EXPECT_TRUE(lines[i].endsWith(QStringLiteral(",\\")));
    }
    if (i > 0) {
      EXPECT_TRUE(lines[i].startsWith(QStringLiteral("  5a")));
    }
  }
  const QByteArray file = QByteArray(kRegFileHeader) + "\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n" + text.toUtf8() + "\r\n";
  const RegFileContent back = readRegFile(file);
  ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
  EXPECT_EQ(back.sections.at(0).values.at(0).data, data);
}

TEST(RegFileFormat, WrittenFilesReadBackByteForByte) {
  std::string every;
  for (int i = 0; i < 256; ++i) every.push_back(char(i));
  std::vector<RegFileSection> sections(2);
  sections[0].key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Caf\u00e9");
  sections[0].values = {value("", 1, "default"), value("quote\"back\\", 1, "\"\\\t\x7f\xff"),
                        value("every", 3, every), value("every as text", 1, every),
                        value("count", 4, "\xff\xff\xff\xff"), value("odd type", 0x20000, "x"),
                        value("empty", 1, "")};
  sections[1].key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Caf\u00e9\\Sub");
  sections[1].remove = true;

  const QByteArray file = writeRegFile(sections);
  EXPECT_TRUE(file.startsWith(QByteArray(kRegFileHeader) + "\r\n\r\n["));
  EXPECT_FALSE(file.contains("\n\n")) << "every line ends in CRLF";
  EXPECT_TRUE(file.contains("Caf\xc3\xa9")) << "UTF-8";

  const RegFileContent back = readRegFile(file);
  ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
  ASSERT_EQ(back.sections.size(), 2u);
  EXPECT_EQ(back.sections[0].key, sections[0].key);
  ASSERT_EQ(back.sections[0].values.size(), sections[0].values.size());
  for (size_t i = 0; i < sections[0].values.size(); ++i) {
    const RegFileValue& want = sections[0].values[i];
    const RegFileValue& got = back.sections[0].values[i];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.type, want.type) << want.name;
    EXPECT_EQ(got.data, want.data) << want.name;
  }
  EXPECT_TRUE(back.sections[1].remove);
  EXPECT_EQ(back.sections[1].key, sections[1].key);
}

TEST(RegFileRead, AcceptsOtherEncodingsLineEndsAndDeletions) {
  const QString text = QStringLiteral(
      "Windows Registry Editor Version 5.00\n"
      "; a comment\n"
      "\n"
      "[-HKEY_CURRENT_USER\\Old]\n"
      "[HKEY_CURRENT_USER\\New]\r"
      "\"gone\"=-\r"
      "\"m\u00fc\" = \"x\"\n"
      "\"bin\"=hex:01, 02,\\\n"
      "   03\n"
      "\"num\"=DWORD:1f\n");
  const RegFileContent utf8 = readRegFile(text.toUtf8());
  ASSERT_TRUE(utf8.error.isEmpty()) << utf8.error.toStdString();

  QByteArray utf16("\xff\xfe");
  for (QChar c : text) {
    utf16.push_back(char(c.unicode() & 0xff));
    utf16.push_back(char(c.unicode() >> 8));
  }
  const RegFileContent fromUtf16 = readRegFile(utf16);
  const RegFileContent withBom = readRegFile("\xef\xbb\xbf" + text.toUtf8());
  // Bytes that are not UTF-8 and no UTF-8 character anywhere: code page 1252
  // (identical to ISO 8859-1 for these characters).
  const RegFileContent latin1 = readRegFile(text.toLatin1());

  for (const RegFileContent* c : {&utf8, &fromUtf16, &withBom, &latin1}) {
    ASSERT_TRUE(c->error.isEmpty()) << c->error.toStdString();
    ASSERT_EQ(c->sections.size(), 2u);
    EXPECT_TRUE(c->sections[0].remove);
    EXPECT_EQ(c->sections[0].key, QStringLiteral("HKEY_CURRENT_USER\\Old"));
    const auto& v = c->sections[1].values;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_TRUE(v[0].remove);
    EXPECT_EQ(v[1].name, "m\xfc");
    EXPECT_EQ(v[1].data, "x");
    EXPECT_EQ(v[2].data, "\x01\x02\x03");
    EXPECT_EQ(v[3].type, 4u);
    EXPECT_EQ(v[3].data, "\x1f\0\0\0"s);
  }
}

TEST(RegFileRead, RefusesMalformedFilesNamingTheLine) {
  const struct {
    std::string_view text;
    int line;
  } cases[] = {
      {"", 1},
      {"Some other file\n[HKEY_CURRENT_USER\\x]\n", 1},
      {"Windows Registry Editor Version 5.00\n\"a\"=\"b\"\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x\n", 2},
      {"Windows Registry Editor Version 5.00\n[]\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"unclosed\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"unclosed", 3},  // no line end
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"b\" trailing\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\nname=\"b\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"\"b\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=dword:123456789\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=dword:xyz\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex:1g\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex:123\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex(z):00\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex:01,\\", 3},  // ends inside the value
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=text\n", 3},
      // Numbers are bare hex digits: no sign, no 0x.
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=dword:+1\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=dword:0x10\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex:+1\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=hex(+1):00\n", 3},
      // Names that no registry name can be: a NUL, characters outside code page 1252.
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\0b\"=\"v\"\n"sv, 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x\0y]\n"sv, 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"\xce\xa9\"=\"v\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\\xe2\x82\xad]\n", 2},  // U+20AD, no euro
      // A byte that is not UTF-8 in a file that holds UTF-8 elsewhere, before or after it.
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"\xc3\xa9\"\n\"b\"=\"\xe9\"\n", 4},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"\xff\"\n\"b\"=\"\xc3\xa9\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"\xc3\xa9\xc3\"\n", 3},
      // Encoded surrogates and overlong forms are not UTF-8 either.
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"\xc3\xa9\xed\xa0\x80\"\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"\xc3\xa9\xc0\xaf\"\n", 3},
  };
  for (const auto& c : cases) {
    const RegFileContent r = readRegFile(QByteArray(c.text.data(), qsizetype(c.text.size())));
    EXPECT_FALSE(r.error.isEmpty()) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_TRUE(r.sections.empty()) << c.text;
  }
}

TEST(RegFileRead, RefusesALineLongerThanTheBound) {
  QByteArray text = QByteArray(kRegFileHeader) + "\n[HKEY_CURRENT_USER\\x]\n\"a\"=\"";
  const QByteArray longData(kMaxLineBytes, 'x');
  const RegFileContent fits = readRegFile(text + longData.left(kMaxLineBytes - 8) + "\"\n");
  EXPECT_TRUE(fits.error.isEmpty()) << fits.error.toStdString();
  const RegFileContent tooLong = readRegFile(text + longData + "\"\n");
  EXPECT_EQ(tooLong.error, QStringLiteral("the line is longer than %1 bytes").arg(kMaxLineBytes));
  EXPECT_EQ(tooLong.line, 3);
}

}  // namespace
}  // namespace wwreg
