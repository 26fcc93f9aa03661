#include "rowcast/output/error_handler.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

// The reserve folder is trusted as the loader trusts its folders: opened
// without following a link, owned by this user, and for this user alone (a
// wider folder of the user's own is narrowed first). Empty when it may hold
// the log; else why not.
QString untrustedReserveReason(const QString& folder) {
  makePrivateFolders(folder);
  const QByteArray path = QFile::encodeName(folder);
  const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    struct stat link {};
    if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode))
      return QStringLiteral("%1 is a link, which is never followed").arg(folder);
    return QStringLiteral("%1 cannot be opened: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
  }
  struct stat st {};
  QString why;
  if (::fstat(fd, &st) != 0)
    why = QStringLiteral("%1 cannot be checked").arg(folder);
  else if (st.st_uid != ::geteuid())
    why = QStringLiteral("%1 belongs to another user").arg(folder);
  else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
    why = QStringLiteral("%1 is open to others and cannot be narrowed").arg(folder);
  ::close(fd);
  return why;
}

// The log, opened at its end; the reserve one only when the first cannot be
// opened and the reserve folder is trusted, and never through a link at the
// file (another may have put one there). When neither opens, the first one's
// fault passes on, and `*whyNot` says why the reserve took nothing.
std::unique_ptr<OutputFile> openLog(const QString& path, const QString& reserveFolder, const QString& reservePath,
                                    QString* whyNot) {
  try {
    return std::make_unique<OutputFile>(path, OutputFile::Mode::Append);
  } catch (const core::FaultError& first) {
    *whyNot = reserveFolder.isEmpty() ? first.fault().description : untrustedReserveReason(reserveFolder);
    if (!whyNot->isEmpty()) throw;
    try {
      return std::make_unique<OutputFile>(reservePath, OutputFile::Mode::Append, platform::LinkRule::Refuse);
    } catch (const core::FaultError& reserve) {
      *whyNot = QStringLiteral("%1: %2").arg(reservePath, reserve.fault().description);
    }
    throw;
  }
}

// A line break inside a text becomes a blank, so that a record keeps its
// four lines and whoever reads the log reads them four at a time.
QString oneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  text.replace(u'\r', u' ');
  text.replace(u'\n', u' ');
  return text;
}

// The four lines of a record, without their line ends.
QStringList recordLines(const core::Fault& error) {
  const QDateTime now = QDateTime::currentDateTime();
  return {QStringLiteral("An Error was raised on ") + shortDateText(now.date()) + QLatin1Char(' ') + timeText(now.time()),
          QStringLiteral("=====Error Number = ") + QString::number(error.number),
          QStringLiteral("=====Error Desc = ") + oneLine(error.description),
          QStringLiteral("=====Error Source = ") + oneLine(error.source)};
}

// A record that no log takes is not lost: it goes to standard error, with why.
void recordOnStandardError(const QStringList& record, const QString& whyNot) {
  std::fprintf(stderr, "Rowcast: rowcast.err took no record (%s); the record:\n", qUtf8Printable(whyNot));
  for (const QString& line : record) std::fprintf(stderr, "%s\n", qUtf8Printable(line));
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
  const QStringList record = recordLines(error);
  QString whyNot;
  std::unique_ptr<OutputFile> opened;
  try {
    opened = openLog(logPath(), reserveFolder_, reserveLogPath(), &whyNot);
  } catch (const core::FaultError&) {
    recordOnStandardError(record, whyNot);
    throw;
  }
  try {
    for (const QString& line : record) {
      opened->appendText(line);
      opened->endLine();
    }
    opened->close();
  } catch (const core::FaultError& e) {
    recordOnStandardError(record, e.fault().description);
    throw;
  }
}

void ErrorHandler::handleErrorQuietly(const core::Fault& error, const QString& location,
                                      const QString& fileName) noexcept {
  try {
    handleError(error, location, fileName);
  } catch (...) {
  }
}

}  // namespace rowcast
