#pragma once
// Glyphs of many texts drawn as one run. A PDF page costs its writer a
// fixed set of operators for every run it is given besides the glyphs
// themselves, so the texts of a page in one font go to it together. Only
// texts without decorations are gathered: an underline drawn under a run
// would run on under the gaps between them.
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <vector>

#include "platform/printer/shaped_text_cache.h"

class QPainter;

namespace platform {

class GlyphBatch {
 public:
  // Adds glyphs placed around a baseline at (0, 0) with that baseline moved
  // to `baseline`; glyphs in another font first draw what was gathered.
  void add(const std::vector<PlacedGlyphs>& glyphs, QPointF baseline, QPainter& painter);
  // Draws what was gathered; called before anything else is drawn over it
  // and before the page ends.
  void flush(QPainter& painter);
  bool isEmpty() const { return glyphs_.isEmpty(); }

 private:
  QRawFont font_;
  QList<quint32> glyphs_;
  QList<QPointF> positions_;
};

}  // namespace platform
