#pragma once
// How the CSV export writes a cell: a comma before every cell of a row but
// the first, then the text between double quotes, each inner double quote
// doubled. Commas and line breaks need nothing more inside the quotes.
#include <QStringView>

#include "rowcast/output/output_file.h"

namespace rowcast {

void appendCsvCell(OutputFile& file, QStringView text, bool first);

}  // namespace rowcast
