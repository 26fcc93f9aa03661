#include "rowcast/export/file_export.h"

#include <new>
#include <optional>

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
  std::optional<OutputFile> file;
  try {
    prepare();
    file.emplace(fileName_);
    write(*file);
    file->close();
    return true;
  } catch (...) {
    core::Fault fault = core::faultInFlight();
    // Half a list is no export: what was written goes, as a failed printout's does.
    if (file) file->discard();
    return fail(std::move(fault));
  }
}

bool FileExport::fail(core::Fault fault) {
  if (fault.source.isEmpty()) fault.source = source_;
  errorHandler_.handleErrorQuietly(fault, location_, QString());
  lastErrorMsg_ = fault.description;
  return false;
}

}  // namespace rowcast
