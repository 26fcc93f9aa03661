#pragma once
// The texts of every column of a list, each distinct text kept once: its
// cells, its header, the grand total it prints, and the first column's
// cells as they print above 11 points (dates in the short pattern). The fit
// search measures every text at up to a dozen sizes; lists repeat their
// dates, rates and amounts, so measuring distinct texts instead of cells
// saves most of the work and gives the same widest text.
#include <QLocale>
#include <QStringList>
#include <functional>
#include <unordered_map>
#include <vector>

#include "core/text_hash.h"
#include "rowcast/list/list_model.h"

namespace rowcast {

// A text longer than this counts as too wide at every size without being
// measured: at a twip a character or more it is past 16-bit twips anyway,
// and measuring a cell of megabytes would tie up the text layout.
inline constexpr qsizetype kLongestMeasuredText = 32767;

class ColumnTexts {
 public:
  // Reads the headers and the cells of the first `columns` columns of every
  // item (a row's missing cells are empty), summing columns 4 to 11 the way
  // `locale` writes numbers. Throws whatever the list throws. `stillWanted`,
  // when given, is asked after each item; on false the reading stops there
  // and what was read is all there is.
  ColumnTexts(const ListModel& list, int columns, const QLocale& locale,
              const std::function<bool()>& stillWanted = {});

  // Every distinct text that is not empty (empty texts take no width). Of a
  // text past kLongestMeasuredText only the part that tells so is kept.
  const QStringList& distinct() const { return distinct_; }
  // Indices into distinct() of the texts printed on row lines in `column`
  // (0-based): its cells as typed, and its grand total.
  const std::vector<int>& ofColumn(int column) const { return columns_.at(size_t(column)); }
  // The same for the first column above 11 points, where a cell that reads
  // as a date prints in the short date pattern.
  const std::vector<int>& ofFirstColumnAsDates() const { return firstColumnAsDates_; }
  // Indices into distinct() of each column's header; -1 for an empty one.
  const std::vector<int>& headers() const { return headers_; }
  int columnCount() const { return int(columns_.size()); }

 private:
  int indexOf(const QString& text);

  QStringList distinct_;
  std::unordered_map<QString, int, core::TextHash> index_;
  std::vector<std::vector<int>> columns_;
  std::vector<int> firstColumnAsDates_;
  std::vector<int> headers_;
};

}  // namespace rowcast
