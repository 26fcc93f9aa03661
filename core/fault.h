#pragma once
// The fault record: what a failing operation reports (number, description,
// source), and the exception that carries it inside a library. Faults never
// leave a library as exceptions; the component layer turns them into records.
#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace core {

// The platform's fault numbers that this system raises or reports.
enum FaultNumber : int32_t {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kDivisionByZero = 11,
  kTypeMismatch = 13,
  kInternalError = 51,
  kBadFileNameOrNumber = 52,
  kFileNotFound = 53,
  kDeviceIoError = 57,
  kDiskFull = 61,
  kPermissionDenied = 70,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
  kObjectVariableNotSet = 91,
  kObjectRequired = 424,
  kCantCreateObject = 429,
  kMemberNotSupported = 438,
  kArgumentNotOptional = 449,
  kWrongNumberOfArguments = 450,
};

struct Fault {
  int32_t number = 0;
  QString description;
  QString source;

  bool isFault() const { return number != 0; }
  // A record with the platform's standard description for `number`.
  static Fault fromNumber(int32_t number, const QString& source = {});
  // The platform's standard description, or "Application-defined or
  // object-defined error" for numbers it does not name.
  static QString standardDescription(int32_t number);
};

// Thrown inside a library to end an operation with a fault.
class FaultError : public std::exception {
 public:
  explicit FaultError(Fault fault);
  explicit FaultError(int32_t number, const QString& source = {});
  FaultError(int32_t number, const QString& description, const QString& source);
  const Fault& fault() const { return fault_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  Fault fault_;
  std::string what_;
};

// The exception being handled, as a fault record: every boundary that must
// not let an exception out (a member call, an output job, an entry point)
// turns it into one the same way. Call it only inside a catch block. A
// FaultError gives its own fault, untouched; running out of memory gives 7
// and anything else 51 (with the text of a std::exception), both from `source`.
Fault faultInFlight(const QString& source = {});

}  // namespace core
