#include "rowcast/printer/column_texts.h"

#include <QSet>
#include <unordered_set>

#include "rowcast/printer/column_totals.h"
#include "rowcast/printer/print_formats.h"

namespace rowcast {

ColumnTexts::ColumnTexts(const ListModel& list, int columns, const QLocale& locale,
                         const std::function<bool()>& stillWanted) {
  std::vector<std::unordered_set<QString, core::TextHash>> perColumn(size_t(std::max(columns, 0)));
  auto add = [&perColumn](int column, const QString& text) {
    if (!text.isEmpty()) perColumn[size_t(column)].insert(text.left(kLongestMeasuredText + 1));
  };
  ColumnTotals totals(locale);
  const int items = list.itemCount();
  for (int item = 0; item < items; ++item) {
    if (columns > 0) add(0, list.itemText(item));
    const int cells = std::min(list.subItemCount(item) + 1, columns);
    for (int column = 1; column < cells; ++column) {
      const QString cell = list.subItemText(item, column - 1);
      add(column, cell);
      if (ColumnTotals::isSummed(column + 1)) totals.add(column + 1, cell);
    }
    if (stillWanted && !stillWanted()) break;
  }
  // The total is printed under its column, so it needs the room too.
  for (int column = 0; column < columns; ++column)
    if (ColumnTotals::isSummed(column + 1)) add(column, totals.text(column + 1));

  // One index for a text that several columns share, so it is measured once.
  columns_.resize(perColumn.size());
  for (size_t column = 0; column < perColumn.size(); ++column) {
    columns_[column].reserve(perColumn[column].size());
    for (const QString& text : perColumn[column]) columns_[column].push_back(indexOf(text));
  }
  if (!perColumn.empty()) {
    const ShortDateCell dates(locale);
    QSet<int> asDates;
    for (const QString& text : perColumn[0]) asDates.insert(indexOf(dates.format(text)));
    firstColumnAsDates_.assign(asDates.begin(), asDates.end());
  }
  for (int column = 0; column < columns; ++column) {
    const QString header = list.columnHeaderText(column).left(kLongestMeasuredText + 1);
    headers_.push_back(header.isEmpty() ? -1 : indexOf(header));
  }
}

int ColumnTexts::indexOf(const QString& text) {
  auto [at, added] = index_.emplace(text, int(distinct_.size()));
  if (added) distinct_.append(text);
  return at->second;
}

}  // namespace rowcast
