#pragma once
// The printer on QPrinter + QPainter, drawn at the device's own resolution.
// A document starts with beginDocument() or the first line or text drawn and
// goes where PrintTarget decides; it ends with endDocument() or when this
// object is destroyed, and a queue's document is then handed to the print
// system, whose refusal is a fault. On a host's QPrinter only the pages its print dialog
// chose are drawn (page_selection.h), as many times as its copy count asks
// (page_copies.h). A document that cannot be opened or written is
// reported once on standard error as well as thrown. Needs a QGuiApplication.
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <memory>
#include <optional>

#include "core/fault.h"
#include "platform/printer/glyph_batch.h"
#include "platform/printer/page_copies.h"
#include "platform/printer/page_selection.h"
#include "platform/printer/print_target.h"
#include "platform/printer/printer.h"
#include "platform/printer/shaped_text_cache.h"

namespace platform {

class QtPrinter : public Printer {
 public:
  // `pdfPath`: every document goes to this PDF file (tests, benchmarks);
  // empty: the host's printer when one is bound (host_printer.h), else
  // PrintTarget chooses for each document.
  explicit QtPrinter(QString pdfPath = {});
  ~QtPrinter() override;
  QtPrinter(const QtPrinter&) = delete;
  QtPrinter& operator=(const QtPrinter&) = delete;

  int32_t width() const override;
  int16_t orientation() const override { return orientation_; }
  void setOrientation(int16_t orientation) override;
  void setFontName(const QString& name) override;
  float fontSize() const override { return size_; }
  void setFontSize(float points) override;
  void setFontBold(bool bold) override;
  void setFontUnderline(bool underline) override;
  float currentX() const override { return x_; }
  void setCurrentX(float twips) override { x_ = twips; }
  float currentY() const override { return y_; }
  void setCurrentY(float twips) override { y_ = twips; }
  int16_t page() const override { return page_; }
  void setDrawWidth(int16_t dots) override { drawWidth_ = dots; }
  float textWidth(const QString& text) override;
  float textHeight(const QString& text) override;
  void line(float x1, float y1, float x2, float y2, QRgb colour) override;
  void print(const QString& text) override;
  void beginDocument() override;
  void endDocument() override;
  void abortDocument() override;

  // The PDF file of the open or last document; empty when it went to a printer.
  QString documentPath() const { return target_ ? target_->pdfPath() : lastPdfPath_; }
  // The pages the last endDocument() wrote or handed over (chosen pages,
  // copies not counted); 0 when it failed or nothing was open.
  int lastDocumentPages() const { return lastDocumentPages_; }
  // Texts laid out and shaped in the open or last document; each distinct
  // text of a font counts once.
  int shapedTexts() const { return shapes_.shapedCount(); }
  // Off: every text goes to QPainter::drawText on its own, shaped again
  // each time (to compare the two ways; on by default).
  void setReusesShapedText(bool reuse) { reusesShapes_ = reuse; }

 private:
  // The current font at the device's resolution, so measured and drawn
  // text agree; looked up again after every change of font.
  struct FontMetrics {
    QFontMetricsF metrics;
    float lineHeight;  // twips
    double ascent;     // dots
  };

  QPrinter& device() const;  // set up for the next document on first use
  [[noreturn]] void refuseDocument(const core::Fault& fault);
  // The file or printer named in a fault of `target`'s document.
  static QString whereTo(const PrintTarget& target);
  // Closes the painter; false when the document was not written whole.
  bool finishPainting();
  // Back to no document, the next one on page 1.
  void forgetDocument();
  void startNewPage();
  // Gives the page being laid out a sheet of the device when it is one of
  // the chosen pages.
  void openSheetIfChosen();
  bool drawingThisPage() const { return sheetPage_ == page_; }
  const FontMetrics& metrics() const;
  void fontChanged();
  void drawText(QPointF baseline, const QString& text);
  void usePainterFont();
  double toDevice(float twips) const { return double(twips) * dotsPerTwip_; }
  float toTwips(double dots) const { return float(dots / dotsPerTwip_); }

  QString pdfPath_;
  mutable std::optional<PrintTarget> target_;
  mutable std::shared_ptr<QPrinter> device_;  // ours, or a host's (not owned)
  QPainter painter_;
  QString lastPdfPath_;

  int16_t orientation_ = kPortrait;
  QFont font_;
  float size_ = 8.25f;  // the platform's default printer font size
  mutable std::optional<FontMetrics> metrics_;
  mutable double dotsPerTwip_ = 1;
  bool painterFontStale_ = true;
  bool shapesFontStale_ = true;  // shapes_ has yet to be told the font
  float x_ = 0, y_ = 0;
  int16_t page_ = 1;
  mutable PageSelection chosenPages_;
  mutable PageCopies copies_;
  int pagesDrawn_ = 0;         // of the open document: its pages chosen and drawn, copies not counted
  int lastDocumentPages_ = 0;  // of the last document ended whole
  int16_t sheetPage_ = 0;  // the page drawn on the device's open sheet; 0 before the first
  int16_t drawWidth_ = 1;
  bool reusesShapes_ = true;
  bool batchesGlyphs_ = false;  // the device writes PDF, where texts are drawn as a few runs
  ShapedTextCache shapes_;      // of the open document's device
  GlyphBatch batch_;
  float pageBottom_ = 0;  // printable height of the page being drawn, twips
};

}  // namespace platform
