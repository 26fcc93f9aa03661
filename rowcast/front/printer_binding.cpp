#include "rowcast/front/printer_binding.h"

#include <QPrinter>

#include "core/fault.h"
#include "platform/printer/host_printer.h"
#include "rowcast/output/error_handler.h"

int32_t RowcastBindPrinter(void* qprinter) {
  try {
    platform::bindHostPrinter(static_cast<QPrinter*>(qprinter));
    return 0;
  } catch (const core::FaultError& e) {
    rowcast::ErrorHandler().handleErrorQuietly(e.fault(), QStringLiteral("RowcastBindPrinter"), QString());
    return 1;
  } catch (...) {
    return 1;
  }
}
