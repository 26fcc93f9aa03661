#pragma once
// The printer output: prints the list with the largest font size (up to the
// requested one) at which its table fits the page width, offering to turn a
// portrait page when nothing fits, then the title, the header line on every
// page, the rows, the grand totals and the profile name. Once the list is
// there, failing steps are skipped rather than reported (continue_on_error.h);
// Rowcast() refuses only a missing list, a table too wide for either
// orientation, a list that cannot be read and a printer that cannot open its
// document (both logged, with the reason in LastErrorMsg), and a job the user cancels from its progress
// window ("Printing cancelled": its document is thrown away). The document
// is left open: the host ends it.
#include <QLocale>

#include "core/regional_format.h"
#include "platform/printer/printer.h"
#include "platform/ui/ui.h"
#include "rowcast/output/cprint.h"
#include "rowcast/output/error_handler.h"

namespace rowcast {

class ColumnFitter;
class PrintProgress;

class CPrinter : public CPrint {
 public:
  // Prints on `printer` and asks its questions through `ui`; the error log in
  // `logFolder` takes only an unreadable list and a refused document.
  explicit CPrinter(const QString& logFolder = ErrorHandler::libraryFolder(),
                    platform::Printer& printer = platform::printer(), platform::Ui& ui = platform::ui());
  ~CPrinter() override;

  void setLvwToPrint(std::shared_ptr<ListModel> list) override { list_ = std::move(list); }
  QString LastErrorMsg() const override { return lastErrorMsg_; }
  // Printed at the foot as the profile name.
  void setFileName(const QString& fileName) override { fileName_ = fileName; }
  void setFontSize(int16_t points) override { fontSize_ = points; }
  void setTitle(const QString& title) override { title_ = title; }
  void setFontName(const QString& fontName) override { fontName_ = fontName; }
  void setOrientation(int16_t orientation) override { orientation_ = orientation; }
  bool Rowcast() override;

  // Totals and dates follow this locale; the user's unless a test sets one.
  // C or POSIX stands for en_US (core::regionalLocale).
  void setLocale(const QLocale& locale) { locale_ = core::regionalLocale(locale); }

 private:
  // The rotate question and what follows it; false when the table does not
  // fit even on a turned page.
  bool offerToTurnPage(ColumnFitter& fitter, PrintProgress& progress);
  // Throws the document away; always false.
  bool cancel();
  // False, logged and with the message set, when the printer refuses.
  bool startDocument();
  // Logs `fault` and refuses the job with its description.
  bool refuse(const core::Fault& fault);

  platform::Printer& printer_;
  platform::Ui& ui_;
  ErrorHandler errorHandler_;
  std::shared_ptr<ListModel> list_;
  QString title_;
  int16_t orientation_ = 0;
  QString fontName_;
  int16_t fontSize_ = 0;
  QString fileName_;
  QString lastErrorMsg_;
  QLocale locale_ = core::regionalLocale();
};

}  // namespace rowcast

// Ends the document that Rowcast printed on the process's printer, for hosts
// that load the library at run time (dlsym "RowcastEndDocument"). Returns 0,
// or 1 when the document could not be written (logged in the library's
// folder; its partial file is gone).
extern "C" __attribute__((visibility("default"))) int32_t RowcastEndDocument();
// Why the last RowcastEndDocument returned 1 (UTF-8; empty after a 0), for
// the host to show. Valid until the next RowcastEndDocument.
extern "C" __attribute__((visibility("default"))) const char* RowcastEndDocumentMessage();
// The pages the last RowcastEndDocument wrote or handed over (chosen pages,
// copies not counted); 0 after a 1 or when no document was open.
extern "C" __attribute__((visibility("default"))) int32_t RowcastEndDocumentPages();
