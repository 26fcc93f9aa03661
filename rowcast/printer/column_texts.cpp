#include "rowcast/printer/column_texts.h"

#include <QHash>
#include <QSet>

#include "rowcast/printer/column_totals.h"

namespace rowcast {

ColumnTexts::ColumnTexts(const ListModel& list, int columns, const QLocale& locale) {
  std::vector<QSet<QString>> perColumn(size_t(std::max(columns, 0)));
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
  }
  for (int column = 0; column < columns; ++column) {
    add(column, list.columnHeaderText(column));
    // The total is printed under its column, so it needs the room too.
    if (ColumnTotals::isSummed(column + 1)) add(column, totals.text(column + 1));
  }

  // One index for a text that several columns share, so it is measured once.
  QHash<QString, int> index;
  columns_.resize(perColumn.size());
  for (size_t column = 0; column < perColumn.size(); ++column) {
    columns_[column].reserve(size_t(perColumn[column].size()));
    for (const QString& text : perColumn[column]) {
      auto at = index.constFind(text);
      if (at == index.constEnd()) {
        at = index.insert(text, int(distinct_.size()));
        distinct_.append(text);
      }
      columns_[column].push_back(*at);
    }
  }
}

}  // namespace rowcast
