#pragma once
// Sizing the columns and choosing the font size: every column is as wide as
// its widest text (header, cells and its grand total) plus one blank, in bold
// at the size tried, and the largest size from the requested one down to 5
// points at which the table leaves the page allowance free wins. Texts are
// measured as they print: first-column dates in their short form above 11
// points, a landscape header line at its own 10 points; and the columns
// before the first total leave room for "Grand Total: ". So no two texts on a
// line touch, and spreading never takes width away. Works on the Printer
// interface alone, so the recording printer drives it in tests.
#include <QLocale>
#include <functional>
#include <optional>
#include <vector>

#include "platform/printer/printer.h"
#include "rowcast/list/list_model.h"
#include "rowcast/printer/column_texts.h"

namespace rowcast {

class ColumnFitter {
 public:
  static constexpr int16_t kSmallestSize = 5;
  // Kept free of the spread width: the page's margins and some air.
  static constexpr int32_t kPageAllowance = 1068;

  // Totals are read the way `locale` writes numbers, as the total line prints them.
  ColumnFitter(const ListModel& list, platform::Printer& printer, const QLocale& locale);

  // Measures every column at `points` in bold and returns the table width.
  // Widths and the table width are 16-bit twips: past 32767 the measuring
  // fails with an overflow fault (the widths stay filled, so printing can
  // still place every column).
  int16_t measureColumns(int16_t points);

  // Tries `points`, then one point less down to 5, and leaves the printer at
  // the first size whose table is narrower than the page less the page
  // allowance. False when none
  // is; the printer then keeps the size of the last try. A table past 16-bit
  // twips does not fit at that size; any other measuring fault ends the
  // search (the caller counts it as no fit). `trying` is told each size
  // before it is measured; when it answers false the search ends unfitted.
  bool fitToPage(int16_t points, const std::function<bool(int16_t)>& trying = {});

  // Adds (page width - 1068 - table width) / column count, truncated toward
  // zero, to every column: never negative after a fit. Fails with division
  // by zero for a list without columns.
  void spreadSpareWidth();

  // Reads every text of the list once, so that a list that cannot be read
  // fails here, before anything is measured or asked. Throws what the list
  // throws. `stillWanted` is asked after each item (see ColumnTexts); once
  // it answers false the fitter is of no more use.
  void readList(const std::function<bool()>& stillWanted = {});

  // False until a measuring has started.
  bool hasMeasured() const { return measured_; }
  const std::vector<int32_t>& columnWidths() const { return widths_; }
  int16_t tableWidth() const { return tableWidth_; }

 private:
  const ColumnTexts& texts(int columns, const std::function<bool()>& stillWanted = {});
  std::vector<int32_t> measureAll(const QStringList& texts);
  void measureHeaders(const ColumnTexts& all, int16_t points, const std::vector<int32_t>& measured);
  void reserveTheTotalLabel(int32_t blank);
  bool fitsAt(int16_t points);

  const ListModel& list_;
  platform::Printer& printer_;
  QLocale locale_;
  std::optional<ColumnTexts> texts_;
  std::vector<int32_t> widths_;
  int16_t tableWidth_ = 0;
  bool measured_ = false;
};

}  // namespace rowcast
