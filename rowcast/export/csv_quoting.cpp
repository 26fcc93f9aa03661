#include "rowcast/export/csv_quoting.h"

#include "rowcast/output/output_file_text.h"

namespace rowcast {

namespace {

struct CsvEscape {
  static constexpr size_t kMaxBytesPerUnit = 3;
  static bool special(char16_t c) { return c == u'"'; }
  static bool anySpecial(uint64_t x) { return anyUnitIs(x, u'"'); }
  static const char* replacement(char16_t) { return "\"\""; }
};

}  // namespace

// Out of line, and the rule in an unnamed namespace, so that the converter
// is compiled for this one use (and specialised for it), not into each
// writer's loop: inline there, the export measured a quarter slower.
void appendCsvCell(OutputFile& file, QStringView text, bool first) {
  file.appendEscaped<CsvEscape>(text, first ? "\"" : ",\"", "\"");
}

}  // namespace rowcast
