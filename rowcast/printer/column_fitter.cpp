#include "rowcast/printer/column_fitter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/fault.h"

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

const ColumnTexts& ColumnFitter::texts(int columns) {
  if (!texts_ || texts_->columnCount() != columns) texts_.emplace(list_, columns, locale_);
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
  widths_.assign(widths_.size(), wholeTwips(printer_.textWidth(QStringLiteral(" "))));
  std::vector<int32_t> measured;
  measured.reserve(size_t(all.distinct().size()));
  for (const QString& text : all.distinct())
    measured.push_back(text.size() > kLongestMeasuredText ? kUnmeasuredWidth : wholeTwips(printer_.textWidth(text)));
  for (int column = 0; column < all.columnCount(); ++column)
    widths_[size_t(column)] += widestOf(all.ofColumn(column), measured);
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
