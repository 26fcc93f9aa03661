#include "rowcast/front/error_handler.h"

#include <dlfcn.h>

#include <QDateTime>
#include <QFileInfo>

#include "rowcast/front/clock_text.h"
#include "rowcast/front/output_file.h"

namespace rowcast {

ErrorHandler::ErrorHandler(QString folder) : folder_(std::move(folder)) {}

QString ErrorHandler::libraryFolder() {
  Dl_info info{};
  // Never an empty folder: that would put the log at the root of the file system.
  if (dladdr(reinterpret_cast<const void*>(&ErrorHandler::libraryFolder), &info) == 0 || !info.dli_fname)
    return QStringLiteral(".");
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}

void ErrorHandler::handleError(const core::Fault& error, const QString&, const QString&) {
  const QDateTime now = QDateTime::currentDateTime();
  OutputFile log(logPath(), OutputFile::Mode::Append);
  log.appendAscii("An Error was raised on ");
  log.appendText(shortDateText(now.date()) + QLatin1Char(' ') + timeText(now.time()));
  log.endLine();
  log.appendAscii("=====Error Number = ");
  log.appendAscii(std::to_string(error.number));
  log.endLine();
  log.appendAscii("=====Error Desc = ");
  log.appendText(error.description);
  log.endLine();
  log.appendAscii("=====Error Source = ");
  log.appendText(error.source);
  log.endLine();
  log.close();
}

void ErrorHandler::handleErrorQuietly(const core::Fault& error, const QString& location,
                                      const QString& fileName) noexcept {
  try {
    handleError(error, location, fileName);
  } catch (...) {
  }
}

}  // namespace rowcast
