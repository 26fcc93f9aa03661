#include "platform/printer/qt_printer.h"

#include <QCoreApplication>
#include <QFile>
#include <QPageLayout>
#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/fault.h"
#include "core/twips.h"
#include "platform/printer/host_printer.h"
#include "platform/ui/qt_ui.h"

namespace platform {

QtPrinter::QtPrinter(QString pdfPath) : pdfPath_(std::move(pdfPath)) {
  font_.setFamily(QStringLiteral("Arial"));
  font_.setPointSizeF(size_);
}

QtPrinter::~QtPrinter() {
  try {
    endDocument();
  } catch (const core::FaultError&) {
    // Already reported on standard error; a destructor has nobody to tell.
  }
}

QPrinter& QtPrinter::device() const {
  if (!device_) {
    if (QPrinter* host = hostPrinter(); host && pdfPath_.isEmpty()) {
      target_ = PrintTarget::forHostPrinter(*host);
      chosenPages_ = PageSelection(*host);
      if (target_->usesHostDevice()) {  // it knows where its pages go
        device_ = std::shared_ptr<QPrinter>(host, [](QPrinter*) {});
        copies_ = PageCopies(*host);
      } else {  // a queue's: drawn here and handed over, the copies made by the print system
        device_ = target_->createDevice();
        copies_ = PageCopies();
      }
    } else {
      target_ = PrintTarget::choose(pdfPath_);
      device_ = target_->createDevice();
      chosenPages_ = PageSelection();
      copies_ = PageCopies();
    }
    device_->setPageOrientation(orientation_ == kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    dotsPerTwip_ = double(device_->resolution()) / core::kTwipsPerInch;
    metrics_.reset();
  }
  return *device_;
}

int32_t QtPrinter::width() const {
  const double points = device().pageLayout().fullRect(QPageLayout::Point).width();
  return int32_t(std::lround(core::pointsToTwips(points)));
}

// While a page is being drawn the device takes the new orientation for the
// pages that follow it.
void QtPrinter::setOrientation(int16_t orientation) {
  if (orientation != kPortrait && orientation != kLandscape) refuseProperty("Orientation");
  orientation_ = orientation;
  if (device_) device_->setPageOrientation(orientation == kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void QtPrinter::setFontName(const QString& name) {
  font_.setFamily(name);
  fontChanged();
}

void QtPrinter::setFontSize(float points) {
  if (!(points > 0) || points > 2160) refuseProperty("FontSize");
  size_ = points;
  font_.setPointSizeF(points);
  fontChanged();
}

void QtPrinter::setFontBold(bool bold) {
  if (font_.bold() == bold) return;
  font_.setBold(bold);
  fontChanged();
}

void QtPrinter::setFontUnderline(bool underline) {
  if (font_.underline() == underline) return;
  font_.setUnderline(underline);
  fontChanged();
}

void QtPrinter::fontChanged() {
  metrics_.reset();
  painterFontStale_ = true;
  shapesFontStale_ = true;
}

const QtPrinter::FontMetrics& QtPrinter::metrics() const {
  if (!metrics_) {
    QFontMetricsF metrics(font_, &device());
    metrics_.emplace(FontMetrics{metrics, toTwips(metrics.lineSpacing()), metrics.ascent()});
  }
  return *metrics_;
}

// Qt adds up advances in 32-bit fixed point, which wraps past about 33
// million dots (a text of half a million characters at 600 dots an inch) and
// would make a huge text look narrow. Long texts are measured in pieces and
// summed here instead.
float QtPrinter::textWidth(const QString& text) {
  constexpr qsizetype kPiece = 256;  // under the limit even at 2160 points and 1200 dots an inch
  const QFontMetricsF& measure = metrics().metrics;
  if (text.size() <= kPiece) return toTwips(measure.horizontalAdvance(text));
  double dots = 0;
  for (qsizetype from = 0; from < text.size();) {
    qsizetype length = std::min(kPiece, text.size() - from);
    if (from + length < text.size() && text.at(from + length - 1).isHighSurrogate()) --length;  // keep pairs whole
    dots += measure.horizontalAdvance(QStringView(text).mid(from, length).toString());
    from += length;
  }
  return toTwips(dots);
}

float QtPrinter::textHeight(const QString&) { return metrics().lineHeight; }

void QtPrinter::beginDocument() {
  if (painter_.isActive()) return;
  QPrinter& paper = device();
  try {
    target_->prepare(paper);
  } catch (const core::FaultError& e) {
    refuseDocument(e.fault());
  }
  if (!painter_.begin(&paper))
    refuseDocument(core::Fault{core::kDeviceIoError, QStringLiteral("Cannot print to ") + whereTo(*target_),
                               QStringLiteral("Printer")});
  painterFontStale_ = true;
  batchesGlyphs_ = painter_.paintEngine()->type() == QPaintEngine::Pdf;
  shapes_ = ShapedTextCache();
  shapesFontStale_ = true;
  pageBottom_ = float(core::pointsToTwips(device_->pageLayout().paintRect(QPageLayout::Point).height()));
  openSheetIfChosen();
}

namespace {

[[noreturn]] void reportAndThrow(const core::Fault& fault) {
  std::fprintf(stderr, "Rowcast: %s\n", qUtf8Printable(fault.description));
  throw core::FaultError(fault);
}

}  // namespace

QString QtPrinter::whereTo(const PrintTarget& target) {
  if (target.isPdf()) return target.pdfPath();
  return target.isQueue() ? QStringLiteral("the printer ") + target.queueName() : QStringLiteral("the printer");
}

void QtPrinter::refuseDocument(const core::Fault& fault) {
  device_.reset();  // try afresh with the next document
  target_.reset();
  metrics_.reset();
  reportAndThrow(fault);
}

void QtPrinter::startNewPage() {
  ++page_;
  openSheetIfChosen();
  pageBottom_ = float(core::pointsToTwips(device_->pageLayout().paintRect(QPageLayout::Point).height()));
}

// The device opens its first sheet when painting begins; every later chosen
// page takes a new one.
void QtPrinter::openSheetIfChosen() {
  if (!chosenPages_.includes(page_)) return;
  if (sheetPage_ != 0) {
    batch_.flush(painter_);
    copies_.sheetDone(*device_, painter_);
    device_->newPage();
  }
  copies_.sheetOpened(*device_);
  sheetPage_ = page_;
  ++pagesDrawn_;
}

void QtPrinter::line(float x1, float y1, float x2, float y2, QRgb colour) {
  beginDocument();
  if (!drawingThisPage()) return;
  const QPen pen(QColor::fromRgb(colour), drawWidth_);
  const QLineF drawn(QPointF(toDevice(x1), toDevice(y1)), QPointF(toDevice(x2), toDevice(y2)));
  batch_.flush(painter_);  // a line drawn later goes over the texts drawn before it
  painter_.save();
  painter_.setPen(pen);
  painter_.drawLine(drawn);
  painter_.restore();
  copies_.recordLine(drawn, pen);
}

void QtPrinter::print(const QString& text) {
  beginDocument();
  const float lineHeight = textHeight(text);
  if (y_ + lineHeight > pageBottom_) {
    startNewPage();
    y_ = 0;
  }
  if (!text.isEmpty() && drawingThisPage()) {
    const QPointF baseline(toDevice(x_), toDevice(y_) + metrics().ascent);
    drawText(baseline, text);
    copies_.recordText(baseline, font_, text);
  }
  x_ = 0;
  y_ += lineHeight;
}

// Each distinct text is shaped once (shaped_text_cache.h). On a PDF page the
// texts of a font are drawn together (glyph_batch.h); other devices, a print
// preview's among them, take each text's laid-out line, which they keep as
// text. Line breaks and control characters go to QPainter as they are.
void QtPrinter::drawText(QPointF baseline, const QString& text) {
  if (!reusesShapes_ || !ShapedTextCache::isPlainLine(text)) {
    batch_.flush(painter_);
    usePainterFont();
    painter_.drawText(baseline, text);
    return;
  }
  if (shapesFontStale_) {
    shapes_.useFont(font_, device_.get());
    shapesFontStale_ = false;
  }
  const ShapedText& shaped = shapes_.shape(text);
  if (batchesGlyphs_ && !font_.underline()) {
    batch_.add(shaped.glyphs, baseline, painter_);
    return;
  }
  batch_.flush(painter_);
  shaped.layout.draw(&painter_, baseline - QPointF(0, shaped.layout.lineAt(0).ascent()));
}

void QtPrinter::usePainterFont() {
  if (!painterFontStale_) return;
  painter_.setFont(font_);
  painterFontStale_ = false;
}

// A queue's document is handed over only once it is written whole; its
// spool file goes with the target, whatever the queue answers.
void QtPrinter::endDocument() {
  const bool drawn = painter_.isActive();
  const bool written = finishPainting();
  std::optional<PrintTarget> ended = std::move(target_);
  const int pages = pagesDrawn_;
  forgetDocument();
  lastDocumentPages_ = 0;
  if (ended) lastPdfPath_ = ended->pdfPath();
  if (!written) {
    // Checked to be a regular file when the document began.
    if (!lastPdfPath_.isEmpty()) QFile::remove(lastPdfPath_);
    reportAndThrow(core::Fault{core::kDeviceIoError,
                               QStringLiteral("The printout could not be written to ") + whereTo(*ended),
                               QStringLiteral("Printer")});
  }
  if (drawn && ended && ended->isQueue()) {
    try {
      ended->handOver();
    } catch (const core::FaultError& e) {
      reportAndThrow(e.fault());
    }
  }
  lastDocumentPages_ = pages;
}

void QtPrinter::forgetDocument() {
  device_.reset();
  target_.reset();
  metrics_.reset();
  chosenPages_ = PageSelection();
  copies_ = PageCopies();
  batch_ = GlyphBatch();
  shapes_.clear();  // the next device may have another resolution
  shapesFontStale_ = true;
  page_ = 1;
  sheetPage_ = 0;
  pagesDrawn_ = 0;
  x_ = y_ = 0;
}

// A print system drops an aborted job; a PDF file, ours or a host's, is
// removed, as a half-written printout is no use to anyone. A print preview
// keeps the pages drawn so far: Qt's preview frees its pages when aborted
// but goes on showing them, so its document is ended instead.
void QtPrinter::abortDocument() {
  if (painter_.isActive() && painter_.paintEngine()->type() == QPaintEngine::Picture) {
    batch_.flush(painter_);
    painter_.end();
  } else if (painter_.isActive()) {
    device_->abort();
    painter_.end();
    QString file = target_->pdfPath();
    if (file.isEmpty() && device_->outputFormat() == QPrinter::PdfFormat) file = device_->outputFileName();
    if (!file.isEmpty()) QFile::remove(file);
  }
  forgetDocument();
}

bool QtPrinter::finishPainting() {
  if (!painter_.isActive()) return true;
  batch_.flush(painter_);
  if (sheetPage_ != 0) copies_.documentDone(*device_, painter_);
  if (!painter_.end()) return false;
  if (target_->usesHostDevice()) return true;
  if (!target_->isDocumentComplete()) return false;
  if (target_->isFallback())
    std::fprintf(stderr, "Rowcast: no printer found; the printout is in %s\n", qUtf8Printable(target_->pdfPath()));
  return true;
}

namespace {

void endProcessDocument();

UnclaimedDocumentFault unclaimedFaultHandler = nullptr;

// A document that ends with the process or the library has nobody to report
// to but standard error (done) and the handler.
void endUnclaimedDocument(Printer& printer) {
  try {
    printer.endDocument();
  } catch (const core::FaultError& e) {
    if (unclaimedFaultHandler) unclaimedFaultHandler(e.fault());
  }
}

// The process-wide printer. When the library holding it is unloaded before
// the application object goes, the document ends here.
struct ProcessPrinter {
  std::unique_ptr<QtPrinter> printer;
  ~ProcessPrinter() {
    if (!printer) return;
    qRemovePostRoutine(endProcessDocument);
    endUnclaimedDocument(*printer);
    printer.reset();
  }
};

ProcessPrinter& processPrinter() {
  static ProcessPrinter instance;
  return instance;
}

// Runs while the application object is being destroyed, when fonts still
// work; a document left open then would be lost.
void endProcessDocument() {
  if (processPrinter().printer) endUnclaimedDocument(*processPrinter().printer);
}

}  // namespace

Printer& printer() {
  ProcessPrinter& process = processPrinter();
  if (!process.printer) {
    ensureGuiApplication();
    process.printer = std::make_unique<QtPrinter>();
    qAddPostRoutine(endProcessDocument);
  }
  return *process.printer;
}

void setUnclaimedDocumentFaultHandler(UnclaimedDocumentFault handler) { unclaimedFaultHandler = handler; }

void endPrinterDocument() {
  if (processPrinter().printer) processPrinter().printer->endDocument();
}

int lastPrinterDocumentPages() {
  return processPrinter().printer ? processPrinter().printer->lastDocumentPages() : 0;
}

}  // namespace platform
