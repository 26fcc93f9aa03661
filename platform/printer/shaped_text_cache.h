#pragma once
// Texts laid out once for each font they print in. A printout repeats most
// of its texts (dates, clock times, rates, amounts), and laying out and
// shaping a text costs more than drawing it, so each distinct text is
// shaped on first use and its glyphs are drawn from here after that.
#include <QFont>
#include <QList>
#include <QRawFont>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/text_hash.h"

class QPaintDevice;

namespace platform {

// Glyphs of one font, placed around a baseline at (0, 0).
struct PlacedGlyphs {
  QRawFont font;
  QList<quint32> indexes;
  QList<QPointF> positions;
};

// A text laid out: its one line, and its glyphs.
struct ShapedText {
  QTextLayout layout;
  std::vector<PlacedGlyphs> glyphs;
  ShapedText(const QString& text, const QFont& font, QPaintDevice* device);
};

class ShapedTextCache {
 public:
  // The font and device of the texts to come (called when either changes).
  void useFont(const QFont& font, QPaintDevice* device);
  // `text` in that font at that device's resolution: one line, left to
  // right, as QPainter::drawText(QPointF, QString) lays it out.
  const ShapedText& shape(const QString& text);
  // Whether a text can be drawn from a one-line layout at all: line breaks
  // and other control characters are left to QPainter as they are.
  static bool isPlainLine(const QString& text);
  // Texts shaped since the cache was made.
  int shapedCount() const { return shaped_; }
  // Forgets every layout, to free them or because the device changes.
  void clear();

 private:
  // A page of a printout holds a few thousand distinct texts; a list whose
  // every cell differs would otherwise keep them all.
  static constexpr qsizetype kMostTexts = 20'000;

  using Layouts = std::unordered_map<QString, std::unique_ptr<ShapedText>, core::TextHash>;
  std::unordered_map<QString, Layouts, core::TextHash> byFont_;  // keyed by QFont::key()
  QFont font_;
  QPaintDevice* device_ = nullptr;
  Layouts* layouts_ = nullptr;  // the font's, in byFont_
  qsizetype held_ = 0;
  int shaped_ = 0;
};

}  // namespace platform
