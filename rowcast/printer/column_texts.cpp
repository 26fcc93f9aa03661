#include "rowcast/printer/column_texts.h"

#include <QHash>
#include <QSet>

namespace rowcast {

ColumnTexts::ColumnTexts(const ListModel& list, int columns) {
  std::vector<QSet<QString>> perColumn(size_t(std::max(columns, 0)));
  auto add = [&perColumn](int column, const QString& text) {
    if (!text.isEmpty()) perColumn[size_t(column)].insert(text.left(kLongestMeasuredText + 1));
  };
  const int items = list.itemCount();
  for (int item = 0; item < items; ++item) {
    if (columns > 0) add(0, list.itemText(item));
    const int cells = std::min(list.subItemCount(item) + 1, columns);
    for (int column = 1; column < cells; ++column) add(column, list.subItemText(item, column - 1));
  }
  for (int column = 0; column < columns; ++column) add(column, list.columnHeaderText(column));

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
