#include "platform/printer/printer.h"

#include "core/fault.h"

namespace platform {

void refuseProperty(const char* member) {
  throw core::FaultError(kInvalidPropertyValue, QStringLiteral("Invalid property value"),
                         QStringLiteral("Printer.") + QLatin1String(member));
}

}  // namespace platform
