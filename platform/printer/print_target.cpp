#include "platform/printer/print_target.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QStandardPaths>

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
// the temporary folder when there is none. Never over an existing file.
QString PrintTarget::fallbackPdfPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::tempPath();
  const QString stem = folder + QStringLiteral("/Rowcast ") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss"));
  QString path = stem + QStringLiteral(".pdf");
  for (int n = 2; QFileInfo::exists(path); ++n) path = stem + QStringLiteral(" (%1).pdf").arg(n);
  return path;
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
