#include "rowcast/printer/cprinter.h"

#include <string>

#include "core/fault.h"
#include "rowcast/printer/column_fitter.h"
#include "rowcast/printer/continue_on_error.h"
#include "rowcast/printer/page_renderer.h"
#include "rowcast/printer/print_progress.h"

namespace rowcast {

namespace {

// A printout whose hand-over fails when the process or the library ends is
// logged as RowcastEndDocument logs one.
void logUnclaimedDocumentFault(const core::Fault& fault) {
  ErrorHandler().handleErrorQuietly(fault, QStringLiteral("RowcastEndDocument"), QString());
}

}  // namespace

CPrinter::CPrinter(const QString& logFolder, platform::Printer& printer, platform::Ui& ui)
    : printer_(printer), ui_(ui), errorHandler_(logFolder) {
  platform::setUnclaimedDocumentFaultHandler(&logUnclaimedDocumentFault);
}

CPrinter::~CPrinter() = default;

bool CPrinter::Rowcast() {
  if (!list_) {
    lastErrorMsg_ = QStringLiteral("List View Not Defined");
    return false;
  }
  attempt([&] { printer_.setFontName(fontName_); });
  attempt([&] { printer_.setOrientation(orientation_); });
  attempt([&] {
    if (title_.isEmpty()) title_ = list_->name() + QStringLiteral(" Output");
  });

  PrintProgress progress(ui_);
  ColumnFitter fitter(*list_, printer_, locale_);
  // A list that cannot be read is the job's own fault, not a table too wide:
  // it refuses the job with its reason before any size is tried.
  try {
    fitter.readList([&] { return progress.keepAlive(); });
  } catch (...) {
    return refuse(core::faultInFlight(QStringLiteral("Rowcast")));
  }
  if (progress.cancelled()) return cancel();
  bool fits = false;
  attempt([&] { fits = fitter.fitToPage(fontSize_, [&](int16_t size) { return progress.tryingSize(size); }); });
  if (progress.cancelled()) return cancel();
  bool portrait = false;
  attempt([&] { portrait = printer_.orientation() == platform::kPortrait; });
  if (portrait && !fits && !offerToTurnPage(fitter, progress)) return progress.cancelled() ? cancel() : false;

  // Only a table that fit the page as asked gets the spare width. A list
  // without columns has none to share (the division fails and is skipped);
  // it still prints its title, an empty header line, the totals and the
  // profile line.
  if (fits) attempt([&] { fitter.spreadSpareWidth(); });
  // A requested size below 5 measured nothing; print at 5 points rather
  // than leave the columns without places.
  if (!fitter.hasMeasured()) attempt([&] { fitter.measureColumns(ColumnFitter::kSmallestSize); });

  if (!startDocument()) return false;
  PageRenderer(*list_, printer_, fitter.columnWidths(), locale_, &progress).render(title_, fileName_);
  return progress.cancelled() ? cancel() : true;
}

bool CPrinter::cancel() {
  attempt([&] { printer_.abortDocument(); });
  lastErrorMsg_ = QStringLiteral("Printing cancelled");
  return false;
}

// Once the layout is settled, the printer opens where the document goes; a
// target it cannot write refuses the whole job here, before any line is lost.
bool CPrinter::startDocument() {
  try {
    printer_.beginDocument();
    return true;
  } catch (const core::FaultError& e) {
    return refuse(e.fault());
  }
}

bool CPrinter::refuse(const core::Fault& fault) {
  errorHandler_.handleErrorQuietly(fault, QStringLiteral("CPrinter::Rowcast"), QString());
  lastErrorMsg_ = fault.description;
  return false;
}

bool CPrinter::offerToTurnPage(ColumnFitter& fitter, PrintProgress& progress) {
  platform::MessageBoxRequest question;
  question.text = QStringLiteral(
      "The output that you have defined is currently wider than the page.  Would you like to rotate the output?");
  question.title = QStringLiteral("Output to Wide");
  question.buttons = platform::MsgButtons::YesNo;
  question.icon = platform::MsgIcon::Question;
  if (ui_.messageBox(question) != platform::MsgAnswer::Yes) return true;  // print as it is, at 5 points

  attempt([&] { printer_.setOrientation(platform::kLandscape); });
  bool fits = false;
  attempt([&] { fits = fitter.fitToPage(fontSize_, [&](int16_t size) { return progress.tryingSize(size); }); });
  if (fits) return true;
  if (progress.cancelled()) return false;

  platform::MessageBoxRequest overflow;
  overflow.text = QStringLiteral("Unable to fit output to the page even after rotating.  Please Adjust");
  overflow.title = QStringLiteral("Output Overflow");
  overflow.buttons = platform::MsgButtons::Ok;
  overflow.icon = platform::MsgIcon::Critical;
  ui_.messageBox(overflow);
  return false;
}

}  // namespace rowcast

namespace {
std::string endDocumentMessage;  // UTF-8, of the last RowcastEndDocument
}

int32_t RowcastEndDocument() {
  endDocumentMessage.clear();
  try {
    platform::endPrinterDocument();
    return 0;
  } catch (...) {
    // Whatever failed is logged, as a member call's failure is; nothing
    // leaves a C entry point.
    const core::Fault fault = core::faultInFlight(QStringLiteral("Rowcast"));
    endDocumentMessage = fault.description.toStdString();
    rowcast::ErrorHandler().handleErrorQuietly(fault, QStringLiteral("RowcastEndDocument"), QString());
    return 1;
  }
}

const char* RowcastEndDocumentMessage() { return endDocumentMessage.c_str(); }

int32_t RowcastEndDocumentPages() { return platform::lastPrinterDocumentPages(); }
