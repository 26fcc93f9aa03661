#include "rowcast/export/ccsv.h"

#include "rowcast/export/column_limit.h"

namespace rowcast {

CCsv::CCsv(const QString& logFolder)
    : FileExport(logFolder, QStringLiteral("CCsv::Rowcast"), QStringLiteral("List View Not Defined"),
                 QStringLiteral("Rowcast.CCsv")) {}

void CCsv::write(OutputFile& file) {
  const ListModel& rows = list();
  const int items = rows.itemCount();
  QString scratch;
  for (int item = 0; item < items; ++item) {
    file.appendCsvCell(rows.itemTextView(item, scratch), true);
    const int subItems = checkedColumnCount(1 + int64_t(rows.subItemCount(item))) - 1;
    for (int sub = 0; sub < subItems; ++sub) file.appendCsvCell(rows.subItemTextView(item, sub, scratch), false);
    file.endLine();
  }
}

}  // namespace rowcast
