#include "rowcast/front/printer_binding.h"

#include <QPrinter>

#include "core/fault.h"
#include "platform/printer/host_printer.h"
#include "rowcast/output/error_handler.h"

int32_t RowcastBindPrinter(void* qprinter) {
  try {
    platform::bindHostPrinter(static_cast<QPrinter*>(qprinter));
    return 0;
  } catch (...) {
    // Whatever failed is logged, as a member call's failure is; nothing
    // leaves a C entry point.
    rowcast::ErrorHandler().handleErrorQuietly(core::faultInFlight(QStringLiteral("Rowcast")),
                                               QStringLiteral("RowcastBindPrinter"), QString());
    return 1;
  }
}
