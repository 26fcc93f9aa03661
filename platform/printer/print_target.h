#pragma once
// Where a printed document goes, decided when the document starts: the PDF
// file a caller or ROWCAST_PRINT_TO names, else the system's default printer,
// else (no printer at all) a new PDF file in the user's documents folder,
// whose path is reported. A host's own device keeps its choice, except that a
// document for a print system's queue is drawn into a spool file here and
// handed over by this target, so that the queue's answer is seen.
#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <QTemporaryFile>
#include <memory>

#include "platform/printer/print_queue.h"

namespace platform {

class PrintTarget {
 public:
  // `pdfPath` overrides everything when not empty.
  static PrintTarget choose(const QString& pdfPath);
  // For a document on a host's device: its queue, with its paper, margins,
  // resolution and the job options its print dialog chose, when the device
  // prints to a print system; else the host's device itself (a PDF file, a
  // print preview).
  static PrintTarget forHostPrinter(const QPrinter& host);

  // A printer device set up for this target: Letter pages with quarter-inch
  // margins for PDF files (600 dots an inch); for a queue a PDF device laid
  // out on the queue's own default paper (or the host's page), with at least
  // the printer's margins. Not for the host's own device.
  std::unique_ptr<QPrinter> createDevice() const;

  bool isPdf() const { return !pdfPath_.isEmpty(); }
  QString pdfPath() const { return pdfPath_; }
  bool isQueue() const { return !queue_.isEmpty(); }
  QString queueName() const { return queue_; }
  // Drawn on the host's device, which knows where its pages go.
  bool usesHostDevice() const { return !isPdf() && !isQueue(); }
  // True when no printer was found and the file name was made up: the user
  // must be told where the printout went.
  bool isFallback() const { return fallback_; }

  // Before a document starts on `device` (from createDevice()). For a PDF
  // target: makes sure the file can be written, creating it when new; a path
  // whose folder is missing or closed, that names anything but a regular
  // file (a device, a FIFO that would wait for a reader), a link to nothing
  // or a file of the settings store throws core::FaultError saying why. For
  // a queue: the queue must accept jobs (PrintQueue), and the device gets a
  // new spool file. Nothing for the host's device.
  void prepare(QPrinter& device);
  // Once the document has ended: whether the PDF file or the spool file
  // holds the whole document (its last cross-reference table sits where the
  // trailer says), which a write failing part way never leaves.
  bool isDocumentComplete() const;
  // For a queue: hands the spool file over as one job (PrintQueue::submit).
  // The spool file goes when the last copy of this target does.
  void handOver() const;

  // A new file name in the user's documents folder, which is created when
  // missing; never an existing file.
  static QString fallbackPdfPath();

  static constexpr int kPdfDotsPerInch = 600;
  static constexpr double kMarginPoints = 18;  // a quarter inch

 private:
  void layOutOnQueuePaper();
  QString documentFile() const;

  QString pdfPath_;
  QString queue_;
  bool fallback_ = false;
  QPageLayout layout_;  // a queue's page
  int resolution_ = kPdfDotsPerInch;
  PrintQueue::JobOptions job_;
  std::shared_ptr<QTemporaryFile> spool_;  // a queue's document until it is handed over
};

}  // namespace platform
