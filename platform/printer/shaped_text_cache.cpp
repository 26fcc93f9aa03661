#include "platform/printer/shaped_text_cache.h"

#include <QGlyphRun>
#include <QTextOption>

namespace platform {

ShapedText::ShapedText(const QString& text, const QFont& font, QPaintDevice* device) : layout(text, font, device) {
  QTextOption option;
  option.setTextDirection(Qt::LeftToRight);  // as a painter lays out a text drawn at a point
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const QPointF toBaseline(0, -layout.lineAt(0).ascent());
  for (const QGlyphRun& run : layout.glyphRuns()) {
    PlacedGlyphs placed{run.rawFont(), run.glyphIndexes(), run.positions()};
    for (QPointF& position : placed.positions) position += toBaseline;
    glyphs.push_back(std::move(placed));
  }
}

bool ShapedTextCache::isPlainLine(const QString& text) {
  for (QChar c : text)
    if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) return false;
  return true;
}

void ShapedTextCache::useFont(const QFont& font, QPaintDevice* device) {
  font_ = font;
  device_ = device;
  layouts_ = &byFont_[font.key()];
}

const ShapedText& ShapedTextCache::shape(const QString& text) {
  auto found = layouts_->find(text);
  if (found != layouts_->end()) return *found->second;
  if (held_ >= kMostTexts) {
    clear();
    layouts_ = &byFont_[font_.key()];
  }
  ++held_;
  ++shaped_;
  return *layouts_->emplace(text, std::make_unique<ShapedText>(text, font_, device_)).first->second;
}

void ShapedTextCache::clear() {
  byFont_.clear();
  layouts_ = nullptr;
  held_ = 0;
}

}  // namespace platform
