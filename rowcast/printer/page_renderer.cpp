#include "rowcast/printer/page_renderer.h"

#include <QColor>
#include <algorithm>
#include <cmath>

#include "rowcast/printer/column_fitter.h"
#include "rowcast/printer/continue_on_error.h"

namespace rowcast {

namespace {

// Sizes are remembered as whole numbers, ties to even, as the platform
// converts them.
float wholeSize(float points) { return float(std::nearbyint(double(points))); }

}  // namespace

PageRenderer::PageRenderer(const ListModel& list, platform::Printer& printer, const std::vector<int32_t>& columnWidths,
                           const QLocale& locale, PrintProgress* progress)
    : list_(list), printer_(printer), totals_(locale), dateCell_(locale), progress_(progress) {
  attempt([&] { columns_ = list_.columnCount(); });
  // A column that was never measured is 0 wide, so every column has a place.
  lefts_.assign(size_t(std::max(columns_, 0)), 0);
  for (size_t column = 1; column < lefts_.size(); ++column)
    lefts_[column] = lefts_[column - 1] + (column - 1 < columnWidths.size() ? columnWidths[column - 1] : 0);
}

void PageRenderer::render(const QString& title, const QString& profileName) {
  attempt([&] { printTitle(title); });
  attempt([&] { printColumnHeaders(); });
  int16_t rememberedPage = printRows();
  if (cancelled()) return;
  printFoot(profileName, rememberedPage);
}

// Centred on the page, 16-point bold, over a rule 20 dots thick that starts
// 10 twips right of the text.
void PageRenderer::printTitle(const QString& title) {
  const float rememberedSize = wholeSize(printer_.fontSize());
  const float top = printer_.currentY();
  printer_.setFontSize(kTitleSize);
  printer_.setFontBold(true);
  const float width = printer_.textWidth(title);
  const float centred = (float(printer_.width()) - width) / 2;
  const float ruleY = top + wholeSize(printer_.textHeight(title));
  printer_.setDrawWidth(20);
  printer_.line(centred - 10, ruleY, centred - 10 + width, ruleY, qRgb(0, 0, 0));
  printer_.setCurrentX(centred - 20);
  printer_.setCurrentY(top);
  printer_.print(title);
  printer_.setFontUnderline(false);
  printer_.setFontBold(false);
  printer_.print(QStringLiteral(" "));
  printer_.setFontSize(rememberedSize);
}

// Bold underlined headers at the columns' left edges, then an empty line. On
// a landscape page a size above 8 gives way to 10 points for this line.
void PageRenderer::printColumnHeaders() {
  float rememberedSize = 0;
  if (printer_.fontSize() > 8 && printer_.orientation() == platform::kLandscape) {
    rememberedSize = wholeSize(printer_.fontSize());
    printer_.setFontSize(kLandscapeHeaderSize);
  }
  printer_.setFontBold(true);
  printer_.setFontUnderline(true);
  std::vector<PlacedText> headers;
  for (int column = 0; column < columns_; ++column) {
    QString text;
    attempt([&] { text = list_.columnHeaderText(column); });
    headers.push_back({columnLeft(column), std::move(text)});
  }
  printSideBySide(headers);
  printer_.setFontBold(false);
  printer_.setFontUnderline(false);
  printer_.print(QString());
  if (printer_.orientation() == platform::kLandscape && rememberedSize > 8) printer_.setFontSize(rememberedSize);
}

// Returns the page the last row went on.
int16_t PageRenderer::printRows() {
  int16_t rememberedPage = 1;
  attempt([&] { rememberedPage = printer_.page(); });
  if (progress_) progress_->startingPage(rememberedPage);
  int items = 0;
  attempt([&] { items = list_.itemCount(); });
  for (int item = 0; item < items && !cancelled(); ++item) {
    printRow(item, rememberedPage);
    if (progress_) progress_->keepAlive();
  }
  return rememberedPage;
}

// Prints `lines` empty lines from `top` to see whether that many lines fit
// the page: when one of them runs over the bottom, the printer starts the
// next page, which gets the header line (the title is not repeated), and
// `top` moves below it. Either way the printer is left at `top`.
void PageRenderer::lookAhead(int lines, int16_t& rememberedPage, float& top) {
  for (int line = 0; line < lines; ++line) attempt([&] { printer_.print(QString()); });
  attempt([&] {
    if (printer_.page() == rememberedPage) return;
    if (progress_) progress_->startingPage(printer_.page());
    attempt([&] { printColumnHeaders(); });
    attempt([&] { top = printer_.currentY(); });
    rememberedPage = printer_.page();
  });
  attempt([&] { printer_.setCurrentY(top); });
  attempt([&] { printer_.setCurrentX(0); });
}

void PageRenderer::printRow(int item, int16_t& rememberedPage) {
  float top = 0;
  attempt([&] { top = printer_.currentY(); });
  // Two empty lines look ahead: when the row would sit too low, one of them
  // runs over the bottom and the printer starts the next page.
  lookAhead(2, rememberedPage, top);
  attempt([&] {
    const QString text = reachingThePage(list_.itemText(item));
    printer_.print(printer_.fontSize() > kLargestPlainDateSize ? dateCell_.format(text) : text);
  });
  for (int column = 1; column < columns_; ++column) {
    QString cell;
    const bool read = attempt([&] { cell = list_.cellText(item, column); });
    attempt([&] { printer_.setCurrentY(top); });
    attempt([&] { printer_.setCurrentX(float(columnLeft(column))); });
    if (read) attempt([&] { printer_.print(reachingThePage(cell)); });
    if (read && ColumnTotals::isSummed(column + 1)) attempt([&] { totals_.add(column + 1, cell); });
  }
}

// The foot: an empty line, the total line, an empty line and the profile
// line. They are kept on one page: the look-ahead covers all four lines, so
// when they do not fit below the last row they begin the next page, under
// its header line, and no page holds the foot alone.
void PageRenderer::printFoot(const QString& profileName, int16_t& rememberedPage) {
  float top = 0;
  attempt([&] { top = printer_.currentY(); });
  lookAhead(4, rememberedPage, top);
  printTotalLine();
  attempt([&] { printer_.print(QString()); });
  attempt([&] { printer_.print(QStringLiteral("Profile Name: ") + profileName); });
}

// "Grand Total: " at the left edge and each total under its column, where
// that column's header and cells print; a column the list lacks has none.
void PageRenderer::printTotalLine() {
  attempt([&] { printer_.print(QString()); });
  std::vector<PlacedText> line{{0, kTotalLabel}};
  for (int column : ColumnTotals::kPrintOrder) {
    if (column > columns_) continue;
    QString text;
    attempt([&] { text = totals_.text(column); });
    line.push_back({columnLeft(column - 1), std::move(text)});
  }
  printSideBySide(line);
}

// Prints texts on the line at CurrentY. When the first of them starts a new
// page, the others follow it to the top of that page: put back on the old
// line's place, each would start yet another page of its own.
void PageRenderer::printSideBySide(const std::vector<PlacedText>& texts) {
  float top = 0;
  attempt([&] { top = printer_.currentY(); });
  int16_t page = 0;
  attempt([&] { page = printer_.page(); });
  for (const PlacedText& placed : texts) {
    attempt([&] { printer_.setCurrentY(top); });
    attempt([&] { printer_.setCurrentX(float(placed.left)); });
    attempt([&] { printer_.print(reachingThePage(placed.text)); });
    attempt([&] {
      if (printer_.page() != page) top = 0, page = printer_.page();
    });
  }
}

// Texts of normal length go to the printer whole. A longer one is cut to
// the characters that could reach the page's right edge even from its left
// edge at the narrowest glyph's width, so that the painter never lays out
// megabytes of which a few hundred characters can be seen.
QString PageRenderer::reachingThePage(const QString& text) const {
  if (text.size() <= kLongestMeasuredText) return text;
  float narrowest = 0;
  for (const char* glyph : {"'", "|", "i", "l", ".", "!", " "}) {
    const float width = printer_.textWidth(QLatin1String(glyph));
    if (width > 0 && (narrowest == 0 || width < narrowest)) narrowest = width;
  }
  qsizetype reach = kLongestMeasuredText;
  if (narrowest > 0) reach = std::min(reach, qsizetype(float(printer_.width()) / narrowest) + 1);
  return text.left(reach);
}

}  // namespace rowcast
