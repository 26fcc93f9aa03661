#pragma once
// Rowcast.CRowcast as the host uses it: one instance holding the host's list,
// asked for files, printouts and its about box. Printouts go to a QPrinter of
// the host's own (its print dialog's choice, or a print preview's), bound
// through the library's RowcastBindPrinter for the length of one job.
#include <QPrinter>
#include <QString>
#include <memory>

#include "host/component_session.h"
#include "rowcast/front/enumerations.h"
#include "rowcast/list/list_model.h"

namespace host {

// What a print or export call came to: the library's status code and, after
// a 1, its LastErrorMsg; or a fault of the call itself.
struct OutputResult {
  int32_t code = 1;
  QString lastErrorMsg;
  core::Fault fault;
  int pages = 0;  // of a printout: the pages written or handed over

  bool succeeded() const { return !fault.isFault() && code == 0; }
  // Why it failed, for the user.
  QString reason() const;
};

class RowcastClient {
 public:
  // The file types of ExportListView, as the library publishes them.
  using ExportType = rowcast::printType;
  static constexpr ExportType eCSV = rowcast::eCSV;
  static constexpr ExportType eHtml = rowcast::eHtml;

  explicit RowcastClient(ComponentSession& session) : session_(session) {}

  // Creates the instance on first use and hands it `list` (lvwToPrint).
  core::Fault setList(std::shared_ptr<rowcast::ListModel> list);

  // ExportListView; `title` heads the HTML page (empty: the list's name).
  OutputResult exportList(ExportType type, const QString& fileName, const QString& title = {});
  // Tabulon on `printer`, in the orientation it is set to; the document is
  // ended (handed to the printer, or its PDF closed) before this returns.
  OutputResult printOn(QPrinter& printer, const QString& title);

  // The library's about box.
  core::Fault about();

 private:
  core::Fault ensureCreated();

  ComponentSession& session_;
  platform::CreatedObject rowcast_;
};

}  // namespace host
