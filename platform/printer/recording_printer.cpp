#include "platform/printer/recording_printer.h"

#include "core/fault.h"

namespace platform {

int32_t RecordingPrinter::width() const {
  return orientation_ == kLandscape ? longSide_ : shortSide_;
}

int32_t RecordingPrinter::printableHeight(int16_t orientation) const {
  return (orientation == kLandscape ? shortSide_ : longSide_) - 2 * kMargin;
}

void RecordingPrinter::setOrientation(int16_t orientation) {
  calls.append(QStringLiteral("Orientation=%1").arg(orientation));
  if (orientation != kPortrait && orientation != kLandscape) refuseProperty("Orientation");
  orientation_ = orientation;
}

void RecordingPrinter::setFontName(const QString& name) {
  calls.append(QStringLiteral("FontName=") + name);
  fontName = name;
}

void RecordingPrinter::setFontSize(float points) {
  calls.append(QStringLiteral("FontSize=%1").arg(points));
  if (!(points > 0) || points > 2160) refuseProperty("FontSize");
  size_ = points;
}

void RecordingPrinter::setFontBold(bool bold) {
  calls.append(QStringLiteral("FontBold=%1").arg(bold));
  bold_ = bold;
}

void RecordingPrinter::setFontUnderline(bool underline) {
  calls.append(QStringLiteral("FontUnderline=%1").arg(underline));
  underline_ = underline;
}

void RecordingPrinter::setDrawWidth(int16_t dots) {
  calls.append(QStringLiteral("DrawWidth=%1").arg(dots));
  drawWidth_ = dots;
}

float RecordingPrinter::textWidth(const QString& text) {
  calls.append(QStringLiteral("TextWidth(%1)").arg(text));
  ++textWidthCalls;
  return float(text.size()) * size_ * (bold_ ? kBoldAdvancePerPoint : kAdvancePerPoint);
}

float RecordingPrinter::textHeight(const QString& text) {
  calls.append(QStringLiteral("TextHeight(%1)").arg(text));
  return lineHeight();
}

void RecordingPrinter::line(float x1, float y1, float x2, float y2, QRgb colour) {
  calls.append(QStringLiteral("Line"));
  startPageIfNone();
  lines.append({x1, y1, x2, y2, colour, drawWidth_, page_});
}

void RecordingPrinter::print(const QString& text) {
  calls.append(QStringLiteral("Print(%1)").arg(text));
  if (refusedTexts.contains(text)) throw core::FaultError(core::kDeviceIoError, QStringLiteral("Printer"));
  startPageIfNone();
  if (y_ + lineHeight() > float(pageHeight_)) {
    ++page_;
    pageHeight_ = printableHeight(orientation_);
    y_ = 0;
  }
  if (!text.isEmpty()) printed.append({text, x_, y_, page_, size_, bold_, underline_});
  x_ = 0;
  y_ += lineHeight();
}

void RecordingPrinter::beginDocument() {
  calls.append(QStringLiteral("StartDoc"));
  if (!refusedDocument.isEmpty())
    throw core::FaultError(core::kDeviceIoError, refusedDocument, QStringLiteral("Printer"));
  startPageIfNone();
}

void RecordingPrinter::endDocument() {
  calls.append(QStringLiteral("EndDoc"));
  if (!pageOpen_) return;
  ++documentsEnded;
  pageOpen_ = false;
  page_ = 1;
  x_ = y_ = 0;
}

void RecordingPrinter::abortDocument() {
  calls.append(QStringLiteral("KillDoc"));
  if (!pageOpen_) return;
  ++documentsAborted;
  pageOpen_ = false;
  page_ = 1;
  x_ = y_ = 0;
}

void RecordingPrinter::startPageIfNone() {
  if (pageOpen_) return;
  pageOpen_ = true;
  pageHeight_ = printableHeight(orientation_);
}

}  // namespace platform
