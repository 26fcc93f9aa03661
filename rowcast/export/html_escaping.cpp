#include "rowcast/export/html_escaping.h"

#include "rowcast/output/output_file_text.h"

namespace rowcast {

namespace {

// & (0x26) and " (0x22) differ in one bit, < (0x3C) and > (0x3E) in another:
// two tests cover the four characters.
struct HtmlEscape {
  static constexpr size_t kMaxBytesPerUnit = 6;  // "&quot;"
  static bool special(char16_t c) { return (c | 4) == 0x26 || (c | 2) == 0x3E; }
  static bool anySpecial(uint64_t x) {
    return anyUnitIs(x | 0x0004000400040004ull, 0x26) || anyUnitIs(x | 0x0002000200020002ull, 0x3E);
  }
  static const char* replacement(char16_t c) {
    switch (c) {
      case u'&': return "&amp;";
      case u'<': return "&lt;";
      case u'>': return "&gt;";
      default: return "&quot;";
    }
  }
};

}  // namespace

// Out of line for the reason appendCsvCell is (csv_quoting.cpp).
void appendHtmlEscaped(OutputFile& file, QStringView text) { file.appendEscaped<HtmlEscape>(text); }

}  // namespace rowcast
