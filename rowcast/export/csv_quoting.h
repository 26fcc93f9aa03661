#pragma once
// How the CSV export writes a cell: a comma before every cell of a row but
// the first, then the text between double quotes, each inner double quote
// doubled. Commas and line breaks need nothing more inside the quotes.
#include <QStringView>

#include "rowcast/output/output_file_text.h"

namespace rowcast {

struct CsvEscape {
  static constexpr size_t kMaxBytesPerUnit = 3;
  static bool special(char16_t c) { return c == u'"'; }
  static bool anySpecial(uint64_t x) { return anyUnitIs(x, u'"'); }
  static const char* replacement(char16_t) { return "\"\""; }
};

void appendCsvCell(OutputFile& file, QStringView text, bool first);

}  // namespace rowcast
