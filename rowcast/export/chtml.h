#pragma once
// The HTML output: a page with the title, a heading and one bordered table,
// a header row of column titles and one row a list item. Each tag group and
// each cell is a line of its own ending in CR LF; texts from the list and the
// title are written with & < > " escaped; UTF-8.
#include "rowcast/export/file_export.h"

namespace rowcast {

class CHtml : public FileExport {
 public:
  explicit CHtml(const QString& logFolder = ErrorHandler::libraryFolder());

 protected:
  void prepare() override;
  void write(OutputFile& file) override;

 private:
  void writeHead(OutputFile& file) const;
  void writeHeaderRow(OutputFile& file) const;
  void writeItemRows(OutputFile& file) const;
};

}  // namespace rowcast
