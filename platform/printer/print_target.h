#pragma once
// Where a printed document goes, decided when the document starts: the PDF
// file a caller or ROWCAST_PRINT_TO names, else the system's default printer,
// else (no printer at all) a new PDF file in the user's documents folder,
// whose path is reported.
#include <QPrinter>
#include <QString>
#include <memory>

namespace platform {

class PrintTarget {
 public:
  // `pdfPath` overrides everything when not empty.
  static PrintTarget choose(const QString& pdfPath);

  // A printer device set up for this target: Letter pages with quarter-inch
  // margins for PDF files (600 dots an inch), the printer's own paper and
  // resolution otherwise, with at least its own margins.
  std::unique_ptr<QPrinter> createDevice() const;

  bool isPdf() const { return !pdfPath_.isEmpty(); }
  QString pdfPath() const { return pdfPath_; }
  // True when no printer was found and the file name was made up: the user
  // must be told where the printout went.
  bool isFallback() const { return fallback_; }

  // For a PDF target: makes sure the file can be written before a document
  // starts, creating it when new. A path whose folder is missing or closed,
  // that names anything but a regular file (a device, a FIFO that would
  // wait for a reader), a link to nothing or a file of the settings store
  // throws core::FaultError saying why. Nothing for a printer.
  void checkWritable() const;
  // For a PDF target, once the document has ended: whether the file holds
  // the whole document (its last cross-reference table sits where the
  // trailer says), which a write failing part way never leaves.
  bool isPdfComplete() const;

  // A new file name in the user's documents folder, which is created when
  // missing; never an existing file.
  static QString fallbackPdfPath();

  static constexpr int kPdfDotsPerInch = 600;
  static constexpr double kMarginPoints = 18;  // a quarter inch

 private:
  QString pdfPath_;
  QString printerName_;
  bool fallback_ = false;
};

}  // namespace platform
