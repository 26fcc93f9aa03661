#include "rowcast/export/ccsv.h"

#include "rowcast/export/csv_quoting.h"

namespace rowcast {

CCsv::CCsv(const QString& logFolder)
    : FileExport(logFolder, QStringLiteral("CCsv::Rowcast"), QStringLiteral("List View Not Defined"),
                 QStringLiteral("Rowcast.CCsv")) {}

// Rows are written cell by cell, however many cells a row holds: no column
// counter limits them.
void CCsv::write(OutputFile& file) {
  const ListModel& rows = list();
  const int items = rows.itemCount();
  QString scratch;
  for (int item = 0; item < items; ++item) {
    appendCsvCell(file, rows.itemTextView(item, scratch), true);
    const int subItems = rows.subItemCount(item);
    for (int sub = 0; sub < subItems; ++sub) appendCsvCell(file, rows.subItemTextView(item, sub, scratch), false);
    file.endLine();
  }
}

}  // namespace rowcast
