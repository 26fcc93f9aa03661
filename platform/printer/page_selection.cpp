#include "platform/printer/page_selection.h"

#include <QPrinter>

namespace platform {

PageSelection::PageSelection(const QPrinter& printer) {
  switch (printer.printRange()) {
    case QPrinter::PageRange:
      ranges_ = printer.pageRanges();
      break;
    case QPrinter::CurrentPage:
      ranges_.addPage(1);
      break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
      break;
  }
}

}  // namespace platform
