#include "rowcast/output/error_handler.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "rowcast/output/clock_text.h"
#include "rowcast/output/output_file.h"

namespace rowcast {

namespace {

// Makes `folder` and any missing folder above it, each for the user alone.
void makePrivateFolders(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder);
  for (qsizetype slash = path.indexOf('/', 1); slash != -1; slash = path.indexOf('/', slash + 1))
    ::mkdir(path.left(slash).constData(), 0700);
  ::mkdir(path.constData(), 0700);
}

// The log, opened at its end; the reserve one only when the first cannot be
// opened, and never through a link at the file (another may have put one
// there). When neither opens, the first one's fault passes on.
std::unique_ptr<OutputFile> openLog(const QString& path, const QString& reserveFolder, const QString& reservePath) {
  try {
    return std::make_unique<OutputFile>(path, OutputFile::Mode::Append);
  } catch (const core::FaultError&) {
    if (reserveFolder.isEmpty()) throw;
    makePrivateFolders(reserveFolder);
    try {
      return std::make_unique<OutputFile>(reservePath, OutputFile::Mode::Append, platform::LinkRule::Refuse);
    } catch (const core::FaultError&) {
    }
    throw;
  }
}

}  // namespace

ErrorHandler::ErrorHandler(QString folder, QString reserveFolder)
    : folder_(std::move(folder)), reserveFolder_(std::move(reserveFolder)) {}

QString ErrorHandler::stateFolder() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/wagewise");
}

QString ErrorHandler::libraryFolder() {
  Dl_info info{};
  // Never an empty folder: that would put the log at the root of the file system.
  if (dladdr(reinterpret_cast<const void*>(&ErrorHandler::libraryFolder), &info) == 0 || !info.dli_fname)
    return QStringLiteral(".");
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalPath();
}

void ErrorHandler::handleError(const core::Fault& error, const QString&, const QString&) {
  const QDateTime now = QDateTime::currentDateTime();
  const std::unique_ptr<OutputFile> opened = openLog(logPath(), reserveFolder_, reserveLogPath());
  OutputFile& log = *opened;
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
