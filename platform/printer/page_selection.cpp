#include "platform/printer/page_selection.h"

#include <QPrintEngine>
#include <QPrinter>

namespace platform {

QStringList printSystemOptions(const QPrinter& printer) {
  // Qt's own private key for them.
  constexpr auto kPrintSystemOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);
  QPrintEngine* engine = printer.printEngine();
  return engine ? engine->property(kPrintSystemOptionsKey).toStringList() : QStringList();
}

namespace {

// The print dialog's "Pages" field does not set the printer's range: it
// leaves every page in range and puts "page-ranges" among the print system
// options, for the print system to filter by. The printout draws those
// pages itself and never passes the option on.
QPageRanges pagesFromPrintSystemOptions(const QPrinter& printer) {
  const QStringList options = printSystemOptions(printer);
  for (qsizetype i = 0; i + 1 < options.size(); i += 2)
    if (options[i] == QLatin1String("page-ranges")) return QPageRanges::fromString(options[i + 1]);
  return {};
}

}  // namespace

PageSelection::PageSelection(const QPrinter& printer) {
  switch (printer.printRange()) {
    case QPrinter::PageRange:
      ranges_ = printer.pageRanges();
      break;
    case QPrinter::CurrentPage:
      ranges_.addPage(1);
      break;
    case QPrinter::AllPages:
      ranges_ = pagesFromPrintSystemOptions(printer);
      break;
    case QPrinter::Selection:
      break;
  }
}

}  // namespace platform
