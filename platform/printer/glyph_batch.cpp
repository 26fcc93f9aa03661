#include "platform/printer/glyph_batch.h"

#include <QPainter>

namespace platform {

void GlyphBatch::add(const QList<QGlyphRun>& glyphs, QPointF baseline, QPainter& painter) {
  for (const QGlyphRun& run : glyphs) {
    if (!glyphs_.isEmpty() && run.rawFont() != font_) flush(painter);
    if (glyphs_.isEmpty()) font_ = run.rawFont();
    glyphs_ += run.glyphIndexes();
    for (QPointF position : run.positions()) positions_.append(position + baseline);
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
