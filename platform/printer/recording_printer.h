#pragma once
// Test double of the printer: simple fixed metrics and a record of every
// call, so layout tests can name exact coordinates.
//   text width  = characters x size x 8 twips (10 in bold)
//   line height = size x 24 twips
//   page        = 12240 x 15840 twips (Letter) unless given, 360-twip margins
//                 all round: 15120 twips of printable height in portrait,
//                 11520 in landscape
#include <QList>
#include <QSet>
#include <QStringList>

#include "platform/printer/printer.h"

namespace platform {

class RecordingPrinter : public Printer {
 public:
  static constexpr int32_t kLetterShortSide = 12240;
  static constexpr int32_t kLetterLongSide = 15840;
  static constexpr int32_t kMargin = 360;
  static constexpr float kAdvancePerPoint = 8;
  static constexpr float kBoldAdvancePerPoint = 10;
  static constexpr float kLineHeightPerPoint = 24;

  explicit RecordingPrinter(int32_t shortSide = kLetterShortSide, int32_t longSide = kLetterLongSide)
      : shortSide_(shortSide), longSide_(longSide) {}

  struct PrintedText {
    QString text;
    float x = 0, y = 0;
    int16_t page = 1;
    float size = 0;
    bool bold = false, underline = false;
  };
  struct DrawnLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QRgb colour = 0;
    int16_t drawWidth = 1;
    int16_t page = 1;
  };

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
  void setDrawWidth(int16_t dots) override;
  float textWidth(const QString& text) override;
  float textHeight(const QString& text) override;
  void line(float x1, float y1, float x2, float y2, QRgb colour) override;
  void print(const QString& text) override;
  void beginDocument() override;
  void endDocument() override;
  void abortDocument() override;

  // The line height of the current font, as print() moves.
  float lineHeight() const { return size_ * kLineHeightPerPoint; }
  // The printable height of a page in `orientation`.
  int32_t printableHeight(int16_t orientation) const;

  QList<PrintedText> printed;
  QList<DrawnLine> lines;
  // Every call in order, as "Member=value" or "Member(text)".
  QStringList calls;
  int textWidthCalls = 0;
  int documentsEnded = 0;
  int documentsAborted = 0;
  QString fontName;
  // Texts whose print() fails, to exercise callers' error paths.
  QSet<QString> refusedTexts;
  // When set, beginDocument() fails with this description (fault 57), as an
  // unwritable target does.
  QString refusedDocument;

 private:
  void startPageIfNone();

  int32_t shortSide_, longSide_;
  int16_t orientation_ = kPortrait;
  float size_ = 8.25f;  // the platform's default printer font size
  bool bold_ = false;
  bool underline_ = false;
  float x_ = 0, y_ = 0;
  int16_t page_ = 1;
  int16_t drawWidth_ = 1;
  bool pageOpen_ = false;
  int32_t pageHeight_ = 0;  // printable height of the open page
};

}  // namespace platform
