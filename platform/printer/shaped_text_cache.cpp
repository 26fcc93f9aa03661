#include "platform/printer/shaped_text_cache.h"

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
  glyphs = layout.glyphRuns();
  for (QGlyphRun& run : glyphs) {
    QList<QPointF> positions = run.positions();
    for (QPointF& position : positions) position += toBaseline;
    run.setPositions(positions);
  }
}

bool ShapedTextCache::isPlainLine(const QString& text) {
  for (QChar c : text)
    if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) return false;
  return true;
}

// Consecutive texts nearly always share a font: its key is built once.
void ShapedTextCache::useFont(const QFont& font) {
  if (lastLayouts_ && font == lastFont_) return;
  lastFont_ = font;
  lastLayouts_ = &byFont_[font.key()];
}

const ShapedText& ShapedTextCache::shape(const QString& text, const QFont& font, QPaintDevice* device) {
  useFont(font);
  auto found = lastLayouts_->constFind(text);
  if (found != lastLayouts_->cend()) return **found;
  if (held_ >= kMostTexts) {
    clear();
    useFont(font);
  }
  ++held_;
  ++shaped_;
  return **lastLayouts_->insert(text, std::make_shared<ShapedText>(text, font, device));
}

void ShapedTextCache::clear() {
  byFont_.clear();
  lastLayouts_ = nullptr;
  held_ = 0;
}

}  // namespace platform
