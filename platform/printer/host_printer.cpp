#include "platform/printer/host_printer.h"

#include <exception>

#include "platform/printer/printer.h"

namespace platform {

namespace {
QPrinter* boundDevice = nullptr;
}

void bindHostPrinter(QPrinter* device) {
  if (device == boundDevice) return;
  // The open document belongs to the old device. Ending it closes it even
  // when it then reports a failure, so the new binding holds either way.
  std::exception_ptr failure;
  try {
    endPrinterDocument();
  } catch (...) {
    failure = std::current_exception();
  }
  boundDevice = device;
  if (failure) std::rethrow_exception(failure);
}

QPrinter* hostPrinter() { return boundDevice; }

}  // namespace platform
