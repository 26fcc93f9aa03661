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
#include <QPaintEngine>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "core/fault.h"
#include "platform/files/writable_file.h"
#include "platform/printer/page_selection.h"

namespace platform {

PrintTarget PrintTarget::choose(const QString& pdfPath) {
  PrintTarget target;
  if (!pdfPath.isEmpty()) {
    target.pdfPath_ = pdfPath;
  } else if (const QString named = qEnvironmentVariable("ROWCAST_PRINT_TO"); !named.isEmpty()) {
    target.pdfPath_ = named;
  } else if (const QPrinterInfo info = QPrinterInfo::defaultPrinter(); !info.isNull()) {
    target.queue_ = info.printerName();
    target.job_.title = QStringLiteral("Rowcast");
    target.layOutOnQueuePaper();
  } else {
    target.pdfPath_ = fallbackPdfPath();
    target.fallback_ = true;
  }
  return target;
}

namespace {

// A print preview swaps its own recording engine into the host's device; a
// device that prints to a print system paints with the PDF engine.
bool printsToQueue(const QPrinter& host) {
  return host.outputFormat() == QPrinter::NativeFormat && !host.printerName().isEmpty() &&
         host.outputFileName().isEmpty() && host.paintEngine() && host.paintEngine()->type() == QPaintEngine::Pdf;
}

const char* sides(const QPrinter& host) {
  switch (host.duplex()) {
    case QPrinter::DuplexNone: return "one-sided";
    case QPrinter::DuplexLongSide: return "two-sided-long-edge";
    case QPrinter::DuplexShortSide: return "two-sided-short-edge";
    case QPrinter::DuplexAuto: break;
  }
  return host.pageLayout().orientation() == QPageLayout::Portrait ? "two-sided-long-edge" : "two-sided-short-edge";
}

// What the host's dialog chose besides the pages: copies, collation, paper,
// sides and its other print system options. The pages it chose are drawn by
// the printer and never passed on, so they apply once.
PrintQueue::JobOptions jobOptionsOf(const QPrinter& host) {
  PrintQueue::JobOptions job;
  job.title = host.docName().isEmpty() ? QStringLiteral("Rowcast") : host.docName();
  job.copies = std::max(host.copyCount(), 1);
  job.collate = host.collateCopies();
  if (const QPageSize paper = host.pageLayout().pageSize(); paper.id() != QPageSize::Custom) job.media = paper.key();
  job.extra = QStringList{QStringLiteral("sides"), QLatin1String(sides(host))};
  const QStringList chosen = printSystemOptions(host);
  for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
    if (chosen[i] != QLatin1String("page-ranges")) job.extra << chosen[i] << chosen[i + 1];
  return job;
}

}  // namespace

PrintTarget PrintTarget::forHostPrinter(const QPrinter& host) {
  PrintTarget target;
  if (!printsToQueue(host)) return target;
  target.queue_ = host.printerName();
  target.layout_ = host.pageLayout();
  target.resolution_ = host.resolution();
  target.job_ = jobOptionsOf(host);
  return target;
}

// The queue's own default paper, with quarter-inch margins raised to the
// least the printer can print.
void PrintTarget::layOutOnQueuePaper() {
  QPrinter native(QPrinterInfo::printerInfo(queue_), QPrinter::HighResolution);
  if (const QPageSize paper = PrintQueue(queue_).defaultPageSize(); paper.isValid()) native.setPageSize(paper);
  native.setFullPage(false);
  native.setPageMargins(QMarginsF(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints), QPageLayout::Point);
  layout_ = native.pageLayout();
  // Drawn at the PDF target's resolution, so a printout on the same paper
  // breaks its pages where the PDF file does.
  resolution_ = kPdfDotsPerInch;
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

void PrintTarget::prepare(QPrinter& device) {
  if (isQueue()) {
    PrintQueue(queue_).checkAcceptingJobs();
    auto spool = std::make_shared<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/rowcast-XXXXXX.pdf"));
    if (!spool->open())
      refuseFile(QStringLiteral("the printer ") + queue_, core::kPathFileAccessError,
                 QStringLiteral("no spool file in %1: %2").arg(QDir::tempPath(), spool->errorString()));
    spool->close();  // the device writes it by name; it stays until the target goes
    device.setOutputFileName(spool->fileName());
    spool_ = std::move(spool);
    return;
  }
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
bool PrintTarget::isDocumentComplete() const {
  QFile file(documentFile());
  if (!file.open(QIODevice::ReadOnly) || file.size() < 32) return false;
  file.seek(std::max<qint64>(0, file.size() - 64));
  const QByteArray tail = file.readAll();
  static const QRegularExpression trailer(QStringLiteral("startxref\\s+(\\d+)\\s+%%EOF\\s*$"));
  const QRegularExpressionMatch match = trailer.match(QString::fromLatin1(tail));
  if (!match.hasMatch()) return false;
  const qint64 table = match.captured(1).toLongLong();
  return table > 0 && table < file.size() && file.seek(table) && file.read(4) == "xref";
}

QString PrintTarget::documentFile() const { return spool_ ? spool_->fileName() : pdfPath_; }

void PrintTarget::handOver() const { PrintQueue(queue_).submit(documentFile(), job_); }

std::unique_ptr<QPrinter> PrintTarget::createDevice() const {
  auto device = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  device->setOutputFormat(QPrinter::PdfFormat);
  if (isQueue()) {
    device->setResolution(resolution_);
    device->setPageLayout(layout_);
    device->setDocName(job_.title);
    return device;
  }
  device->setOutputFileName(pdfPath_);
  device->setResolution(kPdfDotsPerInch);
  device->setPageSize(QPageSize(QPageSize::Letter));
  device->setFullPage(false);
  device->setDocName(QStringLiteral("Rowcast"));
  const QMarginsF margins(kMarginPoints, kMarginPoints, kMarginPoints, kMarginPoints);
  device->setPageMargins(margins, QPageLayout::Point);
  return device;
}

}  // namespace platform
