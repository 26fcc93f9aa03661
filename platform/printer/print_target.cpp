#include "platform/printer/print_target.h"

#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "core/fault.h"
#include "platform/files/writable_file.h"

namespace platform {

PrintTarget PrintTarget::choose(const QString& pdfPath) {
  PrintTarget target;
  if (!pdfPath.isEmpty()) {
    target.pdfPath_ = pdfPath;
  } else if (const QString named = qEnvironmentVariable("ROWCAST_PRINT_TO"); !named.isEmpty()) {
    target.pdfPath_ = named;
  } else if (const QPrinterInfo info = QPrinterInfo::defaultPrinter(); !info.isNull()) {
    target.printerName_ = info.printerName();
  } else {
    target.pdfPath_ = fallbackPdfPath();
    target.fallback_ = true;
  }
  return target;
}

// In the user's documents folder, where people look for what they saved;
// never a folder that other users share.
QString PrintTarget::fallbackPdfPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/Documents");
  QDir().mkpath(folder);  // a folder that cannot be made fails the document, with its path
  const QString stem = folder + QStringLiteral("/Rowcast ") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
  QString path = stem + QStringLiteral(".pdf");
  for (int n = 2; QFileInfo::exists(path); ++n) path = stem + QStringLiteral(" (%1).pdf").arg(n);
  return path;
}

namespace {

// The platform's file fault for a system error met opening a file.
int32_t openFaultNumber(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return core::kPathNotFound;
    case ENAMETOOLONG: return core::kBadFileNameOrNumber;
    case ENOSPC:
    case EDQUOT: return core::kDiskFull;
    default: return core::kPathFileAccessError;
  }
}

[[noreturn]] void refuseFile(const QString& path, int32_t number, const QString& reason) {
  throw core::FaultError(number, QStringLiteral("Cannot print to %1: %2").arg(path, reason), QStringLiteral("Printer"));
}

}  // namespace

void PrintTarget::checkWritable() const {
  if (!isPdf()) return;
  const WritableFile opened = openWritableFile(pdfPath_, WriteMode::Keep);
  if (!opened.ok()) {
    const int32_t number = opened.refusal == WritableFile::Refusal::SystemError ? openFaultNumber(opened.error)
                                                                                  : core::kPathFileAccessError;
    refuseFile(pdfPath_, number, opened.reason());
  }
  ::close(opened.fd);
}

// The trailer ends "startxref", the table's offset and "%%EOF"; a file cut
// short or with a lost piece has no "xref" at that offset.
bool PrintTarget::isPdfComplete() const {
  QFile file(pdfPath_);
  if (!file.open(QIODevice::ReadOnly) || file.size() < 32) return false;
  file.seek(std::max<qint64>(0, file.size() - 64));
  const QByteArray tail = file.readAll();
  static const QRegularExpression trailer(QStringLiteral("startxref\\s+(\\d+)\\s+%%EOF\\s*$"));
  const QRegularExpressionMatch match = trailer.match(QString::fromLatin1(tail));
  if (!match.hasMatch()) return false;
  const qint64 table = match.captured(1).toLongLong();
  return table > 0 && table < file.size() && file.seek(table) && file.read(4) == "xref";
}

std::unique_ptr<QPrinter> PrintTarget::createDevice() const {
  std::unique_ptr<QPrinter> device;
  if (isPdf()) {
    device = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    device->setOutputFormat(QPrinter::PdfFormat);
    device->setOutputFileName(pdfPath_);
    device->setResolution(kPdfDotsPerInch);
    device->setPageSize(QPageSize(QPageSize::Letter));
  } else {
    device = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(printerName_), QPrinter::HighResolution);
  }
  device->setFullPage(false);
  device->setDocName(QStringLiteral("Rowcast"));
  // Standard mode raises margins below the printer's minimum to it.
  const QMarginsF margins(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints);
  device->setPageMargins(margins, QPageLayout::Point);
  return device;
}

}  // namespace platform
