#pragma once
// The CSV output: one line a list item, every cell between double quotes
// (inner quotes doubled), cells joined by commas, CR LF line ends, UTF-8.
// No header line; each row has as many fields as the item has cells.
#include "rowcast/export/file_export.h"

namespace rowcast {

class CCsv : public FileExport {
 public:
  explicit CCsv(const QString& logFolder = ErrorHandler::libraryFolder());

 protected:
  void write(OutputFile& file) override;
};

}  // namespace rowcast
