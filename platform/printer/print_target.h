#pragma once
// Where a printed document goes, decided when the document starts: the PDF
// file a caller or ROWCAST_PRINT_TO names, else the system's default printer,
// else (no printer at all) a new PDF file whose path is reported.
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

  static constexpr int kPdfDotsPerInch = 600;
  static constexpr double kMarginPoints = 18;  // a quarter inch

 private:
  static QString fallbackPdfPath();

  QString pdfPath_;
  QString printerName_;
  bool fallback_ = false;
};

}  // namespace platform
