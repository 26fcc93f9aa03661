#include "rowcast/export/file_export.h"

#include <new>

namespace rowcast {

FileExport::FileExport(const QString& logFolder, QString location, QString missingListMessage, QString source)
    : errorHandler_(logFolder),
      location_(std::move(location)),
      missingListMessage_(std::move(missingListMessage)),
      source_(std::move(source)) {}

bool FileExport::Rowcast() {
  if (!list_) {
    lastErrorMsg_ = missingListMessage_;
    return false;
  }
  try {
    prepare();
    OutputFile file(fileName_);
    write(file);
    file.close();
    return true;
  } catch (...) {
    return fail(core::faultInFlight());
  }
}

bool FileExport::fail(core::Fault fault) {
  if (fault.source.isEmpty()) fault.source = source_;
  errorHandler_.handleErrorQuietly(fault, location_, QString());
  lastErrorMsg_ = fault.description;
  return false;
}

}  // namespace rowcast
