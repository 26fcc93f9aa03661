#include "core/fault.h"

#include <new>

namespace core {

QString Fault::standardDescription(int32_t number) {
  switch (number) {
    case 0: return {};
    case kInvalidProcedureCall: return QStringLiteral("Invalid procedure call or argument");
    case kOverflow: return QStringLiteral("Overflow");
    case kOutOfMemory: return QStringLiteral("Out of memory");
    case kSubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case kDivisionByZero: return QStringLiteral("Division by zero");
    case kTypeMismatch: return QStringLiteral("Type mismatch");
    case kInternalError: return QStringLiteral("Internal error");
    case kBadFileNameOrNumber: return QStringLiteral("Bad file name or number");
    case kFileNotFound: return QStringLiteral("File not found");
    case kDeviceIoError: return QStringLiteral("Device I/O error");
    case kDiskFull: return QStringLiteral("Disk full");
    case kPermissionDenied: return QStringLiteral("Permission denied");
    case kPathFileAccessError: return QStringLiteral("Path/File access error");
    case kPathNotFound: return QStringLiteral("Path not found");
    case kObjectVariableNotSet: return QStringLiteral("Object variable or With block variable not set");
    case kObjectRequired: return QStringLiteral("Object required");
    case kCantCreateObject: return QStringLiteral("Component can't create object");
    case kMemberNotSupported: return QStringLiteral("Object doesn't support this property or method");
    case kArgumentNotOptional: return QStringLiteral("Argument not optional");
    case kWrongNumberOfArguments:
      return QStringLiteral("Wrong number of arguments or invalid property assignment");
    default: return QStringLiteral("Application-defined or object-defined error");
  }
}

Fault Fault::fromNumber(int32_t number, const QString& source) {
  return Fault{number, standardDescription(number), source};
}

FaultError::FaultError(Fault fault)
    : fault_(std::move(fault)),
      what_(QStringLiteral("%1 %2").arg(fault_.number).arg(fault_.description).toStdString()) {}

FaultError::FaultError(int32_t number, const QString& source)
    : FaultError(Fault::fromNumber(number, source)) {}

FaultError::FaultError(int32_t number, const QString& description, const QString& source)
    : FaultError(Fault{number, description, source}) {}

Fault faultInFlight(const QString& source) {
  try {
    throw;
  } catch (const FaultError& e) {
    return e.fault();
  } catch (const std::bad_alloc&) {
    return Fault::fromNumber(kOutOfMemory, source);
  } catch (const std::exception& e) {
    return Fault{kInternalError, QString::fromUtf8(e.what()), source};
  } catch (...) {
    return Fault::fromNumber(kInternalError, source);
  }
}

}  // namespace core
