#include "platform/printer/page_copies.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace platform {

PageCopies::PageCopies(const QPrinter& device) {
  if (device.supportsMultipleCopies()) return;
  copies_ = std::max(device.copyCount(), 1);
  collate_ = device.collateCopies();
}

void PageCopies::sheetOpened(const QPrinter& device) {
  if (!recording()) return;
  if (!collate_) sheets_.clear();
  sheets_.push_back(Sheet{device.pageLayout().orientation(), {}});
}

void PageCopies::recordText(QPointF baseline, const QFont& font, const QString& text) {
  if (!recording() || sheets_.empty()) return;
  // A printout uses a handful of fonts; each is kept once.
  auto known = std::find(fonts_.begin(), fonts_.end(), font);
  if (known == fonts_.end()) known = fonts_.insert(fonts_.end(), font);
  sheets_.back().drawn.emplace_back(Text{baseline, size_t(known - fonts_.begin()), text});
}

void PageCopies::recordLine(QLineF line, const QPen& pen) {
  if (!recording() || sheets_.empty()) return;
  sheets_.back().drawn.emplace_back(Line{line, pen});
}

void PageCopies::sheetDone(QPrinter& device, QPainter& painter) {
  if (!recording() || collate_ || sheets_.empty()) return;
  const QPageLayout::Orientation next = device.pageLayout().orientation();
  for (int copy = 2; copy <= copies_; ++copy) drawAgain(sheets_.back(), device, painter);
  device.setPageOrientation(next);
  sheets_.clear();
}

void PageCopies::documentDone(QPrinter& device, QPainter& painter) {
  sheetDone(device, painter);
  if (!recording() || !collate_) return;
  for (int copy = 2; copy <= copies_; ++copy)
    for (const Sheet& sheet : sheets_) drawAgain(sheet, device, painter);
  sheets_.clear();
  fonts_.clear();
}

void PageCopies::drawAgain(const Sheet& sheet, QPrinter& device, QPainter& painter) const {
  device.setPageOrientation(sheet.orientation);
  device.newPage();
  painter.save();
  for (const auto& drawn : sheet.drawn) {
    if (const auto* text = std::get_if<Text>(&drawn)) {
      painter.setFont(fonts_[text->font]);
      painter.drawText(text->baseline, text->text);
    } else {
      const auto& line = std::get<Line>(drawn);
      painter.save();  // texts keep the default pen
      painter.setPen(line.pen);
      painter.drawLine(line.line);
      painter.restore();
    }
  }
  painter.restore();
}

}  // namespace platform
