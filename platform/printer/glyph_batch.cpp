#include "platform/printer/glyph_batch.h"

#include <QGlyphRun>
#include <QPainter>

namespace platform {

void GlyphBatch::add(const std::vector<PlacedGlyphs>& glyphs, QPointF baseline, QPainter& painter) {
  for (const PlacedGlyphs& run : glyphs) {
    if (!glyphs_.isEmpty() && run.font != font_) flush(painter);
    if (glyphs_.isEmpty()) font_ = run.font;
    glyphs_ += run.indexes;
    for (QPointF position : run.positions) positions_.append(position + baseline);
  }
}

void GlyphBatch::flush(QPainter& painter) {
  if (glyphs_.isEmpty()) return;
  QGlyphRun run;
  run.setRawFont(font_);
  run.setGlyphIndexes(glyphs_);
  run.setPositions(positions_);
  painter.drawGlyphRun(QPointF(0, 0), run);
  glyphs_.clear();
  positions_.clear();
}

}  // namespace platform
