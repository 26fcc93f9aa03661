#include "rowcast/printer/column_fitter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/fault.h"
#include "rowcast/printer/column_totals.h"
#include "rowcast/printer/page_renderer.h"

namespace rowcast {

namespace {

constexpr int64_t kLargestWidth = std::numeric_limits<int16_t>::max();

// What a text too long to measure counts as: far past 16-bit twips, and far
// enough from the 32-bit limit that spreading spare width cannot overflow.
constexpr int32_t kUnmeasuredWidth = int32_t{1} << 30;

int32_t widestOf(const std::vector<int>& texts, const std::vector<int32_t>& measured) {
  int32_t widest = 0;
  for (int text : texts) widest = std::max(widest, measured[size_t(text)]);
  return widest;
}

[[noreturn]] void overflow() { throw core::FaultError(core::kOverflow, QStringLiteral("CPrinter")); }

// The nearest whole number of twips, ties to even as the platform rounds;
// held in 32 bits even past the 16-bit limit so positions stay computable.
int32_t wholeTwips(float width) {
  const double rounded = std::nearbyint(double(width));
  return int32_t(std::clamp(rounded, 0.0, double(std::numeric_limits<int32_t>::max())));
}

}  // namespace

ColumnFitter::ColumnFitter(const ListModel& list, platform::Printer& printer, const QLocale& locale)
    : list_(list), printer_(printer), locale_(locale) {}

void ColumnFitter::readList(const std::function<bool()>& stillWanted) { texts(list_.columnCount(), stillWanted); }

const ColumnTexts& ColumnFitter::texts(int columns, const std::function<bool()>& stillWanted) {
  if (!texts_ || texts_->columnCount() != columns) texts_.emplace(list_, columns, locale_, stillWanted);
  return *texts_;
}

int16_t ColumnFitter::measureColumns(int16_t points) {
  const int columns = list_.columnCount();
  if (columns > kLargestWidth) overflow();  // column counts are 16-bit
  measured_ = true;
  widths_.assign(size_t(std::max(columns, 0)), 0);

  printer_.setFontSize(points);
  // Bold, so the regular text printed later always has room.
  printer_.setFontBold(true);
  const ColumnTexts& all = texts(columns);
  // One blank beyond the widest text keeps the next column's text off it.
  const int32_t blank = wholeTwips(printer_.textWidth(QStringLiteral(" ")));
  const std::vector<int32_t> measured = measureAll(all.distinct());
  // Each text as it prints: first-column dates in their short form above
  // 11 points.
  for (int column = 0; column < all.columnCount(); ++column) {
    const bool dates = column == 0 && float(points) > PageRenderer::kLargestPlainDateSize;
    widths_[size_t(column)] = widestOf(dates ? all.ofFirstColumnAsDates() : all.ofColumn(column), measured);
  }
  measureHeaders(all, points, measured);
  for (int32_t& width : widths_) width += blank;
  reserveTheTotalLabel(blank);
  printer_.setFontBold(false);

  int64_t sum = 0;
  for (int32_t width : widths_) {
    if (width > kLargestWidth) overflow();
    sum += width;
  }
  if (sum > kLargestWidth) overflow();
  tableWidth_ = int16_t(sum);
  return tableWidth_;
}

std::vector<int32_t> ColumnFitter::measureAll(const QStringList& texts) {
  std::vector<int32_t> measured;
  measured.reserve(size_t(texts.size()));
  for (const QString& text : texts)
    measured.push_back(text.size() > kLongestMeasuredText ? kUnmeasuredWidth : wholeTwips(printer_.textWidth(text)));
  return measured;
}

// Headers at the size their line prints at: on a landscape page, 10 points
// for any size above 8.
void ColumnFitter::measureHeaders(const ColumnTexts& all, int16_t points, const std::vector<int32_t>& measured) {
  const std::vector<int>& headers = all.headers();
  const bool ownSize = points > 8 && printer_.orientation() == platform::kLandscape &&
                       float(points) != PageRenderer::kLandscapeHeaderSize;
  QHash<int, int32_t> atOwnSize;  // a header that several columns share is measured once
  if (ownSize) {
    printer_.setFontSize(PageRenderer::kLandscapeHeaderSize);
    for (int header : headers)
      if (header >= 0 && !atOwnSize.contains(header)) atOwnSize.insert(header, measureAll({all.distinct()[header]})[0]);
    printer_.setFontSize(points);
  }
  for (size_t column = 0; column < headers.size(); ++column) {
    const int header = headers[column];
    if (header < 0) continue;
    widths_[column] = std::max(widths_[column], ownSize ? atOwnSize.value(header) : measured[size_t(header)]);
  }
}

// "Grand Total: " prints at the left edge of the total line, and the first
// total under column 4: the columns before it hold the label and a blank,
// the last of them taking up any shortfall. Without a column 4 there are no
// totals to keep off the label.
void ColumnFitter::reserveTheTotalLabel(int32_t blank) {
  constexpr size_t kBeforeTotals = ColumnTotals::kFirstColumn - 1;
  if (widths_.size() <= kBeforeTotals) return;
  const int64_t needed = int64_t(wholeTwips(printer_.textWidth(PageRenderer::kTotalLabel))) + blank;
  int64_t before = 0;
  for (size_t column = 0; column < kBeforeTotals; ++column) before += widths_[column];
  if (before < needed) widths_[kBeforeTotals - 1] += int32_t(needed - before);
}

bool ColumnFitter::fitToPage(int16_t points, const std::function<bool(int16_t)>& trying) {
  for (int16_t size = points; size >= kSmallestSize; --size) {
    if (trying && !trying(size)) return false;
    if (fitsAt(size)) {
      printer_.setFontSize(size);
      return true;
    }
  }
  return false;
}

// A size fits only when the spreading takes nothing away, so the blank
// after each column survives. A table too wide for 16-bit twips is too wide
// for any page, so that size does not fit and a smaller one may.
bool ColumnFitter::fitsAt(int16_t points) {
  try {
    return int64_t(measureColumns(points)) + kPageAllowance < printer_.width();
  } catch (const core::FaultError& e) {
    if (e.fault().number != core::kOverflow) throw;
    return false;
  }
}

void ColumnFitter::spreadSpareWidth() {
  const int64_t spare = int64_t(printer_.width()) - kPageAllowance - tableWidth_;
  if (spare < std::numeric_limits<int16_t>::min() || spare > kLargestWidth) overflow();
  const int columns = list_.columnCount();
  if (columns == 0) throw core::FaultError(core::kDivisionByZero, QStringLiteral("CPrinter"));
  const int64_t perColumn = spare / columns;  // truncates toward zero
  for (int32_t& width : widths_) {
    width += int32_t(perColumn);
    if (width < std::numeric_limits<int16_t>::min() || width > kLargestWidth) overflow();
  }
}

}  // namespace rowcast
